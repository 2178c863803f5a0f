#include "TRGoogleChromePlugin.h"

#include "TRBookmarkMenuBuilder.h"
#include "TRDayClock.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRGoogleChromePluginConfigurationViewController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginMenuNotice.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRUIManager.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

TRGoogleChromePlugin::TRGoogleChromePlugin(TRGoogleChromeBookmarksParser *parser)
    : m_parser(parser ? parser : &TRGoogleChromeBookmarksParser::shared())
    , m_parentMenu(std::make_unique<QMenu>(name()))
    , m_menuItem(new QAction(name(), this))
{
    m_menuItem->setMenu(m_parentMenu.get());
    m_menuItem->setIcon(image());
    m_updateTimer.setSingleShot(true);
    // Neither the timer nor a write the watcher saw rebuilds the menu unless
    // a file changed.
    connect(&m_updateTimer, &QTimer::timeout, this, [this] { refreshMenu(false); });
    connect(&m_watcher, &TRSourceWatcher::changed, this, [this] { refreshMenu(false); });
    connect(&TRDayClock::shared(), &TRDayClock::dayChanged, this, [this] {
        m_parser->regroupHistory([self = QPointer<TRGoogleChromePlugin>(this)] {
            if (self) {
                self->rebuildMenu();
                TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
            }
        });
    });

    TRSettings::standard().registerDefaults(TRSettingsKeys::googleChromeDefaults());
    TRNotificationCenter::defaultCenter().addObserver(
        this, TRNotificationNames::googleChromePluginMenuNeedsUpdate,
        [this](const TRNotification &) { refreshMenu(); });
    rebuildMenu();
}

TRGoogleChromePlugin::~TRGoogleChromePlugin()
{
    TRNotificationCenter::defaultCenter().removeObserver(this);
    // The item goes before the menu it refers to.
    delete m_menuItem;
}

QString TRGoogleChromePlugin::name() const
{
    return QStringLiteral("Chrome");
}

QIcon TRGoogleChromePlugin::image() const
{
    return QIcon(QStringLiteral(":/icons/google_chrome.svg"));
}

bool TRGoogleChromePlugin::isEnabled() const
{
    return TRSettings::standard().boolForKey(TRSettingsKeys::googleChromeEnabled);
}

void TRGoogleChromePlugin::setEnabled(bool enabled)
{
    TRSettings::standard().setBool(TRSettingsKeys::googleChromeEnabled, enabled);
    if (isEnabled()) {
        refreshMenu();
    } else {
        m_updateTimer.stop();
    }
}

QWidget *TRGoogleChromePlugin::configurationViewController()
{
    if (!m_configuration) {
        m_configuration = std::make_unique<TRGoogleChromePluginConfigurationViewController>();
    }
    return m_configuration.get();
}

void TRGoogleChromePlugin::setUpdateRate(std::optional<double> seconds)
{
    m_updateRate = seconds;
    armUpdateTimer();
}

void TRGoogleChromePlugin::armUpdateTimer()
{
    if (!m_updateRate) {
        m_updateTimer.stop();
    } else {
        // Restarting replaces the pending refresh rather than adding one.
        m_updateTimer.start(static_cast<int>(std::clamp(*m_updateRate, 0.0, 86400.0) * 1000));
    }
}

void TRGoogleChromePlugin::refreshMenu(bool rebuild)
{
    const TRSettings &settings = TRSettings::standard();
    m_parser->dataForBookmarks = settings.dataForKey(TRSettingsKeys::googleChromeBookmarksData);
    m_parser->dataForHistory = settings.dataForKey(TRSettingsKeys::googleChromeHistoryData);
    QStringList files;
    for (const auto &grant : {m_parser->dataForBookmarks, m_parser->dataForHistory}) {
        if (const auto path = grant ? TRFileGrant::resolve(*grant, nullptr) : std::nullopt) {
            files.push_back(*path);
        }
    }
    m_watcher.setFiles(files);
    // One granted file is enough to show what it holds.
    if (!m_parser->dataForBookmarks && !m_parser->dataForHistory) {
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
    m_watcher.readStarted();
    m_parser->updateBookmarks([this, rebuild] {
        m_watcher.readFinished();
        if (!rebuild && m_hasRead && !m_parser->lastUpdateChanged()) {
            // Nothing new: the menu stays, and so does the status menu,
            // which would otherwise arm the next refresh.
            armUpdateTimer();
            return;
        }
        m_hasRead = true;
        rebuildMenu();
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
    });
}

void TRGoogleChromePlugin::rebuildMenu()
{
    m_parentMenu->clear();
    // Freed later: the status menu may be showing the old items right now.
    if (m_menuOwner) {
        m_menuOwner.release()->deleteLater();
    }
    m_menuOwner = std::make_unique<QWidget>();

    const QIcon bookmarkIcon(QStringLiteral(":/icons/bookmark.svg"));
    const auto handler = [](const TRBookmarkPtr &bookmark) {
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
    };
    const auto &trees = m_parser->bookmarks();
    using Key = TRGoogleChromeBookmarksParser::BookmarkTypeKey;

    if (const auto history = trees.value(Key::history)) {
        const TRBookmarkMenuBuilder days(
            m_menuOwner.get(), {QIcon(QStringLiteral(":/icons/history_item.svg")), bookmarkIcon},
            handler);
        QIcon historyIcon(QStringLiteral(":/icons/history.svg"));
        historyIcon.setIsMask(true);
        auto *item = new QAction(historyIcon, tr("History"), m_menuOwner.get());
        item->setMenu(days.makeLazyMenu(history, tr("History")));
        m_parentMenu->addAction(item);
        m_parentMenu->addAction(days.makeSeparator());
    }
    if (const auto bookmarks = trees.value(Key::bookmarks)) {
        const QIcon folderIcon =
            QIcon::fromTheme(QStringLiteral("folder"), QIcon(QStringLiteral(":/icons/folder.svg")));
        const TRBookmarkMenuBuilder folders(m_menuOwner.get(), {folderIcon, bookmarkIcon}, handler);
        folders.addMenuItems(m_parentMenu.get(), bookmarks);
    }
    if (m_parentMenu->isEmpty()) {
        addNotices();
    }
}

void TRGoogleChromePlugin::addNotices()
{
    QMenu *menu = m_parentMenu.get();
    QObject *owner = m_menuOwner.get();
    if (!m_wasGranted) {
        TRPluginMenuNotice::addNotice(menu, tr("No Chrome files granted yet"), owner);
        TRPluginMenuNotice::addSetUpItem(menu, name(), owner);
        return;
    }
    if (!m_hasRead) {
        TRPluginMenuNotice::addNotice(menu, tr("Reading..."), owner);
        return;
    }
    using Outcome = TRGoogleChromeBookmarksParser::Outcome;
    const auto result = m_parser->lastUpdateResult();
    bool failed = false;
    for (const auto &[outcome, file] : {std::pair(result.bookmarks, QStringLiteral("Bookmarks")),
                                        std::pair(result.history, QStringLiteral("History"))}) {
        if (outcome == Outcome::unreadable) {
            TRPluginMenuNotice::addNotice(menu, tr("Couldn’t read “%1”").arg(file), owner);
            failed = true;
        }
    }
    if (failed) {
        TRPluginMenuNotice::addSetUpItem(menu, name(), owner);
    } else {
        TRPluginMenuNotice::addNotice(menu, tr("No bookmarks or history"), owner);
    }
}
