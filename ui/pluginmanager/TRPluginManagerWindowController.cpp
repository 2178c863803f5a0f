#include "TRPluginManagerWindowController.h"

#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManagerPluginContentViewController.h"
#include "TRPluginManagerPluginListViewController.h"
#include "TRWindowPlacement.h"
#include "ui_TRPluginManagerWindowController.h"

#include <QCloseEvent>
#include <QPointer>
#include <QShortcut>
#include <QTableWidget>

TRPluginManagerWindowController::TRPluginManagerWindowController(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::TRPluginManagerWindowController>())
{
    m_ui->setupUi(this);
    m_ui->splitView->setStretchFactor(0, 0);
    m_ui->splitView->setStretchFactor(1, 1);
    m_ui->splitView->setCollapsible(0, false);
    m_ui->splitView->setCollapsible(1, false);

    // Escape closes it, as it closes a dialog, and so does the platform's
    // close-window key.
    for (const QKeySequence &keys :
         {QKeySequence(QKeySequence::Cancel), QKeySequence(QKeySequence::Close)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }

    QPointer<TRPluginManagerWindowController> self(this);
    listViewController()->onDidSelectPlugin = [self](const TRPluginPtr &plugin) {
        if (self) {
            self->contentViewController()->setPlugin(plugin);
        }
    };
}

TRPluginManagerWindowController::~TRPluginManagerWindowController() = default;

TRPluginManagerPluginListViewController *TRPluginManagerWindowController::listViewController() const
{
    return m_ui->pluginListViewController;
}

TRPluginManagerPluginContentViewController *
TRPluginManagerWindowController::contentViewController() const
{
    return m_ui->pluginContentViewController;
}

void TRPluginManagerWindowController::setPlugins(std::vector<TRPluginPtr> plugins)
{
    m_plugins = std::move(plugins);
    listViewController()->setPlugins(m_plugins);
}

void TRPluginManagerWindowController::showWindow()
{
    if (!isVisible()) {
        TRWindowPlacement::centre(this);
    }
    show();
    raise();
    activateWindow();
}

void TRPluginManagerWindowController::showPlugin(const QString &name)
{
    showWindow();
    for (std::size_t row = 0; row < m_plugins.size(); ++row) {
        if (m_plugins[row]->name() == name) {
            listViewController()->pluginsTableView()->selectRow(static_cast<int>(row));
        }
    }
}

bool TRPluginManagerWindowController::windowShouldClose()
{
    for (const TRPluginPtr &plugin : m_plugins) {
        plugin->update();
    }
    TRNotificationCenter::defaultCenter().post(TRNotificationNames::menuControllerMenuNeedsUpdate);
    return true;
}

void TRPluginManagerWindowController::closeEvent(QCloseEvent *event)
{
    if (windowShouldClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}
