#include "TRBonjourPluginConfigurationViewController.h"

#include "ui_TRBonjourPluginConfigurationViewController.h"

#include <QLabel>

TRBonjourPluginConfigurationViewController::TRBonjourPluginConfigurationViewController(
    std::function<bool()> isDaemonAnswering, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRBonjourPluginConfigurationViewController>())
    , m_isDaemonAnswering(std::move(isDaemonAnswering))
    , m_daemonStatusLabel(new QLabel(this))
{
    m_ui->setupUi(this);
    // The same advice as the README's: the menu only says that Avahi is not
    // running, the pane says what to do about it.
    m_daemonStatusLabel->setObjectName(QStringLiteral("daemonStatusLabel"));
    m_daemonStatusLabel->setText(
        tr("Avahi is not running. Start it with: sudo systemctl enable --now avahi-daemon"));
    m_daemonStatusLabel->setWordWrap(true);
    // The command can be copied.
    m_daemonStatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_daemonStatusLabel->hide();
    m_ui->layout->insertWidget(m_ui->layout->indexOf(m_ui->noteLabel) + 1, m_daemonStatusLabel);
}

TRBonjourPluginConfigurationViewController::~TRBonjourPluginConfigurationViewController() = default;

void TRBonjourPluginConfigurationViewController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_daemonStatusLabel->setVisible(m_isDaemonAnswering && !m_isDaemonAnswering());
}
