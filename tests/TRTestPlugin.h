#pragma once

// A plugin for tests of the registry and the status menu: its submenu holds
// the items a test gives it, and it records what the menu asks of it.

#include "TRPlugin.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class TRTestPlugin : public TRPlugin
{
public:
    TRTestPlugin(const QString &name, bool allowsInlineMenu);
    ~TRTestPlugin() override;

    QString name() const override { return m_name; }
    QIcon image() const override { return {}; }
    QAction *menuItem() const override { return m_menuItem; }
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    // A pane of the given height, owned by the plugin like a real plugin's.
    QWidget *configurationViewController() override;
    std::optional<double> updateRate() const override { return m_updateRate; }
    void setUpdateRate(std::optional<double> seconds) override;
    bool allowsInlineMenu() const override { return m_allowsInlineMenu; }
    void update() override;

    // Replaces the submenu's items with items of these titles.
    void setItems(const QStringList &titles);
    // Takes the submenu away from the menu item.
    void removeSubmenu();

    int updateCount = 0;
    int paneHeight = 120;
    int updateRateWrites = 0;
    std::function<void()> onUpdate;

private:
    QString m_name;
    bool m_allowsInlineMenu;
    std::optional<double> m_updateRate;
    QAction *m_menuItem;
    std::unique_ptr<QMenu> m_submenu;
    // Owns the items, wherever the status menu has moved them.
    std::unique_ptr<QObject> m_itemOwner;
    std::unique_ptr<QWidget> m_configuration;
};
