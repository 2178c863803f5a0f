#pragma once

// The names of every notification posted on the default notification centre.

#include <QString>

namespace TRNotificationNames {

inline const QString uiManagerShouldShowBrowser =
    QStringLiteral("TRUIManagerShouldShowBrowserNotification");
inline const QString menuControllerMenuNeedsUpdate =
    QStringLiteral("TRMenuControllerMenuNeedsUpdateNotification");
inline const QString pluginDidUpdate = QStringLiteral("TRPluginDidUpdateNotification");
// "Show website icons" was switched: the browsers' plugins read or drop their
// icon stores.
inline const QString websiteIconsDidChange = QStringLiteral("TRWebsiteIconsDidChangeNotification");
// The stored menu icon changed: the tray shows it at once, without a rebuild.
inline const QString menuControllerStatusItemImageNeedsUpdate =
    QStringLiteral("TRMenuControllerStatusItemImageNeedsUpdateNotification");
inline const QString googleChromePluginMenuNeedsUpdate =
    QStringLiteral("TRGoogleChromePluginMenuNeedsUpdateNotification");
inline const QString safariPluginMenuNeedsUpdate =
    QStringLiteral("TRSafariPluginMenuNeedsUpdateNotification");
// A plugin asks for the Plugins window open at its pane; the user-info key
// names the plugin.
inline const QString pluginSetupRequested = QStringLiteral("TRPluginSetupRequestedNotification");
inline const QString pluginNameKey = QStringLiteral("PluginName");
inline const QString safariBookmarksParserDidFinishParsing =
    QStringLiteral("TRSafariBookmarksParserDidFinishParsingNotification");

// The tray menu, the desktop's shortcut or a later `trellis --find` asks for
// the find window.
inline const QString findWindowRequested = QStringLiteral("TRFindWindowRequestedNotification");

// Sent to the launcher application over the session bus, not posted here.
inline const QString launcherApplicationShouldTerminate =
    QStringLiteral("TRLauncherApplicationShouldTerminateNotification");

// The user-info key of the "show" request.
inline const QString browserActionTypeKey = QStringLiteral("BrowserActionType");

} // namespace TRNotificationNames
