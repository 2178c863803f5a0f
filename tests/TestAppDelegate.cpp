#include "AppDelegate.h"
#include "TRAlert.h"
#include "TRBrowserSetupWindowController.h"
#include "TRFindShortcut.h"
#include "TRLauncherApplication.h"
#include "TRMenuController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManagerWindowController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestPlugin.h"
#include "TRTestSessionBus.h"
#include "TRTestSupport.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

// Listens on its own bus connection where the launcher application would.
class LauncherListener : public QObject
{
    Q_OBJECT

public:
    explicit LauncherListener(const QString &address)
        : m_bus(QDBusConnection::connectToBus(address, "launcher"))
    {
        m_bus.connect(QString(), TRLauncherApplication::signalPath,
                      TRLauncherApplication::signalInterface,
                      TRNotificationNames::launcherApplicationShouldTerminate, this,
                      SLOT(shouldTerminate(QString)));
        m_bus.connect(QString(), TRLauncherApplication::signalPath,
                      TRLauncherApplication::signalInterface, "Sentinel", this, SLOT(sentinel()));
    }
    ~LauncherListener() override { QDBusConnection::disconnectFromBus("launcher"); }

    bool ownName() { return m_bus.registerService(TRLauncherApplication::bundleIdentifier); }
    void releaseName() { m_bus.unregisterService(TRLauncherApplication::bundleIdentifier); }

    QStringList received;
    bool sentinelSeen = false;

public slots:
    void shouldTerminate(const QString &identifier) { received << identifier; }
    void sentinel() { sentinelSeen = true; }

private:
    QDBusConnection m_bus;
};

class TestAppDelegate : public QObject
{
    Q_OBJECT

    std::unique_ptr<TRTestSessionBus> m_bus;
    QStringList m_events;
    QList<TRAlert::Request> m_alerts;
    int m_nextAnswer = TRAlert::secondButton;
    AppDelegate *m_current = nullptr;

    std::vector<TRPluginManager::Factory> recordingPlugins()
    {
        std::vector<TRPluginManager::Factory> factories;
        for (const auto &[name, inlines] :
             std::vector<std::pair<QString, bool>>{{"Safari", true}, {"Bonjour", false}}) {
            factories.push_back([this, name = name, inlines = inlines] {
                // Plugins register their own defaults after the general ones.
                const bool generalRegistered =
                    TRSettings::standard().objectForKey(TRSettingsKeys::firstRun).isValid();
                m_events << "create " + name + (generalRegistered ? "" : " too early");
                auto plugin = std::make_shared<TRTestPlugin>(name, inlines);
                plugin->onUpdate = [this, name] {
                    m_events << "update " + name;
                };
                return plugin;
            });
        }
        return factories;
    }

    // Runs one launch inside the event loop, as the application does.
    void launch(AppDelegate &delegate)
    {
        m_current = &delegate;
        QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
        QTimer::singleShot(0, &delegate, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<TRTestSessionBus>();
        QVERIFY2(m_bus->isRunning(), "dbus-daemon did not start");
        TRAlert::setHandlerForTesting([this](const TRAlert::Request &request) {
            const bool menuExists = m_current && m_current->menuController() &&
                                    m_current->menuController()->statusItem();
            m_events << QString("alert") + (menuExists ? "" : " before the menu");
            m_alerts << request;
            return m_nextAnswer;
        });
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.clear();
        m_alerts.clear();
    }

    void cleanupTestCase() { TRAlert::setHandlerForTesting({}); }

    void startUpOrder()
    {
        AppDelegate delegate(recordingPlugins(), true);
        QVERIFY(!delegate.menuController());
        launch(delegate);
        QCOMPARE(m_events, QStringList({"create Safari", "create Bonjour", "update Bonjour",
                                        "update Safari", "alert"}));
        QVERIFY(delegate.preferencesController());
        QCOMPARE(delegate.pluginManager()->plugins().size(), std::size_t(2));
        QCOMPARE(delegate.pluginManager()->plugins().front()->name(), QString("Bonjour"));
        QVERIFY(delegate.menuController()->statusItemMenu()->actions().size() >= 2);
    }

    // "OK" shows the browsers' profiles found, or the plugin manager with
    // the registry's plugins when there are none, and is not asked again;
    // "Later" stores nothing, so the next launch asks again.
    void welcomeAlert()
    {
        const QString browser = qEnvironmentVariable("HOME") + "/.config/chromium/Default";
        for (const auto &[ok, withBrowser] :
             {std::pair(true, false), std::pair(false, false), std::pair(true, true)}) {
            TRSettings::standard().resetForTesting();
            m_alerts.clear();
            m_nextAnswer = ok ? TRAlert::firstButton : TRAlert::secondButton;
            QDir(browser).removeRecursively();
            if (withBrowser) {
                QVERIFY(TRTestSupport::writeFile(browser + "/Bookmarks", "{}"));
            }
            {
                AppDelegate delegate(recordingPlugins(), true);
                launch(delegate);
                const auto setupShown = [] {
                    for (QWidget *widget : QApplication::topLevelWidgets()) {
                        if (qobject_cast<TRBrowserSetupWindowController *>(widget) &&
                            widget->isVisible()) {
                            return true;
                        }
                    }
                    return false;
                };
                const auto pluginsShown = [&delegate] {
                    const auto *window = delegate.menuController()->pluginWindowController();
                    return window && window->isVisible();
                };
                QTRY_COMPARE(setupShown(), ok && withBrowser);
                QTRY_COMPARE(pluginsShown(), ok && !withBrowser);
                if (ok && !withBrowser) {
                    QCOMPARE(delegate.menuController()->pluginWindowController()->plugins(),
                             delegate.pluginManager()->plugins());
                }
                for (QWidget *widget : QApplication::topLevelWidgets()) {
                    if (qobject_cast<TRBrowserSetupWindowController *>(widget)) {
                        widget->close();
                    }
                }
            }
            QCOMPARE(m_alerts.size(), 1);
            const TRAlert::Request &alert = m_alerts.first();
            QCOMPARE(alert.style, TRAlert::Style::informational);
            QCOMPARE(alert.message, QString("Welcome"));
            QCOMPARE(alert.informativeText,
                     QString("Trellis has no direct access to local files. Would you like to "
                             "configure the plugins now so that you see some bookmarks?"));
            QCOMPARE(alert.buttons, QStringList({"OK", "Later"}));
            QCOMPARE(TRSettings::standard().boolForKey(TRSettingsKeys::firstRun), !ok);

            AppDelegate again(recordingPlugins(), true);
            launch(again);
            QCOMPARE(m_alerts.size(), ok ? 1 : 2);
        }
    }

    void unsupportedSystemShowsCriticalAlertAndQuits()
    {
        AppDelegate delegate(recordingPlugins(), false);
        m_current = &delegate;
        QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
        // Ends the loop with 1 when the application does not.
        QObject watchdog;
        QTimer::singleShot(10000, &watchdog, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);

        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts.first().style, TRAlert::Style::critical);
        QCOMPARE(m_alerts.first().message, QString("Version of macOS is too old!"));
        QCOMPARE(m_alerts.first().informativeText,
                 QString("Trellis is only available for macOS 10.11 or higher. Please update."));
        QVERIFY(m_alerts.first().buttons.isEmpty());
        // Nothing else was created: no plugin, no status item.
        QCOMPARE(m_events, QStringList({"alert before the menu"}));
        QVERIFY(!delegate.pluginManager());
        QVERIFY(!delegate.menuController());
        QVERIFY(!delegate.preferencesController());
    }

    void launcherIsToldToQuitOnceWhenItRuns()
    {
        for (const bool launcherRuns : {true, false}) {
            LauncherListener launcher(m_bus->address());
            if (launcherRuns) {
                QVERIFY(launcher.ownName());
            }
            QCOMPARE(TRLauncherApplication::isRunning(), launcherRuns);
            {
                AppDelegate delegate(recordingPlugins(), true);
                launch(delegate);
            }
            // Signals from one connection arrive in order: once the sentinel is
            // in, anything the launch sent is in too.
            QDBusMessage sentinel =
                QDBusMessage::createSignal(TRLauncherApplication::signalPath,
                                           TRLauncherApplication::signalInterface, "Sentinel");
            QVERIFY(QDBusConnection::sessionBus().send(sentinel));
            QTRY_VERIFY(launcher.sentinelSeen);
            if (launcherRuns) {
                QCOMPARE(launcher.received, QStringList({"com.kwtlabs.Trellis"}));
                launcher.releaseName();
            } else {
                QVERIFY(launcher.received.isEmpty());
            }
        }
    }

    // The desktop's shortcut asks for the find window as the menu does.
    void shortcutAsksForTheFindWindow()
    {
        AppDelegate delegate(recordingPlugins(), true);
        launch(delegate);
        TRFindShortcut *shortcut = delegate.findShortcut();
        QVERIFY(shortcut);
        QObject observer;
        int requests = 0;
        TRNotificationCenter::defaultCenter().addObserver(
            &observer, TRNotificationNames::findWindowRequested,
            [&requests](const TRNotification &) { ++requests; });
        emit shortcut->activated();
        QCOMPARE(requests, 1);
    }
};

TRELLIS_TEST_MAIN(TestAppDelegate)
#include "TestAppDelegate.moc"
