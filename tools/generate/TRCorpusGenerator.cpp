#include "TRCorpusGenerator.h"

#include "TRChromeCorpus.h"
#include "TRCorpusRandom.h"
#include "TRCorpusScale.h"
#include "TRCorpusWeb.h"
#include "TRFirefoxCorpus.h"
#include "TRSafariCorpus.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <SQLiteCpp/Exception.h>

namespace {

// The version of what the generator writes: a change of the files for the
// same options makes a new one.
constexpr int version = 3;

} // namespace

QDateTime TRCorpusGenerator::defaultNow()
{
    return QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
}

TRCorpusGenerator::TRCorpusGenerator(Options options)
    : m_options(std::move(options))
{}

bool TRCorpusGenerator::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool TRCorpusGenerator::write(const QString &folder)
{
    m_error.clear();
    m_manifest = {};
    std::optional<TRCorpusScale> scale = TRCorpusScale::named(m_options.scale);
    if (!scale) {
        return fail(QStringLiteral("unknown scale: ") + m_options.scale);
    }
    if (m_options.visits) {
        scale = scale->withVisits(*m_options.visits);
    }
    if (m_options.days) {
        scale = scale->withDays(*m_options.days);
    }
    for (const QString &browser : m_options.only) {
        if (!browsers().contains(browser)) {
            return fail(QStringLiteral("unknown browser: ") + browser);
        }
    }
    const auto wanted = [this](const char *browser) {
        return m_options.only.isEmpty() || m_options.only.contains(QLatin1StringView(browser));
    };
    if (!QDir().mkpath(folder)) {
        return fail(QStringLiteral("cannot make ") + folder);
    }
    const QDir out(folder);
    const QDateTime now = m_options.now.toUTC();

    // Every browser visits the same web.
    TRCorpusRandom random(m_options.seed, 1);
    const TRCorpusWeb web(scale->hosts, random);
    QJsonObject manifest{{"generator", "trellis-generate"},
                         {"generator_version", version},
                         {"seed", static_cast<qint64>(m_options.seed)},
                         {"scale", scale->name},
                         {"now", now.toString(Qt::ISODateWithMs)},
                         {"days", scale->days},
                         {"leave_wal", m_options.leaveWal},
                         {"time_zone_of_daily_rhythm", "UTC"}};
    QStringList files;
    try {
        if (wanted("chrome")) {
            const TRChromeCorpus chrome(web, *scale, m_options.seed, now);
            manifest.insert("chrome", chrome.write(out.filePath("chrome/Default")));
            files << "chrome/Default/Bookmarks"
                  << "chrome/Default/History"
                  << "chrome/Default/Favicons";
        }
        if (wanted("safari")) {
            const TRSafariCorpus safari(web, *scale, m_options.seed, now, m_options.leaveWal);
            manifest.insert("safari", safari.write(out.filePath("safari")));
            files << "safari/Bookmarks.plist"
                  << "safari/History.db"
                  << "safari/History.plist"
                  << "safari/TopSites.plist"
                  << "safari/LastSession.plist";
            if (m_options.leaveWal) {
                files << "safari/History.db-wal";
            }
        }
        if (wanted("firefox")) {
            const TRFirefoxCorpus firefox(web, *scale, m_options.seed, now, m_options.leaveWal);
            manifest.insert("firefox", firefox.write(out.filePath("firefox")));
            const QString profile = "firefox/" + firefox.profileFolder();
            const QString places = profile + "/places.sqlite";
            files << "firefox/profiles.ini"
                  << "firefox/installs.ini" << places << profile + "/favicons.sqlite";
            if (m_options.leaveWal) {
                files << places + "-wal";
            }
        }
    } catch (const SQLite::Exception &error) {
        return fail(QStringLiteral("SQLite: ") + QString::fromUtf8(error.what()));
    }

    QJsonObject sizes;
    for (const QString &file : files) {
        const QFileInfo info(out.filePath(file));
        if (!info.isFile() || info.size() == 0) {
            return fail(QStringLiteral("could not write ") + info.filePath());
        }
        sizes.insert(file, info.size());
    }
    manifest.insert("files", sizes);
    QFile manifestFile(out.filePath("manifest.json"));
    const QByteArray bytes = QJsonDocument(manifest).toJson(QJsonDocument::Indented);
    if (!manifestFile.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        manifestFile.write(bytes) != bytes.size()) {
        return fail(QStringLiteral("could not write ") + manifestFile.fileName());
    }
    m_manifest = manifest;
    return true;
}
