#pragma once

// The "Chrome" entry of the tray menu: Chrome's history by day and its
// bookmark folders, read from the files the user granted.

#include "TRPlugin.h"
#include "TRSourceWatcher.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QMenu;
class TRGoogleChromeBookmarksParser;
class TRGoogleChromePluginConfigurationViewController;

class TRGoogleChromePlugin : public QObject, public TRPlugin
{
    Q_OBJECT

public:
    // Reads through the given parser; the application's shared one by default.
    explicit TRGoogleChromePlugin(TRGoogleChromeBookmarksParser *parser = nullptr);
    ~TRGoogleChromePlugin() override;

    QString name() const override;
    QIcon image() const override;
    QAction *menuItem() const override { return m_menuItem; }
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    QWidget *configurationViewController() override;
    std::optional<double> updateRate() const override { return m_updateRate; }
    void setUpdateRate(std::optional<double> seconds) override;
    bool allowsInlineMenu() const override { return true; }
    void update() override { refreshMenu(); }

    QMenu *parentMenu() const { return m_parentMenu.get(); }
    // Whether a refresh is armed.
    bool isUpdateTimerActive() const { return m_updateTimer.isActive(); }

    // Reads the files that changed since the last read; with rebuild, the
    // menu is rebuilt even when none did (settings may have changed).
    void refreshMenu(bool rebuild = true);
    void rebuildMenu();

private:
    void armUpdateTimer();
    // What the submenu says while it has nothing else to show.
    void addNotices();

    TRGoogleChromeBookmarksParser *m_parser;
    std::unique_ptr<QMenu> m_parentMenu;
    QAction *m_menuItem;
    std::optional<double> m_updateRate;
    // One-shot; arming it again replaces the pending refresh. With the
    // files watched it only finds what a watch cannot see.
    QTimer m_updateTimer;
    TRSourceWatcher m_watcher;
    // Owns the items of the current submenu, wherever they stand.
    std::unique_ptr<QWidget> m_menuOwner;
    // Whether a file is granted, and whether a read of the grants has ended.
    bool m_wasGranted = false;
    bool m_hasRead = false;
    std::unique_ptr<TRGoogleChromePluginConfigurationViewController> m_configuration;
};
