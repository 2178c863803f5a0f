#pragma once

// The plugin manager's right-hand side: the selected plugin's configuration
// pane in a scroll area, or a short text when nothing is selected.

#include "TRPlugin.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class TRPluginManagerPluginContentViewController;
}
class QLabel;
class QScrollArea;

class TRPluginManagerPluginContentViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRPluginManagerPluginContentViewController(QWidget *parent = nullptr);
    // Hands the shown pane back to its plugin, which owns it.
    ~TRPluginManagerPluginContentViewController() override;

    TRPluginPtr plugin() const { return m_plugin.lock(); }
    // Shows the plugin's pane, or the no-selection text for none.
    void setPlugin(const TRPluginPtr &plugin);

    QWidget *currentViewController() const { return m_currentViewController; }
    QScrollArea *scrollView() const;
    QLabel *noSelectionTextField() const;

private:
    void updateContent();

    std::unique_ptr<Ui::TRPluginManagerPluginContentViewController> m_ui;
    std::weak_ptr<TRPlugin> m_plugin;
    QPointer<QWidget> m_currentViewController;
};
