#pragma once

// The plugin manager window: the plugins with a check box each on the left,
// the selected plugin's own configuration pane on the right. One window for
// the life of the application, shown and closed many times.

#include "TRPlugin.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class TRPluginManagerWindowController;
}
class TRPluginManagerPluginContentViewController;
class TRPluginManagerPluginListViewController;

class TRPluginManagerWindowController : public QWidget
{
    Q_OBJECT

public:
    explicit TRPluginManagerWindowController(QWidget *parent = nullptr);
    ~TRPluginManagerWindowController() override;

    const std::vector<TRPluginPtr> &plugins() const { return m_plugins; }
    // Hands the list to the plugin list and shows it.
    void setPlugins(std::vector<TRPluginPtr> plugins);

    // Centres the window on the screen under the pointer, shrunk to fit it,
    // and brings it to the front.
    void showWindow();
    // Shows the window with the named plugin's pane.
    void showPlugin(const QString &name);

    // Every plugin refreshes and the status menu is rebuilt; the window may close.
    bool windowShouldClose();

    TRPluginManagerPluginListViewController *listViewController() const;
    TRPluginManagerPluginContentViewController *contentViewController() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::TRPluginManagerWindowController> m_ui;
    std::vector<TRPluginPtr> m_plugins;
};
