#include "AppDelegate.h"

#include "TRAlert.h"
#include "TRBonjourPlugin.h"
#include "TRBrowserDiscovery.h"
#include "TRBrowserSettings.h"
#include "TRBrowserSetupWindowController.h"
#include "TRFindShortcut.h"
#include "TRFindWindowController.h"
#include "TRGoogleChromePlugin.h"
#include "TRLauncherApplication.h"
#include "TRMenuController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TROperationQueue.h"
#include "TRPreferencesController.h"
#include "TRSafariPlugin.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRSystemVersion.h"
#include "TRUIManager.h"

#include <QCoreApplication>

const QString AppDelegate::bundleIdentifier = QStringLiteral("com.kwtlabs.Trellis");

std::vector<TRPluginManager::Factory> AppDelegate::builtInPlugins()
{
    std::vector<TRPluginManager::Factory> plugins = {
        [] { return std::make_shared<TRSafariPlugin>(); },
        [] { return std::make_shared<TRGoogleChromePlugin>(); },
        [] { return std::make_shared<TRBonjourPlugin>(); },
    };
    // Every other Chromium browser that is installed, or was and still has
    // grants. Only folders are looked at here: start-up reads no file.
    const TRBrowserDiscovery::Places places = TRBrowserDiscovery::currentPlaces();
    const TRSettings &settings = TRSettings::standard();
    for (const QString &id : TRBrowserDiscovery::knownIds()) {
        if (id == QStringLiteral("chrome")) {
            continue;
        }
        if (TRBrowserDiscovery::isInstalled(id, places) ||
            !TRBrowserSettings(id).grantedSlots(settings).empty()) {
            plugins.push_back([id] {
                return std::make_shared<TRBrowserPlugin>(id, TRBrowserDiscovery::displayName(id));
            });
        }
    }
    return plugins;
}

AppDelegate::AppDelegate()
    : AppDelegate(builtInPlugins(), TRSystemVersion::runningSystemIsSupported())
{}

AppDelegate::AppDelegate(std::vector<TRPluginManager::Factory> plugins, bool systemIsSupported)
    : m_pluginFactories(std::move(plugins))
    , m_systemIsSupported(systemIsSupported)
{}

AppDelegate::~AppDelegate()
{
    // The shared parsers outlive the application; a parse still running as
    // the process exits would use libraries that are being torn down.
    TROperationQueue::stopAll();
    // The status menu refers to the registry, so it goes first.
    m_menuController.reset();
    m_pluginManager.reset();
    m_uiManager.reset();
}

void AppDelegate::prepareGraphics()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION") &&
        !qEnvironmentVariableIsSet("QT_QUICK_BACKEND")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        // The web view's scene is drawn without OpenGL then.
        qputenv("QT_QUICK_BACKEND", "software");
    } else {
        // The web engine, loaded with the first browser window, shares its
        // OpenGL resources through a context that only the application's
        // start can make.
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    setUpApplication();
}

void AppDelegate::showPluginsWindow()
{
    if (m_menuController) {
        m_menuController->performMenuAction(TRMenuController::pluginsAction);
    }
}

void AppDelegate::showFindWindow()
{
    if (!m_menuController) {
        return;
    }
    if (!m_findWindowController) {
        m_findWindowController = std::make_unique<TRFindWindowController>();
    }
    m_findWindowController->showWindow();
}

void AppDelegate::setUpApplication()
{
    if (!m_systemIsSupported) {
        showUnsupportedSystemAlert();
        return;
    }
    terminateLauncherApplication();
    // The UI manager listens before any plugin can ask it to show something.
    m_uiManager = std::make_unique<TRUIManager>();
    // Every registration of defaults happens before the status menu first
    // reads a setting.
    m_preferencesController = std::make_unique<TRPreferencesController>();
    m_pluginManager = std::make_unique<TRPluginManager>(m_pluginFactories);
    m_menuController = std::make_unique<TRMenuController>(m_pluginManager.get());
    TRNotificationCenter::defaultCenter().addObserver(
        this, TRNotificationNames::findWindowRequested,
        [this](const TRNotification &) { showFindWindow(); });
    // The desktop's shortcut asks for the find window as the menu does.
    m_findShortcut = std::make_unique<TRFindShortcut>();
    connect(m_findShortcut.get(), &TRFindShortcut::activated, this, [] {
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::findWindowRequested);
    });
    showFirstRunAlertIfNeeded();
}

void AppDelegate::showUnsupportedSystemAlert()
{
    TRAlert::run({TRAlert::Style::critical,
                  QStringLiteral("Version of macOS is too old!"),
                  QStringLiteral("Trellis is only available for macOS 10.11 or higher. "
                                 "Please update."),
                  {}});
    // Queued, so that it also ends a loop that has not started yet.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

void AppDelegate::terminateLauncherApplication()
{
    if (TRLauncherApplication::isRunning()) {
        TRLauncherApplication::postShouldTerminate(bundleIdentifier);
    }
}

void AppDelegate::showFirstRunAlertIfNeeded()
{
    TRSettings &settings = TRSettings::standard();
    if (!settings.boolForKey(TRSettingsKeys::firstRun)) {
        return;
    }
    const int answer = TRAlert::run(
        {TRAlert::Style::informational,
         tr("Welcome"),
         tr("Trellis has no direct access to local files. Would you like to configure the "
            "plugins now so that you see some bookmarks?"),
         {tr("OK"), tr("Later")}});
    if (answer == TRAlert::firstButton) {
        // What Trellis found, ready to use in one click; the plugins when
        // it found nothing.
        TRBrowserSetupWindowController::present([this] { showPluginsWindow(); });
        settings.setBool(TRSettingsKeys::firstRun, false);
    }
}
