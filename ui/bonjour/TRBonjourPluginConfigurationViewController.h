#pragma once

// The Bonjour plugin's configuration pane: an explanation, nothing to set.

#include <QWidget>

#include <memory>

namespace Ui {
class TRBonjourPluginConfigurationViewController;
}

class TRBonjourPluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRBonjourPluginConfigurationViewController(QWidget *parent = nullptr);
    ~TRBonjourPluginConfigurationViewController() override;

private:
    std::unique_ptr<Ui::TRBonjourPluginConfigurationViewController> m_ui;
};
