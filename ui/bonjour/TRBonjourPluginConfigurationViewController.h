#pragma once

// The Bonjour plugin's configuration pane: an explanation, nothing to set,
// and how to start Avahi when its daemon does not answer.

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class TRBonjourPluginConfigurationViewController;
}
class QLabel;

class TRBonjourPluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    // isDaemonAnswering is asked each time the pane is shown; none means it
    // always answers.
    explicit TRBonjourPluginConfigurationViewController(
        std::function<bool()> isDaemonAnswering = {}, QWidget *parent = nullptr);
    ~TRBonjourPluginConfigurationViewController() override;

    // Says that Avahi is not running and how to start it; hidden while it answers.
    QLabel *daemonStatusLabel() const { return m_daemonStatusLabel; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TRBonjourPluginConfigurationViewController> m_ui;
    std::function<bool()> m_isDaemonAnswering;
    QLabel *m_daemonStatusLabel;
};
