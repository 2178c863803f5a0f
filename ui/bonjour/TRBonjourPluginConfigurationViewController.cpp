#include "TRBonjourPluginConfigurationViewController.h"

#include "ui_TRBonjourPluginConfigurationViewController.h"

TRBonjourPluginConfigurationViewController::TRBonjourPluginConfigurationViewController(
    QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRBonjourPluginConfigurationViewController>())
{
    m_ui->setupUi(this);
}

TRBonjourPluginConfigurationViewController::~TRBonjourPluginConfigurationViewController() = default;
