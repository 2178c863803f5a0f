#include "TRUIManager.h"

#include "TRAlert.h"
#include "TRBrowserModule.h"
#include "TRBrowserWindowFactory.h"
#include "TRCurrentEvent.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QDesktopServices>
#include <QTimer>
#include <QWidget>

#include <algorithm>

TRUIManager::TRUIManager(QObject *parent)
    : QObject(parent)
{
    TRNotificationCenter::defaultCenter().addObserver(
        this, TRNotificationNames::uiManagerShouldShowBrowser,
        [this](const TRNotification &notification) {
            shouldShowBrowserNotification(notification);
        });
}

TRUIManager::~TRUIManager()
{
    TRNotificationCenter::defaultCenter().removeObserver(
        this, TRNotificationNames::uiManagerShouldShowBrowser);
}

void TRUIManager::post(const BrowserActionType &action)
{
    TRNotificationCenter::defaultCenter().post(
        TRNotificationNames::uiManagerShouldShowBrowser,
        {{TRNotificationNames::browserActionTypeKey, QVariant::fromValue(action)}});
}

void TRUIManager::shouldShowBrowserNotification(const TRNotification &notification)
{
    const QVariant value = notification.userInfo.value(TRNotificationNames::browserActionTypeKey);
    if (value.metaType() != QMetaType::fromType<BrowserActionType>()) {
        return;
    }
    const auto action = value.value<BrowserActionType>();

    if (const auto *show = std::get_if<ShowBookmark>(&action)) {
        const TRBookmarkPtr &bookmark = show->bookmark;
        if (!bookmark) {
            return;
        }
        if (bookmark->kind() == TRBookmarkKind::group) {
            openBrowserWindow(TRBrowserMode::BookmarkGroup{bookmark}, true);
        } else if (bookmark->hasUrl()) {
            if (!opensInDefaultBrowser() || !openInDefaultBrowser(bookmark->url())) {
                openBrowserWindow(TRBrowserMode::Bookmark{bookmark}, true);
            }
        }
    } else if (const auto *showUrl = std::get_if<ShowURL>(&action)) {
        if (!opensInDefaultBrowser() || !openInDefaultBrowser(showUrl->url)) {
            openBrowserWindow(TRBrowserMode::Web{showUrl->url, showUrl->customName}, true);
        }
    } else {
        openBrowserWindow(TRBrowserMode::Search{}, false);
    }
}

bool TRUIManager::opensInDefaultBrowser()
{
    const bool setting = TRSettings::standard().boolForKey(TRSettingsKeys::openBookmarksInSafari);
    const std::optional<Qt::KeyboardModifiers> modifiers = TRCurrentEvent::modifiers();
    if (!modifiers) {
        return setting;
    }
    const bool shift = modifiers->testFlag(Qt::ShiftModifier);
    return setting != shift;
}

bool TRUIManager::openInDefaultBrowser(const QUrl &url)
{
    if (QDesktopServices::openUrl(url)) {
        return true;
    }
    // Without a browser to launch, the built-in window shows the page; the
    // user hears why once, not at every bookmark.
    if (!m_toldNoDefaultBrowser && TRBrowserModule::factory()) {
        m_toldNoDefaultBrowser = true;
        QTimer::singleShot(0, this, [] {
            TRAlert::run({TRAlert::Style::informational,
                          tr("No default web browser"),
                          tr("Trellis found no web browser to open bookmarks in, so it shows "
                             "them in its own window until one is set up."),
                          {},
                          nullptr});
        });
    }
    return false;
}

void TRUIManager::openBrowserWindow(const TRBrowserMode::Type &type, bool tracked)
{
    TRBrowserWindowFactory *factory = TRBrowserModule::factory();
    if (!factory) {
        if (const auto *bookmark = std::get_if<TRBrowserMode::Bookmark>(&type)) {
            QDesktopServices::openUrl(bookmark->bookmark->url());
        } else if (const auto *web = std::get_if<TRBrowserMode::Web>(&type)) {
            QDesktopServices::openUrl(web->url);
        }
        return;
    }
    auto &list = tracked ? m_currentBrowserWindowControllers : m_searchWindowControllers;
    std::unique_ptr<QWidget> controller =
        factory->createWindow(type, [this, &list](QWidget *closed) { releaseFrom(list, closed); });
    QWidget *window = controller.get();
    list.push_back(std::move(controller));
    factory->showWindow(window);
}

void TRUIManager::dismiss(QWidget *controller)
{
    releaseFrom(m_currentBrowserWindowControllers, controller);
}

void TRUIManager::releaseFrom(std::vector<std::unique_ptr<QWidget>> &list, QWidget *controller)
{
    const auto it = std::find_if(list.begin(), list.end(),
                                 [controller](const auto &c) { return c.get() == controller; });
    if (it != list.end()) {
        // Called while the window handles its close event: free it afterwards.
        it->release()->deleteLater();
        list.erase(it);
    }
}
