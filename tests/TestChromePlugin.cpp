#include "TRBrowserFiles.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRGoogleChromePlugin.h"
#include "TRGoogleChromePluginConfigurationViewController.h"
#include "TRGoogleChromeProfile.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginFilePicker.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"
#include "TRUIManager.h"

#include <QAction>
#include <QMenu>

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

    void grant(const QString &key, const QString &path)
    {
        TRSettings::standard().setData(key, *TRFileGrant::make(path));
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
        const QByteArray bookmarksJson =
            json("{'roots':{"
                 "'bookmark_bar':{'type':'folder','name':'Bookmarks bar','children':["
                 "{'type':'url','name':'Qt','url':'https://www.qt.io/'},"
                 "{'type':'folder','name':'Docs','children':[{'type':'url','name':'CMake','url':'"
                 "https://cmake.org/'},{'type':'url','name':'Tools & "
                 "Tips','url':'https://t.example/'}]}]},"
                 "'other':{'type':'folder','name':'Other bookmarks','children':[]},"
                 "'synced':{'type':'folder','name':'Mobile bookmarks','children':[]}}}");
        QVERIFY(writeFile(bookmarksPath(), bookmarksJson));
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
        QCOMPARE(plugin.menuItem()->menu(), plugin.parentMenu());
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

    void layouts_data()
    {
        QTest::addColumn<bool>("bookmarks");
        QTest::addColumn<bool>("history");
        QTest::addColumn<bool>("brokenBookmarks");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("both read") << true << true << false
                                   << QStringList({"History>", "-", "Bookmarks bar>",
                                                   "Other bookmarks>", "Mobile bookmarks>"});
        QTest::newRow("history read, bookmarks broken")
            << true << true << true << QStringList({"History>", "-"});
        // One granted file is enough.
        QTest::newRow("only bookmarks granted")
            << true << false << false
            << QStringList({"Bookmarks bar>", "Other bookmarks>", "Mobile bookmarks>"});
        QTest::newRow("only history granted")
            << false << true << false << QStringList({"History>", "-"});
    }

    void layouts()
    {
        QFETCH(bool, bookmarks);
        QFETCH(bool, history);
        QFETCH(bool, brokenBookmarks);
        QFETCH(QStringList, expected);
        const QString broken = m_profile.filePath("Broken/Bookmarks");
        QVERIFY(writeFile(broken, "{not json"));
        if (bookmarks) {
            grant(TRSettingsKeys::googleChromeBookmarksData,
                  brokenBookmarks ? broken : bookmarksPath());
        }
        if (history) {
            grant(TRSettingsKeys::googleChromeHistoryData, historyPath());
        }
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(refreshAndWait(plugin));
        QCOMPARE(describe(plugin.parentMenu()), expected);
    }

    // Submenus fill when they open; choosing an entry asks to show it.
    void menusFillOnDemandAndShowWhatIsChosen()
    {
        grant(TRSettingsKeys::googleChromeBookmarksData, bookmarksPath());
        grant(TRSettingsKeys::googleChromeHistoryData, historyPath());
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
        QCOMPARE(describe(openMenu(findItem(plugin.parentMenu(), "Bookmarks bar")->menu())).size(),
                 2);
    }

    void rebuildFreesTheOldItems()
    {
        grant(TRSettingsKeys::googleChromeBookmarksData, bookmarksPath());
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(refreshAndWait(plugin));
        QPointer<QAction> old = plugin.parentMenu()->actions().first();
        // The status menu borrows the items when it shows them inline.
        QMenu statusMenu;
        TRTestMenus::lendItems(plugin.parentMenu(), &statusMenu);
        QVERIFY(refreshAndWait(plugin));
        QTRY_VERIFY(old.isNull());
        QVERIFY(statusMenu.isEmpty());
        QCOMPARE(plugin.parentMenu()->actions().size(), 3);
    }

    // Each arming of the timer gives exactly one refresh; arming again
    // replaces the pending one; none or disabling stops it.
    void timerRefreshesOncePerArming()
    {
        grant(TRSettingsKeys::googleChromeBookmarksData, bookmarksPath());
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        plugin.setUpdateRate(0.2);
        QCOMPARE(plugin.updateRate(), std::optional(0.2));
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

    void grantingAFileWritesItsFlagsAndRefreshes_data()
    {
        QTest::addColumn<bool>("history");
        QTest::newRow("History") << true;
        QTest::newRow("Bookmarks") << false;
    }

    void grantingAFileWritesItsFlagsAndRefreshes()
    {
        QFETCH(bool, history);
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        auto *pane = qobject_cast<TRGoogleChromePluginConfigurationViewController *>(
            plugin.configurationViewController());
        QVERIFY(pane);
        // A refused name grants nothing.
        TRPluginFilePicker::setNextFileNameForTesting(history ? bookmarksPath() : historyPath());
        history ? pane->chooseHistoryFile() : pane->chooseBookmarksFile();
        QVERIFY(!TRSettings::standard().dataForKey(TRSettingsKeys::googleChromeHistoryData));
        QVERIFY(!TRSettings::standard().dataForKey(TRSettingsKeys::googleChromeBookmarksData));

        TRPluginFilePicker::setNextFileNameForTesting(history ? historyPath() : bookmarksPath());
        history ? pane->chooseHistoryFile() : pane->chooseBookmarksFile();
        const TRSettings &settings = TRSettings::standard();
        QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeAllowHistory), history);
        QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeHasHistoryData), history);
        QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeAllowBookmarks), !history);
        QCOMPARE(settings.boolForKey(TRSettingsKeys::googleChromeHasBookmarksData), !history);
        const QString key = history ? TRSettingsKeys::googleChromeHistoryData
                                    : TRSettingsKeys::googleChromeBookmarksData;
        QString error;
        QCOMPARE(TRFileGrant::resolve(*settings.dataForKey(key), &error),
                 std::optional(
                     QFileInfo(history ? historyPath() : bookmarksPath()).canonicalFilePath()));
        QTRY_COMPARE_WITH_TIMEOUT(m_events.rebuilds, 1, 10000);
        QCOMPARE(pane->currentFilePicker()->filePickerInfo().allowedFileNames,
                 QStringList({history ? "History" : "Bookmarks"}));
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
