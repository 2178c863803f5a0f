#include "TRBrowserSettings.h"

#include "TRBrowserDiscovery.h"
#include "TRFileGrant.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString chromeId = QStringLiteral("chrome");

// The folder a path lies in, as the file system names it; a folder reached
// through a symbolic link is the same folder.
QString canonicalFolder(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QString() : QFileInfo(canonical).path();
}

QString canonicalPath(const QString &folder)
{
    return QFileInfo(folder).canonicalFilePath();
}

// A key stem takes letters, digits and the percent escapes of everything
// else, so that it is also a plain file name.
QString stemPart(const QString &text)
{
    QString part = QString::fromLatin1(QUrl::toPercentEncoding(text, "-"));
    part.replace(u'.', QStringLiteral("%2E"));
    part.replace(u'~', QStringLiteral("%7E"));
    part.replace(u'_', QStringLiteral("%5F"));
    return part;
}

} // namespace

TRBrowserSettings::TRBrowserSettings(const QString &browserId)
    : m_browserId(browserId)
    , m_keepsPlaces(browserId == QStringLiteral("firefox") ||
                    browserId.startsWith(QStringLiteral("firefox-")))
{
    if (browserId == chromeId) {
        m_enabled = TRSettingsKeys::googleChromeEnabled;
        m_flagStem = QStringLiteral("tr_plugin_google_chrome");
        m_mainStem = QStringLiteral("google_chrome");
        m_menuNeedsUpdate = TRNotificationNames::googleChromePluginMenuNeedsUpdate;
        return;
    }
    QString keyId = browserId;
    keyId.replace(u'-', u'_');
    m_flagStem = QStringLiteral("tr_plugin_") + keyId;
    m_enabled = m_flagStem + QStringLiteral("_isEnabled");
    m_mainStem = m_flagStem;
    m_menuNeedsUpdate = m_flagStem + QStringLiteral("_menuNeedsUpdate");
}

QString TRBrowserSettings::profileStem(const QString &profileFolder) const
{
    return m_flagStem + QStringLiteral("_profile_") + stemPart(QFileInfo(profileFolder).fileName());
}

QString TRBrowserSettings::dataKey(const QString &stem, File file)
{
    switch (file) {
    case File::bookmarks:
        return stem + QStringLiteral("_bookmarks_data");
    case File::accountBookmarks:
        return stem + QStringLiteral("_account_bookmarks_data");
    case File::places:
        return stem + QStringLiteral("_places_data");
    case File::favicons:
        return stem + QStringLiteral("_favicons_data");
    case File::history:
        break;
    }
    return stem + QStringLiteral("_history_data");
}

bool TRBrowserSettings::isSwitchOn(const TRSettings &settings, const QString &key)
{
    const QVariant value = settings.objectForKey(key);
    return !value.isValid() || value.toBool();
}

TRBrowserSettings::Slot TRBrowserSettings::slot(const TRSettings &settings,
                                                const QString &stem) const
{
    Slot slot;
    slot.stem = stem;
    slot.bookmarks = settings.dataForKey(dataKey(stem, File::bookmarks));
    slot.accountBookmarks = settings.dataForKey(dataKey(stem, File::accountBookmarks));
    slot.history = settings.dataForKey(dataKey(stem, File::history));
    slot.favicons = settings.dataForKey(dataKey(stem, File::favicons));
    if (m_keepsPlaces) {
        slot.places = settings.dataForKey(dataKey(stem, File::places));
        slot.showsBookmarks = isSwitchOn(settings, allowBookmarksKey());
        slot.showsHistory = isSwitchOn(settings, allowHistoryKey());
    }
    for (const auto &grant : {slot.places, slot.bookmarks, slot.accountBookmarks, slot.history}) {
        if (const auto path = grant ? TRFileGrant::resolve(*grant, nullptr) : std::nullopt) {
            slot.folder = canonicalFolder(*path);
            if (!slot.folder.isEmpty()) {
                break;
            }
        }
    }
    return slot;
}

QStringList TRBrowserSettings::grantedProfiles(const TRSettings &settings) const
{
    const QVariant list = settings.objectForKey(m_flagStem + QStringLiteral("_grantedProfiles"));
    QStringList stems;
    // Anything but a list of stems of this browser is ignored: a stem names
    // files in the private folder.
    for (const QVariant &value : list.toList()) {
        const QString stem = value.toString();
        if (value.typeId() == QMetaType::QString && stem.startsWith(m_flagStem + u'_') &&
            !stem.contains(u'/') && !stems.contains(stem)) {
            stems.push_back(stem);
        }
    }
    return stems;
}

std::vector<TRBrowserSettings::Slot>
TRBrowserSettings::grantedSlots(const TRSettings &settings) const
{
    std::vector<Slot> granted;
    Slot main = slot(settings, m_mainStem);
    const QString mainFolder = main.folder;
    if (main.isGranted()) {
        granted.push_back(std::move(main));
    }
    for (const QString &stem : grantedProfiles(settings)) {
        Slot profile = slot(settings, stem);
        if (profile.isGranted() && (profile.folder.isEmpty() || profile.folder != mainFolder)) {
            granted.push_back(std::move(profile));
        }
    }
    return granted;
}

bool TRBrowserSettings::use(TRSettings &settings, const TRBrowserProfile &profile) const
{
    const QString folder = canonicalPath(profile.folder);
    const Slot main = slot(settings, m_mainStem);
    const bool intoMain = !main.isGranted() || (!folder.isEmpty() && main.folder == folder);
    const QString stem = intoMain ? m_mainStem : profileStem(profile.folder);

    bool granted = false;
    bool bookmarks = false;
    bool history = false;
    if (m_keepsPlaces) {
        // One database holds both; the switches say which the menu shows.
        const auto path = profile.bookmarks ? profile.bookmarks : profile.history;
        const auto grant = path ? TRFileGrant::make(*path) : std::nullopt;
        if (grant) {
            settings.setData(dataKey(stem, File::places), *grant);
            settings.setBool(hasBookmarksDataKey(), true);
            settings.setBool(hasHistoryDataKey(), true);
            granted = true;
        }
    } else {
        for (const auto &[file, path] :
             {std::pair(File::bookmarks, profile.bookmarks),
              std::pair(File::accountBookmarks, profile.accountBookmarks),
              std::pair(File::history, profile.history)}) {
            const auto grant = path ? TRFileGrant::make(*path) : std::nullopt;
            if (grant) {
                settings.setData(dataKey(stem, file), *grant);
                granted = true;
                (file == File::history ? history : bookmarks) = true;
            } else {
                // A file the profile no longer has is not read from an old grant.
                settings.removeObject(dataKey(stem, file));
            }
        }
    }
    // The icons come with the profile, but alone they grant nothing.
    if (granted) {
        const auto grant = profile.favicons ? TRFileGrant::make(*profile.favicons) : std::nullopt;
        if (grant) {
            settings.setData(dataKey(stem, File::favicons), *grant);
        } else {
            settings.removeObject(dataKey(stem, File::favicons));
        }
    }
    if (bookmarks) {
        settings.setBool(allowBookmarksKey(), true);
        settings.setBool(hasBookmarksDataKey(), true);
    }
    if (history) {
        settings.setBool(allowHistoryKey(), true);
        settings.setBool(hasHistoryDataKey(), true);
    }
    if (granted && !intoMain) {
        QStringList stems = grantedProfiles(settings);
        if (!stems.contains(stem)) {
            stems.push_back(stem);
            settings.setObject(m_flagStem + QStringLiteral("_grantedProfiles"), stems);
        }
    }
    return granted;
}

QString TRBrowserSettings::iconStoreName() const
{
    return m_keepsPlaces ? QStringLiteral("favicons.sqlite") : QStringLiteral("Favicons");
}

bool TRBrowserSettings::grantIconStore(TRSettings &settings, Slot &slot) const
{
    if (slot.favicons || slot.folder.isEmpty()) {
        return false;
    }
    const QString path = QDir(slot.folder).filePath(iconStoreName());
    const auto grant = QFileInfo(path).isFile() ? TRFileGrant::make(path) : std::nullopt;
    if (!grant) {
        return false;
    }
    settings.setData(dataKey(slot.stem, File::favicons), *grant);
    slot.favicons = grant;
    return true;
}

bool TRBrowserSettings::isInUse(const TRSettings &settings, const TRBrowserProfile &profile) const
{
    const QString folder = canonicalPath(profile.folder);
    if (folder.isEmpty()) {
        return false;
    }
    for (const Slot &slot : grantedSlots(settings)) {
        if (slot.folder == folder) {
            return true;
        }
    }
    return false;
}
