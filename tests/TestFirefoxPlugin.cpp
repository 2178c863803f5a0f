#include "AppDelegate.h"
#include "TRBrowserDiscovery.h"
#include "TRBrowserFiles.h"
#include "TRBrowserPlugin.h"
#include "TRBrowserPluginConfigurationViewController.h"
#include "TRBrowserSettings.h"
#include "TRBrowserSetupWindowController.h"
#include "TRPluginManager.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestBrowsers.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"

#include <QCheckBox>
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
using Bookmark = TRBrowserFiles::FirefoxBookmark;

// Firefox's profiles in a home: found from profiles.ini, granted with one
// click, shown as the Chromium browsers' are, with their separators and the
// pane's switches.
class TestFirefoxPlugin : public QObject
{
    Q_OBJECT

    TRTestPluginEvents m_events;

    static QString root() { return qEnvironmentVariable("HOME") + "/.mozilla/firefox"; }

    // A places.sqlite whose toolbar holds "<name> page", a separator,
    // "Second" and a saved search, whose menu holds a folder with the first
    // page again, and which tags the first page; one visit today.
    static void writePlaces(const QString &folder, const QString &name)
    {
        QVERIFY(QDir().mkpath(folder));
        TRBrowserFiles::writeFirefoxPlaces(
            folder + "/places.sqlite",
            {{"https://first.example/", QString(name + " page")},
             {"https://second.example/", "Second"},
             {"place:sort=8&maxResults=10", "Recent", 0}},
            {{1, TRBrowserFiles::firefoxTime(QDateTime::currentDateTimeUtc())}},
            TRBrowserFiles::firefoxRoots() +
                QList<Bookmark>{{10, 1, 3, 0, QString(name + " page"), 1},
                                {11, 3, 3, 1, QVariant()},
                                {12, 1, 3, 2, "Second", 2},
                                {13, 2, 2, 0, "Reading"},
                                {14, 1, 13, 0, "Again", 1},
                                {15, 1, 3, 3, "Recent", 3},
                                {16, 2, 4, 0, "tag"},
                                {17, 1, 16, 0, QVariant(), 1}});
    }

    static bool writeProfilesIni(const QStringList &folders)
    {
        QByteArray text;
        for (qsizetype index = 0; index < folders.size(); ++index) {
            text += "[Profile" + QByteArray::number(index) +
                    "]\nName=" + folders[index].section(u'.', 1).toUtf8() +
                    "\nIsRelative=1\nPath=" + folders[index].toUtf8() +
                    (index == 0 ? "\nDefault=1\n\n" : "\n\n");
        }
        return TRTestSupport::writeFile(root() + "/profiles.ini", text);
    }

private slots:
    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.reset();
        QDir(qEnvironmentVariable("HOME") + "/.mozilla").removeRecursively();
        QDir(qEnvironmentVariable("HOME") + "/.config").removeRecursively();
        writePlaces(root() + "/abcd1234.default-release", "Home");
        QVERIFY(writeProfilesIni({"abcd1234.default-release"}));
    }

    // An installed Firefox is a source of its own from the start.
    void installedFirefoxIsASource()
    {
        TRPluginManager manager(AppDelegate::builtInPlugins());
        QStringList names;
        for (const auto &plugin : manager.plugins()) {
            names << plugin->name();
        }
        QCOMPARE(names, QStringList({"Bonjour", "Chrome", "Firefox", "Safari"}));
    }

    // "Use" grants places.sqlite once; the menu holds the history and the
    // roots with Firefox's separator, and each switch takes its tree out of
    // the menu and back without another grant.
    void paneGrantsAndSwitches()
    {
        TRBrowserPlugin plugin("firefox", "Firefox");
        QVERIFY(profilesFound(plugin));
        auto *pane = qobject_cast<TRBrowserPluginConfigurationViewController *>(
            plugin.configurationViewController());
        QVERIFY(pane);
        QCOMPARE(pane->useButtons().size(), std::size_t(1));
        QCOMPARE(pane->useButtons().front()->accessibleName(), QString("Use default-release"));
        pane->useButtons().front()->click();
        const TRSettings &settings = TRSettings::standard();
        QVERIFY(settings.dataForKey("tr_plugin_firefox_places_data"));
        QVERIFY(!settings.dataForKey("tr_plugin_firefox_bookmarks_data"));
        const QStringList everything = {"History>", "-", "Bookmarks Toolbar>", "Bookmarks Menu>"};
        QTRY_COMPARE_WITH_TIMEOUT(describe(plugin.parentMenu()), everything, 30000);
        QCOMPARE(describe(openMenu(findItem(plugin.parentMenu(), "Bookmarks Toolbar")->menu())),
                 QStringList({"Home page", "-", "Second"}));
        QTRY_VERIFY(pane->useButtons().empty());

        const struct
        {
            bool bookmarks;
            bool history;
            QStringList menu;
        } steps[] = {
            {true, false, {"Bookmarks Toolbar>", "Bookmarks Menu>"}},
            {false, false, {"No bookmarks or history (disabled)"}},
            // A menu does not draw the separator at its end.
            {false, true, {"History>", "-"}},
            {true, true, everything},
        };
        for (const auto &step : steps) {
            pane->setShowsBookmarks(step.bookmarks);
            pane->setShowsHistory(step.history);

            QTRY_COMPARE_WITH_TIMEOUT(describe(plugin.parentMenu()), step.menu, 30000);
        }
    }

    // Two profiles are two submenus in the order profiles.ini gives; one
    // whose places.sqlite is no database says so in its own submenu, once
    // on standard output, and the other reads on.
    void profilesAndAnUnreadableOne()
    {
        QVERIFY(TRTestSupport::writeFile(root() + "/wxyz9876.work/places.sqlite",
                                         TRBrowserFiles::jpeg()));
        QVERIFY(writeProfilesIni({"abcd1234.default-release", "wxyz9876.work"}));
        TRSettings &settings = TRSettings::standard();
        const TRBrowserSettings firefox("firefox");
        QVERIFY(firefox.use(settings, profileAt("firefox", 1)));
        QVERIFY(firefox.use(settings, profileAt("firefox", 0)));
        TRBrowserPlugin plugin("firefox", "Firefox");
        QVERIFY(profilesFound(plugin));
        const QByteArray out =
            TRTestSupport::captureStdout([&] { QVERIFY(refreshAndWait(plugin, m_events)); });
        QCOMPARE(out, QByteArray("Could not read 'places.sqlite': file is not a database\n"));
        QCOMPARE(describe(plugin.parentMenu()), QStringList({"default-release>", "work>"}));
        QCOMPARE(describe(findItem(plugin.parentMenu(), "work")->menu()),
                 QStringList({"Couldn’t read “places.sqlite” (disabled)", "Set up Firefox..."}));
        QMenu *home = findItem(plugin.parentMenu(), "default-release")->menu();
        QCOMPARE(describe(openMenu(findItem(home, "Bookmarks Menu")->menu())),
                 QStringList({"Reading>"}));
    }

    // The setup window lists Firefox's profile with its bookmarks (saved
    // searches and tags left out) and days of history; "Use these" grants
    // places.sqlite, and with the ticked "Show website icons" its icons too.
    void setupWindowCountsAndGrants()
    {
        QVERIFY(TRTestSupport::writeFile(root() + "/abcd1234.default-release/favicons.sqlite",
                                         QByteArray()));
        TRBrowserSetupWindowController window;
        QVERIFY(window.useFavIconsCheckbox()->isChecked());
        QSignalSpy counts(&window, &TRBrowserSetupWindowController::countsRead);
        QTRY_COMPARE(window.browsers().size(), std::size_t(1));
        QCOMPARE(window.browsers()[0].displayName, QString("Firefox"));
        QTRY_COMPARE_WITH_TIMEOUT(counts.size(), 1, 20000);
        QTreeWidgetItem *profile = window.itemFor(0, 0);
        QCOMPARE(profile->text(0), QString("default-release"));
        QCOMPARE(profile->text(1), QString("3"));
        QCOMPARE(profile->text(2), QString("1 day"));
        window.useButton()->click();
        const auto granted = TRBrowserSettings("firefox").grantedSlots(TRSettings::standard());
        QCOMPARE(granted.size(), std::size_t(1));
        QVERIFY(granted.front().places);
        QVERIFY(granted.front().favicons);
        QVERIFY(TRSettings::standard().boolForKey(TRSettingsKeys::useFavIcons));
    }
};

TRELLIS_TEST_MAIN(TestFirefoxPlugin)
#include "TestFirefoxPlugin.moc"
