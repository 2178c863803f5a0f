#pragma once

// The plugin manager's list: one row per plugin, with a check box that
// switches the plugin on and off and the plugin's icon and name.

#include "TRPlugin.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class TRPluginManagerPluginListViewController;
}
class QCheckBox;
class QLabel;
class QTableWidget;

// The check box cell of a row.
class TRPluginEnabledTableViewCell : public QWidget
{
    Q_OBJECT

public:
    explicit TRPluginEnabledTableViewCell(const TRPluginPtr &plugin, QWidget *parent = nullptr);

    TRPluginPtr plugin() const { return m_plugin.lock(); }
    QCheckBox *checkboxButton() const { return m_checkboxButton; }

    void handleCheckbox();

private:
    // The cell shows the plugin without keeping it alive.
    std::weak_ptr<TRPlugin> m_plugin;
    QCheckBox *m_checkboxButton;
};

// The icon and name cell of a row.
class TRPluginNameTableViewCell : public QWidget
{
    Q_OBJECT

public:
    explicit TRPluginNameTableViewCell(const TRPluginPtr &plugin, QWidget *parent = nullptr);

    TRPluginPtr plugin() const { return m_plugin.lock(); }
    QLabel *pluginImageImageView() const { return m_pluginImageImageView; }
    QLabel *pluginNameTextField() const { return m_pluginNameTextField; }

private:
    std::weak_ptr<TRPlugin> m_plugin;
    QLabel *m_pluginImageImageView;
    QLabel *m_pluginNameTextField;
};

class TRPluginManagerPluginListViewController : public QWidget
{
    Q_OBJECT

public:
    static constexpr int rowHeight = 30;
    static const QString enabledColumnIdentifier;
    static const QString nameColumnIdentifier;

    explicit TRPluginManagerPluginListViewController(QWidget *parent = nullptr);
    ~TRPluginManagerPluginListViewController() override;

    const std::vector<TRPluginPtr> &plugins() const { return m_plugins; }
    void setPlugins(std::vector<TRPluginPtr> plugins);
    // Rebuilds every row from the plugins.
    void reloadData();

    // Told of each change of the selection: the selected plugin, or none.
    std::function<void(const TRPluginPtr &)> onDidSelectPlugin;

    QTableWidget *pluginsTableView() const;
    // A new cell of a row in the column with that identifier, owned by the
    // caller; none for any other identifier.
    QWidget *viewForTableColumn(const QString &identifier, int row) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tableViewSelectionDidChange();

    std::unique_ptr<Ui::TRPluginManagerPluginListViewController> m_ui;
    std::vector<TRPluginPtr> m_plugins;
};
