#include "TRBrowserFiles.h"
#include "TRCoreTestMain.h"
#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRFirefoxPlacesParser.h"
#include "TRTestSupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <SQLiteCpp/SQLiteCpp.h>

#include <ctime>

using Parser = TRFirefoxPlacesParser;
using Place = TRBrowserFiles::FirefoxPlace;
using Visit = TRBrowserFiles::FirefoxVisit;
using Bookmark = TRBrowserFiles::FirefoxBookmark;
using TRBrowserFiles::firefoxRoots;
using TRTestSupport::captureStdout;
using TRTestSupport::update;

Q_DECLARE_METATYPE(QList<Place>)
Q_DECLARE_METATYPE(QList<Visit>)
Q_DECLARE_METATYPE(QList<Bookmark>)

namespace {

QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
}

// Microseconds since 1970 of a time of day, days before fixedNow's day.
qint64 at(int daysBefore, int hour, int minute = 0)
{
    return TRBrowserFiles::firefoxTime(
        QDateTime(fixedNow().date().addDays(-daysBefore), QTime(hour, minute), Qt::UTC));
}

// The pages the bookmark cases point to, by id from 1.
const QList<Place> bookmarkedPages{
    {"https://a.example/", "A"},
    {"https://b.example/", QVariant()},
    {"place:sort=8&maxResults=10", "Recent"},
    {"https://tagged.example/", "Tagged"},
    {"https://c.example/", ""},
};

// A tree as one line: groups as name{children}, separators as "-", other
// items as name(url).
QString tree(const TRBookmarkPtr &node)
{
    if (node->kind() == TRBookmarkKind::group) {
        QStringList children;
        for (const auto &child : node->bookmarks()) {
            children << tree(child);
        }
        return node->name() + "{" + children.join("|") + "}";
    }
    if (std::static_pointer_cast<TRGoogleChromeBookmark>(node)->tag ==
        TRGoogleChromeBookmark::Tag::separator) {
        return QStringLiteral("-");
    }
    return node->name() + "(" + QString::fromUtf8(node->encodedUrl()) + ")";
}

// History days as one line: day{name@hh:mm xN|...}.
QString days(const std::vector<TRGoogleChromeBookmarkPtr> &groups)
{
    QStringList result;
    for (const auto &day : groups) {
        QStringList entries;
        for (const auto &child : day->bookmarks()) {
            const auto entry = std::static_pointer_cast<TRGoogleChromeBookmark>(child);
            entries << entry->name() + "@" +
                           entry->lastVisitedDate.toUTC().toString(QStringLiteral("hh:mm")) + " x" +
                           QString::number(entry->visitCount);
        }
        result << day->name() + "{" + entries.join("|") + "}";
    }
    return result.join("|");
}

QString readDays(const QString &path)
{
    const TRHistoryStorePtr store = Parser::readHistory(path);
    if (!store) {
        return QStringLiteral("unreadable");
    }
    const TRDayFormatter formatter;
    return days(Parser::groupHistoryByDay(store, formatter));
}

// Older files: no guid column, the roots named in a table of their own.
const QByteArray oldSchema =
    "DROP INDEX moz_bookmarks_guid_uniqueindex; ALTER TABLE moz_bookmarks DROP COLUMN guid;"
    "CREATE TABLE moz_bookmarks_roots (root_name VARCHAR(16) UNIQUE, folder_id INTEGER);"
    "INSERT INTO moz_bookmarks_roots VALUES ('places', 1), ('menu', 2), ('toolbar', 3), "
    "('tags', 4), ('unfiled', 5);";

void runSql(const QString &path, const QByteArray &sql)
{
    if (!sql.isEmpty()) {
        SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE);
        db.exec(sql.constData());
    }
}

QByteArray placesBytes(const QList<Place> &places, const QList<Visit> &visits,
                       const QList<Bookmark> &bookmarks)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("places.sqlite");
    TRBrowserFiles::writeFirefoxPlaces(path, places, visits, bookmarks);
    return TRTestSupport::readFile(path);
}

// The two versions of the file that the update and fault cases read.
QByteArray placesVersion(bool second)
{
    QList<Bookmark> bookmarks = firefoxRoots();
    bookmarks << Bookmark{10, 1, 3, 0, second ? "Second" : "First", 1};
    const QList<Place> pages{{second ? "https://second.example/" : "https://first.example/",
                              second ? "Newer" : "Recent"},
                             {"https://older.example/", "Older", 2}};
    const QList<Visit> visits =
        second ? QList<Visit>{{1, at(0, 11, 59)}} : QList<Visit>{{1, at(0, 11)}, {2, at(1, 12)}};
    return placesBytes(pages, visits, bookmarks);
}

// As the menu has them: roots that hold nothing are left out.
const QString firstTree = "{Bookmarks Toolbar{First(https://first.example/)}}";
const QString secondTree = "{Bookmarks Toolbar{Second(https://second.example/)}}";
const QString firstHistory =
    "History{Today{Recent(https://first.example/)}|Yesterday{Older(https://older.example/)}}";

} // namespace

// Firefox's places.sqlite, its bookmarks and its history, as Trellis reads them.
class TestFirefoxParser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

private slots:
    void init() { TRDayFormatter::setNowForTesting(fixedNow); }
    void cleanup() { TRDayFormatter::setNowForTesting({}); }

    void readBookmarks_data()
    {
        QTest::addColumn<QList<Bookmark>>("bookmarks");
        // Run on the written file, to make it older or damage it.
        QTest::addColumn<QByteArray>("sql");
        // The container's tree, or the reason the read fails.
        QTest::addColumn<QString>("expected");
        const QList<Bookmark> roots = firefoxRoots();
        QTest::newRow("roots in order, named by Trellis")
            << (roots + QList<Bookmark>{{10, 1, 5, 0, "In other", 1},
                                        {11, 1, 2, 0, "In menu", 1},
                                        {12, 1, 3, 0, "In toolbar", 1},
                                        {13, 1, 6, 0, "In mobile", 1}})
            << QByteArray()
            << "{Bookmarks Toolbar{In toolbar(https://a.example/)}|Bookmarks Menu{In "
               "menu(https://a.example/)}|Other Bookmarks{In other(https://a.example/)}|Mobile "
               "Bookmarks{In mobile(https://a.example/)}}";
        const QString emptyRoots = "{Bookmarks Toolbar{}|Bookmarks Menu{}|Other Bookmarks{}|"
                                   "Mobile Bookmarks{}}";
        QTest::newRow("no bookmarks") << roots << QByteArray() << emptyRoots;
        QTest::newRow("separators, by position")
            << (roots + QList<Bookmark>{{12, 3, 2, 1, QVariant()},
                                        {11, 1, 2, 2, "Second", 1},
                                        {10, 1, 2, 0, "First", 1}})
            << QByteArray()
            << "{Bookmarks Toolbar{}|Bookmarks Menu{First(https://a.example/)|-|"
               "Second(https://a.example/)}|Other Bookmarks{}|Mobile Bookmarks{}}";
        QTest::newRow("untitled named by the address")
            << (roots + QList<Bookmark>{{10, 1, 3, 0, QVariant(), 2}, {11, 1, 3, 1, "", 5}})
            << QByteArray()
            << "{Bookmarks Toolbar{https://b.example/(https://b.example/)|"
               "https://c.example/(https://c.example/)}|Bookmarks Menu{}|Other Bookmarks{}|"
               "Mobile Bookmarks{}}";
        QTest::newRow("queries, tags and records without a page left out")
            << (roots + QList<Bookmark>{{10, 1, 5, 0, "Query", 3},
                                        {11, 2, 4, 0, "a tag"},
                                        {12, 1, 11, 0, "Tagged", 4},
                                        {13, 1, 5, 1, "No page", 0},
                                        {14, 4, 5, 2, "Old livemark", 1},
                                        {15, 1, 5, 3, "Kept", 1}})
            << QByteArray()
            << "{Bookmarks Toolbar{}|Bookmarks Menu{}|Other Bookmarks{Kept(https://a.example/)}|"
               "Mobile Bookmarks{}}";
        QTest::newRow("nested folders, each by position")
            << (roots + QList<Bookmark>{{20, 1, 11, 1, "F2", 2},
                                        {21, 2, 10, 0, "G"},
                                        {11, 2, 3, 1, "F"},
                                        {10, 2, 11, 0, "E"},
                                        {22, 1, 21, 0, "G1", 1},
                                        {23, 1, 3, 0, "T0", 1}})
            << QByteArray()
            << "{Bookmarks Toolbar{T0(https://a.example/)|F{E{G{G1(https://a.example/)}}|"
               "F2(https://b.example/)}}|Bookmarks Menu{}|Other Bookmarks{}|Mobile Bookmarks{}}";
        // The toolbar's parent is a folder inside it, and a folder is its
        // own parent: each is shown once, and the read ends.
        QTest::newRow("parent cycles")
            << (roots + QList<Bookmark>{{10, 2, 3, 0, "Loop"}, {11, 2, 11, 0, "Self"}})
            << QByteArray("UPDATE moz_bookmarks SET parent = 10 WHERE id = 3;")
            << "{Bookmarks Toolbar{Loop{}}|Bookmarks Menu{}|Other Bookmarks{}|Mobile Bookmarks{}}";
        QTest::newRow("a root missing")
            << roots << QByteArray("DELETE FROM moz_bookmarks WHERE id = 6;")
            << "{Bookmarks Toolbar{}|Bookmarks Menu{}|Other Bookmarks{}}";
        QTest::newRow("roots in their own table (older files)")
            << (roots + QList<Bookmark>{{10, 1, 3, 0, "Bar", 1},
                                        {11, 2, 4, 0, "a tag"},
                                        {12, 1, 11, 0, "Tagged", 4},
                                        {13, 1, 5, 0, "Other", 2}})
            << oldSchema
            << "{Bookmarks Toolbar{Bar(https://a.example/)}|Bookmarks Menu{}|Other "
               "Bookmarks{Other(https://b.example/)}}";
        QTest::newRow("neither guids nor a roots table")
            << roots
            << QByteArray("DROP INDEX moz_bookmarks_guid_uniqueindex;"
                          "ALTER TABLE moz_bookmarks DROP COLUMN guid;")
            << "no such table: moz_bookmarks_roots";
        QTest::newRow("a column missing")
            << roots << QByteArray("ALTER TABLE moz_bookmarks DROP COLUMN position;")
            << "no such column: b.position";
        QTest::newRow("no bookmarks table")
            << roots << QByteArray("DROP TABLE moz_bookmarks;") << "no such table: moz_bookmarks";
    }

    void readBookmarks()
    {
        QFETCH(QList<Bookmark>, bookmarks);
        QFETCH(QByteArray, sql);
        QFETCH(QString, expected);
        const QString path = m_files.filePath(QTest::currentDataTag() + QString(".sqlite"));
        TRBrowserFiles::writeFirefoxPlaces(path, bookmarkedPages, {}, bookmarks);
        runSql(path, sql);
        QString error;
        const TRGoogleChromeBookmarkPtr container = Parser::readBookmarks(path, &error);
        QCOMPARE(container ? tree(container) : error, expected);
        if (container) {
            // Root folders hang below the container without naming it.
            for (const TRBookmarkPtr &root : container->bookmarks()) {
                QVERIFY(!root->parent());
            }
        }
    }

    void readHistory_data()
    {
        QTest::addColumn<QList<Place>>("places");
        QTest::addColumn<QList<Visit>>("visits");
        // Visits written after the file, left in its -wal file.
        QTest::addColumn<QList<Visit>>("walVisits");
        QTest::addColumn<QString>("expected");
        const QList<Place> ab{{"https://a.example/", "A", 7}, {"https://b.example/", "B", 2}};
        QTest::newRow("one entry per page and day, at its latest visit that day")
            << ab << QList<Visit>{{1, at(0, 9)}, {2, at(0, 10)}, {1, at(0, 11, 30)},
                                  {1, at(1, 8)}, {1, at(1, 20)}, {2, at(1, 23, 59)}}
            << QList<Visit>{} << "Today{A@11:30 x7|B@10:00 x2}|Yesterday{B@23:59 x2|A@20:00 x7}";
        // Embeds, downloads, framed links and reloads are not shown; the
        // other types are.
        QTest::newRow("visit types")
            << ab << QList<Visit>{{1, at(0, 11), 4}, {1, at(0, 10), 7},    {1, at(0, 9), 8},
                                  {2, at(0, 8), 9},  {1, at(0, 7, 30), 2}, {2, at(0, 7), 5},
                                  {2, at(0, 6), 6},  {1, at(1, 11), 3},    {2, at(1, 10), 1}}
            << QList<Visit>{} << "Today{A@07:30 x7|B@07:00 x2}|Yesterday{A@11:00 x7|B@10:00 x2}";
        QTest::newRow("hidden pages")
            << QList<Place>{{"https://a.example/", "A"},
                            {"https://frame.example/", "Frame", 1, true}}
            << QList<Visit>{{1, at(0, 9)}, {2, at(0, 10)}} << QList<Visit>{} << "Today{A@09:00 x1}";
        QTest::newRow("untitled named by the address as stored")
            << QList<Place>{{"https://null.example/", QVariant()},
                            {"https://empty.example/", ""},
                            {"https://space.example/a b", QVariant()},
                            {QVariant(), "No address"}}
            << QList<Visit>{{1, at(0, 9)}, {2, at(0, 8)}, {3, at(0, 7)}, {4, at(0, 6)}}
            << QList<Visit>{}
            << "Today{https://null.example/@09:00 x1|https://empty.example/@08:00 x1|"
               "https://space.example/a b@07:00 x1}";
        QTest::newRow("visits only in the write-ahead log")
            << ab << QList<Visit>{{1, at(1, 9)}} << QList<Visit>{{2, at(0, 9)}, {1, at(0, 8)}}
            << "Today{B@09:00 x2|A@08:00 x7}|Yesterday{A@09:00 x7}";
        QTest::newRow("no visits") << ab << QList<Visit>{} << QList<Visit>{} << "";
    }

    void readHistory()
    {
        QFETCH(QList<Place>, places);
        QFETCH(QList<Visit>, visits);
        QFETCH(QList<Visit>, walVisits);
        QFETCH(QString, expected);
        const QString path = m_files.filePath(QTest::currentDataTag() + QString(".sqlite"));
        TRBrowserFiles::writeFirefoxPlaces(path, places, visits, firefoxRoots(), walVisits);
        QCOMPARE(QFileInfo(path + "-wal").size() > 0, !walVisits.isEmpty());
        QCOMPARE(readDays(path), expected);
    }

    // What cannot be read says why, for the one line the update prints.
    void unreadableHistory_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("error");
        QTest::newRow("no visits table")
            << QByteArray("DROP TABLE moz_historyvisits;") << "no such table: moz_historyvisits";
        QTest::newRow("no visit types (older files)")
            << QByteArray("ALTER TABLE moz_historyvisits DROP COLUMN visit_type;")
            << "no such column: v.visit_type";
        QTest::newRow("no hidden column")
            << QByteArray("ALTER TABLE moz_places DROP COLUMN hidden;")
            << "no such column: p.hidden";
    }

    void unreadableHistory()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QString, error);
        const QString path = m_files.filePath(QTest::currentDataTag() + QString(".sqlite"));
        TRBrowserFiles::writeFirefoxPlaces(path, {{"https://a.example/", "A"}}, {{1, at(0, 9)}},
                                           firefoxRoots());
        runSql(path, sql);
        QString reason;
        QCOMPARE(captureStdout([&] { QVERIFY(!Parser::readHistory(path, &reason)); }),
                 QByteArray());
        QCOMPARE(reason, error);
    }

    // Bookmarks and history come from one file: a part that fails says so
    // in one line and keeps its last tree while the other part is shown
    // anew; an unchanged file is not read, and a grant taken back takes
    // both trees along.
    void updateKeepsGoodTrees()
    {
        const QString path = m_files.filePath("profile/places.sqlite");
        QVERIFY(TRTestSupport::writeFile(path, placesVersion(false)));
        Parser parser;
        parser.dataForPlaces = TRFileGrant::make(path);
        QVERIFY(update(parser));
        QCOMPARE(parser.lastUpdateResult().bookmarks, Parser::Outcome::read);
        QCOMPARE(parser.lastUpdateResult().history, Parser::Outcome::read);
        QCOMPARE(tree(parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks)), firstTree);
        const TRGoogleChromeBookmarkPtr history = parser.historyBookmark();
        QCOMPARE(parser.bookmarks().value(Parser::BookmarkTypeKey::history), history);
        QCOMPARE(history->tag, TRGoogleChromeBookmark::Tag::history);
        QCOMPARE(TRTestSupport::dump(history), firstHistory);

        // The second version without visit types: its bookmarks are shown,
        // the history read before stays.
        QVERIFY(TRTestSupport::writeFile(path, placesVersion(true)));
        runSql(path, "ALTER TABLE moz_historyvisits DROP COLUMN visit_type;");
        TRTestSupport::settle(path);
        QCOMPARE(captureStdout([&] { QVERIFY(update(parser)); }),
                 QByteArray("Could not read 'places.sqlite': no such column: v.visit_type\n"));
        QCOMPARE(parser.lastUpdateResult().bookmarks, Parser::Outcome::read);
        QCOMPARE(parser.lastUpdateResult().history, Parser::Outcome::unreadable);
        QCOMPARE(tree(parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks)), secondTree);
        QCOMPARE(parser.historyBookmark(), history);
        QCOMPARE(TRTestSupport::dump(history), firstHistory);

        // Unchanged: nothing is read or said.
        QVERIFY(parser.lastUpdateChanged());
        QCOMPARE(captureStdout([&] { QVERIFY(update(parser)); }), QByteArray());
        QVERIFY(!parser.lastUpdateChanged());
        QCOMPARE(parser.lastUpdateResult().history, Parser::Outcome::unreadable);

        // A day later the same visits are yesterday's and older.
        TRDayFormatter::setNowForTesting([] { return fixedNow().addDays(1); });
        bool regrouped = false;
        parser.regroupHistory([&regrouped] { regrouped = true; });
        QVERIFY(QTest::qWaitFor([&regrouped] { return regrouped; }, 30000));
        QCOMPARE(TRTestSupport::names(history->bookmarks()),
                 QStringList({"Yesterday", "Tuesday, April 30, 2024"}));

        parser.dataForPlaces.reset();
        QVERIFY(update(parser));
        QVERIFY(parser.bookmarks().isEmpty());
        QCOMPARE(parser.lastUpdateResult().bookmarks, Parser::Outcome::notGranted);
        QCOMPARE(parser.lastUpdateResult().history, Parser::Outcome::notGranted);
    }

    // A page has one entry per local day: in another time zone its visits
    // fall on other days, and regrouping reads them again from the copy.
    void regroupInAnotherZone()
    {
        const QString path = m_files.filePath("zone/places.sqlite");
        TRBrowserFiles::writeFirefoxPlaces(path, {{"https://a.example/", "A"}},
                                           {{1, at(0, 9)}, {1, at(0, 11)}}, firefoxRoots());
        Parser parser;
        parser.dataForPlaces = TRFileGrant::make(path);
        QVERIFY(update(parser));
        const auto entries = [&parser] {
            QStringList result;
            for (const TRBookmarkPtr &day : parser.historyBookmark()->bookmarks()) {
                result << TRTestSupport::names(day->bookmarks());
            }
            return result;
        };
        QCOMPARE(entries(), QStringList({"A"}));
        const QByteArray zone = qgetenv("TZ");
        const auto restore = qScopeGuard([&zone] {
            qputenv("TZ", zone);
            ::tzset();
        });
        // UTC+14: 09:00 and 11:00 UTC are 23:00 and 01:00 the next day.
        qputenv("TZ", "Pacific/Kiritimati");
        ::tzset();
        bool regrouped = false;
        parser.regroupHistory([&regrouped] { regrouped = true; });
        QVERIFY(QTest::qWaitFor([&regrouped] { return regrouped; }, 30000));
        QCOMPARE(entries(), QStringList({"A", "A"}));
    }

    // Between two refreshes places.sqlite is deleted, replaced, made
    // unreadable, locked by a running Firefox, or turns out to be something
    // else than its name says; or the folder of private copies becomes
    // read-only. The refresh says no more than the row's lines and keeps the
    // last good trees (or shows the new file's); a good file afterwards is
    // read again.
    void faultsBetweenRefreshes_data()
    {
        TRTestSupport::addFaultColumns();
        TRTestSupport::addFaultRows(
            {.name = "places.sqlite",
             .secondVersion = placesVersion(true),
             .otherKind = TRTestSupport::json("{'roots':{}}"),
             .otherKindOut = "Could not read 'places.sqlite': file is not a database\n",
             .noTablesOut = "Could not read 'places.sqlite': no such table: moz_bookmarks\n",
             .lockedBy = "Firefox",
             .logRow = true});
        TRTestSupport::addPrivateFolderFaultRows({}, {{"firefox_places_data", "places.sqlite"}});
    }

    void faultsBetweenRefreshes()
    {
        QFETCH(QString, source);
        TRTestSupport::FaultFolders folders;
        QVERIFY(folders.isValid());
        const QString path = folders.browser.filePath("profile/places.sqlite");
        const auto write = [&](bool second) {
            QVERIFY(TRTestSupport::writeFile(path, placesVersion(second)));
        };
        write(false);
        QVERIFY(
            QFile::setPermissions(folders.browser.filePath("profile"), TRTestSupport::openToAll));
        Parser parser;
        parser.dataForPlaces = TRFileGrant::make(path);
        folders.runRow(
            source.isEmpty() ? QString() : path,
            {.refresh = [&parser] { QVERIFY(update(parser)); },
             .trees =
                 [&parser] {
                     const auto container =
                         parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks);
                     const auto history =
                         parser.bookmarks().value(Parser::BookmarkTypeKey::history);
                     return QStringList{container ? tree(container) : QString(),
                                        history ? TRTestSupport::dump(history) : QString()};
                 },
             .expected =
                 [](const QString &, bool showsNew, bool) {
                     return showsNew ? QStringList{secondTree,
                                                   "History{Today{Newer(https://second.example/)}}"}
                                     : QStringList{firstTree, firstHistory};
                 },
             .writeSecondVersions = [&write] { write(true); },
             // The second version, committed to the log.
             .committed = "PRAGMA wal_autocheckpoint=0; UPDATE moz_bookmarks SET title = "
                          "'Second' WHERE id = 10; UPDATE moz_places SET url = "
                          "'https://second.example/', title = 'Newer' WHERE id = 1; DELETE FROM "
                          "moz_historyvisits; INSERT INTO moz_historyvisits(place_id, visit_date, "
                          "visit_type) VALUES (1, " +
                          QByteArray::number(at(0, 11, 59)) + ", 1);",
             .uncommitted = "UPDATE moz_places SET title = 'Uncommitted';"});
    }

    // trellis-inspect prints Firefox's trees as it prints Chrome's, with
    // separators of their own kind.
    void inspectTool()
    {
        const QString path = m_files.filePath("inspect/places.sqlite");
        TRBrowserFiles::writeFirefoxPlaces(
            path, bookmarkedPages, {{1, at(0, 9)}},
            firefoxRoots() + QList<Bookmark>{{10, 1, 2, 0, "A", 1}, {11, 3, 2, 1, QVariant()}});
        const QJsonDocument bookmarks = TRTestSupport::inspect("firefox-bookmarks", path);
        const QJsonArray menu = bookmarks["children"][0]["children"].toArray();
        // The empty toolbar is left out, as in the menu.
        QCOMPARE(bookmarks["children"].toArray().size(), 1);
        QCOMPARE(bookmarks["children"][0]["name"].toString(), QString("Bookmarks Menu"));
        QCOMPARE(menu.size(), 2);
        QCOMPARE(menu[0]["kind"].toString(), QString("item"));
        QCOMPARE(menu[1]["kind"].toString(), QString("separator"));
        const QJsonDocument history = TRTestSupport::inspect("firefox-history", path);
        QCOMPARE(history["children"][0]["children"][0]["name"].toString(), QString("A"));
    }
};

TRELLIS_CORE_TEST_MAIN(TestFirefoxParser)
#include "TestFirefoxParser.moc"
