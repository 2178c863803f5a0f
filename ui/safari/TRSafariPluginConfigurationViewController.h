#pragma once

// The Safari plugin's configuration pane: a tab for the granted files and the
// menu's sections, and a tab for hiding single bookmark folders.

#include <QWidget>

#include <memory>

namespace Ui {
class TRSafariPluginConfigurationViewController;
}
class TRSafariPluginBookmarksCustomizationViewController;
class TRSafariPluginOptionsViewController;

class TRSafariPluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRSafariPluginConfigurationViewController(QWidget *parent = nullptr);
    ~TRSafariPluginConfigurationViewController() override;

    TRSafariPluginOptionsViewController *optionsViewController() const;
    TRSafariPluginBookmarksCustomizationViewController *customizationViewController() const;

private:
    std::unique_ptr<Ui::TRSafariPluginConfigurationViewController> m_ui;
};
