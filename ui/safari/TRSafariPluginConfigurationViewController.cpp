#include "TRSafariPluginConfigurationViewController.h"

#include "ui_TRSafariPluginConfigurationViewController.h"

TRSafariPluginConfigurationViewController::TRSafariPluginConfigurationViewController(
    QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRSafariPluginConfigurationViewController>())
{
    m_ui->setupUi(this);
}

TRSafariPluginConfigurationViewController::~TRSafariPluginConfigurationViewController() = default;

TRSafariPluginOptionsViewController *
TRSafariPluginConfigurationViewController::optionsViewController() const
{
    return m_ui->optionsViewController;
}

TRSafariPluginBookmarksCustomizationViewController *
TRSafariPluginConfigurationViewController::customizationViewController() const
{
    return m_ui->customizationViewController;
}
