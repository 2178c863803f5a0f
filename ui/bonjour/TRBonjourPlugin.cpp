#include "TRBonjourPlugin.h"

#include "TRBonjourPluginConfigurationViewController.h"
#include "TRBookmarkMenuBuilder.h"
#include "TRDNSSDServiceBrowser.h"
#include "TRFindSources.h"
#include "TRImages.h"
#include "TRPluginMenuNotice.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRUIManager.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

const QString TRBonjourPlugin::serviceType = QStringLiteral("_http._tcp.");

TRBonjourPlugin::TRBonjourPlugin(std::unique_ptr<TRNetServiceBrowser> browser, QObject *parent)
    : QObject(parent)
    , m_name(QStringLiteral("Bonjour"))
    , m_menuItem(new QAction(m_name))
    , m_parentMenu(std::make_unique<QMenu>(m_name))
    , m_netServiceBrowser(browser ? std::move(browser) : std::make_unique<TRDNSSDServiceBrowser>())
{
    m_menuItem->setMenu(m_parentMenu.get());
    // Whether the daemon answers can change while the menu stays as it is.
    connect(m_parentMenu.get(), &QMenu::aboutToShow, this, [this] {
        if (m_activeBookmarks.empty()) {
            rebuildMenu();
        }
    });
    TRSettings::standard().registerDefaults(TRSettingsKeys::bonjourDefaults());
    m_menuItem->setIcon(image());
    m_netServiceBrowser->setDelegate(this);
    if (!m_isBrowsing) {
        m_isBrowsing = true;
        m_activeBookmarks.clear();
        m_netServiceBrowser->searchForServices(serviceType, QString());
    }
    rebuildMenu();
}

TRBonjourPlugin::~TRBonjourPlugin()
{
    m_netServiceBrowser->setDelegate(nullptr);
    TRFindSources::shared().setSources(this, {});
    // The status menu may still show the item; it only lends it.
    delete m_menuItem;
    if (m_configurationViewController && !m_configurationViewController->parent()) {
        delete m_configurationViewController;
    }
}

QIcon TRBonjourPlugin::image() const
{
    return QIcon::fromTheme(QStringLiteral("network-workgroup"),
                            TRImages::imageNamed(QStringLiteral("bonjour")));
}

bool TRBonjourPlugin::isEnabled() const
{
    return TRSettings::standard().boolForKey(TRSettingsKeys::bonjourEnabled);
}

void TRBonjourPlugin::setEnabled(bool enabled)
{
    TRSettings::standard().setBool(TRSettingsKeys::bonjourEnabled, enabled);
    if (!enabled) {
        publishForFind({});
    }
}

QWidget *TRBonjourPlugin::configurationViewController()
{
    if (!m_configurationViewController) {
        // The pane may outlive the plugin for a moment; it asks while both live.
        m_configurationViewController =
            new TRBonjourPluginConfigurationViewController([self = QPointer(this)] {
                return !self || self->m_netServiceBrowser->isDaemonAnswering();
            });
    }
    return m_configurationViewController;
}

void TRBonjourPlugin::rebuildMenu()
{
    m_parentMenu->clear();
    std::vector<std::shared_ptr<TRBonjourBookmark>> sorted = m_activeBookmarks;
    // Plain code-unit order, like the registry's; equal names keep their
    // order of announcement.
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) {
        return QString::compare(a->name(), b->name(), Qt::CaseSensitive) < 0;
    });
    publishForFind(sorted);
    const QIcon icon = TRImages::imageNamed(QStringLiteral("bookmark"));
    for (const auto &bookmark : sorted) {
        QAction *item =
            m_parentMenu->addAction(icon, TRBookmarkMenuBuilder::menuText(bookmark->name()));
        item->setData(QVariant::fromValue<TRBookmarkPtr>(bookmark));
        connect(item, &QAction::triggered, this, [this, item] { handleBonjourService(item); });
    }
    if (sorted.empty()) {
        TRPluginMenuNotice::addNotice(m_parentMenu.get(),
                                      m_netServiceBrowser->isDaemonAnswering()
                                          ? tr("No web servers found")
                                          : tr("Avahi is not running"),
                                      m_parentMenu.get());
    }
}

void TRBonjourPlugin::publishForFind(
    const std::vector<std::shared_ptr<TRBonjourBookmark>> &services)
{
    std::vector<TRFindSources::Source> found;
    if (isEnabled() && !services.empty()) {
        // A handful of services: indexed here, as they come and go.
        const auto items = TRSearchIndex::Items::collect(
            {{nullptr, {}, std::vector<TRBookmarkPtr>(services.cbegin(), services.cend())}});
        auto index =
            TRSearchIndex::build({items}, nullptr, {}, QDateTime::currentMSecsSinceEpoch());
        // A match opens the service of its name, resolving it first.
        const auto open =
            [self = QPointer<TRBonjourPlugin>(this)](const TRSearchCatalog::Match &match) {
                if (!self) {
                    return;
                }
                for (const auto &service : self->m_activeBookmarks) {
                    if (service->name() == match.name) {
                        self->openService(service);
                        return;
                    }
                }
            };
        found.push_back({tr("Bonjour"), std::move(index), nullptr, open});
    }
    TRFindSources::shared().setSources(this, std::move(found));
}

void TRBonjourPlugin::handleBonjourService(QAction *sender)
{
    if (!sender) {
        return;
    }
    openService(
        std::dynamic_pointer_cast<TRBonjourBookmark>(sender->data().value<TRBookmarkPtr>()));
}

void TRBonjourPlugin::openService(const std::shared_ptr<TRBonjourBookmark> &bookmark)
{
    if (!bookmark) {
        return;
    }
    if (showBookmarkIfResolved(bookmark)) {
        return;
    }
    const TRNetServicePtr service = bookmark->netService();
    if (!service) {
        return;
    }
    // A weak reference: the bookmark holds the handler.
    const std::weak_ptr<TRBonjourBookmark> weak = bookmark;
    bookmark->setResolveCompletionHandler([weak] {
        if (const auto resolved = weak.lock()) {
            showBookmarkIfResolved(resolved);
        }
    });
    service->setDelegate(bookmark.get());
    service->resolveWithTimeout(resolveTimeout);
}

bool TRBonjourPlugin::showBookmarkIfResolved(const TRBookmarkPtr &bookmark)
{
    if (!bookmark || !bookmark->hasUrl()) {
        return false;
    }
    TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
    return true;
}

void TRBonjourPlugin::netServiceBrowserDidFindService(TRNetServiceBrowser *,
                                                      const TRNetServicePtr &service,
                                                      bool moreComing)
{
    if (!service) {
        return;
    }
    const auto bookmark = TRBonjourBookmark::init(TRBookmarkKind::item, service->name());
    bookmark->setNetService(service);
    m_activeBookmarks.push_back(bookmark);
    if (!moreComing) {
        rebuildMenu();
    }
}

void TRBonjourPlugin::netServiceBrowserDidRemoveService(TRNetServiceBrowser *,
                                                        const TRNetServicePtr &service, bool)
{
    if (!service) {
        return;
    }
    const auto it = std::find_if(
        m_activeBookmarks.begin(), m_activeBookmarks.end(),
        [&service](const auto &bookmark) { return bookmark->name() == service->name(); });
    if (it == m_activeBookmarks.end()) {
        return;
    }
    m_activeBookmarks.erase(it);
    rebuildMenu();
}
