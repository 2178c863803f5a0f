#include "TRChromiumProfileSummary.h"

#include "TRBrowserDiscovery.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRSQLiteDatabase.h"

#include <QFile>
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

std::optional<qint64> countHistoryDays(const QString &path)
{
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("History"));
    if (!folder.isValid() || !QFile::copy(path, copy)) {
        return std::nullopt;
    }
    // Visits not yet checkpointed count too.
    if (QFile::exists(path + QStringLiteral("-wal"))) {
        QFile::copy(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
    }
    const auto database = TRSQLiteDatabase::openCopy(copy);
    if (!database) {
        return std::nullopt;
    }
    // Days in local time, as the menu groups them; Chrome's times count
    // microseconds from 1601.
    return TRSQLiteDatabase::queryInteger(
        database->getHandle(),
        "SELECT count(DISTINCT date(last_visit_time / 1000000 - 11644473600, 'unixepoch', "
        "'localtime')) FROM urls WHERE last_visit_time > 0;");
}

} // namespace

TRChromiumProfileSummary TRChromiumProfileSummary::of(const TRBrowserProfile &profile)
{
    TRChromiumProfileSummary summary;
    for (const auto &path : {profile.accountBookmarks, profile.bookmarks}) {
        if (const auto count = path ? countBookmarks(*path) : std::nullopt) {
            summary.bookmarks = summary.bookmarks.value_or(0) + *count;
        }
    }
    if (profile.history) {
        summary.historyDays = countHistoryDays(*profile.history);
    }
    return summary;
}
