#include "TRBrowserFiles.h"
#include "TRCoreTestMain.h"
#include "TRCorpusGenerator.h"
#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TROperationQueue.h"
#include "TRPrivateFolder.h"
#include "TRPropertyList.h"
#include "TRRawPropertyList.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariCustomizedBookmarks.h"
#include "TRTestSupport.h"

#include <QJsonArray>
#include <QThread>

using namespace TRBrowserFiles;
using namespace TRTestSupport;
using Parser = TRSafariBookmarksParser;
using Key = TRSafariBookmarksParser::BookmarkTypeKey;

namespace {

// The children of a root, without the root's own name.
QString contents(const TRBookmarkPtr &root)
{
    return dump(root).mid(root->name().size());
}

// The keys of the roots read, in order.
QList<Key> keys(const Parser &parser)
{
    QList<Key> list = parser.bookmarks().keys();
    std::sort(list.begin(), list.end());
    return list;
}

// The two versions of each file that the fault cases read.
const QDateTime faultsNow(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

QList<SafariVisit> safariVisits(bool second)
{
    return second
               ? QList<SafariVisit>{{"https://newer.example/", "Newer", faultsNow.addSecs(-60)}}
               : QList<SafariVisit>{{"https://recent.example/", "Recent", faultsNow.addSecs(-3600)},
                                    {"https://older.example/", "Older", faultsNow.addDays(-1), 2}};
}

// The keys that a file's reader maps.
QList<Key> keysOf(const QString &name)
{
    static const QHash<QString, QList<Key>> mapped{
        {"Bookmarks.plist", {Key::readingList, Key::user, Key::bookmarksBar, Key::bookmarksMenu}},
        {"TopSites.plist", {Key::topSites}},
        {"LastSession.plist", {Key::lastSession}}};
    return mapped.value(name, {Key::history, Key::mostVisited});
}

// The first or second version of a file.
QByteArray version(const QString &name, bool second)
{
    const QString n = second ? "two" : "one";
    if (name == u"Bookmarks.plist") {
        return safariBookmarks(
            {safariFolder("BookmarksBar", {safariLeaf(n, "https://" + n + ".example/")}, "BAR"),
             safariLeaf("Top", "https://top.example/")});
    }
    if (name == u"TopSites.plist") {
        return safariTopSites({{"Site " + n, "https://sites.example/"}});
    }
    if (name == u"LastSession.plist") {
        return safariLastSession({{"Tab " + n, "https://tab.example/"}});
    }
    const QList<SafariVisit> visits = safariVisits(second);
    return name == u"History.db" ? safariHistoryDatabase(visits) : safariHistoryList(visits);
}

// The roots that a file's first or second version gives, as the fault
// cases dump them.
QString treeOf(const QString &name, bool second)
{
    const QString n = second ? "two" : "one";
    if (name == u"Bookmarks.plist") {
        return "Reading List{}, Bookmarks{Top(https://top.example/)}, Favorites{" + n +
               "(https://" + n + ".example/)}, Bookmarks Menu{}";
    }
    if (name == u"TopSites.plist") {
        return "Top Sites{Site " + n + "(https://sites.example/)}";
    }
    if (name == u"LastSession.plist") {
        return "Last Session{Tab " + n + "(https://tab.example/)}";
    }
    return second ? "History{Today{Newer(https://newer.example/)}}, "
                    "Most Visited{Newer(https://newer.example/)}"
                  : "History{Today{Recent(https://recent.example/)}|"
                    "Yesterday{Older(https://older.example/)}}, "
                    "Most Visited{Older(https://older.example/)|Recent(https://recent.example/)}";
}

// A reference of a keyed archive, and an archive of the platform's archiver.
QVariant uid(quint64 value)
{
    return QVariant::fromValue(TRPropertyList::Uid{value});
}

QVariantMap keyedArchive(const QVariant &rootReference, const QVariantList &objects)
{
    return {{"$archiver", "NSKeyedArchiver"},
            {"$version", qint64(100000)},
            {"$top", QVariantMap{{"root", rootReference}}},
            {"$objects", objects}};
}

} // namespace

// The Safari parser object: its parse, its roots, the bookmarks file and
// the switched-off folders.
class TestSafariParser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    // Each test keeps its private copies and customisation apart.
    std::unique_ptr<QTemporaryDir> m_support;

    QString file(const QString &name) const { return m_files.filePath(name); }

    // Grants the bookmarks file at path and reads it.
    static bool read(Parser &parser, const QString &path)
    {
        parser.bookmarkDataForBookmarks = TRFileGrant::make(path);
        return update(parser);
    }

    QVariantList sampleBookmarks() const
    {
        return {
            QVariantMap{{"WebBookmarkType", "WebBookmarkTypeProxy"}, {"Title", "History"}},
            safariFolder(
                "BookmarksBar",
                {safariLeaf("Qt", "https://www.qt.io/"),
                 safariFolder("Tools", {safariLeaf("CMake", "https://cmake.org/")}, "BAR-TOOLS")},
                "BAR"),
            safariFolder("BookmarksMenu", {safariLeaf("Menu", "https://menu.example/")}, "MENU"),
            safariFolder("com.apple.ReadingList", {safariLeaf("Later", "https://later.example/")},
                         "RL"),
            safariFolder(
                "Work",
                {safariFolder("BookmarksBar", {safariLeaf("Inner", "https://inner.example/")},
                              "W-BAR"),
                 safariFolder("com.apple", {}, "W-APPLE"),
                 safariLeaf("Feed", "feed://news.example/rss"), safariLeaf("Bare", "bare.example"),
                 QVariantMap{{"WebBookmarkType", "WebBookmarkTypeLeaf"},
                             {"URLString", "https://untitled.example/"}},
                 safariLeaf("Spaced", "https://spaced.example/a b"),
                 QVariantMap{{"WebBookmarkType", "WebBookmarkTypeLeaf"}, {"URLString", 3.0}},
                 safariFolder("Stops", {safariLeaf("Before", "https://before.example/"),
                                        QVariantMap{{"Title", "no type"}},
                                        safariLeaf("After", "https://after.example/")}),
                 safariLeaf("Sibling", "https://sibling.example/")},
                "WORK"),
            safariLeaf("Top", "https://top.example/")};
    }

private slots:
    void init()
    {
        TRDayFormatter::setNowForTesting({});
        m_support = std::make_unique<QTemporaryDir>();
        TRPrivateFolder::setOverride(m_support->path());
    }

    void cleanup() { TRPrivateFolder::setOverride({}); }

    void roots()
    {
        // The roots' names show in every dump below; their tags pick images.
        // Each root is one node for the parser's life.
        Parser parser;
        using Tag = TRSafariBookmark::Tag;
        const QList<std::pair<Key, Tag>> roots{
            {Key::topSites, Tag::topSites},         {Key::history, Tag::history},
            {Key::mostVisited, Tag::mostVisited},   {Key::lastSession, Tag::lastSession},
            {Key::readingList, Tag::readingList},   {Key::user, Tag::generic},
            {Key::bookmarksBar, Tag::bookmarksBar}, {Key::bookmarksMenu, Tag::bookmarksMenu}};
        for (const auto &[key, tag] : roots) {
            QCOMPARE(parser.root(key)->tag, tag);
            QCOMPARE(parser.root(key), parser.root(key));
        }
    }

    void bookmarksFile()
    {
        for (bool xml : {false, true}) {
            const QString path = file(xml ? "xml/Bookmarks.plist" : "Bookmarks.plist");
            QVERIFY(writeSafariBookmarks(path, sampleBookmarks(), xml));
            Parser parser;
            QVERIFY(read(parser, path));

            QCOMPARE(keys(parser), keysOf("Bookmarks.plist"));
            QCOMPARE(contents(parser.root(Key::bookmarksBar)),
                     "{Qt(https://www.qt.io/)|Tools{CMake(https://cmake.org/)}}");
            QCOMPARE(contents(parser.root(Key::bookmarksMenu)), "{Menu(https://menu.example/)}");
            QCOMPARE(contents(parser.root(Key::readingList)), "{Later(https://later.example/)}");
            // Below the top level a special name is an ordinary folder; com.apple
            // titles keep their last part; feeds are read over http; a bare host,
            // a space and a number are no bookmarks; a node without a type ends
            // its own list only.
            QCOMPARE(contents(parser.root(Key::user)),
                     "{Work{BookmarksBar{Inner(https://inner.example/)}|apple{}|"
                     "Feed(http://news.example/rss)|(https://untitled.example/)|"
                     "Stops{Before(https://before.example/)}|Sibling(https://sibling.example/)}|"
                     "Top(https://top.example/)}");
            QCOMPARE(parser.root(Key::bookmarksBar)->id(), QStringLiteral("BAR"));
            const auto work = parser.root(Key::user)->bookmarks().front();
            QCOMPARE(work->id(), QStringLiteral("WORK"));
            QCOMPARE(work->parent(), parser.root(Key::user));
            QCOMPARE(work->bookmarks().front()->parent(), work);
            QCOMPARE(parser.root(Key::bookmarksBar)->bookmarks().front()->id(),
                     QStringLiteral("LEAF-Qt"));
            QCOMPARE(parser.allBookmarkUUIDs(),
                     QSet<QString>({"BAR", "BAR-TOOLS", "MENU", "RL", "WORK", "W-BAR", "W-APPLE"}));
            // Bookmarks only: the other readers had nothing granted.
            QCOMPARE(parser.root(Key::history)->bookmarks().size(), 0u);
        }
    }

    void unreadableBookmarksKeepTheTree()
    {
        const QString path = file("keep/Bookmarks.plist");
        QVERIFY(writeSafariBookmarks(path, sampleBookmarks()));
        Parser parser;
        QVERIFY(read(parser, path));
        const QString before = dump(parser.root(Key::user));
        parser.disabledBookmarkUUIDs() = {"GONE"};

        for (const QByteArray &bytes :
             {TRPropertyList::toBinary(QVariantMap{{"WebBookmarkType", "WebBookmarkTypeList"}}),
              TRPropertyList::toBinary(QVariantMap{{"Children", QVariantList()}}),
              TRPropertyList::toBinary(QVariantMap{{"Children", "text"}}),
              TRPropertyList::toXml(QVariantList{}), TRRawPropertyList::nestedXmlFolders(100000),
              TRRawPropertyList::nestedArrays(100000)}) {
            QVERIFY(writeFile(path, bytes));
            // The bookmarks reader fails without a word.
            QCOMPARE(captureStdout([&] { QVERIFY(update(parser)); }), QByteArray());
            QVERIFY(parser.bookmarks().isEmpty());
            QCOMPARE(dump(parser.root(Key::user)), before);
            // Not pruned: nothing was read to prune against.
            QCOMPARE(parser.disabledBookmarkUUIDs(), QSet<QString>({"GONE"}));
        }

        // A file without the special folders empties their roots.
        QVERIFY(writeSafariBookmarks(path, {safariLeaf("Only", "https://only.example/")}));
        QVERIFY(update(parser));
        QCOMPARE(contents(parser.root(Key::bookmarksBar)), "{}");
        QCOMPARE(contents(parser.root(Key::user)), "{Only(https://only.example/)}");
        QVERIFY(parser.bookmarks().contains(Key::readingList));
    }

    // Most Visited holds the very nodes of the day groups, which then name
    // it as their parent; the days name the history root.
    void mostVisitedSharesTheDaysNodes()
    {
        TRDayFormatter::setNowForTesting([] { return faultsNow; });
        const QString history = file("shared/History.db");
        writeSafariHistoryDatabase(history, safariVisits(false));
        Parser parser;
        parser.bookmarkDataForHistory = TRFileGrant::make(history);
        QVERIFY(update(parser));
        const auto days = parser.root(Key::history)->bookmarks();
        QCOMPARE(days.size(), 2u);
        const TRBookmarkPtr older = days[1]->bookmarks().front();
        QCOMPARE(parser.root(Key::mostVisited)->bookmarks().front(), older);
        QCOMPARE(older->parent(), parser.root(Key::mostVisited));
        QCOMPARE(days[0]->parent(), parser.root(Key::history));
    }

    // Between two refreshes a granted file is deleted, replaced, made
    // unreadable, locked by a running Safari, or turns out to be something
    // else than its name says; or the folder of private copies becomes
    // read-only. The refresh says no more than the row's lines; a reader
    // that fails leaves its key out of the map and its roots as the last
    // good read left them, a new good file shows, the other files' roots
    // stay as they were, and good files afterwards are read again.
    void faultsBetweenRefreshes_data()
    {
        addFaultColumns();
        const QByteArray other = safariHistoryDatabase(safariVisits(true));
        const Page page{"Other", "https://other.example/"};
        const auto rows = [](const QString &name, const QByteArray &otherKind) {
            return FaultRows{
                .name = name, .secondVersion = version(name, true), .otherKind = otherKind};
        };
        addFaultRows(rows("Bookmarks.plist", safariTopSites({page})));
        auto history = rows("History.db", safariHistoryList(safariVisits(true)));
        history.otherKindOut = "Could not execute query: file is not a database\n";
        history.noTablesOut = "Could not execute query: no such table: history_items\n";
        // Safari holds its History.db locked while it runs.
        history.lockedBy = "Safari";
        history.logRow = true;
        addFaultRows(history);
        addFaultRows(rows("History.plist", other));
        addFaultRows(rows("TopSites.plist", safariLastSession({page})));
        addFaultRows(rows("LastSession.plist", other));
        // Read-only, the old copies cannot be replaced: they are read again.
        // Unavailable, every reader fails, and not even the customisation,
        // which has nowhere to go, says so.
        addPrivateFolderFaultRows("Could not save customized bookmarks: Permission denied\n",
                                  {{"history_data", "History.db"},
                                   {"last_session_data", "LastSession.plist"},
                                   {"topsites_data", "TopSites.plist"},
                                   {"bookmarks_data", "Bookmarks.plist"}});
    }

    void faultsBetweenRefreshes()
    {
        QFETCH(QString, source);
        TRDayFormatter::setNowForTesting([] { return faultsNow; });
        // Run as root, the refresh reads as "nobody" where permissions
        // matter: both folders must be open to it.
        FaultFolders folders;
        QVERIFY(folders.isValid());
        const QTemporaryDir &browser = folders.browser;
        const QStringList names{"Bookmarks.plist",
                                source == u"History.plist" ? "History.plist" : "History.db",
                                "TopSites.plist", "LastSession.plist"};
        const auto write = [&](bool second) {
            for (const QString &name : names) {
                QVERIFY(writeFile(browser.filePath(name), version(name, second)));
            }
        };
        write(false);
        Parser parser;
        parser.bookmarkDataForBookmarks = TRFileGrant::make(browser.filePath(names[0]));
        parser.bookmarkDataForHistory = TRFileGrant::make(browser.filePath(names[1]));
        parser.bookmarkDataForTopSites = TRFileGrant::make(browser.filePath(names[2]));
        parser.bookmarkDataForLastSession = TRFileGrant::make(browser.filePath(names[3]));
        // Per file: for each of its keys + when the key is in the map and -
        // when not, and its roots. A reader that fails leaves its keys out and
        // its roots as they were.
        const auto trees = [&parser, &names] {
            QStringList lines;
            for (const QString &name : names) {
                QString state;
                QStringList roots;
                for (Key key : keysOf(name)) {
                    state += parser.bookmarks().value(key) == parser.root(key) ? u'+' : u'-';
                    roots << dump(parser.root(key));
                }
                lines << name + " " + state + ": " + roots.join(", ");
            }
            return lines;
        };
        const auto expected = [&names](const QString &changed, bool showsNew, bool fails) {
            QStringList lines;
            for (const QString &name : names) {
                const bool thisOne = changed.isEmpty() || name == changed;
                lines << name + " " + QString(keysOf(name).size(), thisOne && fails ? u'-' : u'+') +
                             ": " + treeOf(name, thisOne && showsNew);
            }
            return lines;
        };
        // The second version's visit, committed to the log.
        const QByteArray committed =
            "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; DELETE FROM history_visits; "
            "DELETE FROM history_items; INSERT INTO history_items(id, url, visit_count) VALUES "
            "(1, 'https://newer.example/', 1); INSERT INTO history_visits(id, history_item, "
            "visit_time, title) VALUES (1, 1, " +
            QByteArray::number(safariTime(safariVisits(true)[0].time.toDateTime()), 'f', 3) +
            ", 'Newer');";
        folders.runRow(source.isEmpty() ? QString() : browser.filePath(source),
                       {.refresh = [&parser] { QVERIFY(update(parser)); },
                        .trees = trees,
                        .expected = expected,
                        .writeSecondVersions = [&write] { write(true); },
                        .committed = committed,
                        .uncommitted = "UPDATE history_visits SET title = 'Uncommitted';"});
    }

    // Quitting stops a parse under way: nothing half-read is ever shown, and
    // the parser takes the next request as usual.
    void stoppedParseShowsNothingHalfRead()
    {
        const QString history = file("stop/History.db");
        constexpr int visits = 40000;
        QList<SafariVisit> many;
        for (int i = 1; i <= visits; ++i) {
            many.append(SafariVisit{QStringLiteral("https://site%1.example/").arg(i % 400 + 1),
                                    QStringLiteral("Visit %1").arg(i), 700000000.0 + i * 60});
        }
        writeSafariHistoryDatabase(history, many);
        const auto visitsShown = [](Parser &parser) {
            std::size_t count = 0;
            if (const TRSafariBookmarkPtr root = parser.bookmarks().value(Key::history)) {
                for (const TRBookmarkPtr &day : root->bookmarks()) {
                    count += day->bookmarks().size();
                }
            }
            return count;
        };
        for (int round = 0; round < 3; ++round) {
            Parser parser;
            parser.bookmarkDataForHistory = TRFileGrant::make(history);
            int finished = 0;
            QObject observer;
            TRNotificationCenter::defaultCenter().addObserver(
                &observer, TRNotificationNames::safariBookmarksParserDidFinishParsing,
                [&finished](const TRNotification &) { ++finished; });
            parser.updateBookmarks({});
            // Early, later and after the read: whenever the stop comes.
            QThread::msleep(round * 40);
            TROperationQueue::stopAll();
            QTest::qWait(50);
            QCOMPARE(visitsShown(parser), std::size_t(finished > 0 ? visits : 0));
            QVERIFY(update(parser));
            QCOMPARE(visitsShown(parser), std::size_t(visits));
        }
    }

    // A second request while the worker reads, and while its result is on
    // its way, is dropped with its callback.
    void finishOrderAndDroppedCallback()
    {
        for (bool afterTheRead : {false, true}) {
            Parser parser;
            QObject observer;
            QStringList events;
            TRNotificationCenter::defaultCenter().addObserver(
                &observer, TRNotificationNames::safariBookmarksParserDidFinishParsing,
                [&](const TRNotification &) {
                    events << QStringLiteral("posted, parsing %1").arg(parser.isParsing());
                });
            bool first = false;
            parser.updateBookmarks([&] {
                events << QStringLiteral("first, parsing %1").arg(parser.isParsing());
                first = true;
            });
            QVERIFY(parser.isParsing());
            QVERIFY(parser.bookmarks().isEmpty());
            if (afterTheRead) {
                // Nothing is granted: the read ends at once, and no event is
                // processed meanwhile, so the worker is done and its result
                // waits for this thread's loop.
                QThread::msleep(500);
            }
            parser.updateBookmarks([&] { events << QStringLiteral("second"); });
            QVERIFY(QTest::qWaitFor([&] { return first; }, 30000));
            // A later parse runs after anything the dropped call could have left.
            QVERIFY(update(parser));
            QCOMPARE(events,
                     QStringList({"posted, parsing 1", "first, parsing 0", "posted, parsing 1"}));
        }
    }

    void allGenericBookmarkGroup()
    {
        const QString path = file("generic/Bookmarks.plist");
        QVERIFY(writeSafariBookmarks(path, sampleBookmarks()));

        // First used before any read: empty for good.
        Parser early;
        QVERIFY(early.allGenericBookmarkGroup()->bookmarks().empty());
        QVERIFY(read(early, path));
        QVERIFY(early.allGenericBookmarkGroup()->bookmarks().empty());

        // First used after a read: the bar's, the menu's and the user's
        // children, kept when later parses replace them.
        Parser late;
        QVERIFY(read(late, path));
        const auto group = late.allGenericBookmarkGroup();
        QCOMPARE(names(group->bookmarks()), QStringList({"Qt", "Tools", "Menu", "Work", "Top"}));
        QCOMPARE(group->kind(), TRBookmarkKind::group);
        QVERIFY(group->name().isEmpty());
        const auto qt = group->bookmarks().front();
        QVERIFY(writeSafariBookmarks(path, {safariLeaf("New", "https://new.example/")}));
        QVERIFY(update(late));
        QCOMPARE(late.allGenericBookmarkGroup(), group);
        QCOMPARE(group->bookmarks().front(), qt);
        QCOMPARE(group->bookmarks().size(), 5u);
    }

    // Folders switched off, on again, and after a restart, through the keyed
    // archive.
    void switchedOffFolders()
    {
        const QString path = file("custom/Bookmarks.plist");
        QVERIFY(writeSafariBookmarks(path, sampleBookmarks()));
        const QString archive = m_support->filePath("customized_bookmarks.plist");
        {
            Parser parser;
            QVERIFY(parser.disabledBookmarkUUIDs().isEmpty());
            parser.disabledBookmarkUUIDs() = {"WORK", "BAR", "GONE"};
            QVERIFY(read(parser, path));
            // Saved at the start of the parse, before pruning.
            QCOMPARE(TRSafariCustomizedBookmarks::unarchiveStringSet(readFile(archive)),
                     QSet<QString>({"WORK", "BAR", "GONE"}));
            QVERIFY(!parser.root(Key::bookmarksBar)->isEnabled());
            QVERIFY(!parser.root(Key::user)->bookmarks().front()->isEnabled());
            QVERIFY(parser.root(Key::bookmarksMenu)->isEnabled());
            // An identifier that no folder of the file carries is forgotten.
            QCOMPARE(parser.disabledBookmarkUUIDs(), QSet<QString>({"WORK", "BAR"}));

            // Switched on again: the next parse shows it.
            parser.disabledBookmarkUUIDs() = {"WORK", "GONE"};
            QVERIFY(update(parser));
            QVERIFY(parser.root(Key::bookmarksBar)->isEnabled());
        }
        // Saved again when the parser goes.
        QCOMPARE(TRSafariCustomizedBookmarks::unarchiveStringSet(readFile(archive)),
                 QSet<QString>({"WORK"}));
        QVERIFY(!QFile::exists(archive + ".partial"));
        // The file is NSKeyedArchiver's binary layout.
        const QByteArray bytes = readFile(archive);
        QVERIFY(bytes.startsWith("bplist00"));
        const QVariantMap nsSet{{"$classname", "NSSet"},
                                {"$classes", QVariantList{"NSSet", "NSObject"}}};
        QCOMPARE(TRPropertyList::toXml(TRPropertyList::fromData(bytes)),
                 TRPropertyList::toXml(keyedArchive(
                     uid(1), {"$null",
                              QVariantMap{{"NS.objects", QVariantList{uid(3)}}, {"$class", uid(2)}},
                              nsSet, "WORK"})));

        Parser restarted;
        QCOMPARE(restarted.disabledBookmarkUUIDs(), QSet<QString>({"WORK"}));
        QVERIFY(read(restarted, path));
        QVERIFY(!restarted.root(Key::user)->bookmarks().front()->isEnabled());
    }

    void saveFailure()
    {
        // A folder where the archive belongs: the rename cannot replace it.
        QVERIFY(QDir().mkpath(m_support->filePath("customized_bookmarks.plist/inside")));
        Parser parser;
        parser.disabledBookmarkUUIDs() = {"KEEP"};
        const QByteArray out = captureStdout([&] { parser.saveCustomizedBookmarks(); });
        QVERIFY2(out.startsWith("Could not save customized bookmarks: "), out.constData());
        QCOMPARE(out.count('\n'), 1);
        QCOMPARE(parser.disabledBookmarkUUIDs(), QSet<QString>({"KEEP"}));
        QVERIFY(!QFile::exists(m_support->filePath("customized_bookmarks.plist.partial")));
        QDir(m_support->filePath("customized_bookmarks.plist")).removeRecursively();
    }

    // Archives as the platform's archiver writes them, and ones no parser
    // may use: those switch nothing off.
    void archives()
    {
        const auto archive = [](const QVariant &rootReference, const QVariantList &objects) {
            return TRPropertyList::toBinary(keyedArchive(rootReference, objects));
        };
        const QVariantMap nsSet{{"$classname", "NSSet"}, {"$classes", QVariantList{"NSSet"}}};
        const auto members = [](const QVariantList &references) {
            return QVariantMap{{"NS.objects", references}, {"$class", uid(2)}};
        };
        const QString path = m_support->filePath("customized_bookmarks.plist");
        const QVariantMap mutableSet{
            {"$classname", "NSMutableSet"},
            {"$classes", QVariantList{"NSMutableSet", "NSSet", "NSObject"}}};
        QVERIFY(writeFile(path, archive(uid(1), {"$null", members({uid(4), uid(3)}), mutableSet,
                                                 "5A1B-FOLDER", QStringLiteral("Ünïcode-ID")})));
        QCOMPARE(Parser().disabledBookmarkUUIDs(),
                 QSet<QString>({"5A1B-FOLDER", QStringLiteral("Ünïcode-ID")}));
        // Not an archive, a plain list, an array's class, a member that is no
        // string or is nil, a reference out of range, a root that is no
        // reference, another archiver.
        for (const QByteArray &bytes :
             {QByteArray("not an archive"), TRPropertyList::toBinary(QVariantList{"A", "B"}),
              archive(uid(1),
                      {"$null", members({uid(3)}), QVariantMap{{"$classname", "NSArray"}}, "A"}),
              archive(uid(1), {"$null", members({uid(3)}), nsSet, qint64(5)}),
              archive(uid(1), {"$null", members({uid(0)}), nsSet}),
              archive(uid(1), {"$null", members({uid(9)}), nsSet}), archive(qint64(1), {"$null"}),
              TRPropertyList::toBinary(QVariantMap{{"$archiver", "Other"}})}) {
            QVERIFY(!TRSafariCustomizedBookmarks::unarchiveStringSet(bytes));
            QVERIFY(writeFile(path, bytes));
            QVERIFY(Parser().disabledBookmarkUUIDs().isEmpty());
        }
    }

    // A generated Safari profile, with its newest visits only in the -wal
    // file, read by trellis-inspect and held against the generator's counts.
    void corpusThroughInspect()
    {
        QTemporaryDir corpus;
        TRCorpusGenerator generator({.scale = "small", .leaveWal = true, .only = {"safari"}});
        QVERIFY2(generator.write(corpus.path()), qPrintable(generator.errorString()));
        const QJsonObject manifest =
            QJsonDocument::fromJson(readFile(corpus.filePath("manifest.json")))["safari"]
                .toObject();
        const QString safari = corpus.filePath("safari/");

        // Every node of the four roots; how each root counts is the
        // reader's, in TestReaderInputs.
        const QJsonArray roots = inspect("safari-bookmarks", safari + "Bookmarks.plist").array();
        QCOMPARE(roots.size(), 4);
        QCOMPARE(roots[1]["name"].toString(), QStringLiteral("Bookmarks Menu"));
        // The four roots and every node below them.
        const auto [items, folders] = countBelow({{"children", roots}});
        const QJsonObject counts = manifest["bookmarks"].toObject();
        QCOMPARE(items + folders, 4 + counts["bookmarks"].toInt() + counts["folders"].toInt() +
                                      counts["reading_list_items"].toInt());

        const QJsonObject database = manifest["history_db"].toObject();
        QVERIFY(database["visits_in_wal"].toInt() > 0);
        const QJsonArray history = inspect("safari-history", safari + "History.db").array();
        QCOMPARE(history.size(), 2);
        const auto [visits, days] = countBelow(history[0].toObject());
        QCOMPARE(days, database["days_spanned"].toInt());
        QCOMPARE(visits, database["visits"].toInt());
        QStringList mostVisited;
        for (const QJsonValue &entry : history[1]["children"].toArray()) {
            mostVisited << QUrl::fromPercentEncoding(entry["url"].toString().toUtf8());
        }
        QCOMPARE(mostVisited, database["most_visited"].toVariant().toStringList());

        // The other files' readers count against the tiny corpus in
        // TestReaderInputs; here the tool's commands for them.
        QCOMPARE(inspect("safari-topsites", safari + "TopSites.plist")["children"].toArray().size(),
                 manifest["top_sites"]["top_sites"].toInt());
        QCOMPARE(inspect("safari-lastsession", safari + "LastSession.plist")["children"]
                     .toArray()
                     .size(),
                 manifest["last_session"]["items_in_last_session"].toInt());

        // A file the reader cannot use is an error, not an empty tree.
        QVERIFY(inspect("safari-topsites", safari + "History.db").isNull());
    }

    void realBookmarksFiles()
    {
        const QString folder = realDataDirectory();
        if (folder.isEmpty()) {
            QSKIP("the real browser files (shared/realdata) are not beside the repository");
        }
        // The bar, the menu, the reading list and the user's own, as read.
        const QString duck = "DuckDuckGo(https://duckduckgo.com/)";
        const QList<std::pair<QString, QStringList>> files{
            {"ddg_Bookmarks.plist",
             {"{Folder{" + duck + "}|" + duck + "}", "{}", "{}",
              "{Another Folder{Subfolder{" + duck + "}}}"}},
            {"tombooth_xml_Bookmarks.plist",
             {"{}", "{}",
              "{Politics in the Animal Kingdom — CGP Grey(http://www.cgpgrey.com/"
              "politics-in-the-animal-kingdom/)|News{CNN(http://www.cnn.com/)}}",
              "{}"}}};
        Parser parser;
        for (const auto &[name, roots] : files) {
            QVERIFY(read(parser, folder + "/safari/" + name));
            QCOMPARE(keys(parser), keysOf("Bookmarks.plist"));
            QCOMPARE(QStringList({contents(parser.root(Key::bookmarksBar)),
                                  contents(parser.root(Key::bookmarksMenu)),
                                  contents(parser.root(Key::readingList)),
                                  contents(parser.root(Key::user))}),
                     roots);
        }
    }
};

TRELLIS_CORE_TEST_MAIN(TestSafariParser)
#include "TestSafariParser.moc"
