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

const char *const historyQuery =
    "SELECT history_items.url, history_items.visit_count, history_visits.visit_time, "
    "history_visits.title FROM history_items INNER JOIN history_visits ON "
    "history_visits.history_item = history_items.id ORDER BY history_visits.visit_time DESC;";

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

std::shared_ptr<TRHistoryStore> TRSafariHistoryDatabaseReader::read(const QString &path)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database) {
        return nullptr;
    }
    sqlite3 *const handle = database->getHandle();
    // The rows are read through SQLite's own interface: by column index, as
    // raw UTF-8, without a wrapper object per value.
    const auto failed = [handle] {
        TRDiagnostics::writeLine(QStringLiteral("Could not execute query: ") +
                                 QString::fromUtf8(sqlite3_errmsg(handle)));
        return nullptr;
    };
    sqlite3_stmt *statement = nullptr;
    const int prepared = sqlite3_prepare_v2(handle, historyQuery, -1, &statement, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalizer(statement,
                                                                           sqlite3_finalize);
    if (prepared != SQLITE_OK) {
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
    // A visit without a time is dated when it is read.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // The visits of one item share its URL text and, mostly, its title.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, true);
    int step = SQLITE_ROW;
    std::size_t rows = 0;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        // The application may ask a long read to stop; looked at now and then.
        if ((++rows & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled()) {
            return nullptr;
        }
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
        const quint32 address =
            builder.address(parsedUrl.isNull() ? urlBytes : QByteArrayView(parsedUrl),
                            sqlite3_column_int(statement, visitCountColumn));
        const std::optional<QDateTime> date = dateFromTimeColumn(statement, visitTimeColumn);
        builder.addVisit(address, date ? date->toMSecsSinceEpoch() : now,
                         columnBytes(statement, titleColumn));
    }
    if (step != SQLITE_DONE) {
        return failed();
    }
    return builder.finish();
}
