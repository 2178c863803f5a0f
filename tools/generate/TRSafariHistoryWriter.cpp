#include "TRSafariHistoryWriter.h"

#include "TRWriteAheadLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// Safari's tables and indexes; readers use history_items and history_visits.
const char *const schema = R"(
CREATE TABLE history_items (id INTEGER PRIMARY KEY AUTOINCREMENT,url TEXT NOT NULL UNIQUE,
  domain_expansion TEXT NULL,visit_count INTEGER NOT NULL,daily_visit_counts BLOB NOT NULL,
  weekly_visit_counts BLOB NULL,autocomplete_triggers BLOB NULL,
  should_recompute_derived_visit_counts INTEGER NOT NULL,visit_count_score INTEGER NOT NULL,
  status_code INTEGER NOT NULL DEFAULT 0);
CREATE TABLE history_visits (id INTEGER PRIMARY KEY AUTOINCREMENT,
  history_item INTEGER NOT NULL REFERENCES history_items(id) ON DELETE CASCADE,
  visit_time REAL NOT NULL,title TEXT NULL,load_successful BOOLEAN NOT NULL DEFAULT 1,
  http_non_get BOOLEAN NOT NULL DEFAULT 0,synthesized BOOLEAN NOT NULL DEFAULT 0,
  redirect_source INTEGER NULL UNIQUE REFERENCES history_visits(id) ON DELETE CASCADE,
  redirect_destination INTEGER NULL UNIQUE REFERENCES history_visits(id) ON DELETE CASCADE,
  origin INTEGER NOT NULL DEFAULT 0,generation INTEGER NOT NULL DEFAULT 0,
  attributes INTEGER NOT NULL DEFAULT 0,score INTEGER NOT NULL DEFAULT 0);
CREATE TABLE history_tombstones (id INTEGER PRIMARY KEY AUTOINCREMENT,start_time REAL NOT NULL,
  end_time REAL NOT NULL,url TEXT,generation INTEGER NOT NULL DEFAULT 0);
CREATE TABLE metadata (key TEXT NOT NULL UNIQUE, value);
CREATE TABLE history_client_versions (client_version INTEGER PRIMARY KEY,last_seen REAL NOT NULL);
CREATE TABLE history_event_listeners (listener_name TEXT PRIMARY KEY NOT NULL UNIQUE,
  last_seen REAL NOT NULL);
CREATE TABLE history_events (id INTEGER PRIMARY KEY AUTOINCREMENT,event_type TEXT NOT NULL,
  event_time REAL NOT NULL,pending_listeners TEXT NOT NULL,value BLOB);
CREATE INDEX history_items__domain_expansion ON history_items (domain_expansion);
CREATE INDEX history_visits__last_visit ON history_visits (history_item, visit_time DESC,
  synthesized ASC);
CREATE INDEX history_visits__origin ON history_visits (origin, generation);
CREATE INDEX history_tombstones__generation ON history_tombstones (generation);
CREATE INDEX history_tombstones__end_time ON history_tombstones (end_time);
)";

// Seconds from 1970-01-01 to 2001-01-01.
constexpr double epochOffset = 978307200.0;

} // namespace

TRSafariHistoryWriter::TRSafariHistoryWriter(const QString &path)
    : m_path(path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(path + QLatin1StringView(suffix));
    }
    QDir().mkpath(QFileInfo(path).path());
    open();
    m_database->exec("PRAGMA journal_mode = WAL");
    m_transaction = std::make_unique<SQLite::Transaction>(*m_database);
    m_database->exec(schema);
    prepare();
}

TRSafariHistoryWriter::~TRSafariHistoryWriter() = default;

void TRSafariHistoryWriter::open()
{
    m_database = std::make_unique<SQLite::Database>(QFile::encodeName(m_path).toStdString(),
                                                    SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    m_database->exec("PRAGMA synchronous = OFF");
}

void TRSafariHistoryWriter::prepare()
{
    m_insertItem = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO history_items(url, domain_expansion, visit_count, "
                     "daily_visit_counts, should_recompute_derived_visit_counts, "
                     "visit_count_score) VALUES (?, ?, ?, zeroblob(0), 0, ?)");
    m_updateItem = std::make_unique<SQLite::Statement>(
        *m_database,
        "UPDATE history_items SET visit_count = ?, visit_count_score = ? WHERE id = ?");
    m_insertVisit = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO history_visits(history_item, visit_time, title, "
                     "load_successful, redirect_source, redirect_destination, origin, score) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    m_updateVisit = std::make_unique<SQLite::Statement>(
        *m_database, "UPDATE history_visits SET redirect_destination = ? WHERE id = ?");
}

qint64 TRSafariHistoryWriter::addItem(const Item &item)
{
    m_insertItem->bind(1, item.url.toStdString());
    if (item.domainExpansion.isNull()) {
        m_insertItem->bind(2);
    } else {
        m_insertItem->bind(2, item.domainExpansion.toString().toStdString());
    }
    m_insertItem->bind(3, static_cast<int64_t>(item.visitCount));
    m_insertItem->bind(4, static_cast<int64_t>(item.visitCount * 100));
    m_insertItem->exec();
    m_insertItem->reset();
    return m_database->getLastInsertRowid();
}

void TRSafariHistoryWriter::setVisitCount(qint64 item, qint64 count)
{
    m_updateItem->bind(1, static_cast<int64_t>(count));
    m_updateItem->bind(2, static_cast<int64_t>(count * 100));
    m_updateItem->bind(3, static_cast<int64_t>(item));
    m_updateItem->exec();
    m_updateItem->reset();
}

qint64 TRSafariHistoryWriter::addVisit(const Visit &visit)
{
    const auto bindOptional = [this](int index, qint64 value) {
        value > 0 ? m_insertVisit->bind(index, static_cast<int64_t>(value))
                  : m_insertVisit->bind(index);
    };
    m_insertVisit->bind(1, static_cast<int64_t>(visit.item));
    m_insertVisit->bind(2, visit.time);
    if (visit.title.isNull()) {
        m_insertVisit->bind(3);
    } else {
        m_insertVisit->bind(3, visit.title.toString().toStdString());
    }
    m_insertVisit->bind(4, visit.loadSuccessful ? 1 : 0);
    bindOptional(5, visit.redirectSource);
    bindOptional(6, visit.redirectDestination);
    m_insertVisit->bind(7, visit.origin);
    m_insertVisit->bind(8, visit.loadSuccessful ? 100 : 0);
    m_insertVisit->exec();
    m_insertVisit->reset();
    return m_database->getLastInsertRowid();
}

void TRSafariHistoryWriter::setRedirectDestination(qint64 visit, qint64 destination)
{
    m_updateVisit->bind(1, static_cast<int64_t>(destination));
    m_updateVisit->bind(2, static_cast<int64_t>(visit));
    m_updateVisit->exec();
    m_updateVisit->reset();
}

void TRSafariHistoryWriter::keepInWriteAheadLog(quint64 salt)
{
    finish();
    open();
    TRWriteAheadLog::keepInLog(*m_database);
    m_transaction = std::make_unique<SQLite::Transaction>(*m_database);
    prepare();
    m_inLog = true;
    m_salt = salt;
}

void TRSafariHistoryWriter::finish()
{
    if (!m_database) {
        return;
    }
    m_insertItem.reset();
    m_updateItem.reset();
    m_insertVisit.reset();
    m_updateVisit.reset();
    m_transaction->commit();
    m_transaction.reset();
    m_database.reset();
    if (m_inLog) {
        TRWriteAheadLog::settleLog(m_path, m_salt);
        m_inLog = false;
    }
}

double TRSafariHistoryWriter::time(const QDateTime &moment)
{
    return timeFromUnixMicroseconds(moment.toMSecsSinceEpoch() * 1000);
}

double TRSafariHistoryWriter::timeFromUnixMicroseconds(qint64 microseconds)
{
    return static_cast<double>(microseconds) / 1e6 - epochOffset;
}
