#include "TRSafariHistoryDatabaseReader.h"

#include "TRDiagnostics.h"
#include "TROperationQueue.h"
#include "TRPlainAddress.h"
#include "TRPropertyList.h"
#include "TRSQLiteDatabase.h"
#include "TRSafariTime.h"
#include "TRSafariUrl.h"

#include <QDateTime>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <cmath>
#include <string_view>

namespace {

// The visits after a given one (all after 0), newest first.
const char *const historyQuery =
    "SELECT history_items.url, history_items.visit_count, history_visits.visit_time, "
    "history_visits.title, history_visits.id AS visit_id, history_items.id AS item_id "
    "FROM history_items INNER JOIN history_visits ON "
    "history_visits.history_item = history_items.id WHERE history_visits.id > ?1 "
    "ORDER BY history_visits.visit_time DESC;";

// A column's text as SQLite holds it in UTF-8; empty for NULL.
QByteArrayView columnBytes(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    if (!text) {
        return {};
    }
    return QByteArrayView(text, sqlite3_column_bytes(statement, column));
}

// A visit time column. The column is read as text, as SQLite writes a real
// number with 15 significant digits. For a real that text is only rendered
// when it matters: reading the real itself gives the same millisecond unless
// it lies within a whisker of half a millisecond, far more than those digits
// can move it.
std::optional<QDateTime> dateFromTimeColumn(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_FLOAT: {
        const double seconds = sqlite3_column_double(statement, column);
        const double milliseconds = std::fabs(seconds * 1000.0);
        const double fraction = milliseconds - std::floor(milliseconds);
        if (std::fabs(seconds) < 1e10 && std::fabs(fraction - 0.5) > 0.05) {
            const double rounded = std::copysign(std::round(milliseconds), seconds);
            const QDateTime date = TRPropertyList::dateFromReferenceTime(rounded / 1000.0);
            return date.isValid() ? std::optional(date) : std::nullopt;
        }
        break;
    }
    default:
        break;
    }
    return TRSafariTime::dateFromText(columnBytes(statement, column));
}

} // namespace

namespace {

using Cursor = TRSafariHistoryDatabaseReader::Cursor;

// How many visits there are up to the given one: counted by their own
// numbers, without the items, which is quick.
std::optional<qint64> visitsUpTo(sqlite3 *handle, qint64 visit)
{
    return TRSQLiteDatabase::queryInteger(
        handle, "SELECT count(*) FROM history_visits WHERE id <= ?1;", visit);
}

// The visits after cursor's last into builder, and cursor moved past them;
// the items visited again into counts, with their counts now. False when
// the query fails, after a line on standard output, or the read is asked
// to stop.
bool readVisits(sqlite3 *handle, TRHistoryStore::Builder &builder, Cursor &cursor,
                QHash<qint64, qint32> *counts = nullptr)
{
    // The rows are read through SQLite's own interface: by column index, as
    // raw UTF-8, without a wrapper object per value.
    const auto failed = [handle] {
        TRDiagnostics::writeLine(QStringLiteral("Could not execute query: ") +
                                 QString::fromUtf8(sqlite3_errmsg(handle)));
        return false;
    };
    sqlite3_stmt *statement = nullptr;
    const int prepared = sqlite3_prepare_v2(handle, historyQuery, -1, &statement, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalizer(statement,
                                                                           sqlite3_finalize);
    if (prepared != SQLITE_OK || sqlite3_bind_int64(statement, 1, cursor.lastVisit) != SQLITE_OK) {
        return failed();
    }
    // Looked up by name once; every row is then read by index.
    const auto columnIndex = [statement](std::string_view name) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            if (name == sqlite3_column_name(statement, column)) {
                return column;
            }
        }
        return -1;
    };
    const int urlColumn = columnIndex("url");
    const int titleColumn = columnIndex("title");
    const int visitTimeColumn = columnIndex("visit_time");
    const int visitCountColumn = columnIndex("visit_count");
    const int visitIdColumn = columnIndex("visit_id");
    const int itemIdColumn = columnIndex("item_id");
    // A visit without a time is dated when it is read.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const Cursor before = cursor;
    int step = SQLITE_ROW;
    std::size_t rows = 0;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        // The application may ask a long read to stop; looked at now and then.
        if ((++rows & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled()) {
            return false;
        }
        cursor.lastVisit =
            std::max(cursor.lastVisit, sqlite3_column_int64(statement, visitIdColumn));
        if (sqlite3_column_type(statement, urlColumn) == SQLITE_NULL) {
            continue;
        }
        const QByteArrayView urlBytes = columnBytes(statement, urlColumn);
        // A plain web address is what parsing would give back; only the
        // others are parsed.
        QByteArray parsedUrl;
        if (!TRPlainAddress::isPlain(urlBytes)) {
            parsedUrl = TRSafariUrl::fromText(QString::fromUtf8(urlBytes), true).toEncoded();
            if (parsedUrl.isEmpty()) {
                continue;
            }
        }
        const qint64 item = sqlite3_column_int64(statement, itemIdColumn);
        const qint32 visitCount = sqlite3_column_int(statement, visitCountColumn);
        if (counts) {
            counts->insert(item, visitCount);
        }
        const quint32 address = builder.address(
            parsedUrl.isNull() ? urlBytes : QByteArrayView(parsedUrl), visitCount, item);
        const std::optional<QDateTime> date = dateFromTimeColumn(statement, visitTimeColumn);
        const qint64 time = date ? date->toMSecsSinceEpoch() : now;
        cursor.needsWholeRead = cursor.needsWholeRead || !date;
        // A visit older than one read before would fall among the older
        // entries, where only a full read puts it.
        if (counts && time <= before.newestTime) {
            cursor.needsWholeRead = true;
        }
        cursor.newestTime = std::max(cursor.newestTime, time);
        builder.addVisit(address, time, columnBytes(statement, titleColumn));
    }
    return step == SQLITE_DONE || failed();
}

} // namespace

std::shared_ptr<TRHistoryStore> TRSafariHistoryDatabaseReader::read(const QString &path,
                                                                    Cursor *cursor)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database) {
        return nullptr;
    }
    Cursor seen;
    seen.schemaVersion =
        TRSQLiteDatabase::queryInteger(database->getHandle(), "PRAGMA schema_version;")
            .value_or(-1);
    // The visits of one item share its URL text and, mostly, its title.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, true);
    if (!readVisits(database->getHandle(), builder, seen)) {
        return nullptr;
    }
    seen.visits = visitsUpTo(database->getHandle(), seen.lastVisit).value_or(-1);
    if (cursor) {
        *cursor = seen;
    }
    return builder.finish();
}

std::shared_ptr<TRHistoryStore>
TRSafariHistoryDatabaseReader::readNewer(const QString &path, const TRHistoryStorePtr &previous,
                                         Cursor &cursor)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database || !previous || cursor.needsWholeRead) {
        return nullptr;
    }
    sqlite3 *const handle = database->getHandle();
    // Visits are only ever added: every one read before is still there.
    if (TRSQLiteDatabase::queryInteger(handle, "PRAGMA schema_version;") != cursor.schemaVersion ||
        visitsUpTo(handle, cursor.lastVisit) != cursor.visits) {
        return nullptr;
    }
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, true);
    Cursor next = cursor;
    QHash<qint64, qint32> items;
    if (!readVisits(handle, builder, next, &items) || next.needsWholeRead) {
        return nullptr;
    }
    next.visits = visitsUpTo(handle, next.lastVisit).value_or(-1);
    // The older entries: the newer part of a layered store follows the
    // visits just read, with its items' counts as they are now; the base's
    // addresses visited again get their new counts.
    const bool isLayered = previous->base() != nullptr;
    const std::size_t own = isLayered ? previous->ownSize() : 0;
    const TRHistoryStorePtr base = isLayered ? previous->base() : previous;
    QHash<quint32, qint32> counts = previous->countsInBase();
    for (std::size_t index = 0; index < previous->size(); ++index) {
        const auto moved = items.constFind(previous->rowId(index));
        if (index < own) {
            const quint32 address = builder.address(
                previous->encodedUrl(index),
                moved != items.cend() ? *moved : static_cast<qint32>(previous->visitCount(index)),
                previous->rowId(index));
            builder.addVisit(address, previous->visit(index).time, previous->title(index));
        } else if (moved != items.cend()) {
            counts.insert(base->visit(index - own).address, *moved);
        }
    }
    // A newer part grown large (it stays in memory) is read whole again,
    // into one mapped store.
    if (builder.visitCount() > 4096 + base->size() / 32) {
        return nullptr;
    }
    cursor = next;
    return TRHistoryStore::layered(builder.finish(), base, {}, std::move(counts));
}
