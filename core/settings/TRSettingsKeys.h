#pragma once

// Every key of the settings store, declared once, with the values that their
// registrars register next to them.

#include <QString>
#include <QVariantMap>

namespace TRSettingsKeys {

// General settings. The general defaults are registered as strings and read
// through the typed getters.
inline const QString firstRun = QStringLiteral("_defaults_firstRun");
inline const QString menuIconIndex = QStringLiteral("_defaults_menuIconIndex");
inline const QString menuIconName = QStringLiteral("_defaults_menuIconName");
inline const QString updateRateIndex = QStringLiteral("_defaults_updateRateIndex");
inline const QString updateRateInterval = QStringLiteral("_defaults_updateRateInterval");
inline const QString openBookmarksInSafari = QStringLiteral("_defaults_openBookmarksInSafari");
inline const QString useFavIcons = QStringLiteral("_defaults_useFavIcons");
inline const QString launchOnLogin = QStringLiteral("_defaults_launchOnLogin");
inline const QString hasCustomGoogleSearch = QStringLiteral("_defaults_hasCustomGoogleSearch");
inline const QString customGooglePrefix = QStringLiteral("_defaults_customGooglePrefix");
inline const QString lastSelectedPreferencesPane =
    QStringLiteral("_defaults_lastSelectedPreferencesPane");

// Whether each plugin is enabled.
inline const QString safariEnabled = QStringLiteral("tr_plugin_safari_enabled");
inline const QString googleChromeEnabled = QStringLiteral("tr_plugin_google_chrome_isEnabled");
inline const QString bonjourEnabled = QStringLiteral("tr_plugin_bonjour_enabled");

// Safari settings.
inline const QString allowSearch = QStringLiteral("_defaults_allowSearch");
inline const QString allowBookmarks = QStringLiteral("_defaults_allowBookmarks");
inline const QString allowBookmarksFromBookmarksBar =
    QStringLiteral("_defaults_allowBookmarksFromBookmarksBar");
inline const QString allowBookmarksFromBookmarksMenu =
    QStringLiteral("_defaults_allowBookmarksFromBookmarksMenu");
inline const QString allowReadingList = QStringLiteral("_defaults_allowReadingList");
inline const QString allowTopSites = QStringLiteral("_defaults_allowTopSites");
inline const QString allowHistory = QStringLiteral("_defaults_allowHistory");
inline const QString allowMostVisitedItems = QStringLiteral("_defaults_allowMostVisitedItems");
inline const QString allowLastSession = QStringLiteral("_defaults_allowLastSession");
inline const QString allowFlatList = QStringLiteral("_defaults_allowFlatList");
inline const QString showItemCount = QStringLiteral("_defaults_showItemCount");
inline const QString showVisitCount = QStringLiteral("_defaults_showVisitCount");
inline const QString showPrivateSessions = QStringLiteral("_defaults_showPrivateSessions");
inline const QString hasBookmarksData = QStringLiteral("_defaults_hasBookmarksData");
inline const QString hasTopSitesData = QStringLiteral("_defaults_hasTopSitesData");
inline const QString hasHistoryData = QStringLiteral("_defaults_hasHistoryData");
inline const QString hasLastSessionData = QStringLiteral("_defaults_hasLastSessionData");

// Chrome flags, written when a file is granted.
inline const QString googleChromeAllowBookmarks =
    QStringLiteral("tr_plugin_google_chrome_allowBookmarks");
inline const QString googleChromeHasBookmarksData =
    QStringLiteral("tr_plugin_google_chrome_hasBookmarksData");
inline const QString googleChromeAllowHistory =
    QStringLiteral("tr_plugin_google_chrome_allowHistory");
inline const QString googleChromeHasHistoryData =
    QStringLiteral("tr_plugin_google_chrome_hasHistoryData");

// Stored file grants; each key is also the file name of that source's private copy.
inline const QString bookmarksData = QStringLiteral("bookmarks_data");
inline const QString topSitesData = QStringLiteral("topsites_data");
inline const QString historyData = QStringLiteral("history_data");
inline const QString lastSessionData = QStringLiteral("last_session_data");
inline const QString googleChromeBookmarksData = QStringLiteral("google_chrome_bookmarks_data");
inline const QString googleChromeHistoryData = QStringLiteral("google_chrome_history_data");

// What the preferences controller registers at start-up, before any plugin exists.
inline QVariantMap generalDefaults()
{
    return {
        {menuIconIndex, QStringLiteral("0")},
        {updateRateIndex, QStringLiteral("0")},
        {openBookmarksInSafari, QStringLiteral("0")},
        {useFavIcons, QStringLiteral("0")},
        {launchOnLogin, QStringLiteral("0")},
        {hasCustomGoogleSearch, QStringLiteral("0")},
        {customGooglePrefix, QStringLiteral("com")},
        {lastSelectedPreferencesPane, QStringLiteral("1000")},
        {firstRun, QStringLiteral("1")},
    };
}

// What the Safari plugin registers when it is created.
inline QVariantMap safariDefaults()
{
    return {
        {safariEnabled, true},
        {allowSearch, true},
        {allowHistory, false},
        {showItemCount, false},
        {allowMostVisitedItems, false},
        {allowTopSites, false},
        {allowReadingList, false},
        {allowBookmarks, true},
        {allowBookmarksFromBookmarksBar, true},
        {allowBookmarksFromBookmarksMenu, true},
        {allowFlatList, false},
        {showPrivateSessions, false},
    };
}

// What the Chrome plugin registers when it is created.
inline QVariantMap googleChromeDefaults()
{
    return {{googleChromeEnabled, true}};
}

// What the Bonjour plugin registers when it is created.
inline QVariantMap bonjourDefaults()
{
    return {{bonjourEnabled, true}};
}

} // namespace TRSettingsKeys
