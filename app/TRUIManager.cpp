#include "TRUIManager.h"

#include "TRBrowserWindowController.h"
#include "TRCurrentEvent.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QDesktopServices>

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
            openBrowserWindow(TRBrowserViewController::BookmarkGroup{bookmark}, true);
        } else if (bookmark->hasUrl()) {
            if (opensInDefaultBrowser()) {
                QDesktopServices::openUrl(bookmark->url());
            } else {
                openBrowserWindow(TRBrowserViewController::Bookmark{bookmark}, true);
            }
        }
    } else if (const auto *showUrl = std::get_if<ShowURL>(&action)) {
        if (opensInDefaultBrowser()) {
            QDesktopServices::openUrl(showUrl->url);
        } else {
            openBrowserWindow(TRBrowserViewController::Web{showUrl->url, showUrl->customName},
                              true);
        }
    } else {
        openBrowserWindow(TRBrowserViewController::Search{}, false);
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

void TRUIManager::openBrowserWindow(const TRBrowserViewController::BrowserType &type, bool tracked)
{
    auto controller = std::make_unique<TRBrowserWindowController>();
    controller->browserType = type;
    auto &list = tracked ? m_currentBrowserWindowControllers : m_searchWindowControllers;
    controller->onDismiss = [this, &list](TRBrowserWindowController *closed) {
        releaseFrom(list, closed);
    };
    TRBrowserWindowController *window = controller.get();
    list.push_back(std::move(controller));
    window->showWindow();
}

void TRUIManager::dismiss(TRBrowserWindowController *controller)
{
    releaseFrom(m_currentBrowserWindowControllers, controller);
}

void TRUIManager::releaseFrom(std::vector<std::unique_ptr<TRBrowserWindowController>> &list,
                              TRBrowserWindowController *controller)
{
    const auto it = std::find_if(list.begin(), list.end(),
                                 [controller](const auto &c) { return c.get() == controller; });
    if (it != list.end()) {
        // Called while the window handles its close event: free it afterwards.
        it->release()->deleteLater();
        list.erase(it);
    }
}
