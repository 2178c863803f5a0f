#include "TRTestPluginEvents.h"

#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"

TRTestPluginEvents::TRTestPluginEvents()
{
    auto &center = TRNotificationCenter::defaultCenter();
    center.addObserver(this, TRNotificationNames::pluginDidUpdate,
                       [this](const TRNotification &) { ++rebuilds; });
    center.addObserver(this, TRNotificationNames::uiManagerShouldShowBrowser,
                       [this](const TRNotification &notification) {
                           shown << notification.userInfo
                                        .value(TRNotificationNames::browserActionTypeKey)
                                        .value<TRUIManager::BrowserActionType>();
                       });
}

void TRTestPluginEvents::reset()
{
    rebuilds = 0;
    shown.clear();
}
