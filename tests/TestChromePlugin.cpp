#include "TRBrowserFiles.h"
#include "TRBrowserPluginConfigurationViewController.h"
#include "TRDayClock.h"
#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRGoogleChromePlugin.h"
#include "TRGoogleChromeProfile.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginFilePicker.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRSourceWatcher.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"
#include "TRUIManager.h"

#include <QAction>
#include <QMenu>
#include <QScopeGuard>

using TRTestMenus::describe;
using TRTestMenus::findItem;
using TRTestMenus::openMenu;
using TRTestSupport::json;
using TRTestSupport::writeFile;

// The Chrome entry of the tray menu over real granted files.
class TestChromePlugin : public QObject
{
    Q_OBJECT

    QTemporaryDir m_profile;
    TRTestPluginEvents m_events;

    QString bookmarksPath() const { return m_profile.filePath("Default/Bookmarks"); }
    QString historyPath() const { return m_profile.filePath("Default/History"); }

    // Grants the files given; an empty path grants nothing.
    void grant(const QString &bookmarks, const QString &history = {})
    {
        for (const auto &[key, path] :
             {std::pair(TRSettingsKeys::googleChromeBookmarksData, bookmarks),
              std::pair(TRSettingsKeys::googleChromeHistoryData, history)}) {
            if (!path.isEmpty()) {
                TRSettings::standard().setData(key, *TRFileGrant::make(path));
            }
        }
    }

    bool refreshAndWait(TRGoogleChromePlugin &plugin)
    {
        const int before = m_events.rebuilds;
        plugin.update();
        return QTest::qWaitFor([&] { return m_events.rebuilds > before; }, 30000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(
            bookmarksPath(),
            json("{'roots':{"
                 "'bookmark_bar':{'type':'folder','name':'Bookmarks bar','children':["
                 "{'type':'url','name':'Qt','url':'https://www.qt.io/'},"
                 "{'type':'folder','name':'Docs','children':[{'type':'url','name':'CMake','url':'"
                 "https://cmake.org/'},{'type':'url','name':'Tools & "
                 "Tips','url':'https://t.example/'}]}]},"
                 "'other':{'type':'folder','name':'Other bookmarks','children':[]},"
                 "'synced':{'type':'folder','name':'Mobile bookmarks','children':[]}}}")));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        TRBrowserFiles::writeChromeHistory(
            historyPath(),
            {{"Today page", "https://today.example/", 3, TRBrowserFiles::chromeTime(now)},
             {"Earlier page", "https://before.example/", 1,
              TRBrowserFiles::chromeTime(now.addDays(-3))}});
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.reset();
    }

    // Without a grant nothing is read and the submenu stays empty.
    void conformsAsAPlugin()
    {
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QCOMPARE(plugin.name(), QString("Chrome"));
        QVERIFY(plugin.allowsInlineMenu());
        QVERIFY(!plugin.image().isNull());
        QCOMPARE(plugin.menuItem()->text(), QString("Chrome"));
        // Nothing granted: no read, and the submenu says so once, however
        // often it is refreshed.
        plugin.update();
        plugin.update();
        QTest::qWait(300);
        QCOMPARE(m_events.rebuilds, 1);
        QCOMPARE(describe(plugin.parentMenu()),
                 QStringList({"No Chrome files granted yet (disabled)", "Set up Chrome..."}));
        QVERIFY(plugin.isEnabled());
        plugin.setEnabled(false);
        QVERIFY(!TRSettings::standard().boolForKey(TRSettingsKeys::googleChromeEnabled));
    }

    // Each granted file shows its part, one is enough, and a file that
    // cannot be read leaves out only its own part.
    void layouts()
    {
        const QString broken = m_profile.filePath("Broken/Bookmarks");
        QVERIFY(writeFile(broken, "{not json"));
        const QStringList history{"History>", "-"};
        const QStringList roots{"Bookmarks bar>", "Other bookmarks>", "Mobile bookmarks>"};
        const struct
        {
            QString bookmarks;
            QString history;
            QStringList expected;
        } rows[]{{bookmarksPath(), historyPath(), history + roots},
                 {broken, historyPath(), history},
                 {bookmarksPath(), {}, roots},
                 {{}, historyPath(), history}};
        for (const auto &row : rows) {
            TRSettings::standard().resetForTesting();
            grant(row.bookmarks, row.history);
            TRGoogleChromeBookmarksParser parser;
            TRGoogleChromePlugin plugin(&parser);
            QVERIFY(refreshAndWait(plugin));
            QCOMPARE(describe(plugin.parentMenu()), row.expected);
        }
    }

    // Submenus fill when they open; choosing an entry asks to show it; a
    // rebuild frees the old items.
    void menusFillOnDemandShowWhatIsChosenAndAreFreed()
    {
        grant(bookmarksPath(), historyPath());
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(refreshAndWait(plugin));

        QAction *historyItem = findItem(plugin.parentMenu(), "History");
        QVERIFY(historyItem->menu()->isEmpty());
        QMenu *days = openMenu(historyItem->menu());
        QCOMPARE(describe(days).size(), 2);
        QCOMPARE(days->actions().first()->text(), QString("Today"));
        QMenu *today = openMenu(days->actions().first()->menu());
        QCOMPARE(describe(today), QStringList({"Today page"}));
        QVERIFY(!today->actions().first()->icon().isNull());
        today->actions().first()->trigger();
        QCOMPARE(m_events.shown.size(), 1);
        const auto *show = std::get_if<TRUIManager::ShowBookmark>(&m_events.shown.first());
        QVERIFY(show);
        QCOMPARE(show->bookmark->url(), QUrl("https://today.example/"));

        QMenu *bar = openMenu(findItem(plugin.parentMenu(), "Bookmarks bar")->menu());
        QCOMPARE(describe(bar), QStringList({"Qt", "Docs>"}));
        QVERIFY(!findItem(plugin.parentMenu(), "Bookmarks bar")->icon().isNull());
        // "&" shows as written rather than marking a shortcut letter.
        QMenu *docs = openMenu(findItem(bar, "Docs")->menu());
        QCOMPARE(describe(docs), QStringList({"CMake", "Tools & Tips"}));
        QCOMPARE(docs->actions().last()->iconText(), QString("Tools & Tips"));
        // Opening again does not add the items twice.
        QCOMPARE(openMenu(bar)->actions().size(), 2);

        QPointer<QAction> old = plugin.parentMenu()->actions().first();
        // The status menu borrows the items when it shows them inline.
        QMenu statusMenu;
        TRTestMenus::lendItems(plugin.parentMenu(), &statusMenu);
        QVERIFY(refreshAndWait(plugin));
        QTRY_VERIFY(old.isNull());
        QVERIFY(statusMenu.isEmpty());
        QCOMPARE(plugin.parentMenu()->actions().size(), 5);
    }

    // Each arming of the timer gives exactly one refresh; arming again
    // replaces the pending one; none or disabling stops it.
    void timerRefreshesOncePerArming()
    {
        grant(bookmarksPath());
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        plugin.setUpdateRate(0.2);
        plugin.setUpdateRate(0.2);
        plugin.setUpdateRate(0.2);
        QTRY_COMPARE_WITH_TIMEOUT(m_events.rebuilds, 1, 10000);
        QTest::qWait(800);
        QCOMPARE(m_events.rebuilds, 1);
        QVERIFY(!plugin.isUpdateTimerActive());

        plugin.setUpdateRate(0.2);
        plugin.setUpdateRate(std::nullopt);
        QVERIFY(!plugin.isUpdateTimerActive());
        plugin.setUpdateRate(0.2);
        TRSettings::standard().setBool(TRSettingsKeys::googleChromeEnabled, true);
        plugin.setEnabled(false);
        QVERIFY(!plugin.isUpdateTimerActive());
        QTest::qWait(600);
        QCOMPARE(m_events.rebuilds, 1);

        // Enabling refreshes at once.
        plugin.setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(m_events.rebuilds, 2, 10000);
    }

    // A refresh while nothing changed keeps the menu and re-arms the timer;
    // a write to a granted file reaches the menu by itself.
    void unchangedFilesKeepTheMenuAndWritesShowBySelf()
    {
        TRSourceWatcher::setTimingForTesting(20, 200);
        const auto restore = qScopeGuard([] { TRSourceWatcher::setTimingForTesting(0, 0); });
        const QString path = m_profile.filePath("Watched/Bookmarks");
        const auto write = [&path](const char *name) {
            return writeFile(path, json("{'roots':{'other':{'type':'folder','name':'Other',"
                                        "'children':[{'type':'url','name':'") +
                                       name + json("','url':'https://a.example/'}]}}}"));
        };
        QVERIFY(write("First"));
        TRTestSupport::settle(path);
        grant(path);
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(refreshAndWait(plugin));
        const QList<QAction *> items = plugin.parentMenu()->actions();
        plugin.setUpdateRate(0.05);
        QTest::qWait(400);
        QCOMPARE(m_events.rebuilds, 1);
        QCOMPARE(plugin.parentMenu()->actions(), items);
        // Armed again after each refresh, none of which rebuilt the menu.
        QTRY_VERIFY(plugin.isUpdateTimerActive());

        plugin.setUpdateRate(std::nullopt);
        QVERIFY(write("Second"));
        QTRY_COMPARE_WITH_TIMEOUT(m_events.rebuilds, 2, 5000);
        QVERIFY(TRTestSupport::dump(parser.bookmarks().value(
                                        TRGoogleChromeBookmarksParser::BookmarkTypeKey::bookmarks))
                    .contains("Second"));
    }

    // At midnight the menu's days are named anew without a read.
    void aNewDayRenamesTheDays()
    {
        grant({}, historyPath());
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(refreshAndWait(plugin));
        QMenu *days = openMenu(findItem(plugin.parentMenu(), "History")->menu());
        QCOMPARE(describe(days).value(0), QString("Today>"));
        const QDateTime tomorrow = QDateTime::currentDateTime().addDays(1);
        TRDayFormatter::setNowForTesting([tomorrow] { return tomorrow; });
        const auto restore = qScopeGuard([] { TRDayFormatter::setNowForTesting({}); });
        emit TRDayClock::shared().dayChanged();
        QTRY_COMPARE(m_events.rebuilds, 2);
        days = openMenu(findItem(plugin.parentMenu(), "History")->menu());
        QCOMPARE(describe(days).value(0), QString("Yesterday>"));
    }

    // Choosing a file writes its flags and its grant, and refreshes.
    void grantingAFileWritesItsFlagsAndRefreshes()
    {
        for (const bool history : {true, false}) {
            TRSettings::standard().resetForTesting();
            m_events.reset();
            const QString file = history ? historyPath() : bookmarksPath();
            TRGoogleChromeBookmarksParser parser;
            TRGoogleChromePlugin plugin(&parser);
            auto *pane = qobject_cast<TRBrowserPluginConfigurationViewController *>(
                plugin.configurationViewController());
            QVERIFY(pane);
            const auto choose = [&](const QString &name) {
                TRPluginFilePicker::setNextFileNameForTesting(name);
                history ? pane->chooseHistoryFile() : pane->chooseBookmarksFile();
            };
            // The other file's name is refused and grants nothing.
            choose(history ? bookmarksPath() : historyPath());
            const TRSettings &settings = TRSettings::standard();
            QVERIFY(!settings.dataForKey(TRSettingsKeys::googleChromeHistoryData));
            QVERIFY(!settings.dataForKey(TRSettingsKeys::googleChromeBookmarksData));

            choose(file);
            QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeAllowHistory), history);
            QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeHasHistoryData), history);
            QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeAllowBookmarks), !history);
            QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeHasBookmarksData), !history);
            const QString key = history ? TRSettingsKeys::googleChromeHistoryData
                                        : TRSettingsKeys::googleChromeBookmarksData;
            QCOMPARE(settings.dataForKey(key), TRFileGrant::make(file));
            QTRY_COMPARE_WITH_TIMEOUT(m_events.rebuilds, 1, 10000);
            QCOMPARE(pane->currentFilePicker()->filePickerInfo().allowedFileNames,
                     QStringList({history ? "History" : "Bookmarks"}));
        }
    }

    void profileFolderPrefersChrome()
    {
        const QString home = qEnvironmentVariable("HOME");
        QCOMPARE(TRGoogleChromeProfile::defaultDirectory(),
                 home + "/.config/google-chrome/Default");
        QVERIFY(QDir().mkpath(home + "/.config/chromium/Default"));
        QCOMPARE(TRGoogleChromeProfile::defaultDirectory(), home + "/.config/chromium/Default");
        QVERIFY(QDir().mkpath(home + "/.config/google-chrome/Default"));
        QCOMPARE(TRGoogleChromeProfile::defaultDirectory(),
                 home + "/.config/google-chrome/Default");
    }
};

TRELLIS_TEST_MAIN(TestChromePlugin)
#include "TestChromePlugin.moc"
