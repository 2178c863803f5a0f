#include "TRPreferencesWindowController.h"

#include "TRImages.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManager.h"
#include "TRPreferencesCustomSearchViewController.h"
#include "TRPreferencesGeneralViewController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRWindowPlacement.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QShortcut>
#include <QToolBar>

const QString TRPreferencesWindowController::generalPaneIdentifier = QStringLiteral("1000");
const QString TRPreferencesWindowController::customSearchPaneIdentifier = QStringLiteral("1002");

TRPreferencesWindowController::TRPreferencesWindowController(TRPluginManager *pluginManager,
                                                             QWidget *parent)
    : QMainWindow(parent)
    , m_pluginManager(pluginManager)
    , m_toolbar(new QToolBar(tr("Sections"), this))
    , m_toolbarItems(new QActionGroup(this))
{
    // The preferences float above normal windows, as the browser does.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowTitle(tr("Preferences"));

    m_toolbar->setObjectName(QStringLiteral("preferences_toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    for (const QKeySequence &keys :
         {QKeySequence(QKeySequence::Cancel), QKeySequence(QKeySequence::Close)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }

    m_toolbarItems->setExclusive(true);
    auto addItem = [this](const QString &identifier, const QString &title, const QIcon &icon) {
        QAction *item = m_toolbar->addAction(icon, title);
        item->setObjectName(identifier);
        item->setData(identifier);
        item->setCheckable(true);
        m_toolbarItems->addAction(item);
        // The panes are reached with Tab too, and chosen with Space.
        m_toolbar->widgetForAction(item)->setFocusPolicy(Qt::TabFocus);
        connect(item, &QAction::triggered, this,
                [this, identifier] { handlePaneSelection(identifier); });
    };
    addItem(generalPaneIdentifier, tr("General"),
            QIcon::fromTheme(QStringLiteral("preferences-system"),
                             TRImages::imageNamed(QStringLiteral("tr_icon"))));
    addItem(customSearchPaneIdentifier, tr("Custom search"),
            QIcon::fromTheme(QStringLiteral("system-search"),
                             TRImages::imageNamed(QStringLiteral("search"))));
}

TRPreferencesWindowController::~TRPreferencesWindowController() = default;

QAction *TRPreferencesWindowController::toolbarItem(const QString &itemIdentifier) const
{
    for (QAction *item : m_toolbarItems->actions()) {
        if (item->data().toString() == itemIdentifier) {
            return item;
        }
    }
    return nullptr;
}

QMenu *TRPreferencesWindowController::createPopupMenu()
{
    return nullptr;
}

QWidget *TRPreferencesWindowController::loadingViewController()
{
    if (!m_loadingViewController) {
        m_loadingViewController = new QWidget(this);
        m_loadingViewController->setObjectName(
            QStringLiteral("TRPreferencesLoadingViewController"));
        m_loadingViewController->hide();
    }
    return m_loadingViewController;
}

void TRPreferencesWindowController::showWindow()
{
    const QString stored = TRSettings::standard()
                               .stringForKey(TRSettingsKeys::lastSelectedPreferencesPane)
                               .value_or(QString());
    showPane(stored == customSearchPaneIdentifier ? customSearchPaneIdentifier
                                                  : generalPaneIdentifier,
             false);
    m_observingClose = true;
    TRWindowPlacement::centre(this);
    show();
    raise();
    activateWindow();
}

void TRPreferencesWindowController::handlePaneSelection(const QString &itemIdentifier)
{
    m_selectedToolbarItem = itemIdentifier;
    if (itemIdentifier == generalPaneIdentifier || itemIdentifier == customSearchPaneIdentifier) {
        showPane(itemIdentifier, true);
    }
}

QWidget *TRPreferencesWindowController::makePane(const QString &paneIdentifier)
{
    QWidget *pane = nullptr;
    if (paneIdentifier == customSearchPaneIdentifier) {
        pane = new TRPreferencesCustomSearchViewController(this);
    } else {
        pane = new TRPreferencesGeneralViewController(this);
    }
    pane->hide();
    return pane;
}

QRect TRPreferencesWindowController::frameForPane(QWidget *pane) const
{
    // A pane's own minimum counts too: the layout would not let it be smaller.
    QSize paneSize =
        pane->sizeHint().expandedTo(pane->minimumSizeHint()).expandedTo(pane->minimumSize());
    if (!paneSize.isValid()) {
        paneSize = pane->size();
    }
    // The toolbar sits inside the window above the pane, so the window grows
    // by its height; keeping the window's top-left keeps the pane's in place.
    const int toolbarHeight = m_toolbar->isHidden() ? 0 : m_toolbar->sizeHint().height();
    const int width = std::max(paneSize.width(), m_toolbar->sizeHint().width());
    QSize size(width, paneSize.height() + toolbarHeight);
    // On a small screen the pane scrolls or squeezes rather than running off it.
    if (const QScreen *screen = this->screen()) {
        size = size.boundedTo(screen->availableGeometry().size() -
                              (frameGeometry().size() - this->size()));
    }
    return {geometry().topLeft(), size};
}

void TRPreferencesWindowController::setContentView(QWidget *view)
{
    QWidget *previous = centralWidget();
    if (previous == view) {
        return;
    }
    if (previous) {
        takeCentralWidget();
        if (previous == m_loadingViewController) {
            previous->setParent(this);
            previous->hide();
        } else {
            previous->deleteLater();
        }
    }
    setCentralWidget(view);
    view->show();
}

void TRPreferencesWindowController::showPane(const QString &paneIdentifier, bool animated)
{
    // A pane that an animation was still bringing in is replaced before it
    // was ever shown.
    if (m_currentViewController && m_currentViewController != centralWidget()) {
        m_currentViewController->deleteLater();
    }
    QWidget *pane = makePane(paneIdentifier);
    if (QAction *item = toolbarItem(paneIdentifier)) {
        item->setChecked(true);
    }
    const QRect target = frameForPane(pane);

    if (animated) {
        setContentView(loadingViewController());
        m_currentViewController = pane;
        auto *animation = new QPropertyAnimation(this, "geometry", this);
        animation->setDuration(animationDuration);
        animation->setEndValue(target);
        connect(animation, &QPropertyAnimation::finished, this,
                [this, animation] { animationDidEnd(animation); });
        m_viewAnimation = animation;
        // Starting it stops an earlier animation of the geometry, which then
        // never reports its end: the newest pane is the one installed.
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        setContentView(pane);
        setGeometry(target);
        m_currentViewController = pane;
    }
}

void TRPreferencesWindowController::animationDidEnd(QPropertyAnimation *animation)
{
    if (m_viewAnimation == animation) {
        m_viewAnimation = nullptr;
    }
    if (m_currentViewController) {
        setContentView(m_currentViewController);
    }
}

void TRPreferencesWindowController::windowWillClose()
{
    m_observingClose = false;
    if (m_selectedToolbarItem) {
        TRSettings::standard().setString(TRSettingsKeys::lastSelectedPreferencesPane,
                                         *m_selectedToolbarItem);
    }
    // A copy: a plugin's update must not pull the list from under the loop.
    const std::vector<TRPluginPtr> plugins = m_pluginManager->plugins();
    for (const TRPluginPtr &plugin : plugins) {
        plugin->update();
    }
    TRNotificationCenter::defaultCenter().post(TRNotificationNames::menuControllerMenuNeedsUpdate);
}

void TRPreferencesWindowController::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // Only this window's own closing counts; other windows of the
    // application closing leave the preferences alone.
    if (event->isAccepted() && m_observingClose) {
        windowWillClose();
    }
}
