#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPropertyList.h"
#include "TRSafariBookmarksParser.h"
#include "TRTestMain.h"
#include "TRTestSupport.h"

#include <SQLiteCpp/SQLiteCpp.h>

using Parser = TRSafariBookmarksParser;
using Key = TRSafariBookmarksParser::BookmarkTypeKey;
using TRTestSupport::writeFile;

namespace {

// A tree as one line: groups as name{children}, items as name(url).
QString dump(const TRBookmarkPtr &node)
{
    if (node->kind() == TRBookmarkKind::group) {
        QStringList children;
        for (const auto &child : node->bookmarks()) {
            children << dump(child);
        }
        return node->name() + "{" + children.join("|") + "}";
    }
    return node->name() + "(" + node->url().toString() + ")";
}

// The children of a root, without the root's own name.
QString contents(const TRBookmarkPtr &root)
{
    const QString text = dump(root);
    return text.mid(root->name().size());
}

QVariantMap folder(const QString &title, const QVariantList &children, const QString &uuid = {})
{
    QVariantMap node{
        {"WebBookmarkType", "WebBookmarkTypeList"}, {"Title", title}, {"Children", children}};
    if (!uuid.isEmpty()) {
        node.insert("WebBookmarkUUID", uuid);
    }
    return node;
}

QVariantMap leaf(const QString &title, const QString &url)
{
    return {{"WebBookmarkType", "WebBookmarkTypeLeaf"},
            {"URLString", url},
            {"URIDictionary", QVariantMap{{"title", title}}},
            {"WebBookmarkUUID", QString("LEAF-" + title)}};
}

bool writeBookmarks(const QString &path, const QVariantList &children, bool xml = false)
{
    const QVariantMap root{{"WebBookmarkType", "WebBookmarkTypeList"},
                           {"WebBookmarkFileVersion", qint64(1)},
                           {"Children", children}};
    const QByteArray bytes = xml ? TRPropertyList::toXml(root) : TRPropertyList::toBinary(root);
    return !bytes.isEmpty() && writeFile(path, bytes);
}

QSet<Key> keys(const Parser &parser)
{
    const QList<Key> list = parser.bookmarks().keys();
    return QSet<Key>(list.cbegin(), list.cend());
}

} // namespace

// The Safari parser object: its parse, its roots, the bookmarks file and
// the switched-off folders.
class TestSafariParser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

    QString file(const QString &name) const { return m_files.filePath(name); }

    // Runs one update of parser and waits for its completion.
    static bool update(Parser &parser)
    {
        bool done = false;
        parser.updateBookmarks([&done] { done = true; });
        return QTest::qWaitFor([&done] { return done; }, 30000);
    }

    QVariantList sampleBookmarks() const
    {
        return {QVariantMap{{"WebBookmarkType", "WebBookmarkTypeProxy"}, {"Title", "History"}},
                folder("BookmarksBar",
                       {leaf("Qt", "https://www.qt.io/"),
                        folder("Tools", {leaf("CMake", "https://cmake.org/")}, "BAR-TOOLS")},
                       "BAR"),
                folder("BookmarksMenu", {leaf("Menu", "https://menu.example/")}, "MENU"),
                folder("com.apple.ReadingList", {leaf("Later", "https://later.example/")}, "RL"),
                folder("Work",
                       {folder("BookmarksBar", {leaf("Inner", "https://inner.example/")}, "W-BAR"),
                        folder("com.apple", {}, "W-APPLE"), leaf("Feed", "feed://news.example/rss"),
                        leaf("Bare", "bare.example"),
                        QVariantMap{{"WebBookmarkType", "WebBookmarkTypeLeaf"},
                                    {"URLString", "https://untitled.example/"}},
                        leaf("Spaced", "https://spaced.example/a b"),
                        QVariantMap{{"WebBookmarkType", "WebBookmarkTypeLeaf"}, {"URLString", 3.0}},
                        folder("Stops", {leaf("Before", "https://before.example/"),
                                         QVariantMap{{"Title", "no type"}},
                                         leaf("After", "https://after.example/")}),
                        leaf("Sibling", "https://sibling.example/")},
                       "WORK"),
                leaf("Top", "https://top.example/")};
    }

private slots:
    void init() { TRDayFormatter::setNowForTesting({}); }

    void keysAndRoots()
    {
        using DataKey = Parser::BookmarkDataKey;
        QCOMPARE(Parser::rawValue(DataKey::history), QStringLiteral("history_data"));
        QCOMPARE(Parser::bookmarkDataKey("topsites_data"), DataKey::topSites);
        QCOMPARE(Parser::bookmarkDataKey("last_session_data"), DataKey::lastSession);
        QVERIFY(!Parser::bookmarkDataKey("bookmarks"));
        QCOMPARE(Parser::allowedFileNames(DataKey::history),
                 QStringList({"History.plist", "History.db"}));
        QCOMPARE(Parser::allowedFileTypes(DataKey::history), QStringList({"plist", "db"}));
        QCOMPARE(Parser::bookmarkTypeKey("trMostVisited"), Key::mostVisited);
        QVERIFY(!Parser::bookmarkTypeKey("trOther"));

        Parser parser;
        const QList<std::tuple<Key, QString, TRSafariBookmark::Tag>> roots{
            {Key::topSites, "Top Sites", TRSafariBookmark::Tag::topSites},
            {Key::history, "History", TRSafariBookmark::Tag::history},
            {Key::mostVisited, "Most Visited", TRSafariBookmark::Tag::mostVisited},
            {Key::lastSession, "Last Session", TRSafariBookmark::Tag::lastSession},
            {Key::readingList, "Reading List", TRSafariBookmark::Tag::readingList},
            {Key::user, "Bookmarks", TRSafariBookmark::Tag::generic},
            {Key::bookmarksBar, "Favorites", TRSafariBookmark::Tag::bookmarksBar},
            {Key::bookmarksMenu, "Bookmarks Menu", TRSafariBookmark::Tag::bookmarksMenu}};
        for (const auto &[key, title, tag] : roots) {
            const auto root = parser.root(key);
            QCOMPARE(root->name(), title);
            QCOMPARE(root->tag, tag);
            QCOMPARE(root->kind(), TRBookmarkKind::group);
            QVERIFY(!root->hasUrl());
            QCOMPARE(parser.root(key), root);
        }
    }

    void bookmarksFile_data()
    {
        QTest::addColumn<bool>("xml");
        QTest::newRow("binary") << false;
        QTest::newRow("xml") << true;
    }

    void bookmarksFile()
    {
        QFETCH(bool, xml);
        const QString path = file(xml ? "xml/Bookmarks.plist" : "Bookmarks.plist");
        QVERIFY(writeBookmarks(path, sampleBookmarks(), xml));
        Parser parser;
        parser.bookmarkDataForBookmarks = TRFileGrant::make(path);
        QVERIFY(update(parser));

        QCOMPARE(keys(parser),
                 QSet<Key>({Key::readingList, Key::bookmarksBar, Key::bookmarksMenu, Key::user}));
        QCOMPARE(parser.bookmarks().value(Key::bookmarksBar), parser.root(Key::bookmarksBar));
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
        QVERIFY(!parser.bookmarks().contains(Key::history));
        QCOMPARE(parser.root(Key::history)->bookmarks().size(), 0u);
    }

    void disabledFolders()
    {
        const QString path = file("disabled/Bookmarks.plist");
        QVERIFY(writeBookmarks(path, sampleBookmarks()));
        Parser parser;
        parser.disabledBookmarkUUIDs() = {"WORK", "BAR", "GONE"};
        parser.bookmarkDataForBookmarks = TRFileGrant::make(path);
        QVERIFY(update(parser));

        QVERIFY(!parser.root(Key::bookmarksBar)->isEnabled());
        const auto work = parser.root(Key::user)->bookmarks().front();
        QVERIFY(!work->isEnabled());
        QVERIFY(parser.root(Key::bookmarksMenu)->isEnabled());
        // An identifier that no folder of the file carries is forgotten.
        QCOMPARE(parser.disabledBookmarkUUIDs(), QSet<QString>({"WORK", "BAR"}));

        // Switched on again: the next parse shows it.
        parser.disabledBookmarkUUIDs().remove("BAR");
        QVERIFY(update(parser));
        QVERIFY(parser.root(Key::bookmarksBar)->isEnabled());
    }

    void unreadableBookmarksKeepTheTree()
    {
        const QString path = file("keep/Bookmarks.plist");
        QVERIFY(writeBookmarks(path, sampleBookmarks()));
        Parser parser;
        parser.bookmarkDataForBookmarks = TRFileGrant::make(path);
        QVERIFY(update(parser));
        const QString before = dump(parser.root(Key::user));
        parser.disabledBookmarkUUIDs() = {"GONE"};

        const QList<QByteArray> broken{
            TRPropertyList::toBinary(QVariantMap{{"WebBookmarkType", "WebBookmarkTypeList"}}),
            TRPropertyList::toBinary(QVariantMap{{"Children", QVariantList()}}),
            TRPropertyList::toBinary(QVariantMap{{"Children", "text"}}),
            TRPropertyList::toXml(QVariantList{}), QByteArray("garbage")};
        for (const QByteArray &bytes : broken) {
            QVERIFY(writeFile(path, bytes));
            QVERIFY(update(parser));
            QVERIFY(parser.bookmarks().isEmpty());
            QCOMPARE(dump(parser.root(Key::user)), before);
            // Not pruned: nothing was read to prune against.
            QCOMPARE(parser.disabledBookmarkUUIDs(), QSet<QString>({"GONE"}));
        }

        // A file without the special folders empties their roots.
        QVERIFY(writeBookmarks(path, {leaf("Only", "https://only.example/")}));
        QVERIFY(update(parser));
        QCOMPARE(contents(parser.root(Key::bookmarksBar)), "{}");
        QCOMPARE(contents(parser.root(Key::user)), "{Only(https://only.example/)}");
        QVERIFY(parser.bookmarks().contains(Key::readingList));
    }

    void allReadersInOneParse()
    {
        const QDateTime now(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
        TRDayFormatter::setNowForTesting([now] { return now; });
        const QString history = file("all/History.db");
        QDir().mkpath(file("all"));
        {
            SQLite::Database db(history.toStdString(),
                                SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec("CREATE TABLE history_items (id INTEGER PRIMARY KEY, url TEXT, visit_count "
                    "INTEGER NOT NULL)");
            db.exec("CREATE TABLE history_visits (id INTEGER PRIMARY KEY, history_item INTEGER, "
                    "visit_time REAL, title TEXT)");
            const double t = TRPropertyList::referenceTimeFromDate(now);
            db.exec("INSERT INTO history_items VALUES (1, 'https://a.example/', 2), "
                    "(2, 'https://b.example/', 5)");
            db.exec(QStringLiteral("INSERT INTO history_visits VALUES (1, 1, %1, 'A1'), "
                                   "(2, 1, %2, 'A2'), (3, 2, %3, 'B')")
                        .arg(t - 60, 0, 'f', 3)
                        .arg(t - 90000, 0, 'f', 3)
                        .arg(t - 120, 0, 'f', 3)
                        .toStdString());
        }
        const QString topSites = file("all/TopSites.plist");
        QVERIFY(writeFile(
            topSites,
            TRPropertyList::toBinary(QVariantMap{
                {"TopSites", QVariantList{QVariantMap{{"TopSiteURLString", "https://t.example/"},
                                                      {"TopSiteTitle", "T"}}}}})));
        const QString session = file("all/LastSession.plist");
        QVERIFY(writeFile(
            session,
            TRPropertyList::toBinary(QVariantMap{
                {"SessionWindows",
                 QVariantList{QVariantMap{
                     {"TabStates", QVariantList{QVariantMap{{"TabURL", "https://s.example/"},
                                                            {"TabTitle", "S"}}}}}}}})));
        const QString bookmarks = file("all/Bookmarks.plist");
        QVERIFY(writeBookmarks(bookmarks, sampleBookmarks()));

        Parser parser;
        parser.bookmarkDataForHistory = TRFileGrant::make(history);
        parser.bookmarkDataForTopSites = TRFileGrant::make(topSites);
        parser.bookmarkDataForLastSession = TRFileGrant::make(session);
        parser.bookmarkDataForBookmarks = TRFileGrant::make(bookmarks);
        QVERIFY(update(parser));
        QCOMPARE(keys(parser),
                 QSet<Key>({Key::history, Key::mostVisited, Key::lastSession, Key::topSites,
                            Key::readingList, Key::bookmarksBar, Key::bookmarksMenu, Key::user}));
        QCOMPARE(contents(parser.root(Key::history)),
                 "{Today{A1(https://a.example/)|B(https://b.example/)}|"
                 "Yesterday{A2(https://a.example/)}}");
        QCOMPARE(contents(parser.root(Key::mostVisited)),
                 "{B(https://b.example/)|A1(https://a.example/)}");
        // The very nodes of the day groups, now naming Most Visited as parent.
        const auto today = parser.root(Key::history)->bookmarks().front();
        QCOMPARE(parser.root(Key::mostVisited)->bookmarks().front(), today->bookmarks()[1]);
        QCOMPARE(today->bookmarks()[1]->parent(), parser.root(Key::mostVisited));
        QCOMPARE(today->parent(), parser.root(Key::history));
        QCOMPARE(contents(parser.root(Key::topSites)), "{T(https://t.example/)}");
        QCOMPARE(contents(parser.root(Key::lastSession)), "{S(https://s.example/)}");

        // A history that cannot be queried: the message, neither history key,
        // the old day groups kept, the other readers unharmed.
        const auto historyRoot = parser.root(Key::history);
        const QString oldHistory = dump(historyRoot);
        {
            SQLite::Database db(history.toStdString(), SQLite::OPEN_READWRITE);
            db.exec("DROP TABLE history_visits");
        }
        const QByteArray out = TRTestSupport::captureStdout([&] { QVERIFY(update(parser)); });
        QCOMPARE(out, QByteArray("Could not execute query: no such table: history_visits\n"));
        QCOMPARE(keys(parser), QSet<Key>({Key::lastSession, Key::topSites, Key::readingList,
                                          Key::bookmarksBar, Key::bookmarksMenu, Key::user}));
        QCOMPARE(parser.root(Key::history), historyRoot);
        QCOMPARE(dump(historyRoot), oldHistory);
    }

    void finishOrderAndDroppedCallback()
    {
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
        parser.updateBookmarks([&] { events << QStringLiteral("second"); });
        QVERIFY(QTest::qWaitFor([&] { return first; }, 30000));
        // A later parse runs after anything the dropped call could have left.
        QVERIFY(update(parser));
        QCOMPARE(events,
                 QStringList({"posted, parsing 1", "first, parsing 0", "posted, parsing 1"}));
    }

    void allGenericBookmarkGroup()
    {
        const QString path = file("generic/Bookmarks.plist");
        QVERIFY(writeBookmarks(path, sampleBookmarks()));

        // First used before any read: empty for good.
        Parser early;
        QVERIFY(early.allGenericBookmarkGroup()->bookmarks().empty());
        early.bookmarkDataForBookmarks = TRFileGrant::make(path);
        QVERIFY(update(early));
        QVERIFY(early.allGenericBookmarkGroup()->bookmarks().empty());

        // First used after a read: the bar's, the menu's and the user's
        // children, kept when later parses replace them.
        Parser late;
        late.bookmarkDataForBookmarks = TRFileGrant::make(path);
        QVERIFY(update(late));
        const auto group = late.allGenericBookmarkGroup();
        QStringList names;
        for (const auto &child : group->bookmarks()) {
            names << child->name();
        }
        QCOMPARE(names, QStringList({"Qt", "Tools", "Menu", "Work", "Top"}));
        QCOMPARE(group->kind(), TRBookmarkKind::group);
        QVERIFY(group->name().isEmpty());
        const auto qt = group->bookmarks().front();
        QVERIFY(writeBookmarks(path, {leaf("New", "https://new.example/")}));
        QVERIFY(update(late));
        QCOMPARE(late.allGenericBookmarkGroup(), group);
        QCOMPARE(group->bookmarks().front(), qt);
        QCOMPARE(group->bookmarks().size(), 5u);
    }

    void realBookmarksFiles()
    {
        const QString folder = TRTestSupport::realDataDirectory();
        if (folder.isEmpty()) {
            QSKIP("the real browser files (shared/realdata) are not beside the repository");
        }
        Parser parser;
        parser.bookmarkDataForBookmarks = TRFileGrant::make(folder + "/safari/ddg_Bookmarks.plist");
        QVERIFY(update(parser));
        QCOMPARE(keys(parser),
                 QSet<Key>({Key::readingList, Key::bookmarksBar, Key::bookmarksMenu, Key::user}));
        const auto bar = parser.root(Key::bookmarksBar);
        QCOMPARE(bar->bookmarks().size(), 2u);
        QCOMPARE(bar->childGroups(false).size(), 1u);
        QCOMPARE(bar->childGroups(false).front()->name(), QStringLiteral("Folder"));
        QCOMPARE(bar->childGroups(false).front()->bookmarks().size(), 1u);
        QVERIFY(parser.root(Key::bookmarksMenu)->bookmarks().empty());
        QVERIFY(parser.root(Key::readingList)->bookmarks().empty());
        const auto user = parser.root(Key::user);
        QCOMPARE(user->bookmarks().size(), 1u);
        QCOMPARE(user->bookmarks().front()->name(), QStringLiteral("Another Folder"));
        const auto groups = user->childGroups(true);
        QCOMPARE(groups.size(), 2u);
        QCOMPARE(groups[1]->name(), QStringLiteral("Subfolder"));
        QCOMPARE(groups[1]->bookmarks().size(), 1u);
        QVERIFY(groups[1]->bookmarks().front()->hasUrl());

        parser.bookmarkDataForBookmarks =
            TRFileGrant::make(folder + "/safari/tombooth_xml_Bookmarks.plist");
        QVERIFY(update(parser));
        const auto readingList = parser.root(Key::readingList);
        QCOMPARE(readingList->bookmarks().size(), 2u);
        QCOMPARE(readingList->childGroups(false).size(), 1u);
        QCOMPARE(readingList->childGroups(false).front()->name(), QStringLiteral("News"));
        QCOMPARE(readingList->childGroups(false).front()->bookmarks().size(), 1u);
        QVERIFY(parser.root(Key::user)->bookmarks().empty());
        QVERIFY(parser.root(Key::bookmarksBar)->bookmarks().empty());
    }
};

TRELLIS_TEST_MAIN(TestSafariParser)
#include "TestSafariParser.moc"
