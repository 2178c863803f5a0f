#pragma once

// The tray icon and its menu: the "General" submenu followed by the enabled
// plugins' entries, rebuilt from scratch whenever a plugin or window asks.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class QAction;
class QMenu;
class QMessageBox;
class QSystemTrayIcon;
class TRPluginManager;
class TRPluginManagerWindowController;
class TRPreferencesWindowController;
class TRTrayWatcher;

class TRMenuController : public QObject
{
    Q_OBJECT

public:
    // The General submenu's items; the action of each is its tag minus 100.
    enum Tag { aboutTag = 100, preferencesTag = 101, quitTag = 102, pluginsTag = 103 };
    enum Action { aboutAction = 0, preferencesAction = 1, quitAction = 2, pluginsAction = 3 };

    // Builds the menu and asks every plugin to update. The registry must
    // outlive the controller.
    explicit TRMenuController(TRPluginManager *pluginManager, QObject *parent = nullptr);
    ~TRMenuController() override;

    // The tray icon; null until the desktop has a tray to show it in.
    QSystemTrayIcon *statusItem() const { return m_statusItem; }
    QMenu *statusItemMenu() const { return m_statusItemMenu; }
    // The open preferences window; null when none is open.
    TRPreferencesWindowController *preferencesWindowController() const;
    // The plugin manager window, made on first use and kept for the life of
    // the controller; it lists the registry's plugins in the registry's order.
    TRPluginManagerWindowController *pluginWindowController();

    void updateMenu();
    // The action of the General submenu's items.
    void handleMenuItem(QAction *sender);
    void performMenuAction(int action);

    // The window that says how to get a tray; null when none is shown.
    QMessageBox *noTrayNotice() const;

private:
    void showStatusItem();
    void showNoTrayNotice();
    void updateStatusItemImage();
    // Both add to keys the access keys they give out in the status menu.
    void addGeneralMenu(QList<QChar> &keys);
    void addPluginItems(QList<QChar> &keys);
    void showAboutPanel();
    void showPreferencesWindow();

    TRPluginManager *m_pluginManager;
    QSystemTrayIcon *m_statusItem = nullptr;
    QMenu *m_statusItemMenu = nullptr;
    QPointer<QMenu> m_generalMenu;
    QPointer<QMessageBox> m_aboutPanel;
    TRTrayWatcher *m_trayWatcher = nullptr;
    QPointer<QMessageBox> m_noTrayNotice;
    QPointer<TRPreferencesWindowController> m_preferencesWindowController;
    std::unique_ptr<TRPluginManagerWindowController> m_pluginWindowController;
    // Fires once a rebuild has settled, when the trees and menus it
    // replaced are gone.
    QTimer *m_releaseMemoryTimer = nullptr;
};
