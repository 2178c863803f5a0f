#pragma once

// The bookmark source of web servers that devices on the local network announce.

#include "TRBonjourBookmark.h"
#include "TRNetServiceBrowser.h"
#include "TRNetServiceBrowserDelegate.h"
#include "TRPlugin.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QMenu;

class TRBonjourPlugin : public QObject, public TRPlugin, public TRNetServiceBrowserDelegate
{
    Q_OBJECT

public:
    static const QString serviceType;
    // Seconds a resolution may take before the choice shows nothing.
    static constexpr double resolveTimeout = 10.0;

    // Registers the plugin's defaults and starts browsing with the given
    // browser, or with the system's DNS-SD daemon when none is given.
    explicit TRBonjourPlugin(std::unique_ptr<TRNetServiceBrowser> browser = nullptr,
                             QObject *parent = nullptr);
    ~TRBonjourPlugin() override;

    QString name() const override { return m_name; }
    QIcon image() const override;
    QAction *menuItem() const override { return m_menuItem; }
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    QWidget *configurationViewController() override;
    std::optional<double> updateRate() const override { return m_updateRate; }
    void setUpdateRate(std::optional<double> seconds) override { m_updateRate = seconds; }
    bool allowsInlineMenu() const override { return false; }
    void update() override { rebuildMenu(); }

    QMenu *parentMenu() const { return m_parentMenu.get(); }
    TRNetServiceBrowser *netServiceBrowser() const { return m_netServiceBrowser.get(); }
    // One bookmark per announced service, in the order of announcement.
    const std::vector<std::shared_ptr<TRBonjourBookmark>> &activeBookmarks() const
    {
        return m_activeBookmarks;
    }
    bool isBrowsing() const { return m_isBrowsing; }

    // Fills the submenu with the bookmarks sorted by name.
    void rebuildMenu();
    // The action of a service's item: shows its bookmark, resolving it first
    // when its address is not known yet.
    void handleBonjourService(QAction *sender);
    // Opens the service's address, resolving it first when needed.
    void openService(const std::shared_ptr<TRBonjourBookmark> &bookmark);
    // Hands the services to the find window; none while off.
    void publishForFind(const std::vector<std::shared_ptr<TRBonjourBookmark>> &services);
    // Asks the UI manager to show the bookmark; false when it has no URL yet.
    static bool showBookmarkIfResolved(const TRBookmarkPtr &bookmark);

    void netServiceBrowserDidFindService(TRNetServiceBrowser *browser,
                                         const TRNetServicePtr &service, bool moreComing) override;
    void netServiceBrowserDidRemoveService(TRNetServiceBrowser *browser,
                                           const TRNetServicePtr &service,
                                           bool moreComing) override;

private:
    QString m_name;
    QAction *m_menuItem;
    std::unique_ptr<QMenu> m_parentMenu;
    std::optional<double> m_updateRate;
    std::unique_ptr<TRNetServiceBrowser> m_netServiceBrowser;
    std::vector<std::shared_ptr<TRBonjourBookmark>> m_activeBookmarks;
    bool m_isBrowsing = false;
    QPointer<QWidget> m_configurationViewController;
};
