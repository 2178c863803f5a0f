#include "TRFirefoxDiscovery.h"

#include "TRDiagnostics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace TRFirefoxDiscovery {

namespace {

// profiles.ini lists a few profiles; anything much larger is not one.
constexpr qint64 largestList = 1024 * 1024;

using Section = QHash<QString, QString>;

// The sections of an INI text in order, each with its keys. Firefox writes
// plain "key=value" lines; a value is taken whole (a name may hold commas).
std::vector<std::pair<QString, Section>> sections(const QByteArray &text)
{
    std::vector<std::pair<QString, Section>> result;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[') && line.endsWith(']')) {
            result.emplace_back(QString::fromUtf8(line.mid(1, line.size() - 2)), Section());
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && !result.empty()) {
            result.back().second.insert(QString::fromUtf8(line.left(equals).trimmed()),
                                        QString::fromUtf8(line.mid(equals + 1).trimmed()));
        }
    }
    return result;
}

// The absolute folder of a profile's Path; none for a relative path that
// leaves root.
std::optional<QString> folderOf(const Section &section, const QString &root)
{
    const QString path = section.value(QStringLiteral("Path"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    if (section.value(QStringLiteral("IsRelative"), QStringLiteral("1")) != u"0") {
        const QString clean = QDir::cleanPath(path);
        if (QDir::isAbsolutePath(clean) || clean == u".." || clean.startsWith(u"../")) {
            return std::nullopt;
        }
        return root + u'/' + clean;
    }
    return QDir::isAbsolutePath(path) ? std::optional(QDir::cleanPath(path)) : std::nullopt;
}

// The Default= path of the first install section of text, if any.
QString installDefault(const QByteArray &text)
{
    // installs.ini names its sections by the install's hash; profiles.ini
    // the same, after "Install".
    for (const auto &[name, section] : sections(text)) {
        if (section.contains(QStringLiteral("Default")) && !name.startsWith(u"Profile") &&
            name != u"General") {
            return section.value(QStringLiteral("Default"));
        }
    }
    return {};
}

std::optional<QString> fileIn(const QString &folder, const QString &name)
{
    const QString path = folder + u'/' + name;
    return QFileInfo(path).isFile() ? std::optional(path) : std::nullopt;
}

} // namespace

std::optional<std::vector<ListedProfile>> profilesFromIni(const QByteArray &profilesIni,
                                                          const QByteArray &installsIni,
                                                          const QString &root, QString *error)
{
    if (profilesIni.contains('\0')) {
        if (error) {
            *error = QStringLiteral("The data isn’t in the correct format.");
        }
        return std::nullopt;
    }
    const auto all = sections(profilesIni);
    std::vector<std::pair<ListedProfile, bool>> listed;
    QString defaultPath = installDefault(installsIni);
    if (defaultPath.isEmpty()) {
        defaultPath = installDefault(profilesIni);
    }
    QString defaultFolder;
    for (const auto &[name, section] : all) {
        if (!name.startsWith(u"Profile")) {
            continue;
        }
        const std::optional<QString> folder = folderOf(section, root);
        if (!folder) {
            continue;
        }
        QString title = TRBrowserDiscovery::cleanName(section.value(QStringLiteral("Name")));
        if (title.isEmpty()) {
            title = TRBrowserDiscovery::cleanName(QFileInfo(*folder).fileName());
        }
        const bool isDefault = section.value(QStringLiteral("Default")) == u"1";
        if (!defaultPath.isEmpty() && section.value(QStringLiteral("Path")) == defaultPath) {
            defaultFolder = *folder;
        }
        listed.push_back({{*folder, title}, isDefault});
    }
    if (listed.empty() && !profilesIni.trimmed().isEmpty() && all.empty()) {
        if (error) {
            *error = QStringLiteral("The data isn’t in the correct format.");
        }
        return std::nullopt;
    }
    // The installation's default first, then the others by name.
    std::stable_sort(listed.begin(), listed.end(), [&defaultFolder](const auto &a, const auto &b) {
        const auto rank = [&defaultFolder](const std::pair<ListedProfile, bool> &entry) {
            return defaultFolder.isEmpty() ? (entry.second ? 0 : 1)
                                           : (entry.first.folder == defaultFolder ? 0 : 1);
        };
        if (rank(a) != rank(b)) {
            return rank(a) < rank(b);
        }
        return QString::localeAwareCompare(a.first.name, b.first.name) < 0;
    });
    std::vector<ListedProfile> result;
    for (auto &[profile, isDefault] : listed) {
        result.push_back(std::move(profile));
    }
    return result;
}

std::vector<Installation> installations(const TRBrowserDiscovery::Places &places)
{
    const QString home = QDir::cleanPath(QDir(places.home).absolutePath());
#ifdef Q_OS_MACOS
    return {{QStringLiteral("firefox"), QStringLiteral("Firefox"),
             home + QStringLiteral("/Library/Application Support/Firefox")}};
#else
    return {
        {QStringLiteral("firefox"), QStringLiteral("Firefox"),
         home + QStringLiteral("/.mozilla/firefox")},
        {QStringLiteral("firefox-flatpak"), QStringLiteral("Firefox (Flatpak)"),
         home + QStringLiteral("/.var/app/org.mozilla.firefox/.mozilla/firefox")},
        {QStringLiteral("firefox-snap"), QStringLiteral("Firefox (Snap)"),
         home + QStringLiteral("/snap/firefox/common/.mozilla/firefox")},
    };
#endif
}

std::optional<TRBrowserInstallation> browser(const QString &id,
                                             const TRBrowserDiscovery::Places &places)
{
    for (TRBrowserInstallation &found : TRFirefoxDiscovery::discover(places)) {
        if (found.id == id) {
            return std::move(found);
        }
    }
    return std::nullopt;
}

std::vector<TRBrowserInstallation> discover(const TRBrowserDiscovery::Places &places)
{
    std::vector<TRBrowserInstallation> found;
    QSet<QString> seen;
    for (const Installation &installation : installations(places)) {
        const QString &root = installation.root;
        if (!QFileInfo(root).isDir()) {
            continue;
        }
        TRBrowserInstallation browser;
        browser.id = installation.id;
        browser.displayName = installation.name;
        browser.root = root;
        const QString listPath = root + QStringLiteral("/profiles.ini");
        QFile list(listPath);
        QString error;
        std::optional<std::vector<ListedProfile>> listed;
        if (!QFileInfo(listPath).exists()) {
            listed.emplace();
        } else if (!QFileInfo(listPath).isFile() || list.size() > largestList ||
                   !list.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("The file couldn’t be opened.");
        } else {
            QFile installs(root + QStringLiteral("/installs.ini"));
            QByteArray installsText;
            if (QFileInfo(installs).isFile() && installs.size() <= largestList &&
                installs.open(QIODevice::ReadOnly)) {
                installsText = installs.readAll();
            }
            listed = profilesFromIni(list.readAll(), installsText, root, &error);
        }
        if (!listed) {
            TRDiagnostics::writeLine(
                QStringLiteral("Could not read profiles from '%1': %2").arg(listPath, error));
        }
        for (const ListedProfile &entry : listed.value_or(std::vector<ListedProfile>())) {
            const QString canonical = QFileInfo(entry.folder).canonicalFilePath();
            const std::optional<QString> placesFile =
                fileIn(entry.folder, QStringLiteral("places.sqlite"));
            if (canonical.isEmpty() || seen.contains(canonical) || !placesFile) {
                continue;
            }
            seen.insert(canonical);
            TRBrowserProfile profile;
            profile.folder = entry.folder;
            profile.name = entry.name;
            profile.bookmarks = placesFile;
            profile.history = placesFile;
            profile.favicons = fileIn(entry.folder, QStringLiteral("favicons.sqlite"));
            browser.profiles.push_back(std::move(profile));
        }
        found.push_back(std::move(browser));
    }
    return found;
}

} // namespace TRFirefoxDiscovery
