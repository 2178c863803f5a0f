#include "TRProfileSummary.h"

#include "TRBrowserDiscovery.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRSQLiteDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <SQLiteCpp/SQLiteCpp.h>

namespace {

// Bookmarks files are a few megabytes at most; anything larger is not one.
constexpr qint64 largestBookmarks = 64 * 1024 * 1024;

std::optional<qint64> countBookmarks(const QString &path)
{
    QFile file(path);
    if (file.size() > largestBookmarks || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const auto tree = TRGoogleChromeBookmarksParser::decodeBookmarks(file.readAll(), nullptr);
    if (!tree) {
        return std::nullopt;
    }
    qint64 groups = 0;
    qint64 items = 0;
    tree->countBelow(groups, items);
    return items;
}

// A throwaway copy of a database the browser may hold locked, with the
// visits not yet checkpointed; it goes with folder.
std::unique_ptr<SQLite::Database> copyOf(const QString &path, const QTemporaryDir &folder)
{
    const QString copy = folder.filePath(QFileInfo(path).fileName());
    if (!folder.isValid() || !QFile::copy(path, copy)) {
        return nullptr;
    }
    if (QFile::exists(path + QStringLiteral("-wal"))) {
        QFile::copy(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
    }
    return TRSQLiteDatabase::openCopy(copy);
}

std::optional<qint64> count(const std::unique_ptr<SQLite::Database> &database, const char *query)
{
    if (!database) {
        return std::nullopt;
    }
    return TRSQLiteDatabase::queryInteger(database->getHandle(), query);
}

// Days in local time, as the menu groups them; Chrome's times count
// microseconds from 1601.
constexpr const char *chromeHistoryDays =
    "SELECT count(DISTINCT date(last_visit_time / 1000000 - 11644473600, 'unixepoch', "
    "'localtime')) FROM urls WHERE last_visit_time > 0;";
// Firefox's, from 1970; the visits the menu leaves out do not count.
constexpr const char *firefoxHistoryDays =
    "SELECT count(DISTINCT date(v.visit_date / 1000000, 'unixepoch', 'localtime')) FROM "
    "moz_historyvisits v JOIN moz_places p ON p.id = v.place_id WHERE v.visit_type NOT IN "
    "(4, 7, 8, 9) AND p.hidden = 0;";
// Bookmarks with an address other than a saved search, outside the tags.
constexpr const char *firefoxBookmarks =
    "SELECT count(*) FROM moz_bookmarks b JOIN moz_places p ON p.id = b.fk WHERE b.type = 1 "
    "AND p.url NOT LIKE 'place:%' AND b.parent NOT IN (SELECT id FROM moz_bookmarks WHERE "
    "parent = (SELECT id FROM moz_bookmarks WHERE guid = 'tags________'));";

} // namespace

TRProfileSummary TRProfileSummary::of(const TRBrowserProfile &profile)
{
    TRProfileSummary summary;
    // Firefox keeps both in places.sqlite.
    if (profile.history &&
        QFileInfo(*profile.history).fileName() == QStringLiteral("places.sqlite")) {
        const QTemporaryDir folder;
        const auto database = copyOf(*profile.history, folder);
        summary.bookmarks = count(database, firefoxBookmarks);
        summary.historyDays = count(database, firefoxHistoryDays);
        return summary;
    }
    for (const auto &path : {profile.accountBookmarks, profile.bookmarks}) {
        if (const auto items = path ? countBookmarks(*path) : std::nullopt) {
            summary.bookmarks = summary.bookmarks.value_or(0) + *items;
        }
    }
    if (profile.history) {
        const QTemporaryDir folder;
        summary.historyDays = count(copyOf(*profile.history, folder), chromeHistoryDays);
    }
    return summary;
}
