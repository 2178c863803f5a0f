#include "TRBrowserDiscovery.h"

#include "TRDiagnostics.h"
#include "TRFirefoxDiscovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <array>

namespace TRBrowserDiscovery {

namespace {

constexpr qsizetype longestName = 100;

// One browser and where its installations keep their configuration folder.
struct Kind
{
    const char *id;
    const char *name;
    // Below the configuration home (on macOS, below Application Support).
    const char *folder;
    // The Flatpak application and the Snap package; none when the browser
    // is not packaged that way.
    const char *flatpak;
    const char *snap;
};

#ifdef Q_OS_MACOS
constexpr std::array kinds{
    Kind{"chrome", "Google Chrome", "Google/Chrome", nullptr, nullptr},
    Kind{"chrome-beta", "Google Chrome Beta", "Google/Chrome Beta", nullptr, nullptr},
    Kind{"chrome-unstable", "Google Chrome Canary", "Google/Chrome Canary", nullptr, nullptr},
    Kind{"chromium", "Chromium", "Chromium", nullptr, nullptr},
    Kind{"brave", "Brave", "BraveSoftware/Brave-Browser", nullptr, nullptr},
    Kind{"edge", "Microsoft Edge", "Microsoft Edge", nullptr, nullptr},
    Kind{"vivaldi", "Vivaldi", "Vivaldi", nullptr, nullptr},
    Kind{"opera", "Opera", "com.operasoftware.Opera", nullptr, nullptr},
};
#else
// Flathub ships Chrome's stable channel and its unstable one (ChromeDev), no
// beta; Snap has no Chrome or Edge.
constexpr std::array kinds{
    Kind{"chrome", "Google Chrome", "google-chrome", "com.google.Chrome", nullptr},
    Kind{"chrome-beta", "Google Chrome Beta", "google-chrome-beta", nullptr, nullptr},
    Kind{"chrome-unstable", "Google Chrome Unstable", "google-chrome-unstable",
         "com.google.ChromeDev", nullptr},
    Kind{"chromium", "Chromium", "chromium", "org.chromium.Chromium", "chromium"},
    Kind{"brave", "Brave", "BraveSoftware/Brave-Browser", "com.brave.Browser", "brave"},
    Kind{"edge", "Microsoft Edge", "microsoft-edge", "com.microsoft.Edge", nullptr},
    Kind{"vivaldi", "Vivaldi", "vivaldi", "com.vivaldi.Vivaldi", "vivaldi"},
    Kind{"opera", "Opera", "opera", "com.opera.Opera", "opera"},
};
#endif

enum class Packaging { native, flatpak, snap };
constexpr std::array packagings{Packaging::native, Packaging::flatpak, Packaging::snap};

QString idOf(const Kind &kind, Packaging packaging)
{
    const QString id = QString::fromLatin1(kind.id);
    switch (packaging) {
    case Packaging::flatpak:
        return id + QStringLiteral("-flatpak");
    case Packaging::snap:
        return id + QStringLiteral("-snap");
    case Packaging::native:
        break;
    }
    return id;
}

QString nameOf(const Kind &kind, Packaging packaging)
{
    const QString name = QString::fromLatin1(kind.name);
    switch (packaging) {
    case Packaging::flatpak:
        return name + QStringLiteral(" (Flatpak)");
    case Packaging::snap:
        return name + QStringLiteral(" (Snap)");
    case Packaging::native:
        break;
    }
    return name;
}

bool packaged(const Kind &kind, Packaging packaging)
{
    switch (packaging) {
    case Packaging::flatpak:
        return kind.flatpak != nullptr;
    case Packaging::snap:
        return kind.snap != nullptr;
    case Packaging::native:
        break;
    }
    return true;
}

bool isFolder(const QString &path)
{
    return QFileInfo(path).isDir();
}

// The installation's configuration folder when it exists. A Snap keeps it in
// its common folder (Chromium) or in the home of its current revision.
std::optional<QString> rootOf(const Kind &kind, Packaging packaging, const Places &places)
{
    const QString folder = QString::fromLatin1(kind.folder);
    QStringList candidates;
    switch (packaging) {
    case Packaging::native:
#ifdef Q_OS_MACOS
        candidates << places.home + QStringLiteral("/Library/Application Support/") + folder;
#else
        candidates << places.configHome + u'/' + folder;
#endif
        break;
    case Packaging::flatpak:
        candidates << places.home + QStringLiteral("/.var/app/") +
                          QString::fromLatin1(kind.flatpak) + QStringLiteral("/config/") + folder;
        break;
    case Packaging::snap: {
        const QString snap =
            places.home + QStringLiteral("/snap/") + QString::fromLatin1(kind.snap);
        candidates << snap + QStringLiteral("/common/") + folder
                   << snap + QStringLiteral("/current/.config/") + folder;
        break;
    }
    }
    for (const QString &candidate : std::as_const(candidates)) {
        if (isFolder(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

// Places made absolute, with the configuration home filled in.
bool isFirefox(const QString &id)
{
    return id == QStringLiteral("firefox") || id.startsWith(QStringLiteral("firefox-"));
}

Places completed(const Places &places)
{
    Places result;
    result.home = QDir::cleanPath(QDir(places.home).absolutePath());
    if (places.configHome.isEmpty()) {
        const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
        result.configHome = QDir::isAbsolutePath(fromEnvironment)
                                ? fromEnvironment
                                : result.home + QStringLiteral("/.config");
    } else {
        result.configHome = QDir(places.configHome).absolutePath();
    }
    result.configHome = QDir::cleanPath(result.configHome);
    return result;
}

// Bidirectional controls reorder the rest of a menu's text; they and the
// C0/C1 controls go, line and paragraph separators become spaces.
bool isBidiControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// A folder name from the browser's list that stays inside the configuration
// folder: one plain name, never "..", a path or a drive.
bool isPlainFolderName(const QString &folder)
{
    return !folder.isEmpty() && folder != u"." && folder != u".." && !folder.contains(u'/') &&
           !folder.contains(u'\\') && !folder.contains(QChar(0)) && !QDir::isAbsolutePath(folder);
}

// The number that follows "Profile " in Chrome's own folder names, or -1.
qint64 profileNumber(const QString &folder)
{
    static const QString prefix = QStringLiteral("Profile ");
    if (!folder.startsWith(prefix) || folder.size() == prefix.size() ||
        folder.size() > prefix.size() + 9) {
        return -1;
    }
    bool ok = false;
    const qint64 number = QStringView(folder).mid(prefix.size()).toLongLong(&ok);
    return ok && number >= 0 && folder.at(prefix.size()).isDigit() ? number : -1;
}

// "Default" first, then "Profile N" by N, then the rest by name.
bool countsBefore(const QString &a, const QString &b)
{
    const auto rank = [](const QString &folder) {
        if (folder == u"Default") {
            return std::pair<int, qint64>{0, 0};
        }
        const qint64 number = profileNumber(folder);
        return number >= 0 ? std::pair<int, qint64>{1, number} : std::pair<int, qint64>{2, 0};
    };
    const auto rankA = rank(a);
    const auto rankB = rank(b);
    if (rankA != rankB) {
        return rankA < rankB;
    }
    return a < b;
}

// Bigger than any real "Local State" (tens of kilobytes) by far.
constexpr qint64 largestLocalState = 16 * 1024 * 1024;

void complain(const QString &path, const QString &reason)
{
    TRDiagnostics::writeLine(
        QStringLiteral("Could not read profiles from '%1': %2").arg(path, reason));
}

// The profiles root's "Local State" lists: none when it is missing or cannot
// be read (that said on standard output), empty when it lists none.
std::optional<std::vector<ListedProfile>> listedProfiles(const QString &root)
{
    const QString path = root + QStringLiteral("/Local State");
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return std::nullopt;
    }
    // Only a regular file is opened: a named pipe would wait for a writer.
    if (!info.isFile()) {
        complain(path, info.isDir() ? QStringLiteral("it is a folder")
                                    : QStringLiteral("it is not a regular file"));
        return std::nullopt;
    }
    if (info.size() > largestLocalState) {
        complain(path, QStringLiteral("it is too large"));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        complain(path, file.errorString());
        return std::nullopt;
    }
    QString error;
    auto listed = profilesFromLocalState(file.read(largestLocalState), &error);
    if (!listed) {
        complain(path, error);
    }
    return listed;
}

std::optional<QString> fileIn(const QString &folder, const QString &name)
{
    const QString path = folder + u'/' + name;
    // QFileInfo follows a symbolic link to the file it names.
    if (QFileInfo(path).isFile()) {
        return path;
    }
    return std::nullopt;
}

TRBrowserProfile profileAt(const QString &folder, const QString &name)
{
    TRBrowserProfile profile;
    profile.folder = folder;
    profile.name = name;
    profile.bookmarks = fileIn(folder, QStringLiteral("Bookmarks"));
    profile.accountBookmarks = fileIn(folder, QStringLiteral("AccountBookmarks"));
    profile.history = fileIn(folder, QStringLiteral("History"));
    profile.favicons = fileIn(folder, QStringLiteral("Favicons"));
    return profile;
}

// Without a usable list: every folder of root holding a profile's files, and
// root itself when it holds them. Chrome's guest and system profiles are
// throwaway sessions, not a person's.
std::vector<TRBrowserProfile> scannedProfiles(const QString &root, const QString &rootName)
{
    std::vector<TRBrowserProfile> found;
    TRBrowserProfile own = profileAt(root, rootName);
    if (own.hasData()) {
        found.push_back(std::move(own));
    }
    QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders.removeAll(QStringLiteral("Guest Profile"));
    folders.removeAll(QStringLiteral("System Profile"));
    std::sort(folders.begin(), folders.end(), countsBefore);
    for (const QString &folder : std::as_const(folders)) {
        TRBrowserProfile profile = profileAt(root + u'/' + folder, cleanName(folder));
        if (profile.hasData()) {
            found.push_back(std::move(profile));
        }
    }
    return found;
}

TRBrowserInstallation browserAt(const Kind &kind, Packaging packaging, const QString &root)
{
    TRBrowserInstallation browser;
    browser.id = idOf(kind, packaging);
    browser.displayName = nameOf(kind, packaging);
    browser.root = root;
    // Opera's files sit in its folder itself: that profile is the browser.
    browser.profiles = profiles(root, QString::fromLatin1(kind.name));
    return browser;
}

} // namespace

QString cleanName(const QString &name)
{
    QString clean;
    clean.reserve(std::min(name.size(), longestName + 1));
    for (const QChar c : name) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == u'\t' ||
            c == u'\n' || c == u'\r') {
            clean += u' ';
        } else if (c.category() != QChar::Other_Control && !isBidiControl(c.unicode())) {
            clean += c;
        }
    }
    clean = clean.simplified();
    if (clean.size() > longestName) {
        // Not between the two halves of a surrogate pair.
        qsizetype end = longestName;
        if (clean.at(end - 1).isHighSurrogate()) {
            --end;
        }
        clean = clean.left(end).trimmed() + QChar(0x2026);
    }
    return clean;
}

Places currentPlaces()
{
    return completed({QDir::homePath(), QString()});
}

std::optional<std::vector<ListedProfile>> profilesFromLocalState(const QByteArray &bytes,
                                                                 QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        if (error) {
            *error = parseError.error != QJsonParseError::NoError
                         ? QStringLiteral("%1 at offset %2")
                               .arg(parseError.errorString())
                               .arg(parseError.offset)
                         : QStringLiteral("it is not a JSON object");
        }
        return std::nullopt;
    }
    std::vector<ListedProfile> listed;
    const QJsonValue profile = document.object().value(QLatin1StringView("profile"));
    const QJsonObject cache = profile[QLatin1StringView("info_cache")].toObject();
    if (cache.isEmpty()) {
        return listed;
    }

    QStringList order;
    const QJsonValue ordered = profile[QLatin1StringView("profiles_order")];
    const QJsonArray orderedList = ordered.toArray();
    const bool strings =
        ordered.isArray() && std::all_of(orderedList.begin(), orderedList.end(),
                                         [](const QJsonValue &value) { return value.isString(); });
    QSet<QString> placed;
    if (strings) {
        for (const QJsonValue &value : orderedList) {
            const QString folder = value.toString();
            if (cache.contains(folder) && !placed.contains(folder)) {
                order << folder;
                placed.insert(folder);
            }
        }
    }
    // The ones the order leaves out (or all, without a usable order), as
    // people count.
    QStringList rest;
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (!placed.contains(it.key())) {
            rest << it.key();
        }
    }
    std::sort(rest.begin(), rest.end(), countsBefore);
    order << rest;

    for (const QString &folder : std::as_const(order)) {
        if (!isPlainFolderName(folder)) {
            continue;
        }
        const QJsonValue name = cache.value(folder)[QLatin1StringView("name")];
        listed.push_back({folder, name.isString() ? cleanName(name.toString()) : QString()});
    }
    return listed;
}

std::vector<TRBrowserProfile> profiles(const QString &root, const QString &rootName)
{
    const QString ownName = rootName.isEmpty() ? cleanName(QFileInfo(root).fileName()) : rootName;
    const std::optional<std::vector<ListedProfile>> listed = listedProfiles(root);
    if (!listed || listed->empty()) {
        return scannedProfiles(root, ownName);
    }
    std::vector<TRBrowserProfile> found;
    for (const ListedProfile &entry : *listed) {
        const QString folder = root + u'/' + entry.folder;
        if (!isFolder(folder)) {
            continue;
        }
        TRBrowserProfile profile =
            profileAt(folder, entry.name.isEmpty() ? cleanName(entry.folder) : entry.name);
        if (profile.hasData()) {
            found.push_back(std::move(profile));
        }
    }
    // A list that names nothing on disk is stale (a copied or reset folder):
    // what the folder holds is what there is.
    return found.empty() ? scannedProfiles(root, ownName) : found;
}

std::vector<TRBrowserInstallation> discover(const Places &places)
{
    const Places where = completed(places);
    std::vector<TRBrowserInstallation> found;
    QSet<QString> seen;
    for (const Kind &kind : kinds) {
        for (const Packaging packaging : packagings) {
            if (!packaged(kind, packaging)) {
                continue;
            }
            const std::optional<QString> root = rootOf(kind, packaging, where);
            if (!root) {
                continue;
            }
            TRBrowserInstallation browser = browserAt(kind, packaging, *root);
            std::erase_if(browser.profiles, [&seen](const TRBrowserProfile &profile) {
                const QString canonical = QFileInfo(profile.folder).canonicalFilePath();
                if (seen.contains(canonical)) {
                    return true;
                }
                seen.insert(canonical);
                return false;
            });
            found.push_back(std::move(browser));
        }
    }
    // Firefox last: most users who have it have a Chromium browser too,
    // and it lists its profiles apart.
    for (TRBrowserInstallation &firefox : TRFirefoxDiscovery::discover(where)) {
        found.push_back(std::move(firefox));
    }
    return found;
}

std::optional<TRBrowserInstallation> browser(const QString &id, const Places &places)
{
    const Places where = completed(places);
    if (isFirefox(id)) {
        return TRFirefoxDiscovery::browser(id, where);
    }
    for (const Kind &kind : kinds) {
        for (const Packaging packaging : packagings) {
            if (!packaged(kind, packaging) || idOf(kind, packaging) != id) {
                continue;
            }
            const std::optional<QString> root = rootOf(kind, packaging, where);
            if (!root) {
                return std::nullopt;
            }
            return browserAt(kind, packaging, *root);
        }
    }
    return std::nullopt;
}

bool isInstalled(const QString &id, const Places &places)
{
    const Places where = completed(places);
    for (const TRFirefoxDiscovery::Installation &firefox :
         TRFirefoxDiscovery::installations(where)) {
        if (firefox.id == id) {
            return QFileInfo(firefox.root).isDir();
        }
    }
    for (const Kind &kind : kinds) {
        for (const Packaging packaging : packagings) {
            if (packaged(kind, packaging) && idOf(kind, packaging) == id) {
                return rootOf(kind, packaging, where).has_value();
            }
        }
    }
    return false;
}

std::vector<QString> knownIds()
{
    std::vector<QString> ids;
    for (const Kind &kind : kinds) {
        for (const Packaging packaging : packagings) {
            if (packaged(kind, packaging)) {
                ids.push_back(idOf(kind, packaging));
            }
        }
    }
    for (const TRFirefoxDiscovery::Installation &firefox : TRFirefoxDiscovery::installations({})) {
        ids.push_back(firefox.id);
    }
    return ids;
}

QString displayName(const QString &id)
{
    for (const Kind &kind : kinds) {
        for (const Packaging packaging : packagings) {
            if (packaged(kind, packaging) && idOf(kind, packaging) == id) {
                return nameOf(kind, packaging);
            }
        }
    }
    for (const TRFirefoxDiscovery::Installation &firefox : TRFirefoxDiscovery::installations({})) {
        if (firefox.id == id) {
            return firefox.name;
        }
    }
    return {};
}

} // namespace TRBrowserDiscovery
