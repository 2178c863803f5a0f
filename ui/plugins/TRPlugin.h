#pragma once

// What every bookmark source offers: a named, enabled or disabled menu entry
// with an icon, a configuration pane and a refresh operation.

#include <QIcon>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QWidget;

class TRPlugin
{
public:
    virtual ~TRPlugin() = default;

    // Display name; also the sort key of the registry.
    virtual QString name() const = 0;
    // The icon shown in the plugin manager's list.
    virtual QIcon image() const = 0;
    // The top-level menu item; its submenu holds the plugin's bookmarks.
    virtual QAction *menuItem() const = 0;
    // Kept in the settings under the plugin's own key.
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    // The plugin's configuration pane, shown by the plugin manager.
    virtual QWidget *configurationViewController() = 0;
    // Refresh interval in seconds; the status menu sets it on every rebuild.
    virtual std::optional<double> updateRate() const = 0;
    virtual void setUpdateRate(std::optional<double> seconds) = 0;
    // Whether the submenu's items may stand directly in the status menu when
    // this is the only such enabled plugin.
    virtual bool allowsInlineMenu() const = 0;
    // Refreshes the plugin's data and rebuilds its submenu.
    virtual void update() = 0;
};

using TRPluginPtr = std::shared_ptr<TRPlugin>;
