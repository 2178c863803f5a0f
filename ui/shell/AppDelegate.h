#pragma once

// The root of ownership: sets the application up once launching has finished
// and keeps its long-lived controllers for the life of the process.

#include "TRPluginManager.h"

#include <QObject>

#include <memory>
#include <vector>

class TRFindShortcut;
class TRMenuController;
class TRPreferencesController;
class TRFindWindowController;
class TRUIManager;

class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // The identifier of this application, as the launcher application knows it.
    static const QString bundleIdentifier;

    // The sources built into the application, in the order they are created.
    static std::vector<TRPluginManager::Factory> builtInPlugins();

    AppDelegate();
    // For tests: the plugins to register, and the answer of the system check.
    AppDelegate(std::vector<TRPluginManager::Factory> plugins, bool systemIsSupported);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    // Brings the Plugins window to the front; nothing before launching has
    // finished.
    void showPluginsWindow();

    // Before the application object exists: the built-in browser draws in
    // software unless the user chose otherwise. Making the web engine's
    // shared OpenGL context while the application starts loads the whole
    // OpenGL stack (some 60 MB resident and a tenth of a second) for a
    // program that mostly sits in the tray; it is made only for a user who
    // asked for OpenGL.
    static void prepareGraphics();

    TRUIManager *uiManager() const { return m_uiManager.get(); }
    TRPreferencesController *preferencesController() const { return m_preferencesController.get(); }
    TRPluginManager *pluginManager() const { return m_pluginManager.get(); }
    TRMenuController *menuController() const { return m_menuController.get(); }
    // The find window, made the first time it is asked for; null before.
    TRFindWindowController *findWindowController() const { return m_findWindowController.get(); }
    // Shows the find window; nothing before launching has finished.
    void showFindWindow();
    TRFindShortcut *findShortcut() const { return m_findShortcut.get(); }

private:
    void setUpApplication();
    void showUnsupportedSystemAlert();
    void terminateLauncherApplication();
    void showFirstRunAlertIfNeeded();

    std::vector<TRPluginManager::Factory> m_pluginFactories;
    bool m_systemIsSupported;
    // Declared in order of creation, so that they are destroyed in reverse.
    std::unique_ptr<TRUIManager> m_uiManager;
    std::unique_ptr<TRPreferencesController> m_preferencesController;
    std::unique_ptr<TRPluginManager> m_pluginManager;
    std::unique_ptr<TRMenuController> m_menuController;
    std::unique_ptr<TRFindWindowController> m_findWindowController;
    std::unique_ptr<TRFindShortcut> m_findShortcut;
};
