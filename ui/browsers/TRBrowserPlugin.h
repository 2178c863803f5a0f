#pragma once

// A browser's entry of the tray menu (a Chromium browser's, or Firefox's):
// its history by day and its bookmark folders, read from the files the user
// granted. With several
// profiles granted, each has a submenu of its own, named as the browser
// names it; with one, the entry holds that profile's items directly.

#include "TRBrowserDiscovery.h"
#include "TRBrowserSettings.h"
#include "TRPlugin.h"
#include "TRSourceWatcher.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QMenu;
class TRGoogleChromeBookmarksParser;
class TRProfileReader;
class TRBrowserPluginConfigurationViewController;

class TRBrowserPlugin : public QObject, public TRPlugin
{
    Q_OBJECT

public:
    // The browser of the given id, shown by name. The files chosen through
    // the dialog are read through mainParser when one is given (the
    // application's shared Chrome parser, or a test's); every other set of
    // files gets a parser of its own.
    TRBrowserPlugin(const QString &browserId, const QString &name,
                    TRGoogleChromeBookmarksParser *mainParser = nullptr);
    ~TRBrowserPlugin() override;

    QString name() const override { return m_name; }
    QIcon image() const override;
    QAction *menuItem() const override { return m_menuItem; }
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    QWidget *configurationViewController() override;
    std::optional<double> updateRate() const override { return m_updateRate; }
    void setUpdateRate(std::optional<double> seconds) override;
    bool allowsInlineMenu() const override { return true; }
    void update() override { refreshMenu(); }

    const TRBrowserSettings &settings() const { return m_settings; }
    QMenu *parentMenu() const { return m_parentMenu.get(); }
    // Whether a refresh is armed.
    bool isUpdateTimerActive() const { return m_updateTimer.isActive(); }

    // Reads the files that changed since the last read; with rebuild, the
    // menu is rebuilt even when none did (settings may have changed).
    void refreshMenu(bool rebuild = true);
    void rebuildMenu();

    // The browser's profiles as last found, in its own order.
    const std::vector<TRBrowserProfile> &profiles() const { return m_profiles; }
    // Looks for the profiles again, off the main thread; completion runs on
    // the main thread once they are in place.
    void findProfiles(std::function<void()> completion = {});

    // The icon of a browser of the given id.
    static QIcon imageForBrowser(const QString &browserId);

signals:
    void profilesChanged();

private:
    // One set of granted files, read by one parser.
    struct Source
    {
        TRBrowserSettings::Slot slot;
        TRProfileReader *parser = nullptr;
        bool hasRead = false;
    };

    void armUpdateTimer();
    TRProfileReader *parserFor(const QString &stem);
    void readFinished(bool changed);
    // The profile's name for a source, and its place in the browser's list.
    QString nameOf(const Source &source) const;
    std::size_t rankOf(const Source &source) const;
    // Shows the icons the parser read on the nodes of its trees.
    void attachIcons(TRProfileReader *parser) const;
    void addSourceItems(QMenu *menu, const Source *source);
    // Hands the sources' search indexes to the find window; none while off.
    void publishForFind() const;
    // What a submenu says while it has nothing else to show.
    void addNotices(QMenu *menu, const Source *source);

    const QString m_name;
    const TRBrowserSettings m_settings;
    TRProfileReader *m_mainParser;
    // The parsers of the profiles' own slots, by stem; kept while the plugin
    // lives, so that a refresh reads only what changed.
    std::map<QString, std::unique_ptr<TRProfileReader>> m_parsers;
    std::vector<Source> m_sources;
    std::vector<TRBrowserProfile> m_profiles;
    // Their folders as the file system named them when found, so that a
    // profile removed since still has its place.
    std::vector<QString> m_profileFolders;
    std::unique_ptr<QMenu> m_parentMenu;
    QAction *m_menuItem;
    std::optional<double> m_updateRate;
    // One-shot; arming it again replaces the pending refresh. With the
    // files watched it only finds what a watch cannot see.
    QTimer m_updateTimer;
    TRSourceWatcher m_watcher;
    // Owns the items of the current submenu, wherever they stand.
    std::unique_ptr<QWidget> m_menuOwner;
    // Whether a file is granted, and whether a read of the grants has ended.
    bool m_wasGranted = false;
    bool m_hasRead = false;
    // Whether the menu was made with website icons on.
    bool m_showedIcons = false;
    // The reads of the latest refresh still running, and what the reads
    // that ended since the last rebuild found.
    int m_pendingReads = 0;
    quint64 m_refreshGeneration = 0;
    bool m_changedSinceRebuild = false;
    bool m_rebuildAsked = false;
    std::unique_ptr<TRBrowserPluginConfigurationViewController> m_configuration;
};
