#include "TRBrowserFiles.h"
#include "TRCoreTestMain.h"
#include "TRCorpusGenerator.h"
#include "TRCorpusWeb.h"
#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRPlainAddress.h"
#include "TRPrivateFolder.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimeZone>

#include <ctime>

using Parser = TRGoogleChromeBookmarksParser;
using Row = TRBrowserFiles::ChromeRow;
using TRBrowserFiles::chromeTime;
using TRTestSupport::captureStdout;
using TRTestSupport::dump;
using TRTestSupport::json;
using TRTestSupport::names;
using TRTestSupport::update;
using TRTestSupport::writeFile;

namespace {

// Noon on a day of 2024, the now of the fault cases and of day labels; and
// the two versions of the files that the fault cases read.
QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
}

QByteArray bookmarksVersion(bool second)
{
    const QByteArray name = second ? "Second" : "First";
    const QByteArray text = "{'roots':{'bookmark_bar':{'type':'folder','name':'Bar','children':["
                            "{'type':'url','name':'" +
                            name + "','url':'https://" + name.toLower() + ".example/'}]}}}";
    return json(text.constData());
}

QList<Row> visitsVersion(bool second)
{
    const QDateTime now = fixedNow();
    if (second) {
        return {{"Newer", "https://newer.example/", 1, chromeTime(now.addSecs(-60))}};
    }
    return {{"Recent", "https://recent.example/", 1, chromeTime(now.addSecs(-3600))},
            {"Older", "https://older.example/", 2, chromeTime(now.addDays(-1))}};
}

const QByteArray notJson = "Could not decode 'BookmarksContainer': The data couldn’t be read "
                           "because it isn’t in the correct format.\n";

// A bookmarks file of two roots whose names start with prefix, as Chrome
// writes both its Bookmarks and its AccountBookmarks.
QByteArray twoRoots(const QByteArray &prefix)
{
    const QByteArray text = "{'roots':{'other':{'type':'folder','name':'" + prefix +
                            " other','children':[]},'bookmark_bar':{'type':'folder','name':'" +
                            prefix + " bar','children':[{'type':'url','name':'" + prefix +
                            "','url':'https://" + prefix.toLower() + ".example/'}]}}}";
    return json(text.constData());
}

} // namespace

Q_DECLARE_METATYPE(TRGoogleChromeBookmarksParser::Outcome)

// Chrome's Bookmarks JSON and History database, as Trellis reads them.
class TestChromeParser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

private slots:
    // Addresses kept as they stand must be exactly what parsing would keep:
    // every text the check lets through gives itself back from QUrl, in both
    // parsing modes; the generator's odd addresses cover every character it
    // allows.
    void plainWebUrlsNeedNoParsing()
    {
        QList<QByteArray> texts{"http://example.org", "https://a.b.example/x/y?z=1#f",
                                "https://example.org/a:b@c!d*e?f=g&h=i+j,k;l#m?n/o",
                                "https://a-b.example/",
                                "https://a.example/%20%2F%E2%82%AC?q=%3D#%23"};
        texts << TRCorpusWeb::oddAddresses(20000, 20261206);
        int plain = 0;
        int escaped = 0;
        for (const QByteArray &text : std::as_const(texts)) {
            if (!TRPlainAddress::isPlain(text)) {
                continue;
            }
            ++plain;
            escaped += text.contains('%') ? 1 : 0;
            for (const QUrl::ParsingMode mode : {QUrl::TolerantMode, QUrl::StrictMode}) {
                const QUrl url(QString::fromLatin1(text), mode);
                QVERIFY2(url.isValid(), text.constData());
                QCOMPARE(url.toEncoded(), text);
            }
        }
        // The generator makes enough of both kinds to mean something.
        QVERIFY2(plain > 2000, qPrintable(QString::number(plain)));
        QVERIFY2(plain < texts.size() - 2000, qPrintable(QString::number(plain)));
        QVERIFY2(escaped > 200, qPrintable(QString::number(escaped)));
        // Separated by "|": one of them holds a space.
        for (const QByteArray &refused :
             QByteArray("ftp://example.org/|http://Example.org/|http://a..b/|http://-a.b/|"
                        "http://a-.b/|http://a.b:80/|http://u@a.b/|http://a.b/%41|http://a.b/%7E|"
                        "http://a.b/%2f|http://a.b/%4|http://a.b/x%|http://a.b/x y|http://a.b/#x#y|"
                        "http://a.b/é|http://|http://a.b/(x)|http://a.b/'x'|http://a.b/[x]|"
                        "http://a_b.c/|http://9/|http://1.2.3.4/|http://a.b./|"
                        "http://xn--bcher-kva.example/")
                 .split('|')) {
            QVERIFY2(!TRPlainAddress::isPlain(refused), refused.constData());
        }
    }

    void cleanup() { TRDayFormatter::setNowForTesting({}); }

    void decodeBookmarks_data()
    {
        QTest::addColumn<QByteArray>("json");
        // Empty: the decode fails. What is no JSON, and a root without
        // children, are the fault table's and the update's.
        QTest::addColumn<QString>("tree");
        // A file of one root, "other", named O and holding children.
        const auto other = [](const QByteArray &children) {
            const QByteArray text =
                "{'roots':{'other':{'type':'folder','name':'O','children':[" + children + "]}}}";
            return json(text.constData());
        };
        QTest::newRow("three roots in order")
            << json("{'roots':{'synced':{'type':'folder','name':'Mobile','children':[]},"
                    "'other':{'type':'folder','name':'Other','children':[]},"
                    "'bookmark_bar':{'type':'folder','name':'Bar','children':["
                    "{'type':'url','name':'Qt','url':'https://www.qt.io/'}]}}}")
            << "{Bar{Qt(https://www.qt.io/)}|Other{}|Mobile{}}";
        QTest::newRow("only other") << other("") << "{O{}}";
        QTest::newRow("root type compared exactly")
            << json("{'roots':{'bookmark_bar':{'type':'Folder','name':'B','children':[]},"
                    "'other':{'type':'folder','name':'O','children':[]}}}")
            << "{O{}}";
        QTest::newRow("child types in capitals")
            << other("{'type':'URL','name':'a','url':'https://a.example/'},"
                     "{'type':'FOLDER','name':'F','children':[]}")
            << "{O{a(https://a.example/)|F{}}}";
        QTest::newRow("odd children skipped, later ones kept")
            << other("3, 'text', null, {'type':'separator','name':'s'}, {'name':'no type'},"
                     "{'type':7,'name':'numeric type'},"
                     "{'type':'url','name':'kept','url':'https://k.example/'}")
            << "{O{kept(https://k.example/)}}";
        QTest::newRow("folder without children")
            << other(
                   "{'type':'folder','name':'Empty'},{'type':'folder','name':'Bad','children':{}}")
            << "{O{Empty{}|Bad{}}}";
        QTest::newRow("missing and odd fields")
            << json("{'roots':{'other':{'type':'folder','children':["
                    "{'type':'url','url':'https://n.example/'},"
                    "{'type':'url','name':'bad url','url':'http://[::1'},"
                    "{'type':'url','name':'no url'},{'type':'url','name':'number url','url':12},"
                    "{'type':'url','name':'space','url':'https://s.example/a b'}]}}}")
            << "{{(https://n.example/)|bad url()|no url()|number url()|space(https://s.example/a "
               "b)}}";
        QTest::newRow("no roots") << json("{'version':1}") << "";
        QTest::newRow("roots not an object") << json("{'roots':[]}") << "";
        QTest::newRow("top level not an object") << QByteArray("[1,2]") << "";
        QTest::newRow("no usable root") << json("{'roots':{'x':{}}}") << "{}";
    }

    void decodeBookmarks()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, tree);
        QString error;
        const TRGoogleChromeBookmarkPtr container = Parser::decodeBookmarks(json, &error);
        if (tree.isEmpty()) {
            QVERIFY(!container);
            QVERIFY(error.startsWith("The data couldn’t be read because"));
        } else {
            QVERIFY(container);
            QCOMPARE(dump(container), tree);
        }
    }

    void decodedIdentifiersAndParents()
    {
        const auto container = Parser::decodeBookmarks(
            json("{'roots':{'bookmark_bar':{'type':'folder','name':'Bar','id':'1','children':["
                 "{'type':'folder','name':'F','id':'7','children':[{'type':'url','name':'a','url':'"
                 "https://a/','id':12}]}]}}}"),
            nullptr);
        QVERIFY(container);
        const TRBookmarkPtr bar = container->bookmarks().at(0);
        const TRBookmarkPtr folder = bar->bookmarks().at(0);
        const TRBookmarkPtr leaf = folder->bookmarks().at(0);
        QCOMPARE(bar->id(), QString("1"));
        QCOMPARE(folder->id(), QString("7"));
        // A numeric id is not a string: the fresh identifier stays.
        QCOMPARE(leaf->id().size(), 36);
        // Root folders hang below the container without naming it.
        QVERIFY(!bar->parent());
        QCOMPARE(folder->parent(), bar);
        QCOMPARE(leaf->parent(), folder);
    }

    void historyRows()
    {
        const QString path = m_files.filePath("rows.sqlite");
        TRBrowserFiles::writeChromeHistory(
            path, {{"Qt", "https://www.qt.io/", 5, 0},
                   {QVariant(), "https://untitled.example/path", 1, 13000000000000000LL},
                   {"", "https://empty.example/", 2, 13000000000000001LL},
                   {"No URL", QVariant(), 3, 13000000000000002LL},
                   {"File", "file:///tmp/dev%20notes.html", 1, 13000000000000003LL},
                   {"", "", 1, 13000000000000004LL}});
        const TRHistoryStorePtr store = Parser::readHistory(path);
        QVERIFY(store);
        // The nodes a day makes when opened.
        std::vector<TRGoogleChromeBookmarkPtr> entries;
        for (std::size_t i = 0; i < store->size(); ++i) {
            entries.push_back(store->makeNode<TRGoogleChromeBookmark>(i));
            QCOMPARE(entries.back()->kind(), TRBookmarkKind::item);
            QCOMPARE(entries.back()->tag, TRGoogleChromeBookmark::Tag::generic);
        }
        // Newest first; a row without URL is dropped; an untitled row is named by its URL.
        QCOMPARE(names(entries), QStringList({"File", "https://empty.example/",
                                              "https://untitled.example/path", "Qt"}));
        QCOMPARE(entries[0]->url().toLocalFile(), QString("/tmp/dev notes.html"));
        QCOMPARE(entries[3]->visitCount, 5);
        // The Chrome epoch is midnight UTC.
        QCOMPARE(entries[3]->lastVisitedDate, QDateTime(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(entries[2]->lastVisitedDate, entries[3]->lastVisitedDate.addSecs(13000000000LL));

        // A missing file cannot be opened: nothing is said, and nothing is
        // created. Files that are no history are in the fault table.
        const QString missing = m_files.filePath("missing.sqlite");
        QCOMPARE(captureStdout([&] { QVERIFY(!Parser::readHistory(missing)); }), QByteArray());
        QVERIFY(!QFileInfo::exists(missing));
    }

    // An untitled row is named by its address as the file stores it, never
    // decoded or rewritten; a read of only the newer rows names it alike.
    void untitledHistoryNames_data()
    {
        QTest::addColumn<QVariant>("title");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("address");
        const QString space = "https://search.example/?q=write%20blocker";
        const QString degree = "https://w.example/%C2%B0C";
        const QString lower = "https://w.example/a%2ab";
        QTest::newRow("escaped space, no title") << QVariant() << space << space << space.toUtf8();
        QTest::newRow("escaped space, empty title")
            << QVariant(QString("")) << space << space << space.toUtf8();
        QTest::newRow("escaped UTF-8") << QVariant() << degree << degree << degree.toUtf8();
        // Parsing writes escapes in capitals: the address is the parsed one,
        // the name the stored text.
        QTest::newRow("lower-case escape")
            << QVariant() << lower << lower << QByteArray("https://w.example/a%2Ab");
        QTest::newRow("raw degree sign") << QVariant(QString("")) << "https://w.example/°C"
                                         << "https://w.example/°C" << degree.toUtf8();
        QTest::newRow("file") << QVariant() << "file:///tmp/dev%20notes.html"
                              << "file:///tmp/dev%20notes.html"
                              << QByteArray("file:///tmp/dev%20notes.html");
        QTest::newRow("titled") << QVariant(QString("Write blocker")) << space << "Write blocker"
                                << space.toUtf8();
        QTest::newRow("titled, lower-case escape") << QVariant(QString("Star")) << lower << "Star"
                                                   << QByteArray("https://w.example/a%2Ab");
    }

    void untitledHistoryNames()
    {
        QFETCH(QVariant, title);
        QFETCH(QString, url);
        QFETCH(QString, name);
        QFETCH(QByteArray, address);
        const QString path = m_files.filePath("untitled.sqlite");
        const Row older{"Older", "https://older.example/", 1, 13000000000000000LL};
        // Row ids follow the order: the older row keeps its id as the file grows.
        const Row row{title, url, 1, 13000000000000005LL};
        TRBrowserFiles::writeChromeHistory(path, {older, row});
        const TRHistoryStorePtr whole = Parser::readHistory(path);
        QVERIFY(whole);
        QCOMPARE(whole->size(), std::size_t(2));
        QCOMPARE(whole->makeNode<TRGoogleChromeBookmark>(0)->name(), name);
        QCOMPARE(whole->makeNode<TRGoogleChromeBookmark>(0)->encodedUrl(), address);

        // The same row arriving after a read of the older one.
        TRBrowserFiles::writeChromeHistory(path, {older});
        Parser::HistoryCursor cursor;
        const TRHistoryStorePtr before = Parser::readHistory(path, &cursor);
        TRBrowserFiles::writeChromeHistory(path, {older, row});
        const TRHistoryStorePtr newer = Parser::readNewerHistory(path, before, cursor);
        QVERIFY(newer);
        QCOMPARE(newer->size(), std::size_t(2));
        QCOMPARE(newer->makeNode<TRGoogleChromeBookmark>(0)->name(), name);
        QCOMPARE(newer->makeNode<TRGoogleChromeBookmark>(0)->encodedUrl(), address);
    }

    // Days are named in the user's language, capitalized as menu titles.
    // Visits around midnight and clock changes fall into the day their local
    // time names, as converting each visit on its own would have them;
    // Sao Paulo changed its clocks at midnight, Amsterdam at night.
    void dayLabelsAndBoundaries()
    {
        TRDayFormatter::setNowForTesting(fixedNow);
        const TRDayFormatter dutch("nl_NL");
        QCOMPARE(dutch.label(QDate(2024, 5, 1)), QString("Vandaag"));
        QCOMPARE(dutch.label(QDate(2024, 4, 30)), QString("Gisteren"));
        QCOMPARE(dutch.label(QDate(2024, 4, 29)), QString("Maandag 29 april 2024"));
        QCOMPARE(TRDayFormatter("fr_FR").label(QDate(2024, 4, 29)), QString("Lundi 29 avril 2024"));

        const QByteArray previousZone = qgetenv("TZ");
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        const auto restoreZone = qScopeGuard([&] {
            hadZone ? qputenv("TZ", previousZone) : qunsetenv("TZ");
            tzset();
        });
        // Each zone's spring forward, then its fall back.
        const std::pair<QByteArray, QDate> changes[] = {{"America/Sao_Paulo", QDate(2018, 11, 4)},
                                                        {"America/Sao_Paulo", QDate(2019, 2, 17)},
                                                        {"Europe/Amsterdam", QDate(2024, 3, 31)},
                                                        {"Europe/Amsterdam", QDate(2024, 10, 27)},
                                                        {"UTC", QDate(2024, 5, 1)}};
        for (const auto &[zone, changeDay] : changes) {
            qputenv("TZ", zone);
            tzset();
            const QTimeZone local = QTimeZone::systemTimeZone();
            QCOMPARE(local.id(), zone);
            // "Today" and "Yesterday" among the labels, full dates for the rest.
            const QDateTime now = changeDay.addDays(1).startOfDay(local).addSecs(3600);
            TRDayFormatter::setNowForTesting([now] { return now; });

            // Every day's first instant and the instants next to it, and a visit
            // every 37 minutes from three days before the change to three after.
            const auto dayStart = [&](int offset) {
                return changeDay.addDays(offset).startOfDay(local).toMSecsSinceEpoch();
            };
            QList<qint64> instants;
            for (int offset = -3; offset <= 3; ++offset) {
                instants << dayStart(offset) - 1 << dayStart(offset) << dayStart(offset) + 1;
            }
            for (qint64 msecs = dayStart(-3); msecs < dayStart(4); msecs += 37 * 60 * 1000) {
                instants << msecs;
            }
            instants << instants.at(5) << instants.at(40); // equal times keep their order
            TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::displayUrl, false);
            QList<std::pair<qint64, QString>> visits;
            for (qsizetype i = 0; i < instants.size(); ++i) {
                builder.addVisit(builder.addAddress("https://x/", 1), instants.at(i),
                                 QByteArray::number(i));
                visits.append({instants.at(i), QString::number(i)});
            }

            // The layout that converting every visit to local time gives.
            const TRDayFormatter formatter("en_US");
            std::stable_sort(visits.begin(), visits.end(),
                             [](const auto &a, const auto &b) { return a.first > b.first; });
            QStringList expected;
            for (const auto &[msecs, name] : std::as_const(visits)) {
                const QString label = formatter.label(
                    QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toTimeZone(local).date());
                if (!expected.isEmpty() && expected.last().startsWith(label + ": ")) {
                    expected.last() += "," + name;
                } else {
                    expected << label + ": " + name;
                }
            }

            QStringList layout;
            for (const auto &day : Parser::groupHistoryByDay(builder.finish(), formatter)) {
                layout << day->name() + ": " + names(day->bookmarks()).join(",");
                for (const auto &entry : day->bookmarks()) {
                    QCOMPARE(entry->parent(), TRBookmarkPtr(day));
                }
            }
            QCOMPARE(layout, expected);
            QCOMPARE(layout.size(), 8);
            QVERIFY(layout.at(3).startsWith("Yesterday: "));
        }
    }

    // Both files through grants, copies and the queue, as the plugin uses them.
    void updateReadsBothFilesAndKeepsGoodTrees()
    {
        TRDayFormatter::setNowForTesting(fixedNow);
        const QString bookmarks = m_files.filePath("Default/Bookmarks");
        const QString history = m_files.filePath("Default/History");
        QVERIFY(writeFile(bookmarks, bookmarksVersion(false)));
        TRBrowserFiles::writeChromeHistory(history, visitsVersion(false));
        Parser parser;
        parser.dataForBookmarks = TRFileGrant::make(bookmarks);
        parser.dataForHistory = TRFileGrant::make(history);
        QVERIFY(update(parser));
        QCOMPARE(parser.lastUpdateResult().bookmarks, Parser::Outcome::read);
        QCOMPARE(parser.lastUpdateResult().history, Parser::Outcome::read);
        // The trees' contents are the fault table's.
        const auto firstTree = parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks);
        const auto root = parser.bookmarks().value(Parser::BookmarkTypeKey::history);
        QCOMPARE(root, parser.historyBookmark());
        QCOMPARE(root->tag, TRGoogleChromeBookmark::Tag::history);
        const auto firstDays = root->bookmarks();

        // A broken Bookmarks file and an empty history keep what was read.
        QVERIFY(writeFile(bookmarks, json("{'roots':{'other':{'type':'folder','name':'O'}}}")));
        TRBrowserFiles::writeChromeHistory(history, {});
        QCOMPARE(captureStdout([&] { QVERIFY(update(parser)); }),
                 QByteArray("Could not decode 'BookmarksContainer': The data couldn’t be read "
                            "because it is missing.\n"));
        QCOMPARE(parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks), firstTree);
        QCOMPARE(parser.historyBookmark()->bookmarks(), firstDays);
        QCOMPARE(parser.lastUpdateResult().history, Parser::Outcome::empty);

        // Folders nested 100,000 levels deep fail as any broken file does,
        // without running out of stack.
        QVERIFY(writeFile(bookmarks,
                          "{\"roots\":{\"bookmark_bar\":" +
                              QByteArray("{\"type\":\"folder\",\"children\":[").repeated(100000) +
                              QByteArray("]}").repeated(100000) + "}}"));
        QCOMPARE(captureStdout([&] { QVERIFY(update(parser)); }), notJson);
        QCOMPARE(parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks), firstTree);
        QCOMPARE(parser.lastUpdateResult().bookmarks, Parser::Outcome::unreadable);

        // New content replaces the tree; the history root stays the same node.
        TRBrowserFiles::writeChromeHistory(history, visitsVersion(true));
        QVERIFY(update(parser));
        QCOMPARE(parser.historyBookmark(), root);
        QCOMPARE(dump(root), QString("History{Today{Newer(https://newer.example/)}}"));
    }

    // Chrome keeps the bookmarks of the signed-in account in a file of
    // their own beside the local ones: the tree holds the account's roots,
    // then the local ones, of whichever files read; one that does not says
    // so in one line and leaves the other's roots in place. Empty means not
    // granted (a file) or no tree.
    void accountAndLocalBookmarks_data()
    {
        QTest::addColumn<QByteArray>("account");
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<Parser::Outcome>("accountOutcome");
        QTest::addColumn<Parser::Outcome>("localOutcome");
        QTest::addColumn<QByteArray>("out");
        const QByteArray account = twoRoots("Account");
        const QByteArray local = twoRoots("Local");
        const QString accountRoots =
            "Account bar{Account(https://account.example/)}|Account other{}";
        const QString localRoots = "Local bar{Local(https://local.example/)}|Local other{}";
        const QByteArray broken = "{\"roots\":";
        const QByteArray accountNotJson =
            "Could not decode 'AccountBookmarksContainer': The data couldn’t be read because it "
            "isn’t in the correct format.\n";
        using O = Parser::Outcome;
        QTest::newRow("both, account first")
            << account << local << "{" + accountRoots + "|" + localRoots + "}" << O::read << O::read
            << QByteArray();
        QTest::newRow("only account") << account << QByteArray() << "{" + accountRoots + "}"
                                      << O::read << O::notGranted << QByteArray();
        QTest::newRow("only local") << QByteArray() << local << "{" + localRoots + "}"
                                    << O::notGranted << O::read << QByteArray();
        QTest::newRow("account broken") << broken << local << "{" + localRoots + "}"
                                        << O::unreadable << O::read << accountNotJson;
        QTest::newRow("local broken")
            << account << broken << "{" + accountRoots + "}" << O::read << O::unreadable << notJson;
        QTest::newRow("both broken") << broken << broken << QString() << O::unreadable
                                     << O::unreadable << accountNotJson + notJson;
        // Empty roots are kept; leaving them out is the menu's part.
        QTest::newRow("account of empty roots")
            << json("{'roots':{'bookmark_bar':{'type':'folder','name':'A','children':[]}}}")
            << local << "{A{}|" + localRoots + "}" << O::read << O::read << QByteArray();
    }

    void accountAndLocalBookmarks()
    {
        QFETCH(QByteArray, account);
        QFETCH(QByteArray, local);
        QFETCH(QString, tree);
        QFETCH(Parser::Outcome, accountOutcome);
        QFETCH(Parser::Outcome, localOutcome);
        QFETCH(QByteArray, out);
        QTemporaryDir profile;
        Parser parser;
        if (!account.isEmpty()) {
            QVERIFY(writeFile(profile.filePath("AccountBookmarks"), account));
            parser.dataForAccountBookmarks =
                TRFileGrant::make(profile.filePath("AccountBookmarks"));
        }
        if (!local.isEmpty()) {
            QVERIFY(writeFile(profile.filePath("Bookmarks"), local));
            parser.dataForBookmarks = TRFileGrant::make(profile.filePath("Bookmarks"));
        }
        QCOMPARE(captureStdout([&] { QVERIFY(update(parser)); }), out);
        const auto container = parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks);
        QCOMPARE(container ? dump(container) : QString(), tree);
        QCOMPARE(parser.lastUpdateResult().accountBookmarks, accountOutcome);
        QCOMPARE(parser.lastUpdateResult().bookmarks, localOutcome);
        QVERIFY(parser.lastUpdateChanged());
        if (container) {
            // The roots hang below the holder without naming it.
            for (const TRBookmarkPtr &root : container->bookmarks()) {
                QVERIFY(!root->parent());
            }
        }
    }

    // The local file read alone keeps nothing of its text; the account's
    // file granted later shows beside its roots all the same, a change of
    // either keeps the other's, and each taken back takes only its own.
    void accountBookmarksGrantedLater()
    {
        QTemporaryDir profile;
        const QString local = profile.filePath("Bookmarks");
        const QString account = profile.filePath("AccountBookmarks");
        QVERIFY(writeFile(local, twoRoots("Local")));
        TRTestSupport::settle(local);
        Parser parser;
        parser.dataForBookmarks = TRFileGrant::make(local);
        const auto roots = [&parser] {
            const auto container = parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks);
            return container ? names(container->bookmarks()) : QStringList{"none"};
        };
        const QStringList localRoots = {"Local bar", "Local other"};
        QVERIFY(update(parser));
        QCOMPARE(roots(), localRoots);

        QVERIFY(writeFile(account, twoRoots("Account")));
        TRTestSupport::settle(account);
        parser.dataForAccountBookmarks = TRFileGrant::make(account);
        QVERIFY(update(parser));
        QCOMPARE(roots(), QStringList({"Account bar", "Account other"}) + localRoots);
        QVERIFY(writeFile(account, twoRoots("Changed")));
        TRTestSupport::settle(account);
        QVERIFY(update(parser));
        QCOMPARE(roots(), QStringList({"Changed bar", "Changed other"}) + localRoots);
        QVERIFY(writeFile(local, twoRoots("New")));
        TRTestSupport::settle(local);
        QVERIFY(update(parser));
        QCOMPARE(roots(), QStringList({"Changed bar", "Changed other", "New bar", "New other"}));

        parser.dataForAccountBookmarks.reset();
        QVERIFY(update(parser));
        QCOMPARE(roots(), QStringList({"New bar", "New other"}));
        parser.dataForBookmarks.reset();
        QVERIFY(update(parser));
        QCOMPARE(roots(), QStringList{"none"});
    }

    // Parsers of several profiles share the private folder: each keeps its
    // copies under its own stem, and a refresh of one neither reads nor
    // counts what the other read.
    void stemsKeepProfilesApart()
    {
        QTemporaryDir browser;
        const QString first = browser.filePath("Default/Bookmarks");
        const QString second = browser.filePath("Profile 1/Bookmarks");
        QVERIFY(writeFile(first, twoRoots("First")));
        QVERIFY(writeFile(second, twoRoots("Second")));
        TRTestSupport::settle(first);
        TRTestSupport::settle(second);
        Parser defaultStem;
        Parser other(QStringLiteral("chromium_Profile%201"));
        for (const auto key :
             {Parser::BookmarkDataKey::bookmarks, Parser::BookmarkDataKey::accountBookmarks,
              Parser::BookmarkDataKey::history}) {
            // Settings and copies made before there were stems keep their names.
            QCOMPARE(defaultStem.copyName(key), Parser::rawValue(key));
            QVERIFY(other.copyName(key).startsWith("chromium_Profile%201_"));
            QVERIFY(other.copyName(key) != defaultStem.copyName(key));
        }
        defaultStem.dataForBookmarks = TRFileGrant::make(first);
        other.dataForBookmarks = TRFileGrant::make(second);
        QVERIFY(update(defaultStem));
        QVERIFY(update(other));
        const QDir copies(TRPrivateFolder::path().value());
        QCOMPARE(TRTestSupport::readFile(copies.filePath("google_chrome_bookmarks_data")),
                 TRTestSupport::readFile(first));
        QCOMPARE(TRTestSupport::readFile(copies.filePath("chromium_Profile%201_bookmarks_data")),
                 TRTestSupport::readFile(second));

        // The second profile changes; the first's refresh sees nothing new.
        QVERIFY(writeFile(second, twoRoots("Changed")));
        TRTestSupport::settle(second);
        QVERIFY(update(defaultStem));
        QVERIFY(!defaultStem.lastUpdateChanged());
        QVERIFY(update(other));
        QVERIFY(other.lastUpdateChanged());
        QCOMPARE(
            names(defaultStem.bookmarks().value(Parser::BookmarkTypeKey::bookmarks)->bookmarks()),
            QStringList({"First bar", "First other"}));
        QCOMPARE(names(other.bookmarks().value(Parser::BookmarkTypeKey::bookmarks)->bookmarks()),
                 QStringList({"Changed bar", "Changed other"}));
    }

    // Between two refreshes a granted file is deleted, replaced, made
    // unreadable, locked by a running Chrome, or turns out to be something
    // else than its name says; or the folder of private copies becomes
    // read-only. The refresh says no more than the row's lines, keeps the
    // last good trees (or shows the new file's, when it is a good one), and
    // a good file afterwards is read again.
    void faultsBetweenRefreshes_data()
    {
        TRTestSupport::addFaultColumns();
        const QByteArray history = TRBrowserFiles::chromeHistory(visitsVersion(true));
        TRTestSupport::addFaultRows({.name = "Bookmarks",
                                     .secondVersion = bookmarksVersion(true),
                                     .otherKind = history,
                                     .otherKindOut = notJson,
                                     .noTablesOut = notJson});
        // Chrome holds its History locked while it runs.
        TRTestSupport::addFaultRows(
            {.name = "History",
             .secondVersion = history,
             .otherKind = bookmarksVersion(true),
             .otherKindOut = "Could not execute query: file is not a database\n",
             .noTablesOut = "Could not execute query: no such table: urls\n",
             .lockedBy = "Chrome"});
        // Read-only, the old copies cannot be replaced: they are read again.
        TRTestSupport::addPrivateFolderFaultRows({}, {{"google_chrome_bookmarks_data", "Bookmarks"},
                                                      {"google_chrome_history_data", "History"}});
    }

    void faultsBetweenRefreshes()
    {
        QFETCH(QString, source);
        TRDayFormatter::setNowForTesting(fixedNow);
        // Run as root, the refresh reads as "nobody" where permissions
        // matter: both folders must be open to it.
        TRTestSupport::FaultFolders folders;
        QVERIFY(folders.isValid());
        const QString bookmarks = folders.browser.filePath("Default/Bookmarks");
        const QString history = folders.browser.filePath("Default/History");
        const auto write = [&](bool second) {
            QVERIFY(writeFile(bookmarks, bookmarksVersion(second)));
            QVERIFY(writeFile(history, TRBrowserFiles::chromeHistory(visitsVersion(second))));
        };
        write(false);
        QVERIFY(
            QFile::setPermissions(folders.browser.filePath("Default"), TRTestSupport::openToAll));
        Parser parser;
        parser.dataForBookmarks = TRFileGrant::make(bookmarks);
        parser.dataForHistory = TRFileGrant::make(history);
        folders.runRow(
            source.isEmpty() ? QString() : folders.browser.filePath("Default/" + source),
            {.refresh = [&parser] { QVERIFY(update(parser)); },
             .trees =
                 [&parser] {
                     const auto container =
                         parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks);
                     const auto days = parser.bookmarks().value(Parser::BookmarkTypeKey::history);
                     return QStringList{container ? dump(container) : QString(),
                                        days ? dump(days) : QString()};
                 },
             .expected =
                 [](const QString &changed, bool showsNew, bool) {
                     return QStringList{showsNew && changed != u"History"
                                            ? "{Bar{Second(https://second.example/)}}"
                                            : "{Bar{First(https://first.example/)}}",
                                        showsNew && changed != u"Bookmarks"
                                            ? "History{Today{Newer(https://newer.example/)}}"
                                            : "History{Today{Recent(https://recent.example/)}|"
                                              "Yesterday{Older(https://older.example/)}}"};
                 },
             .writeSecondVersions = [&write] { write(true); },
             .uncommitted = "UPDATE urls SET title = 'Uncommitted';"});
    }

    // Only one update waits: a second one drops the first that has not
    // started, and the dropped completion never runs.
    void waitingUpdatesAreDropped()
    {
        const QString history = m_files.filePath("BigHistory");
        QList<Row> rows;
        const qint64 base = chromeTime(QDateTime::currentDateTimeUtc());
        for (int i = 0; i < 150000; ++i) {
            rows.append({QString("Page %1").arg(i), QString("https://site%1.example/").arg(i), 1,
                         base - i * 1000000LL});
        }
        TRBrowserFiles::writeChromeHistory(history, rows);
        Parser parser;
        parser.dataForHistory = TRFileGrant::make(history);
        QStringList completed;
        parser.updateBookmarks([&] { completed << "first"; });
        QTest::qWait(100); // the first is reading by now
        parser.updateBookmarks([&] { completed << "second"; });
        parser.updateBookmarks([&] { completed << "third"; });
        QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 2, 60000);
        QTest::qWait(200);
        QCOMPARE(completed, QStringList({"first", "third"}));
    }

    // Files written by real browsers, through trellis-inspect as a user runs it.
    void realChromeFiles()
    {
        const QString folder = TRTestSupport::realDataDirectory();
        if (folder.isEmpty()) {
            QSKIP("the real browser files (shared/realdata) are not beside the repository");
        }
        const std::pair<QString, int> files[] = {{"plaso_History", 55},
                                                 {"hindsight_v60_History", 31},
                                                 {"chromium_fresh_History", 0},
                                                 {"buku_Bookmarks", 43},
                                                 {"chromium_fresh_Bookmarks", 0}};
        for (const auto &[file, items] : files) {
            const QJsonDocument json = TRTestSupport::inspect(
                file.endsWith("History") ? "chrome-history" : "chrome-bookmarks",
                folder + "/chrome/" + file);
            QVERIFY2(json.isObject(), qPrintable(file));
            QCOMPARE(TRTestSupport::countBelow(json.object()).first, items);
        }
    }

    // A generated profile's history, read in full; TestReaderInputs counts
    // its bookmarks.
    void corpusHistory()
    {
        QTemporaryDir corpus;
        TRCorpusGenerator generator({.scale = "small", .only = {"chrome"}});
        QVERIFY2(generator.write(corpus.path()), qPrintable(generator.errorString()));
        const QJsonObject history = generator.manifest().value("chrome")["history"].toObject();
        Parser parser;
        parser.dataForHistory = TRFileGrant::make(corpus.filePath("chrome/Default/History"));
        QVERIFY(update(parser));
        int entries = 0;
        for (const auto &day : parser.historyBookmark()->bookmarks()) {
            entries += int(day->bookmarks().size());
        }
        QCOMPARE(entries, history["urls"].toInt());
        // A day shows the pages last visited that day, so there are at most
        // as many days as days with visits.
        const auto days = int(parser.historyBookmark()->bookmarks().size());
        QVERIFY(days > 1 && days <= history["days_spanned"].toInt());
    }
};

TRELLIS_CORE_TEST_MAIN(TestChromeParser)
#include "TestChromeParser.moc"
