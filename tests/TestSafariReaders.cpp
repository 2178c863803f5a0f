#include "TRBrowserFiles.h"
#include "TRCoreTestMain.h"
#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRPropertyList.h"
#include "TRSafariHistoryDatabaseReader.h"
#include "TRSafariHistoryListReader.h"
#include "TRSafariHistoryReader.h"
#include "TRSafariLastSessionReader.h"
#include "TRSafariTopSitesReader.h"
#include "TRTestSupport.h"

#include <numeric>

using namespace TRBrowserFiles;
using namespace TRTestSupport;

namespace {

const QDateTime now(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

QVariant at(const QDateTime &moment)
{
    return safariTime(moment);
}

bool writePropertyList(const QString &path, const QVariant &value, bool xml = false)
{
    const QByteArray bytes = xml ? TRPropertyList::toXml(value) : TRPropertyList::toBinary(value);
    return !bytes.isEmpty() && writeFile(path, bytes);
}

// The nodes the day groups make for a store's visits, in its order; none
// for no store.
std::vector<TRSafariBookmarkPtr> entriesOf(const TRHistoryStorePtr &store)
{
    std::vector<TRSafariBookmarkPtr> entries;
    for (std::size_t i = 0; store && i < store->size(); ++i) {
        entries.push_back(store->makeNode<TRSafariBookmark>(i));
    }
    return entries;
}

// Visits made by hand, as a History.db reader would collect them.
struct HandVisit
{
    QString name;
    QByteArray url = "https://x.example/";
    qint32 count = 1;
    QDateTime date = now;
};

TRHistoryStorePtr storeOf(const QList<HandVisit> &visits)
{
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, true);
    for (const HandVisit &visit : visits) {
        builder.addVisit(builder.address(visit.url, visit.count), visit.date.toMSecsSinceEpoch(),
                         visit.name.toUtf8());
    }
    return builder.finish();
}

} // namespace

// Safari's history (database and property list), the most-visited selection,
// top sites and the last session, read from files made here.
class TestSafariReaders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

    QString file(const QString &name) const { return m_files.filePath(name); }

private slots:
    void init()
    {
        TRDayFormatter::setNowForTesting([] { return now; });
    }
    void cleanup() { TRDayFormatter::setNowForTesting({}); }

    void historyGroupsByDay()
    {
        const QDateTime today10 = now.addSecs(-2 * 3600);
        const QDateTime today9 = now.addSecs(-3 * 3600);
        const QDateTime yesterday23 = now.addSecs(-13 * 3600);
        const QString path = file("days.db");
        // Stored out of order: the query and the grouping put them right.
        writeSafariHistoryDatabase(path, {{"https://b.example/", "nine", at(today9)},
                                          {"https://c.example/", "late", at(yesterday23)},
                                          {"https://a.example/", "ten", at(today10)}});
        const TRHistoryStorePtr store = TRSafariHistoryDatabaseReader::read(path);
        const auto entries = entriesOf(store);
        QCOMPARE(names(entries), QStringList({"ten", "nine", "late"}));
        QCOMPARE(entries.front()->lastVisitedDate, today10);

        const TRDayFormatter formatter;
        const auto days = TRSafariHistoryReader::groupByDay(store, formatter);
        // Counted before anything is made.
        QCOMPARE(days[0]->childCount(), 2u);
        QVERIFY(days[0]->hasUnmadeChildren());
        QCOMPARE(names(days), QStringList({"Today", "Yesterday"}));
        QCOMPARE(names(days[0]->bookmarks()), QStringList({"ten", "nine"}));
        QCOMPARE(names(days[1]->bookmarks()), QStringList({"late"}));
        QCOMPARE(days[1]->bookmarks().front()->parent(), days[1]);
        QCOMPARE(days[0]->tag, TRSafariBookmark::Tag::generic);
        QVERIFY(!days[0]->hasUrl());

        // Older days are named by their full date (Yesterday above holds one
        // visit alone); equal times keep the reader's order.
        const auto older = TRSafariHistoryReader::groupByDay(
            storeOf({{"ten", "https://a.example/", 1, today10},
                     {"nine", "https://b.example/", 1, today9},
                     {"old", "https://a.example/", 1,
                      QDateTime(QDate(2024, 4, 20), QTime(8, 0), Qt::UTC)},
                     {"late", "https://c.example/", 1, yesterday23},
                     {"first", "https://f.example/", 1, today9},
                     {"second", "https://s.example/", 1, today9}}),
            formatter);
        QCOMPARE(names(older), QStringList({"Today", "Yesterday", "Saturday, April 20, 2024"}));
        QCOMPARE(names(older[0]->bookmarks()), QStringList({"ten", "nine", "first", "second"}));
    }

    void historyDatabaseRows()
    {
        const QString path = file("rows.db");
        const QDateTime visit(QDate(2024, 4, 30), QTime(6, 30, 15, 500), Qt::UTC);
        writeSafariHistoryDatabase(path, {{"https://space.example/a b", "space", at(visit), 3},
                                          {"https://null.example/", QVariant(), at(visit)},
                                          {"https://empty.example/", "", at(visit)},
                                          {QVariant(), "no url", at(visit)},
                                          {"", "empty url", at(visit)},
                                          {"file:///tmp/a%20b.html", "file", at(visit)},
                                          {"https://nocount.example/", "count", at(visit), 0},
                                          {"https://x.example/ü|{}", "raw", at(visit)}});
        const auto entries = entriesOf(TRSafariHistoryDatabaseReader::read(path));
        QStringList described;
        for (const auto &entry : entries) {
            QCOMPARE(entry->kind(), TRBookmarkKind::item);
            QCOMPARE(entry->lastVisitedDate, visit);
            described << entry->name() + " " + QString::fromUtf8(entry->url().toEncoded()) + " " +
                             QString::number(entry->visitCount);
        }
        // Rows without an address are left out. The strict parser refuses
        // the space; the byte fallback keeps the row.
        described.sort();
        QCOMPARE(described,
                 QStringList({"count https://nocount.example/ 0", "file file:///tmp/a%20b.html 1",
                              "https://empty.example/ https://empty.example/ 1",
                              "https://null.example/ https://null.example/ 1",
                              "raw https://x.example/%C3%BC%7C%7B%7D 1",
                              "space https://space.example/a%20b 3"}));

        // A missing copy is no database, and none is made; files that are no
        // history are in the parser's fault table.
        QVERIFY(!TRSafariHistoryDatabaseReader::read(file("missing.db")));
        QVERIFY(!QFile::exists(file("missing.db")));
    }

    // Visits of one URL share its parsed URL; each keeps its own title, and
    // one without a title is named by the URL.
    void historyDatabaseSharedItems()
    {
        const QString path = file("shared.db");
        const QVariant time = at(now);
        writeSafariHistoryDatabase(path, {{"https://s.example/a b", "A", time, 4},
                                          {"https://s.example/a b", "A", time},
                                          {"https://s.example/a b", "B", time},
                                          {"https://s.example/a b", QVariant(), time},
                                          {"https://s.example/a b", "", time},
                                          {"https://s.example/a b", "A", time},
                                          {"https://other.example/", "A", time, 2}});
        const TRHistoryStorePtr store = TRSafariHistoryDatabaseReader::read(path);
        const auto entries = entriesOf(store);
        QCOMPARE(entries.size(), 7u);
        // One address for the item's visits, one for the other item; "A"
        // repeated is kept once.
        QCOMPARE(store->addressCount(), 2u);
        QVERIFY(store->title(0).data() == store->title(1).data());
        QHash<QString, int> named;
        for (const auto &entry : entries) {
            ++named[entry->name()];
            if (entry->url().host() == u"s.example") {
                QCOMPARE(entry->url().toEncoded(), QByteArray("https://s.example/a%20b"));
                QCOMPARE(entry->visitCount, 4);
            }
        }
        QCOMPARE(named.value("A"), 4);
        QCOMPARE(named.value("B"), 1);
        QCOMPARE(named.value("https://s.example/a%20b"), 2);
    }

    // Times in any numeric form read; times a hair either side of half a
    // millisecond round as their text would, however the column is read; no
    // usable time leaves the moment of the read.
    void historyDatabaseTimes_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QDateTime>("read"); // invalid: the moment of the read
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime visit(QDate(2024, 4, 30), QTime(6, 30, 15, 500), Qt::UTC);
        const QString seconds = QString::number(at(visit).toDouble(), 'f', 1);
        // The column's REAL affinity stores each of these texts as its number,
        // which then reads back as text in SQLite's own form.
        QTest::newRow("number") << at(visit) << visit;
        QTest::newRow("text") << QVariant(seconds) << visit;
        QTest::newRow("leading zero") << QVariant("0" + seconds) << visit;
        QTest::newRow("leading space") << QVariant(" " + seconds) << visit;
        QTest::newRow("negative") << QVariant("-" + seconds)
                                  << reference.addMSecs(-reference.msecsTo(visit));
        QTest::newRow("exponent") << QVariant("1e3") << reference.addSecs(1000);
        QTest::newRow("trailing point") << QVariant("12.") << reference.addSecs(12);
        QTest::newRow("words") << QVariant("twelve") << QDateTime();
        QTest::newRow("null") << QVariant() << QDateTime();
        for (double time : {12.0005, 12.0015, 735726615.4996, 735726615.4995, 735726615.0005,
                            -3.0005, 0.5, 1e11 + 0.0005}) {
            // What SQLite writes for a real, read back as the text it is.
            QTest::newRow(qPrintable(QString::number(time, 'f', 4)))
                << QVariant(time)
                << TRPropertyList::dateFromReferenceTime(QString::number(time, 'g', 15).toDouble());
        }
    }

    void historyDatabaseTimes()
    {
        QFETCH(QVariant, stored);
        QFETCH(QDateTime, read);
        const QString path = file("times.db");
        writeSafariHistoryDatabase(path, {{"https://t.example/", "t", stored}});
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const auto entries = entriesOf(TRSafariHistoryDatabaseReader::read(path));
        QCOMPARE(entries.size(), 1u);
        if (read.isValid()) {
            QCOMPARE(entries[0]->lastVisitedDate, read);
        } else {
            QVERIFY(entries[0]->lastVisitedDate >= before);
        }
    }

    void historyPropertyList()
    {
        const QDateTime visit(QDate(2024, 4, 29), QTime(17, 5), Qt::UTC);
        const QString time = QString::number(TRPropertyList::referenceTimeFromDate(visit), 'f', 1);
        const QVariantList dates{
            QVariantMap{{"", "https://a.example/"},
                        {"title", "A"},
                        {"lastVisitedDate", time},
                        {"visitCount", qint64(7)}},
            QVariantMap{{"title", "no url"}},
            QVariantMap{{"", ""}, {"title", "empty url"}},
            QVariantMap{{"", qint64(4)}, {"title", "number url"}},
            QVariantMap{{"", "https://b.example/a b"}, {"lastVisitedDate", "soon"}},
            QVariantMap{{"", "https://c.example/"},
                        {"title", qint64(1)},
                        {"lastVisitedDate", 12.5},
                        {"visitCount", "9"}}};
        for (bool xml : {false, true}) {
            const QString path = file(xml ? "History-xml.plist" : "History.plist");
            QVERIFY(writePropertyList(path, QVariantMap{{"WebHistoryDates", dates}}, xml));
            const QDateTime before = QDateTime::currentDateTimeUtc();
            const auto entries = entriesOf(TRSafariHistoryListReader::read(path));
            // Newest first: the two without a usable time are dated by the read.
            QCOMPARE(names(entries),
                     QStringList({"https://b.example/a%20b", "https://c.example/", "A"}));
            QCOMPARE(entries[2]->lastVisitedDate, visit);
            QCOMPARE(entries[2]->visitCount, 7);
            QVERIFY(entries[0]->lastVisitedDate >= before);
            QVERIFY(entries[1]->lastVisitedDate >= before);
            QCOMPARE(entries[1]->visitCount, 0);

            // The file's extension picks the reader; the copy itself has none.
            const QString copy = file(xml ? "history_copy_xml" : "history_copy");
            QVERIFY(QFile::copy(path, copy));
            QCOMPARE(entriesOf(TRSafariHistoryReader::read(copy, "/x/History.PLIST")).size(), 3u);
            QVERIFY(entriesOf(TRSafariHistoryReader::read(copy, "/x/History.db")).empty());
            QVERIFY(!TRSafariHistoryReader::read(copy, "/x/History.txt"));

            for (const QVariant &root :
                 {QVariant(QVariantMap{}), QVariant(QVariantMap{{"WebHistoryDates", "x"}}),
                  QVariant(QVariantList{QVariantMap{{"", "https://a.example/"}}})}) {
                QVERIFY(writePropertyList(path, root, xml));
                QVERIFY(entriesOf(TRSafariHistoryListReader::read(path)).empty());
            }
        }
    }

    void mostVisited()
    {
        auto visit = [](const QByteArray &url, qint32 count, int minutesAgo) {
            return HandVisit{QString::fromLatin1(url), url, count, now.addSecs(-60 * minutesAgo)};
        };

        // Per host one item: the highest count, and of equal counts (of one
        // URL or of several) the latest visit.
        auto store =
            storeOf({visit("https://one.example/a", 3, 1), visit("https://one.example/b", 5, 2),
                     visit("https://one.example/b", 5, 3), visit("https://s.example/old", 4, 300),
                     visit("https://s.example/new", 4, 30)});
        QCOMPARE(TRSafariHistoryReader::selectMostVisited(*store),
                 std::vector<std::size_t>({1, 3}));
        QCOMPARE(store->encodedUrl(3).toByteArray(), QByteArray("https://s.example/new"));
        // That its node is the very one its day holds is
        // TestSafariParser::mostVisitedSharesTheDaysNodes'.

        QVERIFY(TRSafariHistoryReader::selectMostVisited(*storeOf({})).empty());

        // Thousands of visits of one host before any other, hosts whose
        // visits span days, and addresses without a host, which are passed
        // over: the ten highest, highest first, exactly as a stable sort of
        // every visit would pick them.
        QList<HandVisit> crowded{visit("file:///tmp/x.html", 100, 5),
                                 visit("mailto:a@b.example", 99, 5)};
        for (int i = 0; i < 9000; ++i) {
            crowded.append(visit(QStringLiteral("https://busy.example/%1").arg(i % 7).toLatin1(),
                                 50, 1 + i / 100));
        }
        for (int i = 0; i < 30; ++i) {
            crowded.append(visit(QStringLiteral("https://q%1.example/").arg(i % 15).toLatin1(),
                                 40 - (i * 7) % 15, 200 + i * 100));
        }
        store = storeOf(crowded);
        QVERIFY(TRSafariHistoryReader::groupByDay(store, TRDayFormatter()).size() > 1);
        std::vector<std::size_t> ordered(store->size());
        std::iota(ordered.begin(), ordered.end(), 0);
        std::ranges::stable_sort(ordered, std::greater{},
                                 [&](std::size_t index) { return store->visitCount(index); });
        std::vector<std::size_t> expected;
        QStringList hosts;
        for (std::size_t index : ordered) {
            const QString host = QUrl::fromEncoded(store->encodedUrl(index).toByteArray()).host();
            if (expected.size() < 10 && !host.isEmpty() && !hosts.contains(host)) {
                hosts << host;
                expected.push_back(index);
            }
        }
        QCOMPARE(TRSafariHistoryReader::selectMostVisited(*store), expected);
        QCOMPARE(expected.size(), 10u);
        QCOMPARE(hosts.front(), QStringLiteral("busy.example"));
    }

    void topSites()
    {
        const QString path = file("TopSites.plist");
        const QVariantList sites{
            QVariantMap{{"TopSiteURLString", "https://a.example/"}, {"TopSiteTitle", "A"}},
            QVariantMap{{"TopSiteURLString", "https://untitled.example/"}},
            QVariantMap{{"TopSiteURLString", "https://number.example/"}, {"TopSiteTitle", 3.0}},
            QVariantMap{{"TopSiteURLString", ""}, {"TopSiteTitle", "empty"}},
            QVariantMap{{"TopSiteURLString", qint64(5)}, {"TopSiteTitle", "number"}},
            QVariantMap{{"TopSiteTitle", "missing"}},
            QVariantMap{{"TopSiteURLString", "https://bad.example/a b"}, {"TopSiteTitle", "bad"}},
            QVariantMap{{"TopSiteURLString", "file:///tmp/t.html"}, {"TopSiteTitle", "file"}}};
        QVERIFY(writePropertyList(
            path, QVariantMap{{"TopSites", sites}, {"BannedURLStrings", QVariantList()}}));
        const auto entries = TRSafariTopSitesReader::read(path);
        QVERIFY(entries);
        QCOMPARE(names(*entries), QStringList({"A", "https://untitled.example/",
                                               "https://number.example/", "file"}));
        QCOMPARE(entries->back()->url().toLocalFile(), QStringLiteral("/tmp/t.html"));

        QVERIFY(writePropertyList(path, QVariantMap{{"TopSites", QVariantList()}}, true));
        const auto none = TRSafariTopSitesReader::read(path);
        QVERIFY(none && none->empty());

        for (const QVariant &root :
             {QVariant(QVariantMap{}), QVariant(QVariantMap{{"TopSites", QVariantList{"x"}}}),
              QVariant(QVariantList{})}) {
            QVERIFY(writePropertyList(path, root));
            QVERIFY(!TRSafariTopSitesReader::read(path));
        }
        QVERIFY(!TRSafariTopSitesReader::read(file("missing.plist")));
    }

    void lastSession()
    {
        const QString path = file("LastSession.plist");
        auto tab = [](const QString &url, const QVariant &title, const QVariant &uuid = {}) {
            QVariantMap map{{"TabURL", url}, {"TabTitle", title}, {"TabUUID", uuid}};
            map.removeIf([](const auto &field) { return field.value().isNull(); });
            return QVariant(map);
        };
        const QVariantList pinned{tab("https://pinned.example/", "Pinned", "P-1")};
        const QVariantList windows{
            QVariantMap{{"TabStates", QVariantList{tab("https://a.example/", "A", "A-1"),
                                                   tab("https://b.example/", QVariant()),
                                                   tab("https://bad.example/a b", "bad"),
                                                   QVariantMap{{"TabURL", qint64(1)}}}}},
            // Real files store a boolean, older ones a number.
            QVariantMap{{"IsPrivateWindow", true},
                        {"TabStates", QVariantList{tab("https://private.example/", "P")}}},
            QVariantMap{{"IsPrivateWindow", qint64(1)},
                        {"TabStates", QVariantList{tab("https://private2.example/", "P2")}}},
            QVariantMap{{"IsPrivateWindow", false}, {"TabStates", "not a list"}}};
        QVERIFY(writePropertyList(
            path, QVariantMap{{"SessionPinnedTabs", pinned}, {"SessionWindows", windows}}));
        auto tabs = TRSafariLastSessionReader::read(path);
        QVERIFY(tabs);
        // Name, pinned and private, identifier (or a fresh one).
        QStringList described;
        for (const TRSafariBookmarkPtr &read : *tabs) {
            described << QStringLiteral("%1 %2%3 %4")
                             .arg(read->name(), QString::number(read->isPinned()),
                                  QString::number(read->isPrivate()),
                                  read->id().size() == 36 ? QStringLiteral("fresh") : read->id());
        }
        QCOMPARE(described, QStringList({"Pinned 10 P-1", "A 00 A-1", " 00 fresh", "P 01 fresh",
                                         "P2 01 fresh"}));

        // Without windows only the pinned tabs; without either, nothing.
        QVERIFY(writePropertyList(path, QVariantMap{{"SessionPinnedTabs", pinned}}, true));
        tabs = TRSafariLastSessionReader::read(path);
        QVERIFY(tabs);
        QCOMPARE(names(*tabs), QStringList({"Pinned"}));
        QVERIFY(writePropertyList(path, QVariantMap{{"SessionVersion", "1.0"}}));
        tabs = TRSafariLastSessionReader::read(path);
        QVERIFY(tabs && tabs->empty());
        QVERIFY(writePropertyList(path, QVariantList{}));
        QVERIFY(!TRSafariLastSessionReader::read(path));
    }

    void realFiles()
    {
        const QString folder = realDataDirectory();
        if (folder.isEmpty()) {
            QSKIP("the real browser files (shared/realdata) are not beside the repository");
        }
        // Read through private copies, never in place: the database is in WAL mode.
        QTemporaryDir copies;
        TRPrivateFolder::setOverride(copies.path());
        const auto database = TRPrivateCopy::make(
            "history_data", TRFileGrant::make(folder + "/safari/plaso_History.db"));
        QVERIFY(database);
        const TRHistoryStorePtr visits = TRSafariHistoryReader::read(*database, "plaso_History.db");
        QVERIFY(visits);
        QCOMPARE(visits->size(), 25u);
        QCOMPARE(names(TRSafariHistoryReader::groupByDay(visits, TRDayFormatter())),
                 QStringList({"Thursday, November 9, 2017"}));
        QVERIFY(!TRSafariHistoryReader::selectMostVisited(*visits).empty());

        const auto list = TRPrivateCopy::make(
            "history_data", TRFileGrant::make(folder + "/safari/plaso_History.plist"));
        TRPrivateFolder::setOverride({});
        QVERIFY(list);
        const auto entries = entriesOf(TRSafariHistoryReader::read(*list, "History.plist"));
        QCOMPARE(entries.size(), 18u);
        for (const auto &entry : entries) {
            QVERIFY(entry->hasUrl());
            QVERIFY(!entry->name().isEmpty());
        }
    }
};

TRELLIS_CORE_TEST_MAIN(TestSafariReaders)
#include "TestSafariReaders.moc"
