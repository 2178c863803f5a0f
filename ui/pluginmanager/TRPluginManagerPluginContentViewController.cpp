#include "TRPluginManagerPluginContentViewController.h"

#include "ui_TRPluginManagerPluginContentViewController.h"

#include <QScrollArea>

TRPluginManagerPluginContentViewController::TRPluginManagerPluginContentViewController(
    QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRPluginManagerPluginContentViewController>())
{
    m_ui->setupUi(this);
    // The pane fills the visible width and at least the visible height;
    // a taller one scrolls.
    m_ui->scrollView->setWidgetResizable(true);
    // Tab goes from the list straight into the pane's controls; the area
    // scrolls to the control that takes the focus.
    m_ui->scrollView->setFocusPolicy(Qt::NoFocus);
    updateContent();
}

TRPluginManagerPluginContentViewController::~TRPluginManagerPluginContentViewController()
{
    m_plugin.reset();
    updateContent();
}

QScrollArea *TRPluginManagerPluginContentViewController::scrollView() const
{
    return m_ui->scrollView;
}

QLabel *TRPluginManagerPluginContentViewController::noSelectionTextField() const
{
    return m_ui->noSelectionTextField;
}

void TRPluginManagerPluginContentViewController::setPlugin(const TRPluginPtr &plugin)
{
    m_plugin = plugin;
    updateContent();
}

void TRPluginManagerPluginContentViewController::updateContent()
{
    if (m_ui->scrollView->widget()) {
        // The plugin owns its pane: take it back out of the scroll area
        // rather than letting the area delete it.
        QWidget *previous = m_ui->scrollView->takeWidget();
        previous->hide();
        previous->setParent(nullptr);
    }
    m_currentViewController = nullptr;

    const TRPluginPtr plugin = m_plugin.lock();
    if (!plugin) {
        m_ui->scrollView->hide();
        m_ui->noSelectionTextField->show();
        return;
    }
    m_ui->noSelectionTextField->hide();
    m_ui->scrollView->setAccessibleName(tr("%1 settings").arg(plugin->name()));
    m_ui->scrollView->show();
    m_currentViewController = plugin->configurationViewController();
    if (m_currentViewController) {
        m_ui->scrollView->setWidget(m_currentViewController);
        m_currentViewController->show();
    }
}
