#include "TRChromeHistoryWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Chrome's tables as a recent Chrome creates them (schema version 67);
// readers use urls, the others are here because a real file has them.
const char *const schema = R"(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT,url LONGVARCHAR,title LONGVARCHAR,
  visit_count INTEGER DEFAULT 0 NOT NULL,typed_count INTEGER DEFAULT 0 NOT NULL,
  last_visit_time INTEGER NOT NULL,hidden INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT,url INTEGER NOT NULL,
  visit_time INTEGER NOT NULL,from_visit INTEGER,external_referrer_url TEXT,
  transition INTEGER DEFAULT 0 NOT NULL,segment_id INTEGER,visit_duration INTEGER DEFAULT 0 NOT NULL,
  incremented_omnibox_typed_score BOOLEAN DEFAULT FALSE NOT NULL,opener_visit INTEGER,
  originator_cache_guid TEXT,originator_visit_id INTEGER,originator_from_visit INTEGER,
  originator_opener_visit INTEGER,is_known_to_sync BOOLEAN DEFAULT FALSE NOT NULL,
  consider_for_ntp_most_visited BOOLEAN DEFAULT FALSE NOT NULL,
  visited_link_id INTEGER DEFAULT 0 NOT NULL,app_id TEXT);
CREATE TABLE visit_source(id INTEGER PRIMARY KEY,source INTEGER NOT NULL);
CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL,url_id INTEGER NOT NULL,
  term LONGVARCHAR NOT NULL,normalized_term LONGVARCHAR NOT NULL);
CREATE TABLE segments (id INTEGER PRIMARY KEY,name VARCHAR,url_id INTEGER NON NULL);
CREATE TABLE segment_usage (id INTEGER PRIMARY KEY,segment_id INTEGER NOT NULL,
  time_slot INTEGER NOT NULL,visit_count INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE downloads_url_chains (id INTEGER NOT NULL,chain_index INTEGER NOT NULL,
  url LONGVARCHAR NOT NULL, PRIMARY KEY (id, chain_index) );
CREATE INDEX visits_url_index ON visits (url);
CREATE INDEX visits_from_index ON visits (from_visit);
CREATE INDEX visits_time_index ON visits (visit_time);
CREATE INDEX visits_originator_id_index ON visits (originator_visit_id);
CREATE INDEX urls_url_index ON urls (url);
CREATE INDEX keyword_search_terms_index1 ON keyword_search_terms (keyword_id, normalized_term);
CREATE INDEX keyword_search_terms_index2 ON keyword_search_terms (url_id);
CREATE INDEX keyword_search_terms_index3 ON keyword_search_terms (term);
CREATE INDEX segments_name ON segments(name);
CREATE INDEX segments_url_id ON segments(url_id);
CREATE INDEX segment_usage_time_slot_segment_id ON segment_usage(time_slot, segment_id);
CREATE INDEX segments_usage_seg_id ON segment_usage(segment_id);
INSERT INTO meta VALUES ('mmap_status', '-1'), ('version', '67'),
  ('last_compatible_version', '16');
)";

// Microseconds from 1601-01-01 to 1970-01-01.
constexpr qint64 epochOffset = 11644473600LL * 1000000;

void bindText(SQLite::Statement &statement, int index, const QVariant &value)
{
    if (value.isNull()) {
        statement.bind(index);
    } else {
        statement.bind(index, value.toString().toStdString());
    }
}

} // namespace

TRChromeHistoryWriter::TRChromeHistoryWriter(const QString &path)
{
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).path());
    m_database = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                    SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    // A generated file needs no durability until it is complete.
    m_database->exec("PRAGMA synchronous = OFF");
    m_database->exec("PRAGMA journal_mode = MEMORY");
    m_transaction = std::make_unique<SQLite::Transaction>(*m_database);
    m_database->exec(schema);
    m_insertUrl = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO urls(url, title, visit_count, typed_count, last_visit_time, "
                     "hidden) VALUES (?, ?, ?, ?, ?, ?)");
    m_insertVisit = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO visits(url, visit_time, from_visit, transition, "
                     "visit_duration, is_known_to_sync, consider_for_ntp_most_visited) "
                     "VALUES (?, ?, ?, ?, ?, ?, 1)");
}

TRChromeHistoryWriter::~TRChromeHistoryWriter() = default;

qint64 TRChromeHistoryWriter::addUrl(const Url &row)
{
    bindText(*m_insertUrl, 1, row.url);
    bindText(*m_insertUrl, 2, row.title);
    m_insertUrl->bind(3, static_cast<int64_t>(row.visitCount));
    m_insertUrl->bind(4, static_cast<int64_t>(row.typedCount));
    m_insertUrl->bind(5, static_cast<int64_t>(row.lastVisitTime));
    m_insertUrl->bind(6, row.hidden ? 1 : 0);
    m_insertUrl->exec();
    m_insertUrl->reset();
    return m_database->getLastInsertRowid();
}

qint64 TRChromeHistoryWriter::addVisit(const Visit &row)
{
    m_insertVisit->bind(1, static_cast<int64_t>(row.url));
    m_insertVisit->bind(2, static_cast<int64_t>(row.time));
    m_insertVisit->bind(3, static_cast<int64_t>(row.fromVisit));
    m_insertVisit->bind(4, static_cast<int64_t>(row.transition));
    m_insertVisit->bind(5, static_cast<int64_t>(row.duration));
    m_insertVisit->bind(6, row.knownToSync ? 1 : 0);
    m_insertVisit->exec();
    m_insertVisit->reset();
    return m_database->getLastInsertRowid();
}

void TRChromeHistoryWriter::finish()
{
    m_insertUrl.reset();
    m_insertVisit.reset();
    m_transaction->commit();
    m_transaction.reset();
    // Chrome keeps its history in rollback-journal mode.
    m_database->exec("PRAGMA journal_mode = DELETE");
    m_database.reset();
}

qint64 TRChromeHistoryWriter::time(const QDateTime &moment)
{
    return timeFromUnixMicroseconds(moment.toMSecsSinceEpoch() * 1000);
}

qint64 TRChromeHistoryWriter::timeFromUnixMicroseconds(qint64 microseconds)
{
    return microseconds + epochOffset;
}
