#include "TRChromiumHome.h"

#include "TRBrowserFiles.h"
#include "TRCorpusIcons.h"
#include "TRFaviconStoreWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <SQLiteCpp/Exception.h>

#include <algorithm>
#include <array>

namespace {

// Where each browser keeps its configuration, relative to a home whose
// configuration folder is .config. A Snap keeps it in its common folder
// (Chromium) or in the home of its current revision (the others).
constexpr std::array roots{
    ".config/google-chrome",
    ".var/app/org.chromium.Chromium/config/chromium",
    "snap/chromium/common/chromium",
    ".config/BraveSoftware/Brave-Browser",
    ".var/app/com.microsoft.Edge/config/microsoft-edge",
    "snap/vivaldi/current/.config/vivaldi",
    ".config/chromium",
    ".config/microsoft-edge",
    ".config/vivaldi",
    ".config/google-chrome-beta",
    ".config/google-chrome-unstable",
    ".var/app/com.google.Chrome/config/google-chrome",
    ".var/app/com.google.ChromeDev/config/google-chrome-unstable",
    ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
    ".var/app/com.vivaldi.Vivaldi/config/vivaldi",
    "snap/brave/current/.config/BraveSoftware/Brave-Browser",
};

constexpr std::array names{"Work", "Family", "Travel", "School", "Side project", "Shopping"};

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size()) {
        return true;
    }
    if (error) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    }
    return false;
}

// The icons of the profiles' two sites: example.org's front page has its
// own, news.example's only its site's (another page of the site has one).
QByteArray favicons()
{
    const TRCorpusIcons icons(1);
    TRFaviconStoreWriter::Store store;
    store.updated = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch() * 1000;
    for (const QByteArray url :
         {"https://example.org/favicon.ico", "https://news.example/favicon.ico"}) {
        store.icons.push_back(
            {url, 1, false, {{16, icons.png(url, 16)}, {32, icons.png(url, 32)}}});
    }
    store.mappings = {{"https://example.org/", 0}, {"https://news.example/latest", 1}};
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Favicons"));
    try {
        TRFaviconStoreWriter::writeChromium(path, store);
    } catch (const SQLite::Exception &) {
        return {};
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int TRChromiumHome::maxBrowsers()
{
    return int(roots.size());
}

QList<TRChromiumHome::Browser> TRChromiumHome::layout(int browsers, int profiles)
{
    QList<Browser> result;
    for (int b = 0; b < std::min(browsers, maxBrowsers()); ++b) {
        Browser browser{QString::fromLatin1(roots.at(std::size_t(b))), {}};
        if (profiles > 0) {
            browser.profiles.append(
                {QStringLiteral("Default"), QStringLiteral("Person 1"), b == 0});
        }
        // The newer profiles first, as after a user moved them up.
        for (int p = profiles - 1; p >= 1; --p) {
            const QString name = QString::fromLatin1(names.at(std::size_t(p - 1) % names.size()));
            browser.profiles.append(
                {QStringLiteral("Profile %1").arg(p),
                 p > int(names.size()) ? QStringLiteral("%1 %2").arg(name).arg(p) : name, false});
        }
        result.append(browser);
    }
    return result;
}

bool TRChromiumHome::write(const QString &home, const QList<Browser> &browsers, QString *error)
{
    // Every profile holds the same small files: what is timed is finding
    // them, not their size.
    const QByteArray bookmarks = TRBrowserFiles::chromeBookmarks(
        {{QStringLiteral("Example"), QStringLiteral("https://example.org/")},
         {QStringLiteral("News"), QStringLiteral("https://news.example/")}});
    const QByteArray accountBookmarks = TRBrowserFiles::chromeBookmarks(
        {{QStringLiteral("Saved on the phone"), QStringLiteral("https://phone.example/")}});
    const QDateTime now(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    const QByteArray history = TRBrowserFiles::chromeHistory(
        {{"Example", "https://example.org/", 3, TRBrowserFiles::chromeTime(now.addSecs(-600))},
         {"News", "https://news.example/", 1, TRBrowserFiles::chromeTime(now.addDays(-1))}});
    const QByteArray icons = favicons();
    if (history.isEmpty() || icons.isEmpty()) {
        if (error) {
            *error = QStringLiteral("cannot make a History or Favicons database");
        }
        return false;
    }

    for (const Browser &browser : browsers) {
        const QString root = home + u'/' + browser.root;
        QList<std::pair<QString, QString>> listed;
        for (const Profile &profile : browser.profiles) {
            listed.append({profile.folder, profile.name});
            const QString folder = root + u'/' + profile.folder;
            if (!writeFile(folder + QStringLiteral("/Bookmarks"), bookmarks, error) ||
                !writeFile(folder + QStringLiteral("/History"), history, error) ||
                !writeFile(folder + QStringLiteral("/Favicons"), icons, error) ||
                (profile.accountBookmarks &&
                 !writeFile(folder + QStringLiteral("/AccountBookmarks"), accountBookmarks,
                            error))) {
                return false;
            }
        }
        if (!writeFile(root + QStringLiteral("/Local State"),
                       TRBrowserFiles::chromiumLocalState(listed), error)) {
            return false;
        }
    }
    return true;
}
