#include "TRBookmarkMenuBuilder.h"
#include "TRCorpusGenerator.h"
#include "TRFileGrant.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariPlugin.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRUIManager.h"

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

using TRTestMenus::describe;
using TRTestMenus::describeTree;
using TRTestMenus::findItem;
using TRTestMenus::openMenu;
using Key = TRSafariBookmarksParser::BookmarkTypeKey;

namespace {

TRSafariBookmarkPtr findNode(const TRBookmarkPtr &node, const QString &name)
{
    for (const TRBookmarkPtr &child : node->bookmarks()) {
        if (child->name() == name) {
            return std::dynamic_pointer_cast<TRSafariBookmark>(child);
        }
        if (TRSafariBookmarkPtr found = findNode(child, name)) {
            return found;
        }
    }
    return nullptr;
}

// The lines of a submenu's tree that stand below the entry titled title.
QStringList subtree(const QStringList &tree, const QString &title)
{
    QStringList lines;
    // Not found, it starts at -1, before the first line, which is never indented.
    const qsizetype start =
        tree.indexOf(QRegularExpression(QRegularExpression::escape(title) + ">.*"));
    for (qsizetype i = start + 1; i < tree.size() && tree[i].startsWith("  "); ++i) {
        lines << tree[i].mid(2);
    }
    return lines;
}

QByteArray pngFavicon()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    image.save(&buffer, "PNG");
    return buffer.data();
}

} // namespace

// The Safari entry of the tray menu over the corpus's realistic files.
class TestSafariPlugin : public QObject
{
    Q_OBJECT

    QTemporaryDir m_corpus;
    TRTestPluginEvents m_events;

    QString tiny(const QString &file) const { return m_corpus.filePath("tiny/safari/" + file); }

    // Creating the plugin starts a parse; this waits for its rebuild.
    bool waitForRebuild(int before)
    {
        return QTest::qWaitFor([&] { return m_events.rebuilds > before; }, 60000);
    }

    bool refreshAndWait(TRSafariPlugin &plugin)
    {
        const int before = m_events.rebuilds;
        plugin.update();
        return waitForRebuild(before);
    }

    std::unique_ptr<TRSafariBookmarksParser> m_parser;
    std::unique_ptr<TRSafariPlugin> m_plugin;

    // The plugin over all four files of a corpus, with these settings on,
    // once its first parse has rebuilt the menu; null when it has not.
    TRSafariPlugin *built(const QStringList &settings = {}, const QString &scale = "tiny")
    {
        for (const auto &[key, name] :
             {std::pair(TRSettingsKeys::bookmarksData, "Bookmarks.plist"),
              std::pair(TRSettingsKeys::topSitesData, "TopSites.plist"),
              std::pair(TRSettingsKeys::historyData, "History.db"),
              std::pair(TRSettingsKeys::lastSessionData, "LastSession.plist")}) {
            TRSettings::standard().setData(
                key, *TRFileGrant::make(m_corpus.filePath(scale + "/safari/" + name)));
        }
        for (const QString &key : settings) {
            TRSettings::standard().setBool(key, true);
        }
        m_parser = std::make_unique<TRSafariBookmarksParser>();
        m_plugin = std::make_unique<TRSafariPlugin>(m_parser.get());
        return waitForRebuild(0) ? m_plugin.get() : nullptr;
    }

private slots:
    void initTestCase()
    {
        for (const QString scale : {"tiny", "small"}) {
            TRCorpusGenerator generator({.scale = scale, .only = {"safari"}});
            QVERIFY2(generator.write(m_corpus.filePath(scale)),
                     qPrintable(generator.errorString()));
        }
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.reset();
    }

    void cleanup()
    {
        m_plugin.reset();
        m_parser.reset();
    }

    // Without a grant nothing is parsed, whatever asks for it; one grant is
    // enough. The refresh timer is one, at the latest rate.
    void conformsAsAPluginAndParsesOnlyWhatIsGranted()
    {
        TRSafariBookmarksParser parser;
        TRSafariPlugin plugin(&parser);
        QVERIFY(plugin.allowsInlineMenu());
        QVERIFY(!plugin.image().isNull());
        QCOMPARE(plugin.menuItem()->text(), QString("Safari"));
        QCOMPARE(plugin.menuItem()->menu(), plugin.parentMenu());
        // The sections' defaults show in the layouts below; visit counts
        // show only when asked for.
        QVERIFY(plugin.isEnabled());
        QVERIFY(!TRSettings::standard().boolForKey(TRSettingsKeys::showVisitCount));

        QVERIFY(!plugin.loadStoredAccessData());
        plugin.update();
        plugin.setEnabled(true);
        TRNotificationCenter::defaultCenter().post(
            TRNotificationNames::safariPluginMenuNeedsUpdate);
        QVERIFY(!parser.isParsing());
        QCOMPARE(plugin.parentMenu()->actions().size(), 2);

        // The needs-update notification starts a parse.
        TRSettings::standard().setData(TRSettingsKeys::topSitesData,
                                       *TRFileGrant::make(tiny("TopSites.plist")));
        TRNotificationCenter::defaultCenter().post(
            TRNotificationNames::safariPluginMenuNeedsUpdate);
        QVERIFY(parser.isParsing());
        // The first rebuild said that nothing was granted.
        QVERIFY(waitForRebuild(1));
        // Top sites are not allowed by default and no bookmarks were read,
        // yet the folders' separator depends on the settings alone.
        QCOMPARE(describe(plugin.parentMenu()),
                 QStringList({"Search", "-", "All Bookmarks...", "-", "-"}));

        plugin.setUpdateRate(60);
        plugin.setUpdateRate(120);
        QVERIFY(plugin.isUpdateTimerActive());
        QCOMPARE(plugin.updateTimerInterval(), 120000);
        plugin.setUpdateRate(std::nullopt);
        QVERIFY(!plugin.isUpdateTimerActive());
        // No period at all would reparse without pause.
        plugin.setUpdateRate(0);
        QCOMPARE(plugin.updateTimerInterval(), 1000);
        plugin.setEnabled(false);
        QVERIFY(!plugin.isUpdateTimerActive());
        QVERIFY(!TRSettings::standard().boolForKey(TRSettingsKeys::safariEnabled));
    }

    // The sections the settings allow, each with its image, between the
    // fixed head and the folders, and what one of them holds.
    void layouts_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("sections");
        QTest::addColumn<QString>("submenu");
        QTest::addColumn<QStringList>("below");
        QTest::newRow("default") << QStringList() << QStringList("-") << "Favorites"
                                 << QStringList({"JavaScript> [folder]", "  Wikipedia [bookmark]",
                                                 "  東京の天気 - 日本気象協会 tenki.jp [bookmark]",
                                                 "Google [bookmark]", "Gmail [bookmark]"});
        // The folders' separator follows the history's settings.
        QTest::newRow("history") << QStringList({TRSettingsKeys::allowHistory})
                                 << QStringList({"History> [history]", "-"}) << QString()
                                 << QStringList();
        QTest::newRow("most visited and history")
            << QStringList({TRSettingsKeys::allowHistory, TRSettingsKeys::allowMostVisitedItems})
            << QStringList({"Most Visited> [most_visited]", "History> [history]", "-"}) << QString()
            << QStringList();
        QTest::newRow("top sites")
            << QStringList({TRSettingsKeys::allowTopSites})
            << QStringList({"Top Sites> [topsites]", "-"}) << "Top Sites"
            << QStringList({"Apple [bookmark]", "Google [bookmark]",
                            "https://mail.google.com/ [bookmark]", "YouTube [bookmark]",
                            "Wikipedia, the free encyclopedia [bookmark]"});
        QTest::newRow("most visited and top sites")
            << QStringList({TRSettingsKeys::allowTopSites, TRSettingsKeys::allowMostVisitedItems})
            << QStringList({"Most Visited> [most_visited]", "-", "Top Sites> [topsites]", "-"})
            << QString() << QStringList();
        QTest::newRow("reading list")
            << QStringList({TRSettingsKeys::allowReadingList})
            << QStringList({"-", "Reading List> [reading_list]", "-"}) << "Reading List"
            << QStringList({"GitHub [bookmark]", "الاقتصاد الاقتصاد - Google Search [bookmark]",
                            "1855 in aviation - Wikipedia [bookmark]"});
        QTest::newRow("last session") << QStringList({TRSettingsKeys::allowLastSession})
                                      << QStringList({"-", "Last Session> [smart_folder]", "-"})
                                      << QString() << QStringList();
    }

    void layouts()
    {
        QFETCH(QStringList, settings);
        QFETCH(QStringList, sections);
        QFETCH(QString, submenu);
        QFETCH(QStringList, below);
        TRSafariPlugin *plugin = built(settings);
        QVERIFY(plugin);
        // Nothing below the roots is made before it is shown.
        QVERIFY(findItem(plugin->parentMenu(), "Favorites")->menu()->isEmpty());
        const QStringList tree = describeTree(plugin->parentMenu());
        QCOMPARE(tree.filter(QRegularExpression("^\\S")),
                 QStringList({"Search [search]", "-", "All Bookmarks... [bookmarks]", "-"}) +
                     sections +
                     QStringList({"Favorites> [favorites]", "Bookmarks Menu> [bookmarks_menu]", "-",
                                  "Été 2023> [folder]", "Straße – Wikipedia [bookmark]"}));
        QCOMPARE(subtree(tree, submenu), below);
    }

    // Days show their item count only when asked; Most Visited holds the
    // history's own nodes, so the visit count shows in both.
    void historyCountsAndMostVisited()
    {
        TRSafariPlugin *plugin =
            built({TRSettingsKeys::allowMostVisitedItems, TRSettingsKeys::allowHistory,
                   TRSettingsKeys::showVisitCount},
                  "small");
        QVERIFY(plugin);
        QMenu *history = openMenu(findItem(plugin->parentMenu(), "History")->menu());
        QVERIFY(history->actions().size() >= 2);
        for (const QAction *day : history->actions()) {
            QCOMPARE(day->property("imageName").toString(), QString("history_item"));
            QVERIFY2(!day->text().endsWith(")"), qPrintable(day->text()));
            QVERIFY(day->menu()->isEmpty());
        }
        QMenu *mostVisited = openMenu(findItem(plugin->parentMenu(), "Most Visited")->menu());
        QHash<TRBookmarkPtr, QString> titles;
        for (const QAction *entry : mostVisited->actions()) {
            const auto node = std::dynamic_pointer_cast<TRSafariBookmark>(
                TRBookmarkMenuBuilder::bookmarkOf(entry));
            QVERIFY(node && node->visitCount > 0);
            QVERIFY2(entry->text().endsWith(QString(" (%1)").arg(node->visitCount)),
                     qPrintable(entry->text()));
            titles.insert(node, entry->text());
        }

        TRSettings::standard().setBool(TRSettingsKeys::showItemCount, true);
        plugin->rebuildMenu();
        history = openMenu(findItem(plugin->parentMenu(), "History")->menu());
        const auto days = m_parser->bookmarks().value(Key::history)->bookmarks();
        QCOMPARE(history->actions().size(), qsizetype(days.size()));
        int seenInHistory = 0;
        for (QAction *day : history->actions()) {
            openMenu(day->menu());
            QVERIFY(!day->menu()->isEmpty());
            // The count is the day's, however many of its visits fit the screen.
            const TRBookmarkPtr dayNode = TRBookmarkMenuBuilder::bookmarkOf(day);
            QCOMPARE(day->text(),
                     dayNode->name() + QString(" (%1)").arg(dayNode->bookmarks().size()));
            for (const QAction *visit : day->menu()->actions()) {
                const TRBookmarkPtr node = TRBookmarkMenuBuilder::bookmarkOf(visit);
                if (titles.contains(node)) {
                    QCOMPARE(visit->text(), titles.value(node));
                    ++seenInHistory;
                }
            }
        }
        // Long days show what fits the screen; those shown agree.
        QVERIFY(seenInHistory > 0);
    }

    void flatListLeavesOutFoldersAndDisabledOnes()
    {
        TRSafariPlugin *plugin = built();
        QVERIFY(plugin);
        const TRSafariBookmarkPtr climbing =
            findNode(m_parser->bookmarks().value(Key::bookmarksMenu), "Climbing");
        QVERIFY(climbing && !climbing->id().isEmpty());
        m_parser->disabledBookmarkUUIDs().insert(climbing->id());
        QVERIFY(refreshAndWait(*plugin));

        // Long names are shortened, with the whole name as the tool tip; the
        // empty folder says so, in an entry that cannot be chosen.
        QCOMPARE(subtree(describeTree(plugin->parentMenu()), "Bookmarks Menu"),
                 QStringList({"Understanding write-ahead logging, checkpoints and why a c... "
                              "[bookmark] {Understanding write-ahead logging, checkpoints and why "
                              "a copied SQLite database misses the most recent rows: a deep dive | "
                              "Database Internals Blog}",
                              "Podcasts> [folder]", "  News> [folder]",
                              "    Inbox (1614) - alex.morgan.1987@gmail.com - Gmail [bookmark]",
                              "  Podcasts> [folder]", "    No Bookmarks! (disabled)"}));

        TRSettings::standard().setBool(TRSettingsKeys::allowFlatList, true);
        plugin->rebuildMenu();
        const QStringList tree = describeTree(plugin->parentMenu());
        QCOMPARE(subtree(tree, "Bookmarks Menu").mid(1),
                 QStringList({"Inbox (1614) - alex.morgan.1987@gmail.com - Gmail [bookmark]"}));
        QCOMPARE(
            subtree(tree, "Favorites"),
            QStringList({"Wikipedia [bookmark]", "東京の天気 - 日本気象協会 tenki.jp [bookmark]",
                         "Google [bookmark]", "Gmail [bookmark]"}));
        QCOMPARE(describe(plugin->parentMenu()).mid(7),
                 QStringList({"-", "Google", "Straße – Wikipedia"}));
    }

    void lastSessionPrivateAndPinnedTabs()
    {
        TRSafariPlugin *plugin =
            built({TRSettingsKeys::allowLastSession, TRSettingsKeys::useFavIcons});
        QVERIFY(plugin);
        const TRBookmarkPtr session = m_parser->bookmarks().value(Key::lastSession);
        const TRSafariBookmarkPtr pinned = findNode(session, "Gmail");
        const TRSafariBookmarkPtr hidden =
            findNode(session, "macos decode tutorial - Google Search");
        const TRSafariBookmarkPtr plain = findNode(session, "Hacker News");
        QVERIFY(pinned && pinned->isPinned() && hidden && hidden->isPrivate() && plain);
        for (const TRSafariBookmarkPtr &node : {pinned, hidden, plain}) {
            node->setFaviconData(pngFavicon());
        }
        plugin->rebuildMenu();
        QStringList tabs = subtree(describeTree(plugin->parentMenu()), "Last Session");
        QVERIFY(tabs.contains("Gmail [pinned]"));
        QVERIFY(tabs.contains("Hacker News [favicon]"));
        QVERIFY(tabs.filter("Google Search").isEmpty());

        TRSettings::standard().setBool(TRSettingsKeys::showPrivateSessions, true);
        plugin->rebuildMenu();
        tabs = subtree(describeTree(plugin->parentMenu()), "Last Session");
        QVERIFY(tabs.contains("macos decode tutorial - Google Search [user]"));
        QVERIFY(tabs.contains("C++ vs Objective-C - Google Search [user]"));
        QCOMPARE(tabs.size(), 6);
    }

    // Chosen items ask to be shown; long names are shortened; a rebuild
    // frees the old items.
    void itemsOfTheDefaultMenu()
    {
        TRSafariPlugin *plugin = built();
        QVERIFY(plugin);
        findItem(plugin->parentMenu(), "Search")->trigger();
        findItem(plugin->parentMenu(), "All Bookmarks...")->trigger();
        findItem(plugin->parentMenu(), "Straße – Wikipedia")->trigger();
        QCOMPARE(m_events.shown.size(), 3);
        QVERIFY(std::holds_alternative<TRUIManager::ShowSearch>(m_events.shown[0]));
        const auto *all = std::get_if<TRUIManager::ShowBookmark>(&m_events.shown[1]);
        // The bar's three, the menu folder's two and the other two.
        QVERIFY(all && all->bookmark->bookmarks().size() == 7);
        const auto *one = std::get_if<TRUIManager::ShowBookmark>(&m_events.shown[2]);
        QVERIFY(one && one->bookmark->name() == "Straße – Wikipedia" && one->bookmark->hasUrl());

        // A submenu of the last build that opens before it is freed stays
        // empty rather than filling with items of the new build.
        QPointer<QMenu> oldFavorites = findItem(plugin->parentMenu(), "Favorites")->menu();
        plugin->rebuildMenu();
        QVERIFY(oldFavorites);
        QVERIFY(openMenu(oldFavorites)->isEmpty());
        QVERIFY(!openMenu(findItem(plugin->parentMenu(), "Favorites")->menu())->isEmpty());

        const TRBookmarkPtr bar = m_parser->bookmarks().value(Key::bookmarksBar);
        const QString seventy = QString(57, 'a') + "🚀" + QString(12, 'b');
        findNode(bar, "Google")->setName(seventy);
        findNode(bar, "Gmail")->setName(QString(60, 'c'));
        findNode(bar, "Wikipedia")->setName(QString(61, 'd'));
        findNode(bar, "JavaScript")->setName("Tom & Jerry");
        plugin->rebuildMenu();
        const QStringList tree = describeTree(plugin->parentMenu());
        // The character outside the basic plane counts as one and stays whole.
        QVERIFY(tree.contains("  " + QString(57, 'a') + "🚀... [bookmark] {" + seventy + "}"));
        QVERIFY(tree.contains("  " + QString(60, 'c') + " [bookmark]"));
        QVERIFY(
            tree.contains("    " + QString(58, 'd') + "... [bookmark] {" + QString(61, 'd') + "}"));
        // Shown as written, not as a shortcut mark; the tool tip is plain text.
        QVERIFY(tree.contains("  Tom & Jerry> [folder]"));

        QPointer<QAction> old = plugin->parentMenu()->actions().first();
        QMenu statusMenu;
        TRTestMenus::lendItems(plugin->parentMenu(), &statusMenu);
        QVERIFY(refreshAndWait(*plugin));
        QTRY_VERIFY(old.isNull());
        QVERIFY(statusMenu.isEmpty());
        QCOMPARE(plugin->parentMenu()->actions().size(), 10);
    }

    // The inspection tool runs the real plugin in a settings store of its own.
    void inspectionPrintsTheMenuWithoutTouchingTheSettings()
    {
        TRSettings &settings = TRSettings::standard();
        settings.setBool(TRSettingsKeys::allowSearch, true);
        QVERIFY(settings.synchronize());
        QProcess tool;
        tool.start(qEnvironmentVariable("TRELLIS_BINARY_DIR") + "/trellis-inspect",
                   {"safari-menu", "--bookmarks", tiny("Bookmarks.plist"), "--lastsession",
                    tiny("LastSession.plist"), "--set", "_defaults_allowSearch=0", "--set",
                    "_defaults_allowLastSession=true"});
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split('\n');
        QCOMPARE(lines.mid(0, 5), QStringList({"All Bookmarks... [bookmarks]", "---", "---",
                                               "Last Session [smart_folder]", "  Gmail [pinned]"}));
        QVERIFY(lines.contains("      No Bookmarks! (disabled)"));
        // Shortened names keep the whole name as their tool tip.
        QVERIFY(!lines.filter("why a c... [bookmark] {Understanding write-ahead").isEmpty());

        QSettings stored(settings.fileName(), QSettings::IniFormat);
        QVERIFY(stored.value(TRSettingsKeys::allowSearch).toBool());
        QVERIFY(!stored.contains(TRSettingsKeys::bookmarksData));

        tool.start(qEnvironmentVariable("TRELLIS_BINARY_DIR") + "/trellis-inspect",
                   {"safari-menu", "--bookmarks", m_corpus.filePath("missing.plist")});
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 1);
    }
};

TRELLIS_TEST_MAIN(TestSafariPlugin)
#include "TestSafariPlugin.moc"
