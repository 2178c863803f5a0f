#include "TRUIManager.h"

#include "TRBrowserModule.h"
#include "TRBrowserWindowFactory.h"
#include "TRCurrentEvent.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QDesktopServices>
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
            if (opensInDefaultBrowser()) {
                QDesktopServices::openUrl(bookmark->url());
            } else {
                openBrowserWindow(TRBrowserMode::Bookmark{bookmark}, true);
            }
        }
    } else if (const auto *showUrl = std::get_if<ShowURL>(&action)) {
        if (opensInDefaultBrowser()) {
            QDesktopServices::openUrl(showUrl->url);
        } else {
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
