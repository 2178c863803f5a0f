#include "TRMenuController.h"

#include "TRHeapTrim.h"
#include "TRImages.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManager.h"
#include "TRPluginManagerWindowController.h"
#include "TRPreferencesWindowController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRSettingsOptions.h"
#include "TRTrayPlatform.h"
#include "TRTrayWatcher.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace {

// text as a menu item's text with an access key: the first letter of a word
// that no earlier item of the same menu took, else any letter not taken, else
// none. An "&" of the text itself is doubled, so it shows as written.
QString withAccessKey(const QString &text, QList<QChar> &taken)
{
    const auto isFree = [&](qsizetype index) {
        const QChar letter = text.at(index);
        return letter.isLetterOrNumber() && !taken.contains(letter.toLower());
    };
    qsizetype chosen = -1;
    for (qsizetype index = 0; index < text.size() && chosen < 0; ++index) {
        if ((index == 0 || !text.at(index - 1).isLetterOrNumber()) && isFree(index)) {
            chosen = index;
        }
    }
    for (qsizetype index = 0; index < text.size() && chosen < 0; ++index) {
        if (isFree(index)) {
            chosen = index;
        }
    }
    QString shown;
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (index == chosen) {
            shown += u'&';
            taken << text.at(index).toLower();
        }
        shown += text.at(index) == u'&' ? QStringLiteral("&&") : QString(text.at(index));
    }
    return shown;
}

} // namespace

TRMenuController::TRMenuController(TRPluginManager *pluginManager, QObject *parent)
    : QObject(parent)
    , m_pluginManager(pluginManager)
{
    m_releaseMemoryTimer = new QTimer(this);
    m_releaseMemoryTimer->setSingleShot(true);
    m_releaseMemoryTimer->setInterval(2000);
    connect(m_releaseMemoryTimer, &QTimer::timeout, this, &TRHeapTrim::releaseFreeMemory);
    m_statusItemMenu = new QMenu();
    m_statusItemMenu->setTitle(QString());
    updateMenu();

    m_trayWatcher = new TRTrayWatcher(this);
    if (m_trayWatcher->isTrayAvailable()) {
        showStatusItem();
    } else {
        connect(m_trayWatcher, &TRTrayWatcher::trayAvailable, this,
                &TRMenuController::showStatusItem);
        connect(m_trayWatcher, &TRTrayWatcher::trayStillMissing, this,
                &TRMenuController::showNoTrayNotice);
    }

    for (const TRPluginPtr &plugin : m_pluginManager->plugins()) {
        plugin->update();
    }

    auto &center = TRNotificationCenter::defaultCenter();
    center.addObserver(this, TRNotificationNames::menuControllerMenuNeedsUpdate,
                       [this](const TRNotification &) { updateMenu(); });
    center.addObserver(this, TRNotificationNames::pluginDidUpdate,
                       [this](const TRNotification &) { updateMenu(); });
    center.addObserver(this, TRNotificationNames::menuControllerStatusItemImageNeedsUpdate,
                       [this](const TRNotification &) { updateStatusItemImage(); });
    center.addObserver(
        this, TRNotificationNames::pluginSetupRequested,
        [this](const TRNotification &notification) {
            pluginWindowController()->showPlugin(
                notification.userInfo.value(TRNotificationNames::pluginNameKey).toString());
        });
}

TRMenuController::~TRMenuController()
{
    TRNotificationCenter::defaultCenter().removeObserver(this);
    // The windows call on the registry, which goes away with this controller;
    // the plugin manager window hands its shown pane back to the plugin.
    delete m_preferencesWindowController;
    m_pluginWindowController.reset();
    delete m_noTrayNotice;
    // Plugins own the items that may still stand in the menu; take them out
    // before the menu deletes what it owns.
    m_statusItemMenu->clear();
    delete m_statusItemMenu;
}

void TRMenuController::showStatusItem()
{
    m_trayWatcher->deleteLater();
    m_trayWatcher = nullptr;
    if (m_noTrayNotice) {
        m_noTrayNotice->close();
    }

    m_statusItem = new QSystemTrayIcon(this);
    m_statusItem->setToolTip(QApplication::applicationDisplayName());
    m_statusItem->setContextMenu(m_statusItemMenu);
    // A left click that the tray does not answer itself opens the menu too.
    if (!TRTrayPlatform::opensMenuOnAnyClick()) {
        connect(m_statusItem, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        m_statusItemMenu->popup(QCursor::pos());
                    }
                });
    }
    updateStatusItemImage();
    m_statusItem->show();
}

QMessageBox *TRMenuController::noTrayNotice() const
{
    return m_noTrayNotice;
}

void TRMenuController::showNoTrayNotice()
{
    // Without a tray there is no icon and no menu, so this window is the only
    // way to learn why, and to quit.
    m_noTrayNotice =
        new QMessageBox(QMessageBox::Information, QApplication::applicationDisplayName(),
                        tr("Trellis is waiting for a system tray."));
    m_noTrayNotice->setInformativeText(
        tr("Trellis shows its menu as an icon in the system tray, and this desktop has none "
           "running. The icon appears as soon as a tray starts.\n\n"
           "GNOME: install and turn on the AppIndicator extension "
           "(gnome-shell-extension-appindicator).\n"
           "KDE Plasma: add the System Tray widget to a panel.\n"
           "XFCE: add the Status Tray plugin to a panel.\n"
           "Other desktops: start a tray such as trayer."));
    m_noTrayNotice->setAttribute(Qt::WA_DeleteOnClose);
    m_noTrayNotice->setWindowFlag(Qt::WindowStaysOnTopHint);
    QPushButton *keepWaiting = m_noTrayNotice->addButton(tr("OK"), QMessageBox::AcceptRole);
    QPushButton *quit = m_noTrayNotice->addButton(tr("Quit Trellis"), QMessageBox::RejectRole);
    m_noTrayNotice->setDefaultButton(keepWaiting);
    connect(quit, &QPushButton::clicked, qApp, &QApplication::quit, Qt::QueuedConnection);
    m_noTrayNotice->show();
}

void TRMenuController::updateMenu()
{
    updateStatusItemImage();
    m_statusItemMenu->clear();
    if (m_generalMenu) {
        m_generalMenu->deleteLater();
    }
    QList<QChar> keys;
    // One search across every source, first: the quickest way to any item.
    auto *find = new QAction(withAccessKey(tr("Find..."), keys), m_statusItemMenu);
    find->setObjectName(QStringLiteral("findItem"));
    find->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
    connect(find, &QAction::triggered, this, [] {
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::findWindowRequested);
    });
    m_statusItemMenu->addAction(find);
    addGeneralMenu(keys);
    m_statusItemMenu->addSeparator();
    addPluginItems(keys);
    // Rebuilds come in bursts (one per source after a refresh); one release
    // after the last.
    m_releaseMemoryTimer->start();
}

void TRMenuController::updateStatusItemImage()
{
    if (!m_statusItem) {
        return;
    }
    const auto name = TRSettings::standard().stringForKey(TRSettingsKeys::menuIconName);
    QIcon image =
        TRImages::statusItemImageNamed(name.value_or(TRSettingsOptions::menuIconNames.first()));
    // A tray icon without an image cannot be found or clicked, so an unknown
    // stored name falls back to the default image.
    if (image.isNull()) {
        image = TRImages::statusItemImageNamed(TRSettingsOptions::menuIconNames.first());
    }
    // Every rebuild comes here; a tray host is told of a new image only when
    // there is one.
    if (image.cacheKey() != m_statusItem->icon().cacheKey()) {
        m_statusItem->setIcon(image);
    }
}

void TRMenuController::addGeneralMenu(QList<QChar> &keys)
{
    auto *general = new QAction(withAccessKey(tr("General"), keys), m_statusItemMenu);
    m_generalMenu = new QMenu(m_statusItemMenu);
    m_generalMenu->setTitle(QString());

    QList<QChar> taken;
    auto addItem = [this, &taken](const QString &title, int tag) {
        QAction *item = m_generalMenu->addAction(withAccessKey(title, taken));
        item->setProperty("tag", tag);
        connect(item, &QAction::triggered, this, [this, item] { handleMenuItem(item); });
    };
    addItem(tr("About..."), aboutTag);
    m_generalMenu->addSeparator();
    addItem(tr("Plugins..."), pluginsTag);
    addItem(tr("Preferences..."), preferencesTag);
    m_generalMenu->addSeparator();
    addItem(tr("Quit"), quitTag);

    general->setMenu(m_generalMenu);
    m_statusItemMenu->addAction(general);
}

void TRMenuController::addPluginItems(QList<QChar> &keys)
{
    const auto &plugins = m_pluginManager->plugins();
    if (plugins.empty()) {
        return;
    }
    const int interval = TRSettingsOptions::updateRateForIndex(
        TRSettings::standard().integerForKey(TRSettingsKeys::updateRateIndex));

    std::vector<TRPluginPtr> enabled;
    int inlineCount = 0;
    for (const TRPluginPtr &plugin : plugins) {
        if (plugin->isEnabled()) {
            enabled.push_back(plugin);
            inlineCount += plugin->allowsInlineMenu() ? 1 : 0;
        }
    }

    const QString lastName = plugins.back()->name();
    for (const TRPluginPtr &plugin : enabled) {
        QAction *item = plugin->menuItem();
        if (inlineCount == 1 && plugin->allowsInlineMenu()) {
            // The only plugin that may stand inline lends its items to the
            // status menu until it rebuilds its submenu.
            if (QMenu *submenu = item ? item->menu() : nullptr) {
                const QList<QAction *> items = submenu->actions();
                if (items.isEmpty()) {
                    QAction *loading = m_statusItemMenu->addAction(tr("Loading..."));
                    loading->setEnabled(false);
                }
                for (QAction *child : items) {
                    submenu->removeAction(child);
                    m_statusItemMenu->addAction(child);
                }
            }
        } else if (item) {
            // A plugin's name is fixed text, not read from a file: it gets a
            // key as the General item does.
            item->setText(withAccessKey(plugin->name(), keys));
            m_statusItemMenu->addAction(item);
        }
        plugin->setUpdateRate(interval);
        if (plugin->name() != lastName) {
            m_statusItemMenu->addSeparator();
        }
    }
}

void TRMenuController::handleMenuItem(QAction *sender)
{
    if (!sender) {
        return;
    }
    bool ok = false;
    const int action = sender->property("tag").toInt(&ok) - 100;
    if (ok && action >= aboutAction && action <= pluginsAction) {
        performMenuAction(action);
    }
}

void TRMenuController::performMenuAction(int action)
{
    switch (action) {
    case aboutAction:
        showAboutPanel();
        break;
    case preferencesAction:
        showPreferencesWindow();
        break;
    case quitAction:
        TRSettings::standard().synchronize();
        QCoreApplication::quit();
        break;
    case pluginsAction:
        pluginWindowController()->showWindow();
        break;
    default:
        break;
    }
}

TRPreferencesWindowController *TRMenuController::preferencesWindowController() const
{
    return m_preferencesWindowController;
}

TRPluginManagerWindowController *TRMenuController::pluginWindowController()
{
    // Made when first asked for, not at start-up: most launches never open it.
    if (!m_pluginWindowController) {
        m_pluginWindowController = std::make_unique<TRPluginManagerWindowController>();
        m_pluginWindowController->setPlugins(m_pluginManager->plugins());
    }
    return m_pluginWindowController.get();
}

void TRMenuController::showPreferencesWindow()
{
    // One window at a time; each opening after a close makes a new one.
    if (m_preferencesWindowController) {
        m_preferencesWindowController->show();
        m_preferencesWindowController->raise();
        m_preferencesWindowController->activateWindow();
        return;
    }
    m_preferencesWindowController = new TRPreferencesWindowController(m_pluginManager);
    m_preferencesWindowController->setAttribute(Qt::WA_DeleteOnClose);
    m_preferencesWindowController->showWindow();
}

void TRMenuController::showAboutPanel()
{
    if (!m_aboutPanel) {
        m_aboutPanel = new QMessageBox(
            QMessageBox::NoIcon, tr("About Trellis"),
            QStringLiteral("<b>%1</b>").arg(QApplication::applicationDisplayName()));
        m_aboutPanel->setAttribute(Qt::WA_DeleteOnClose);
        m_aboutPanel->setIconPixmap(
            TRImages::imageNamed(TRSettingsOptions::menuIconNames.first()).pixmap(64, 64));
        m_aboutPanel->setInformativeText(
            tr("Version %1").arg(QApplication::applicationVersion()) + QStringLiteral("\n\n") +
            tr("Your web bookmarks from Safari, Chrome and the local network, one click away."));
        m_aboutPanel->setStandardButtons(QMessageBox::Ok);
        m_aboutPanel->setWindowModality(Qt::NonModal);
    }
    m_aboutPanel->show();
    m_aboutPanel->raise();
    m_aboutPanel->activateWindow();
}
