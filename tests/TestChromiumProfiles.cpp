#include "TRBrowserDiscovery.h"
#include "TRBrowserFiles.h"
#include "TRBrowserPlugin.h"
#include "TRBrowserPluginConfigurationViewController.h"
#include "TRBrowserSettings.h"
#include "TRBrowserSetupWindowController.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRGoogleChromePlugin.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestBrowsers.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

using TRTestBrowsers::profileAt;
using TRTestBrowsers::profilesFound;
using TRTestBrowsers::refreshAndWait;
using TRTestMenus::describe;
using TRTestMenus::findItem;
using TRTestMenus::openMenu;
using TRTestSupport::json;
using TRTestSupport::writeFile;

// The profiles of the Chromium browsers in a home, granted in one click and
// shown one submenu each.
class TestChromiumProfiles : public QObject
{
    Q_OBJECT

    TRTestPluginEvents m_events;

    static QString config() { return qEnvironmentVariable("HOME") + "/.config"; }

    // A profile folder with a bookmark bar of one bookmark named after it,
    // and a history of one visit today when history is set.
    static bool writeProfile(const QString &folder, const QString &bookmark, bool history = true)
    {
        const bool written =
            writeFile(folder + "/Bookmarks",
                      json("{'roots':{'bookmark_bar':{'type':'folder','name':'Bar','children':["
                           "{'type':'url','name':'") +
                          bookmark.toUtf8() + json("','url':'https://example.com/'}]}}}"));
        if (history) {
            TRBrowserFiles::writeChromeHistory(
                folder + "/History",
                {{"Visited", "https://visited.example/", 1,
                  TRBrowserFiles::chromeTime(QDateTime::currentDateTimeUtc())}});
        }
        return written;
    }

    // A browser's folder whose Local State lists the profiles (folder,
    // name) in the order given.
    static bool writeBrowser(const QString &root,
                             const QList<std::pair<QString, QString>> &profiles)
    {
        QByteArray cache;
        QByteArray order;
        for (const auto &[folder, name] : profiles) {
            cache += (cache.isEmpty() ? "" : ",") + json("'") + folder.toUtf8() +
                     json("':{'name':'") + name.toUtf8() + json("'}");
            order += (order.isEmpty() ? "" : ",") + json("'") + folder.toUtf8() + json("'");
            if (!writeProfile(root + '/' + folder, name + " page")) {
                return false;
            }
        }
        return writeFile(root + "/Local State", json("{'profile':{'info_cache':{") + cache +
                                                    json("},'profiles_order':[") + order +
                                                    json("]}}"));
    }

private slots:
    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.reset();
        QDir(config()).removeRecursively();
        QVERIFY(writeBrowser(config() + "/google-chrome",
                             {{"Profile 1", "Work"}, {"Default", "Person 1"}}));
        QVERIFY(writeBrowser(config() + "/BraveSoftware/Brave-Browser", {{"Default", "Personal"}}));
    }

    // Using a profile grants its files under the browser's keys: the
    // dialog's keys while they are free or hold that folder, a slot of the
    // profile's own otherwise; never the same folder twice.
    void usingProfilesWritesGrantsOnce()
    {
        TRSettings &settings = TRSettings::standard();
        const TRBrowserSettings chrome(QStringLiteral("chrome"));
        const TRBrowserProfile work = profileAt("chrome", 0);
        const TRBrowserProfile person = profileAt("chrome", 1);
        QCOMPARE(work.name, QString("Work"));

        QVERIFY(chrome.use(settings, work));
        QCOMPARE(settings.dataForKey(TRSettingsKeys::googleChromeBookmarksData),
                 TRFileGrant::make(*work.bookmarks));
        QCOMPARE(settings.dataForKey(TRSettingsKeys::googleChromeHistoryData),
                 TRFileGrant::make(*work.history));
        for (const QString &flag : {TRSettingsKeys::googleChromeAllowBookmarks,
                                    TRSettingsKeys::googleChromeHasBookmarksData,
                                    TRSettingsKeys::googleChromeAllowHistory,
                                    TRSettingsKeys::googleChromeHasHistoryData}) {
            QVERIFY2(settings.boolForKey(flag), qPrintable(flag));
        }
        QVERIFY(chrome.use(settings, person));
        QVERIFY(chrome.use(settings, work));
        QVERIFY(chrome.use(settings, person));
        const auto granted = chrome.grantedSlots(settings);
        QCOMPARE(granted.size(), std::size_t(2));
        QCOMPARE(granted[1].stem, QString("tr_plugin_google_chrome_profile_Default"));
        QVERIFY(chrome.isInUse(settings, work) && chrome.isInUse(settings, person));
        QVERIFY(!TRBrowserSettings("brave").isInUse(settings, profileAt("brave", 0)));

        // A user's earlier grant of a profile's file is that profile's: using
        // the profile adds no second slot.
        settings.resetForTesting();
        settings.setData(TRSettingsKeys::googleChromeBookmarksData,
                         *TRFileGrant::make(*person.bookmarks));
        QVERIFY(chrome.isInUse(settings, person));
        QVERIFY(chrome.use(settings, person));
        QCOMPARE(chrome.grantedSlots(settings).size(), std::size_t(1));

        // Another browser keeps its own keys; a file the profile lost is
        // no longer granted.
        const TRBrowserSettings brave(QStringLiteral("brave"));
        TRBrowserProfile personal = profileAt("brave", 0);
        QVERIFY(brave.use(settings, personal));
        QVERIFY(settings.dataForKey("tr_plugin_brave_history_data"));
        QVERIFY(settings.boolForKey("tr_plugin_brave_hasBookmarksData"));
        QCOMPARE(brave.enabledKey(), QString("tr_plugin_brave_isEnabled"));
        QVERIFY(QFile::remove(*personal.history));
        personal.history.reset();
        QVERIFY(brave.use(settings, personal));
        QVERIFY(!settings.dataForKey("tr_plugin_brave_history_data"));
        // Nothing to grant: nothing written.
        TRBrowserProfile gone;
        gone.folder = config() + "/nowhere";
        QVERIFY(!brave.use(settings, gone));

        // A stored list of profile slots naming anything but this browser's
        // slots is ignored.
        settings.setObject("tr_plugin_google_chrome_grantedProfiles",
                           QVariantList{5, "../../x", "tr_plugin_brave_profile_Default",
                                        "tr_plugin_google_chrome_profile_a/b"});
        QCOMPARE(chrome.grantedSlots(settings).size(), std::size_t(1));
    }

    // One profile: the entry holds its items, as always. Several: one
    // submenu each, named and ordered as the browser lists them, whatever
    // the order of granting; profiles not granted are left out.
    void menuHasOneSubmenuPerGrantedProfile()
    {
        QVERIFY(writeProfile(config() + "/google-chrome/Profile 2", "Unlisted"));
        TRSettings &settings = TRSettings::standard();
        const TRBrowserSettings chrome(QStringLiteral("chrome"));
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(profilesFound(plugin));
        QCOMPARE(plugin.profiles().size(), std::size_t(2));

        QVERIFY(chrome.use(settings, profileAt("chrome", 1)));
        QVERIFY(refreshAndWait(plugin, m_events));
        QCOMPARE(describe(plugin.parentMenu()), QStringList({"History>", "-", "Bar>"}));

        QVERIFY(chrome.use(settings, profileAt("chrome", 0)));
        QVERIFY(refreshAndWait(plugin, m_events));
        QCOMPARE(describe(plugin.parentMenu()), QStringList({"Work>", "Person 1>"}));
        QMenu *work = openMenu(findItem(plugin.parentMenu(), "Work")->menu());
        QCOMPARE(describe(work), QStringList({"History>", "-", "Bar>"}));
        QCOMPARE(describe(openMenu(findItem(work, "Bar")->menu())), QStringList({"Work page"}));
        QMenu *person = findItem(plugin.parentMenu(), "Person 1")->menu();
        QCOMPARE(describe(openMenu(findItem(person, "Bar")->menu())),
                 QStringList({"Person 1 page"}));
    }

    // A profile folder removed while Trellis runs: its submenu keeps what it
    // last read, and the other profile still reads its changes.
    void aRemovedProfileLeavesTheOthersWorking()
    {
        TRSettings &settings = TRSettings::standard();
        const TRBrowserSettings chrome(QStringLiteral("chrome"));
        QVERIFY(chrome.use(settings, profileAt("chrome", 0)));
        QVERIFY(chrome.use(settings, profileAt("chrome", 1)));
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        QVERIFY(profilesFound(plugin));
        QVERIFY(refreshAndWait(plugin, m_events));

        QVERIFY(QDir(config() + "/google-chrome/Profile 1").removeRecursively());
        QVERIFY(writeProfile(config() + "/google-chrome/Default", "Changed", false));
        TRTestSupport::settle(config() + "/google-chrome/Default/Bookmarks");
        QVERIFY(refreshAndWait(plugin, m_events));
        QCOMPARE(describe(plugin.parentMenu()), QStringList({"Work>", "Person 1>"}));
        QMenu *person = findItem(plugin.parentMenu(), "Person 1")->menu();
        QCOMPARE(describe(openMenu(findItem(person, "Bar")->menu())), QStringList({"Changed"}));
        QMenu *work = findItem(plugin.parentMenu(), "Work")->menu();
        QCOMPARE(describe(openMenu(findItem(work, "Bar")->menu())), QStringList({"Work page"}));
    }

    // A browser's pane lists its profiles; "Use" grants one and the menu
    // reads it.
    void paneUsesAProfile()
    {
        TRBrowserPlugin plugin("brave", "Brave");
        QVERIFY(profilesFound(plugin));
        auto *pane = qobject_cast<TRBrowserPluginConfigurationViewController *>(
            plugin.configurationViewController());
        QVERIFY(pane);
        QCOMPARE(pane->useButtons().size(), std::size_t(1));
        QCOMPARE(pane->useButtons().front()->accessibleName(), QString("Use Personal"));
        const int before = m_events.rebuilds;
        pane->useButtons().front()->click();
        QVERIFY(TRSettings::standard().dataForKey("tr_plugin_brave_bookmarks_data"));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.rebuilds > before, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(describe(plugin.parentMenu()),
                                  QStringList({"History>", "-", "Bar>"}), 30000);
        QTRY_VERIFY(pane->useButtons().empty());
    }

    // The setup window lists every profile found with what it holds, all
    // ticked; "Use these" grants the ticked ones and the menus read them.
    void setupWindowGrantsTheTickedProfiles()
    {
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin chromePlugin(&parser);
        TRBrowserSetupWindowController window;
        QSignalSpy counts(&window, &TRBrowserSetupWindowController::countsRead);
        QTRY_COMPARE(window.browsers().size(), std::size_t(2));
        QCOMPARE(window.browsers()[0].displayName, QString("Google Chrome"));
        QCOMPARE(window.browsers()[1].displayName, QString("Brave"));
        QTRY_COMPARE_WITH_TIMEOUT(counts.size(), 3, 20000);
        QTreeWidgetItem *work = window.itemFor(0, 0);
        QCOMPARE(work->text(0), QString("Work"));
        QCOMPARE(work->text(1), QString("1"));
        QCOMPARE(work->text(2), QString("1 day"));
        for (std::size_t profile : {0, 1}) {
            QCOMPARE(window.itemFor(0, profile)->checkState(0), Qt::Checked);
        }
        window.itemFor(1, 0)->setCheckState(0, Qt::Unchecked);
        QVERIFY(window.useButton()->isEnabled());
        window.useButton()->click();

        const TRSettings &settings = TRSettings::standard();
        QCOMPARE(TRBrowserSettings("chrome").grantedSlots(settings).size(), std::size_t(2));
        QVERIFY(TRBrowserSettings("brave").grantedSlots(settings).empty());
        QTRY_COMPARE_WITH_TIMEOUT(describe(chromePlugin.parentMenu()),
                                  QStringList({"Work>", "Person 1>"}), 30000);

        // Nothing ticked: nothing to use.
        window.reload();
        QTRY_VERIFY(window.itemFor(0, 1));
        for (std::size_t b = 0; b < window.browsers().size(); ++b) {
            for (std::size_t p = 0; p < window.browsers()[b].profiles.size(); ++p) {
                window.itemFor(b, p)->setCheckState(0, Qt::Unchecked);
            }
        }
        QVERIFY(!window.useButton()->isEnabled());
    }
};

TRELLIS_TEST_MAIN(TestChromiumProfiles)
#include "TestChromiumProfiles.moc"
