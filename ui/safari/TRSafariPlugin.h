#pragma once

// The "Safari" entry of the tray menu: search, all bookmarks, history, top
// sites, last session, reading list and bookmark folders from the granted files.

#include "TRPlugin.h"
#include "TRSafariBookmark.h"
#include "TRSafariBookmarksParser.h"
#include "TRSourceWatcher.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class TRSafariPluginConfigurationViewController;

class TRSafariPlugin : public QObject, public TRPlugin
{
    Q_OBJECT

public:
    using BookmarkTypeKey = TRSafariBookmarksParser::BookmarkTypeKey;
    // What choosing an entry does; both show the entry's node.
    using Action = void (TRSafariPlugin::*)(const QAction *sender);

    // Reads through the given parser; the application's shared one by default.
    explicit TRSafariPlugin(TRSafariBookmarksParser *parser = nullptr);
    ~TRSafariPlugin() override;

    QString name() const override;
    QIcon image() const override;
    QAction *menuItem() const override { return m_menuItem; }
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    QWidget *configurationViewController() override;
    std::optional<double> updateRate() const override { return m_updateRate; }
    void setUpdateRate(std::optional<double> seconds) override;
    bool allowsInlineMenu() const override { return true; }
    void update() override { refresh(); }

    QMenu *parentMenu() const { return m_parentMenu.get(); }
    // The repeating refresh, for tests: whether it runs and its period.
    bool isUpdateTimerActive() const { return m_updateTimer.isActive(); }
    int updateTimerInterval() const { return m_updateTimer.interval(); }

    // Loads the grants into the parser and, when there is one, reads the
    // files that changed since the last read and rebuilds the submenu; that
    // only when one did, without rebuild (settings may have changed).
    void refresh(bool rebuild = true);
    // Whether any of the four grants is stored.
    bool loadStoredAccessData();
    void rebuildMenu();
    // Hands the search index to the find window; none while off.
    void publishForFind() const;

    // The menu actions.
    void handleSearch();
    void handleSearchBookmarks();
    void openBookmarkGroup(const QAction *sender);
    void openURL(const QAction *sender);

private:
    // What the submenu says before it has read anything.
    enum class Notice { unknown, notGranted, reading, none };
    void showNotice();
    void addBookmarkItem(QMenu *menu, const TRSafariBookmarkPtr &node,
                         std::optional<BookmarkTypeKey> key);
    // The entries of node's children, into menu; flat puts the bookmarks of
    // subfolders there too.
    void addChildItems(QMenu *menu, const TRSafariBookmarkPtr &node, bool flat);
    QAction *makeMenuItem(const TRSafariBookmarkPtr &node, Action action);
    void applyFaviconImage(const TRSafariBookmarkPtr &node, QAction *item) const;
    QMenu *makeSubmenu(std::function<void(QMenu *)> fill) const;
    QAction *makeSeparator() const;

    TRSafariBookmarksParser *m_parser;
    std::unique_ptr<QMenu> m_parentMenu;
    QAction *m_menuItem;
    std::optional<double> m_updateRate;
    // Repeating; setting a rate restarts it, so there is never a second one.
    // With the files watched it only finds what a watch cannot see.
    QTimer m_updateTimer;
    TRSourceWatcher m_watcher;
    // Owns the items of the current submenu, wherever they stand.
    std::unique_ptr<QWidget> m_menuOwner;
    Notice m_notice = Notice::unknown;
    std::unique_ptr<TRSafariPluginConfigurationViewController> m_configuration;
};
