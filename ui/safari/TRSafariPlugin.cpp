#include "TRSafariPlugin.h"

#include "TRBookmarkMenuBuilder.h"
#include "TRDayClock.h"
#include "TRFileGrant.h"
#include "TRFindSources.h"
#include "TRImages.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginMenuNotice.h"
#include "TRSafariPluginConfigurationViewController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRUIManager.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QPointer>

namespace {

// The image's name travels with the item, for tests and the inspection tool.
const char *const imageNameProperty = "imageName";

void setImage(QAction *item, const QString &name, bool isTemplate)
{
    QIcon image = TRImages::imageNamed(name);
    image.setIsMask(isTemplate);
    item->setIcon(image);
    item->setProperty(imageNameProperty, image.isNull() ? QString() : name);
}

// A desktop theme image, with a drawing of our own where the theme has none.
void setThemeImage(QAction *item, const QString &themeName, const QString &fallbackName)
{
    item->setIcon(QIcon::fromTheme(themeName, TRImages::imageNamed(fallbackName)));
    item->setProperty(imageNameProperty, fallbackName);
}

TRSafariBookmarkPtr safariParent(const TRBookmarkPtr &node)
{
    return std::dynamic_pointer_cast<TRSafariBookmark>(node->parent());
}

} // namespace

TRSafariPlugin::TRSafariPlugin(TRSafariBookmarksParser *parser)
    : m_parser(parser ? parser : &TRSafariBookmarksParser::shared())
    , m_parentMenu(std::make_unique<QMenu>(name()))
    , m_menuItem(new QAction(name(), this))
{
    m_parentMenu->setToolTipsVisible(true);
    m_menuItem->setMenu(m_parentMenu.get());
    m_menuItem->setIcon(image());
    // Neither the timer nor a write the watcher saw rebuilds the menu unless
    // a file changed.
    connect(&m_updateTimer, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&m_watcher, &TRSourceWatcher::changed, this, [this] { refresh(false); });
    connect(&TRDayClock::shared(), &TRDayClock::dayChanged, this, [this] {
        m_parser->regroupHistory([self = QPointer<TRSafariPlugin>(this)] {
            if (self) {
                self->rebuildMenu();
                TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
            }
        });
    });

    TRSettings::standard().registerDefaults(TRSettingsKeys::safariDefaults());
    TRNotificationCenter::defaultCenter().addObserver(
        this, TRNotificationNames::safariPluginMenuNeedsUpdate,
        [this](const TRNotification &) { refresh(); });
    refresh();
}

TRSafariPlugin::~TRSafariPlugin()
{
    TRNotificationCenter::defaultCenter().removeObserver(this);
    TRFindSources::shared().setSources(this, {});
    // The item goes before the menu it refers to.
    delete m_menuItem;
}

QString TRSafariPlugin::name() const
{
    return QStringLiteral("Safari");
}

QIcon TRSafariPlugin::image() const
{
    return TRImages::imageNamed(QStringLiteral("safari"));
}

bool TRSafariPlugin::isEnabled() const
{
    return TRSettings::standard().boolForKey(TRSettingsKeys::safariEnabled);
}

void TRSafariPlugin::setEnabled(bool enabled)
{
    TRSettings::standard().setBool(TRSettingsKeys::safariEnabled, enabled);
    if (isEnabled()) {
        refresh();
    } else {
        m_updateTimer.stop();
        publishForFind();
    }
}

QWidget *TRSafariPlugin::configurationViewController()
{
    if (!m_configuration) {
        m_configuration = std::make_unique<TRSafariPluginConfigurationViewController>();
    }
    return m_configuration.get();
}

void TRSafariPlugin::setUpdateRate(std::optional<double> seconds)
{
    if (!seconds) {
        m_updateTimer.stop();
    } else {
        // A period under a second (or none at all) would reparse without
        // pause; restarting the one timer replaces the old period.
        const double bounded = *seconds >= 1.0 ? std::min(*seconds, 86400.0) : 1.0;
        m_updateTimer.start(static_cast<int>(bounded * 1000));
    }
    m_updateRate = seconds;
}

bool TRSafariPlugin::loadStoredAccessData()
{
    const TRSettings &settings = TRSettings::standard();
    m_parser->bookmarkDataForBookmarks = settings.dataForKey(TRSettingsKeys::bookmarksData);
    m_parser->bookmarkDataForTopSites = settings.dataForKey(TRSettingsKeys::topSitesData);
    m_parser->bookmarkDataForHistory = settings.dataForKey(TRSettingsKeys::historyData);
    m_parser->bookmarkDataForLastSession = settings.dataForKey(TRSettingsKeys::lastSessionData);
    return m_parser->bookmarkDataForBookmarks || m_parser->bookmarkDataForTopSites ||
           m_parser->bookmarkDataForHistory || m_parser->bookmarkDataForLastSession;
}

void TRSafariPlugin::refresh(bool rebuild)
{
    const bool granted = loadStoredAccessData();
    QStringList files;
    for (const auto &grant :
         {m_parser->bookmarkDataForBookmarks, m_parser->bookmarkDataForTopSites,
          m_parser->bookmarkDataForHistory, m_parser->bookmarkDataForLastSession}) {
        if (const auto path = grant ? TRFileGrant::resolve(*grant, nullptr) : std::nullopt) {
            files.push_back(*path);
        }
    }
    m_watcher.setFiles(files);
    if (!granted) {
        // Nothing granted, or taken back: the submenu says so, once.
        if (m_notice != Notice::notGranted) {
            m_notice = Notice::notGranted;
            showNotice();
            TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
        }
        return;
    }
    if (m_notice == Notice::unknown || m_notice == Notice::notGranted) {
        // The first read of a new grant can take a while on a long history.
        m_notice = Notice::reading;
        showNotice();
    }
    // A parse under way ignores the call and reports to the watcher itself.
    if (!m_parser->isParsing()) {
        m_watcher.readStarted();
    }
    m_parser->updateBookmarks([self = QPointer<TRSafariPlugin>(this), rebuild] {
        if (!self) {
            return;
        }
        self->m_watcher.readFinished();
        // Nothing new: the menu stays, and so does the status menu.
        if (!rebuild && self->m_notice == Notice::none && !self->m_parser->lastParseChanged()) {
            return;
        }
        self->m_notice = Notice::none;
        self->rebuildMenu();
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
    });
}

void TRSafariPlugin::showNotice()
{
    m_parentMenu->clear();
    if (m_menuOwner) {
        m_menuOwner.release()->deleteLater();
    }
    m_menuOwner = std::make_unique<QWidget>();
    if (m_notice == Notice::notGranted) {
        TRPluginMenuNotice::addNotice(m_parentMenu.get(), tr("No Safari files granted yet"),
                                      m_menuOwner.get());
        TRPluginMenuNotice::addSetUpItem(m_parentMenu.get(), name(), m_menuOwner.get());
    } else {
        TRPluginMenuNotice::addNotice(m_parentMenu.get(), tr("Reading..."), m_menuOwner.get());
    }
}

void TRSafariPlugin::publishForFind() const
{
    std::vector<TRFindSources::Source> found;
    if (isEnabled()) {
        found.push_back({name(), m_parser->searchIndex(), nullptr, {}});
    }
    TRFindSources::shared().setSources(this, std::move(found));
}

void TRSafariPlugin::rebuildMenu()
{
    publishForFind();
    const TRSettings &settings = TRSettings::standard();
    const bool allowTopSites = settings.boolForKey(TRSettingsKeys::allowTopSites);
    const bool allowHistory = settings.boolForKey(TRSettingsKeys::allowHistory);
    const bool allowMostVisited = settings.boolForKey(TRSettingsKeys::allowMostVisitedItems);
    const bool allowLastSession = settings.boolForKey(TRSettingsKeys::allowLastSession);
    const bool allowReadingList = settings.boolForKey(TRSettingsKeys::allowReadingList);
    const bool allowBookmarks = settings.boolForKey(TRSettingsKeys::allowBookmarks);
    const bool allowBar = settings.boolForKey(TRSettingsKeys::allowBookmarksFromBookmarksBar);
    const bool allowMenu = settings.boolForKey(TRSettingsKeys::allowBookmarksFromBookmarksMenu);

    m_parentMenu->clear();
    // Freed later: the status menu may be showing the old items right now.
    if (m_menuOwner) {
        m_menuOwner.release()->deleteLater();
    }
    m_menuOwner = std::make_unique<QWidget>();

    if (settings.boolForKey(TRSettingsKeys::allowSearch)) {
        auto *search = new QAction(tr("Search"), m_menuOwner.get());
        setImage(search, QStringLiteral("search"), true);
        connect(search, &QAction::triggered, this, &TRSafariPlugin::handleSearch);
        m_parentMenu->addAction(search);
        m_parentMenu->addAction(makeSeparator());
    }

    auto *all = new QAction(tr("All Bookmarks..."), m_menuOwner.get());
    setImage(all, QStringLiteral("bookmarks"), true);
    connect(all, &QAction::triggered, this, &TRSafariPlugin::handleSearchBookmarks);
    m_parentMenu->addAction(all);
    m_parentMenu->addAction(makeSeparator());

    const auto &roots = m_parser->bookmarks();
    if (allowMostVisited && roots.contains(BookmarkTypeKey::mostVisited)) {
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::mostVisited),
                        BookmarkTypeKey::mostVisited);
    }
    if (allowHistory && roots.contains(BookmarkTypeKey::history)) {
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::history),
                        BookmarkTypeKey::history);
    }
    if (allowTopSites && roots.contains(BookmarkTypeKey::topSites)) {
        if (allowHistory || allowMostVisited) {
            m_parentMenu->addAction(makeSeparator());
        }
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::topSites),
                        BookmarkTypeKey::topSites);
    }
    if (allowLastSession && roots.contains(BookmarkTypeKey::lastSession)) {
        m_parentMenu->addAction(makeSeparator());
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::lastSession),
                        BookmarkTypeKey::lastSession);
    }
    if (allowReadingList && roots.contains(BookmarkTypeKey::readingList)) {
        m_parentMenu->addAction(makeSeparator());
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::readingList),
                        BookmarkTypeKey::readingList);
    }
    if (allowBar || allowMenu) {
        m_parentMenu->addAction(makeSeparator());
    }
    if (allowBar && roots.contains(BookmarkTypeKey::bookmarksBar)) {
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::bookmarksBar),
                        BookmarkTypeKey::bookmarksBar);
    }
    if (allowMenu && roots.contains(BookmarkTypeKey::bookmarksMenu)) {
        addBookmarkItem(m_parentMenu.get(), roots.value(BookmarkTypeKey::bookmarksMenu),
                        BookmarkTypeKey::bookmarksMenu);
    }
    // The other bookmarks stand directly in the submenu, not under an entry
    // of their own, so they are built now rather than when a submenu opens.
    if (allowBookmarks && roots.contains(BookmarkTypeKey::user)) {
        m_parentMenu->addAction(makeSeparator());
        addChildItems(m_parentMenu.get(), roots.value(BookmarkTypeKey::user),
                      settings.boolForKey(TRSettingsKeys::allowFlatList));
    }
}

void TRSafariPlugin::addBookmarkItem(QMenu *menu, const TRSafariBookmarkPtr &node,
                                     std::optional<BookmarkTypeKey> key)
{
    const TRSettings &settings = TRSettings::standard();
    const bool flat = settings.boolForKey(TRSettingsKeys::allowFlatList);
    if (flat && !key) {
        // A folder below a root is no entry of its own in a flat list.
        addChildItems(menu, node, flat);
        return;
    }
    QAction *item = makeMenuItem(node, &TRSafariPlugin::openBookmarkGroup);

    if (key) {
        switch (*key) {
        case BookmarkTypeKey::topSites:
            setImage(item, QStringLiteral("topsites"), true);
            break;
        case BookmarkTypeKey::history:
            setImage(item, QStringLiteral("history"), true);
            break;
        case BookmarkTypeKey::readingList:
            setImage(item, QStringLiteral("reading_list"), true);
            break;
        case BookmarkTypeKey::bookmarksBar:
            setImage(item, QStringLiteral("favorites"), true);
            break;
        case BookmarkTypeKey::bookmarksMenu:
            setImage(item, QStringLiteral("bookmarks_menu"), false);
            break;
        case BookmarkTypeKey::mostVisited:
            setThemeImage(item, QStringLiteral("folder-saved-search"),
                          QStringLiteral("most_visited"));
            break;
        case BookmarkTypeKey::lastSession:
            setThemeImage(item, QStringLiteral("folder-recent"), QStringLiteral("smart_folder"));
            break;
        case BookmarkTypeKey::user:
            setThemeImage(item, QStringLiteral("folder"), QStringLiteral("folder"));
            break;
        }
    } else if (node->kind() == TRBookmarkKind::group) {
        setThemeImage(item, QStringLiteral("folder"), QStringLiteral("folder"));
    } else {
        setImage(item, QStringLiteral("bookmark"), false);
    }

    const TRSafariBookmarkPtr parent = safariParent(node);
    if (parent && parent->tag == TRSafariBookmark::Tag::history) {
        setImage(item, QStringLiteral("history_item"), false);
        if (settings.boolForKey(TRSettingsKeys::showItemCount)) {
            item->setText(item->text() +
                          QStringLiteral(" (%1)").arg(static_cast<qulonglong>(node->childCount())));
        }
    }

    // The children are made when the submenu is about to show.
    // A submenu of an earlier build, still lent out until it is freed, stays
    // empty: its items would belong to the current build.
    item->setMenu(makeSubmenu([self = QPointer<TRSafariPlugin>(this), node, flat](QMenu *submenu) {
        if (self && submenu->parent() == self->m_menuOwner.get()) {
            self->addChildItems(submenu, node, flat);
        }
    }));
    menu->addAction(item);
}

void TRSafariPlugin::addChildItems(QMenu *menu, const TRSafariBookmarkPtr &node, bool flat)
{
    if (node->bookmarks().empty()) {
        if (!flat) {
            auto *none = new QAction(tr("No Bookmarks!"), m_menuOwner.get());
            none->setEnabled(false);
            menu->addAction(none);
        }
        return;
    }
    const TRSettings &settings = TRSettings::standard();
    const bool showPrivate = settings.boolForKey(TRSettingsKeys::showPrivateSessions);
    const bool useFavIcons = settings.boolForKey(TRSettingsKeys::useFavIcons);
    const bool showVisitCount = settings.boolForKey(TRSettingsKeys::showVisitCount);
    // A list longer than the screen would run off it; the rest of the group
    // opens in the browser window.
    const auto &children = node->bookmarks();
    const std::size_t shown = TRBookmarkMenuBuilder::itemsThatFit(menu, children.size());
    menu->setToolTipsVisible(true);
    for (std::size_t index = 0; index < shown; ++index) {
        const auto child = std::dynamic_pointer_cast<TRSafariBookmark>(children[index]);
        if (!child) {
            continue;
        }
        if (child->kind() == TRBookmarkKind::group) {
            if (child->isEnabled()) {
                addBookmarkItem(menu, child, std::nullopt);
            }
            continue;
        }
        if (child->isPrivate() && !showPrivate) {
            continue;
        }
        QAction *item = makeMenuItem(child, &TRSafariPlugin::openURL);
        if (child->isPrivate()) {
            setThemeImage(item, QStringLiteral("avatar-default"), QStringLiteral("user"));
        } else {
            setImage(item, QStringLiteral("bookmark"), false);
        }
        if (useFavIcons) {
            applyFaviconImage(child, item);
        }
        const TRSafariBookmarkPtr parent = safariParent(child);
        if (parent && parent->tag == TRSafariBookmark::Tag::mostVisited && showVisitCount) {
            item->setText(item->text() + QStringLiteral(" (%1)").arg(child->visitCount));
        }
        if (child->isPinned()) {
            setImage(item, QStringLiteral("pinned"), true);
        }
        menu->addAction(item);
    }
    if (shown < children.size()) {
        QAction *all =
            TRBookmarkMenuBuilder::addShowAllItem(menu, children.size(), m_menuOwner.get());
        all->setData(QVariant::fromValue<TRBookmarkPtr>(node));
        connect(all, &QAction::triggered, this, [this, all] { openBookmarkGroup(all); });
    }
}

QAction *TRSafariPlugin::makeMenuItem(const TRSafariBookmarkPtr &node, Action action)
{
    auto *item = new QAction(m_menuOwner.get());
    TRBookmarkMenuBuilder::setTitle(item, node->name());
    item->setData(QVariant::fromValue<TRBookmarkPtr>(node));
    connect(item, &QAction::triggered, this, [this, item, action] { (this->*action)(item); });
    return item;
}

void TRSafariPlugin::applyFaviconImage(const TRSafariBookmarkPtr &node, QAction *item) const
{
    if (node->isPrivate()) {
        return;
    }
    // Without a usable favicon the item keeps the image it has: a due
    // favicon refresh only ever leads to this same data.
    QPixmap favicon;
    if (!node->faviconData().isEmpty() && favicon.loadFromData(node->faviconData())) {
        item->setIcon(QIcon(favicon));
        item->setProperty(imageNameProperty, QStringLiteral("favicon"));
    }
}

QMenu *TRSafariPlugin::makeSubmenu(std::function<void(QMenu *)> fill) const
{
    const TRBookmarkMenuBuilder builder(m_menuOwner.get(), {}, {});
    QMenu *menu = builder.makeLazyMenu(QString(), std::move(fill));
    menu->setToolTipsVisible(true);
    return menu;
}

QAction *TRSafariPlugin::makeSeparator() const
{
    return TRBookmarkMenuBuilder(m_menuOwner.get(), {}, {}).makeSeparator();
}

void TRSafariPlugin::handleSearch()
{
    TRUIManager::post(TRUIManager::ShowSearch{});
}

void TRSafariPlugin::handleSearchBookmarks()
{
    TRUIManager::post(TRUIManager::ShowBookmark{m_parser->allGenericBookmarkGroup()});
}

void TRSafariPlugin::openBookmarkGroup(const QAction *sender)
{
    if (const TRBookmarkPtr bookmark = TRBookmarkMenuBuilder::bookmarkOf(sender)) {
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
    }
}

void TRSafariPlugin::openURL(const QAction *sender)
{
    openBookmarkGroup(sender);
}
