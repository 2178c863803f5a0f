#include "TRBrowserPlugin.h"

#include "TRBookmarkMenuBuilder.h"
#include "TRBrowserPluginConfigurationViewController.h"
#include "TRDayClock.h"
#include "TRFileGrant.h"
#include "TRFindSources.h"
#include "TRFirefoxPlacesParser.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TROperationQueue.h"
#include "TRPluginMenuNotice.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRUIManager.h"
#include "TRWebsiteIcons.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

namespace {

// One queue finds the profiles of every browser: it runs seldom and briefly.
TROperationQueue &discoveryQueue()
{
    static TROperationQueue *queue = new TROperationQueue(QStringLiteral("chromium_discovery"));
    return *queue;
}

bool sameProfiles(const std::vector<TRBrowserProfile> &a, const std::vector<TRBrowserProfile> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                      [](const TRBrowserProfile &x, const TRBrowserProfile &y) {
                          return x.folder == y.folder && x.name == y.name &&
                                 x.bookmarks == y.bookmarks &&
                                 x.accountBookmarks == y.accountBookmarks && x.history == y.history;
                      });
}

} // namespace

TRBrowserPlugin::TRBrowserPlugin(const QString &browserId, const QString &name,
                                 TRGoogleChromeBookmarksParser *mainParser)
    : m_name(name)
    , m_settings(browserId)
    , m_mainParser(mainParser)
    , m_parentMenu(std::make_unique<QMenu>(name))
    , m_menuItem(new QAction(name, this))
{
    m_menuItem->setMenu(m_parentMenu.get());
    m_menuItem->setIcon(image());
    m_updateTimer.setSingleShot(true);
    // Neither the timer nor a write the watcher saw rebuilds the menu unless
    // a file changed.
    connect(&m_updateTimer, &QTimer::timeout, this, [this] { refreshMenu(false); });
    connect(&m_watcher, &TRSourceWatcher::changed, this, [this] { refreshMenu(false); });
    connect(&TRDayClock::shared(), &TRDayClock::dayChanged, this, [this] {
        for (const Source &source : m_sources) {
            source.parser->regroupHistory([self = QPointer<TRBrowserPlugin>(this)] {
                if (self) {
                    self->rebuildMenu();
                    TRNotificationCenter::defaultCenter().post(
                        TRNotificationNames::pluginDidUpdate);
                }
            });
        }
    });

    TRSettings::standard().registerDefaults({{m_settings.enabledKey(), true}});
    TRNotificationCenter::defaultCenter().addObserver(
        this, m_settings.menuNeedsUpdateName(), [this](const TRNotification &) { refreshMenu(); });
    TRNotificationCenter::defaultCenter().addObserver(
        this, TRNotificationNames::websiteIconsDidChange,
        [this](const TRNotification &) { refreshMenu(); });
    rebuildMenu();
    findProfiles();
}

TRBrowserPlugin::~TRBrowserPlugin()
{
    TRNotificationCenter::defaultCenter().removeObserver(this);
    TRFindSources::shared().setSources(this, {});
    // The item goes before the menu it refers to.
    delete m_menuItem;
}

QIcon TRBrowserPlugin::imageForBrowser(const QString &browserId)
{
    // A Flatpak or Snap installation looks like the browser itself.
    QString base = browserId;
    for (const QString &suffix : {QStringLiteral("-flatpak"), QStringLiteral("-snap")}) {
        if (base.endsWith(suffix)) {
            base.chop(suffix.size());
        }
    }
    static const QHash<QString, QString> files = {
        {QStringLiteral("chrome"), QStringLiteral("google_chrome")},
        {QStringLiteral("chrome-beta"), QStringLiteral("google_chrome")},
        {QStringLiteral("chrome-unstable"), QStringLiteral("google_chrome")},
        {QStringLiteral("chromium"), QStringLiteral("chromium")},
        {QStringLiteral("brave"), QStringLiteral("brave")},
        {QStringLiteral("edge"), QStringLiteral("edge")},
        {QStringLiteral("vivaldi"), QStringLiteral("vivaldi")},
        {QStringLiteral("opera"), QStringLiteral("opera")},
        {QStringLiteral("firefox"), QStringLiteral("firefox")},
    };
    return QIcon(
        QStringLiteral(":/icons/%1.svg").arg(files.value(base, QStringLiteral("google_chrome"))));
}

QIcon TRBrowserPlugin::image() const
{
    return imageForBrowser(m_settings.browserId());
}

bool TRBrowserPlugin::isEnabled() const
{
    return TRSettings::standard().boolForKey(m_settings.enabledKey());
}

void TRBrowserPlugin::setEnabled(bool enabled)
{
    TRSettings::standard().setBool(m_settings.enabledKey(), enabled);
    if (isEnabled()) {
        refreshMenu();
    } else {
        m_updateTimer.stop();
        publishForFind();
    }
}

QWidget *TRBrowserPlugin::configurationViewController()
{
    if (!m_configuration) {
        m_configuration = std::make_unique<TRBrowserPluginConfigurationViewController>(this);
    }
    return m_configuration.get();
}

void TRBrowserPlugin::setUpdateRate(std::optional<double> seconds)
{
    m_updateRate = seconds;
    armUpdateTimer();
}

void TRBrowserPlugin::armUpdateTimer()
{
    if (!m_updateRate) {
        m_updateTimer.stop();
    } else {
        // Restarting replaces the pending refresh rather than adding one.
        m_updateTimer.start(static_cast<int>(std::clamp(*m_updateRate, 0.0, 86400.0) * 1000));
    }
}

void TRBrowserPlugin::findProfiles(std::function<void()> completion)
{
    QPointer<TRBrowserPlugin> self(this);
    discoveryQueue().addOperation([self, id = m_settings.browserId(),
                                   places = TRBrowserDiscovery::currentPlaces(),
                                   completion = std::move(completion)] {
        auto found = std::make_shared<std::vector<TRBrowserProfile>>();
        auto folders = std::make_shared<std::vector<QString>>();
        if (const auto browser = TRBrowserDiscovery::browser(id, places)) {
            *found = browser->profiles;
        }
        for (const TRBrowserProfile &profile : *found) {
            folders->push_back(QFileInfo(profile.folder).canonicalFilePath());
        }
        TROperationQueue::runOnMainQueue(self.data(), [self, found, folders, completion] {
            if (!self) {
                return;
            }
            if (!sameProfiles(self->m_profiles, *found)) {
                self->m_profiles = std::move(*found);
                self->m_profileFolders = std::move(*folders);
                // The submenus take the names and the order of the
                // browser's list.
                if (self->m_sources.size() > 1) {
                    self->rebuildMenu();
                }
                emit self->profilesChanged();
            }
            if (completion) {
                completion();
            }
        });
    });
}

TRProfileReader *TRBrowserPlugin::parserFor(const QString &stem)
{
    if (m_mainParser && stem == m_settings.mainStem()) {
        return m_mainParser;
    }
    auto &parser = m_parsers[stem];
    if (!parser && m_settings.keepsPlaces()) {
        parser = std::make_unique<TRFirefoxPlacesParser>(stem);
    } else if (!parser) {
        parser = std::make_unique<TRGoogleChromeBookmarksParser>(stem);
    }
    return parser.get();
}

void TRBrowserPlugin::refreshMenu(bool rebuild)
{
    TRSettings &settings = TRSettings::standard();
    std::vector<TRBrowserSettings::Slot> granted = m_settings.grantedSlots(settings);
    const bool showsIcons = settings.boolForKey(TRSettingsKeys::useFavIcons);
    const int iconPixels = showsIcons ? TRWebsiteIcons::pixels() : 0;
    std::vector<Source> sources;
    QStringList files;
    for (TRBrowserSettings::Slot &slot : granted) {
        Source source;
        source.parser = parserFor(slot.stem);
        for (const Source &known : m_sources) {
            if (known.parser == source.parser) {
                source.hasRead = known.hasRead;
                // A profile removed meanwhile keeps its name and place.
                if (slot.folder.isEmpty()) {
                    slot.folder = known.slot.folder;
                }
            }
        }
        for (const auto &grant :
             {slot.places, slot.bookmarks, slot.accountBookmarks, slot.history}) {
            if (const auto path = grant ? TRFileGrant::resolve(*grant, nullptr) : std::nullopt) {
                files.push_back(*path);
            }
        }
        if (showsIcons) {
            m_settings.grantIconStore(settings, slot);
        }
        source.slot = std::move(slot);
        sources.push_back(std::move(source));
    }
    // The browser's own order, whatever the order of granting.
    std::stable_sort(sources.begin(), sources.end(),
                     [this](const Source &a, const Source &b) { return rankOf(a) < rankOf(b); });
    m_sources = std::move(sources);
    m_watcher.setFiles(files);

    if (m_sources.empty()) {
        // Taken back: the submenu says so, once.
        if (!m_hasRead || m_wasGranted) {
            m_wasGranted = false;
            m_hasRead = true;
            rebuildMenu();
            TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
        }
        return;
    }
    if (!m_wasGranted) {
        // The first read of a new grant can take a while on a long history.
        m_wasGranted = true;
        m_hasRead = false;
        rebuildMenu();
    }
    m_rebuildAsked = m_rebuildAsked || rebuild;
    m_pendingReads = static_cast<int>(m_sources.size());
    const quint64 generation = ++m_refreshGeneration;
    m_watcher.readStarted();
    for (const Source &source : m_sources) {
        TRProfileReader *parser = source.parser;
        parser->setSlot(source.slot);
        parser->setIconStore(source.slot.favicons, iconPixels);
        // A refresh asked for meanwhile drops the reads still waiting, and
        // counts its own; what the earlier reads found still counts.
        parser->updateBookmarks([self = QPointer<TRBrowserPlugin>(this), parser, generation] {
            if (!self) {
                return;
            }
            for (Source &known : self->m_sources) {
                if (known.parser == parser) {
                    known.hasRead = true;
                }
            }
            self->attachIcons(parser);
            self->m_changedSinceRebuild =
                self->m_changedSinceRebuild || parser->lastUpdateChanged();
            if (generation == self->m_refreshGeneration && --self->m_pendingReads == 0) {
                self->readFinished(self->m_changedSinceRebuild);
            }
        });
    }
}

void TRBrowserPlugin::attachIcons(TRProfileReader *parser) const
{
    // Every node finds its icons through its topmost ancestor: the root
    // folders of a bookmarks file hang below the container without naming it.
    std::vector<TRBookmarkPtr> roots;
    for (const auto &tree : parser->bookmarks()) {
        roots.push_back(tree);
        for (const TRBookmarkPtr &child : tree->bookmarks()) {
            if (!child->parent()) {
                roots.push_back(child);
            }
        }
    }
    TRWebsiteIcons::attach(roots, parser->favicons(), m_settings.iconStoreName());
}

void TRBrowserPlugin::readFinished(bool changed)
{
    m_watcher.readFinished();
    // Icons switched on or off show in the menus made from now on; those
    // already filled are made again.
    const bool showsIcons = TRSettings::standard().boolForKey(TRSettingsKeys::useFavIcons);
    const bool rebuild = m_rebuildAsked || showsIcons != m_showedIcons;
    m_showedIcons = showsIcons;
    m_rebuildAsked = false;
    m_changedSinceRebuild = false;
    if (!rebuild && m_hasRead && !changed) {
        // Nothing new: the menu stays, and so does the status menu, which
        // would otherwise arm the next refresh.
        armUpdateTimer();
        return;
    }
    m_hasRead = true;
    rebuildMenu();
    TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
}

std::size_t TRBrowserPlugin::rankOf(const Source &source) const
{
    for (std::size_t index = 0; index < m_profiles.size(); ++index) {
        if (!source.slot.folder.isEmpty() && m_profileFolders[index] == source.slot.folder) {
            return index;
        }
    }
    // Files kept elsewhere come after the browser's own profiles.
    return m_profiles.size();
}

QString TRBrowserPlugin::nameOf(const Source &source) const
{
    const std::size_t rank = rankOf(source);
    if (rank < m_profiles.size()) {
        return m_profiles[rank].name;
    }
    if (!source.slot.folder.isEmpty()) {
        return QFileInfo(source.slot.folder).fileName();
    }
    return m_name;
}

void TRBrowserPlugin::publishForFind() const
{
    std::vector<TRFindSources::Source> found;
    if (isEnabled()) {
        for (const Source &source : m_sources) {
            const QString name = m_sources.size() <= 1
                                     ? m_name
                                     : m_name + QStringLiteral(" \u00B7 ") + nameOf(source);
            // Both trees of a profile show the same icon store.
            TRBookmarkPtr iconRoot;
            for (const auto &tree : source.parser->bookmarks()) {
                iconRoot = tree;
            }
            found.push_back({name, source.parser->searchIndex(), iconRoot, {}});
        }
    }
    TRFindSources::shared().setSources(this, std::move(found));
}

void TRBrowserPlugin::rebuildMenu()
{
    publishForFind();
    m_parentMenu->clear();
    // Freed later: the status menu may be showing the old items right now.
    if (m_menuOwner) {
        m_menuOwner.release()->deleteLater();
    }
    m_menuOwner = std::make_unique<QWidget>();

    if (m_sources.size() <= 1) {
        addSourceItems(m_parentMenu.get(), m_sources.empty() ? nullptr : &m_sources.front());
        return;
    }
    const QIcon profileIcon = QIcon::fromTheme(QStringLiteral("user-identity"),
                                               QIcon(QStringLiteral(":/icons/user.svg")));
    for (const Source &source : m_sources) {
        const QString title = nameOf(source);
        auto *menu = new QMenu(title, m_menuOwner.get());
        addSourceItems(menu, &source);
        auto *item = new QAction(profileIcon, title, m_menuOwner.get());
        item->setMenu(menu);
        m_parentMenu->addAction(item);
    }
}

void TRBrowserPlugin::addSourceItems(QMenu *menu, const Source *source)
{
    if (!source) {
        addNotices(menu, nullptr);
        return;
    }
    const QIcon bookmarkIcon(QStringLiteral(":/icons/bookmark.svg"));
    const auto handler = [](const TRBookmarkPtr &bookmark) {
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
    };
    const auto &trees = source->parser->bookmarks();
    using Key = TRProfileReader::BookmarkTypeKey;

    if (const auto history = trees.value(Key::history)) {
        const TRBookmarkMenuBuilder days(
            m_menuOwner.get(), {QIcon(QStringLiteral(":/icons/history_item.svg")), bookmarkIcon},
            handler);
        QIcon historyIcon(QStringLiteral(":/icons/history.svg"));
        historyIcon.setIsMask(true);
        auto *item = new QAction(historyIcon, tr("History"), m_menuOwner.get());
        item->setMenu(days.makeLazyMenu(history, tr("History")));
        menu->addAction(item);
        menu->addAction(days.makeSeparator());
    }
    if (const auto bookmarks = trees.value(Key::bookmarks)) {
        const QIcon folderIcon =
            QIcon::fromTheme(QStringLiteral("folder"), QIcon(QStringLiteral(":/icons/folder.svg")));
        const TRBookmarkMenuBuilder folders(m_menuOwner.get(), {folderIcon, bookmarkIcon}, handler);
        folders.addMenuItems(menu, bookmarks);
    }
    if (menu->isEmpty()) {
        addNotices(menu, source);
    }
}

void TRBrowserPlugin::addNotices(QMenu *menu, const Source *source)
{
    QObject *owner = m_menuOwner.get();
    if (!source) {
        TRPluginMenuNotice::addNotice(menu, tr("No %1 files granted yet").arg(m_name), owner);
        TRPluginMenuNotice::addSetUpItem(menu, m_name, owner);
        return;
    }
    if (!source->hasRead) {
        TRPluginMenuNotice::addNotice(menu, tr("Reading..."), owner);
        return;
    }
    const QStringList unreadable = source->parser->unreadableFiles();
    for (const QString &file : unreadable) {
        TRPluginMenuNotice::addNotice(menu, tr("Couldn’t read “%1”").arg(file), owner);
    }
    if (!unreadable.isEmpty()) {
        TRPluginMenuNotice::addSetUpItem(menu, m_name, owner);
    } else {
        TRPluginMenuNotice::addNotice(menu, tr("No bookmarks or history"), owner);
    }
}
