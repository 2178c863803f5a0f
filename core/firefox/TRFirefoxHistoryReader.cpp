#include "TRFirefoxHistoryReader.h"

#include "TRDayFormatter.h"
#include "TROperationQueue.h"
#include "TRPlainAddress.h"
#include "TRSQLiteDatabase.h"

#include <QHash>
#include <QSet>
#include <QUrl>

#include <limits>

#include <sqlite3.h>

namespace {

// Tolerant: a raw space or bracket is escaped rather than losing the URL.
QUrl parseUrl(const QString &text)
{
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
}

// The visits of a history, newest first. Visits are read in the order of the
// visit time's index, which a damaged file may break; then the rows come
// back out of order and are read again, sorted by SQLite itself.
class HistoryRead
{
public:
    enum class Result { done, unordered, failed };

    HistoryRead(sqlite3 *handle, const QTimeZone &zone)
        : m_handle(handle)
        , m_zone(zone)
    {}

    Result read(bool sortRows);
    std::shared_ptr<TRHistoryStore> finish() { return m_builder.finish(); }

private:
    sqlite3 *m_handle;
    const QTimeZone &m_zone;
    // Pages have many visits: their entries share the address's text, and a
    // title that repeats.
    TRHistoryStore::Builder m_builder{TRHistoryStore::UntitledName::encodedUrl, true};
};

HistoryRead::Result HistoryRead::read(bool sortRows)
{
    // Embeds, redirects, downloads, framed links and reloads are not pages
    // the user went to; hidden pages are those Firefox does not list.
    // "+v.visit_date" keeps SQLite from reading the order from the index.
    const QByteArray sql =
        QByteArrayLiteral("SELECT v.place_id, v.visit_date, p.url, p.title, p.visit_count "
                          "FROM moz_historyvisits v JOIN moz_places p ON p.id = v.place_id "
                          "WHERE ifnull(v.visit_type, 0) NOT IN (4, 7, 8, 9) "
                          "AND ifnull(p.hidden, 0) <> 1 ORDER BY ") +
        (sortRows ? "+" : "") + "v.visit_date DESC;";
    const TRSQLiteDatabase::Statement query = TRSQLiteDatabase::prepare(m_handle, sql.constData());
    if (!query) {
        return Result::failed;
    }
    constexpr int placeColumn = 0;
    constexpr int timeColumn = 1;
    constexpr int urlColumn = 2;
    constexpr int titleColumn = 3;
    constexpr int visitCountColumn = 4;
    // Visits come newest first, so a page's first visit of a day is its
    // latest that day, and a day's visits come together.
    TRDayFormatter::DaySpan span;
    QDate currentDay;
    QSet<qint64> seenThisDay;
    qint64 previousTime = std::numeric_limits<qint64>::max();
    // Times that are no whole number (none in Firefox's own files) sort
    // apart from the others and have no day: their pages are seen once.
    QSet<qint64> seenUndated;
    struct Address
    {
        quint32 number;
        // Parsing wrote the address otherwise than the file has it.
        bool reencoded;
    };
    QHash<qint64, Address> addresses;
    int stepResult = SQLITE_ROW;
    std::size_t rows = 0;
    sqlite3_stmt *const row = query.get();
    while ((stepResult = sqlite3_step(row)) == SQLITE_ROW) {
        // The application may ask a long read to stop; looked at now and then.
        if ((++rows & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled()) {
            return Result::failed;
        }
        const qint64 place = sqlite3_column_int64(row, placeColumn);
        qint64 time = TRHistoryStore::noTime;
        QSet<qint64> *seen = &seenUndated;
        if (sqlite3_column_type(row, timeColumn) == SQLITE_INTEGER) {
            // Microseconds since 1970, rounded down to milliseconds.
            const qint64 microseconds = sqlite3_column_int64(row, timeColumn);
            time = microseconds / 1000 - (microseconds % 1000 < 0 ? 1 : 0);
            if (time > previousTime) {
                return Result::unordered;
            }
            previousTime = time;
            if (!span.contains(time)) {
                span = TRDayFormatter::daySpan(time, m_zone);
            }
            // A day without bounds (far out of range) is still one day.
            if (span.day != currentDay) {
                currentDay = span.day;
                seenThisDay.clear();
            }
            seen = &seenThisDay;
        }
        if (seen->contains(place)) {
            continue;
        }
        seen->insert(place);
        const QByteArrayView urlBytes = TRSQLiteDatabase::textOf(row, urlColumn);
        if (urlBytes.isEmpty()) {
            continue;
        }
        auto known = addresses.constFind(place);
        if (known == addresses.cend()) {
            // Most addresses are plain web addresses that parsing would give
            // back unchanged; the others are parsed, and dropped when they
            // do not parse.
            QByteArray parsedUrl;
            if (!TRPlainAddress::isPlain(urlBytes)) {
                parsedUrl = parseUrl(QString::fromUtf8(urlBytes)).toEncoded();
                if (parsedUrl.isEmpty()) {
                    continue;
                }
            }
            const quint32 address =
                m_builder.addAddress(parsedUrl.isNull() ? urlBytes : QByteArrayView(parsedUrl),
                                     sqlite3_column_int(row, visitCountColumn), place);
            known =
                addresses.insert(place, {address, !parsedUrl.isNull() && parsedUrl != urlBytes});
        }
        QByteArrayView title = TRSQLiteDatabase::textOf(row, titleColumn);
        // An untitled page is named by its address as the file has it, which
        // parsing may have written otherwise.
        if (title.isEmpty() && known->reencoded) {
            title = urlBytes;
        }
        m_builder.addVisit(known->number, time, title);
    }
    return stepResult == SQLITE_DONE ? Result::done : Result::failed;
}

} // namespace

namespace TRFirefoxHistoryReader {

std::shared_ptr<TRHistoryStore> read(sqlite3 *handle, const QTimeZone &zone, QString *error)
{
    HistoryRead::Result result = HistoryRead::Result::failed;
    for (const bool sortRows : {false, true}) {
        HistoryRead read(handle, zone);
        result = read.read(sortRows);
        if (result == HistoryRead::Result::done) {
            return read.finish();
        }
        if (result == HistoryRead::Result::failed) {
            break;
        }
    }
    if (error) {
        *error = result == HistoryRead::Result::unordered
                     ? QStringLiteral("damaged visit times")
                     : QString::fromUtf8(sqlite3_errmsg(handle));
    }
    return nullptr;
}

} // namespace TRFirefoxHistoryReader
