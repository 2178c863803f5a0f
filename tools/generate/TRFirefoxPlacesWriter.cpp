#include "TRFirefoxPlacesWriter.h"

#include "TRWriteAheadLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace {

// The tables and indexes of a recent Firefox (schema version 77); readers
// use moz_places, moz_historyvisits and moz_bookmarks, the others are here
// because a real file has them.
const char *const schema = R"(
CREATE TABLE moz_origins ( id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL,
  frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER,
  recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host) );
CREATE TABLE moz_places ( id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL,
  last_visit_date INTEGER , guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
  url_hash INTEGER DEFAULT 0 NOT NULL , description TEXT, preview_image_url TEXT,
  site_name TEXT, origin_id INTEGER REFERENCES moz_origins(id),
  recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER,
  recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_places_extra ( place_id INTEGER PRIMARY KEY NOT NULL, sync_json TEXT,
  FOREIGN KEY (place_id) REFERENCES moz_places(id) ON DELETE CASCADE );
CREATE TABLE moz_historyvisits ( id INTEGER PRIMARY KEY, from_visit INTEGER,
  place_id INTEGER, visit_date INTEGER, visit_type INTEGER, session INTEGER,
  source INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER);
CREATE TABLE moz_historyvisits_extra ( visit_id INTEGER PRIMARY KEY NOT NULL, sync_json TEXT,
  FOREIGN KEY (visit_id) REFERENCES moz_historyvisits(id) ON DELETE CASCADE );
CREATE TABLE moz_inputhistory ( place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL,
  use_count INTEGER, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks ( id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
  dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0,
  syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE TABLE moz_bookmarks_deleted ( guid TEXT PRIMARY KEY, dateRemoved INTEGER NOT NULL
  DEFAULT 0);
CREATE TABLE moz_keywords ( id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE,
  place_id INTEGER, post_data TEXT);
CREATE TABLE moz_anno_attributes ( id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos ( id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0,
  expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0,
  lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_items_annos ( id INTEGER PRIMARY KEY, item_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0,
  expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0,
  lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID ;
CREATE TABLE moz_places_metadata ( id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL,
  referrer_place_id INTEGER, created_at INTEGER NOT NULL DEFAULT 0,
  updated_at INTEGER NOT NULL DEFAULT 0, total_view_time INTEGER NOT NULL DEFAULT 0,
  typing_time INTEGER NOT NULL DEFAULT 0, key_presses INTEGER NOT NULL DEFAULT 0,
  scrolling_time INTEGER NOT NULL DEFAULT 0, scrolling_distance INTEGER NOT NULL DEFAULT 0,
  document_type INTEGER NOT NULL DEFAULT 0, search_query_id INTEGER,
  FOREIGN KEY (place_id) REFERENCES moz_places(id) ON DELETE CASCADE,
  FOREIGN KEY (referrer_place_id) REFERENCES moz_places(id) ON DELETE CASCADE,
  FOREIGN KEY(search_query_id) REFERENCES moz_places_metadata_search_queries(id)
  ON DELETE CASCADE CHECK(place_id != referrer_place_id) );
CREATE TABLE moz_places_metadata_search_queries ( id INTEGER PRIMARY KEY,
  terms TEXT NOT NULL UNIQUE );
CREATE TABLE moz_previews_tombstones ( hash TEXT PRIMARY KEY ) WITHOUT ROWID;
CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);
CREATE INDEX moz_places_hostindex ON moz_places (rev_host);
CREATE INDEX moz_places_visitcount ON moz_places (visit_count);
CREATE INDEX moz_places_frecencyindex ON moz_places (frecency);
CREATE INDEX moz_places_lastvisitdateindex ON moz_places (last_visit_date);
CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);
CREATE INDEX moz_places_originidindex ON moz_places (origin_id);
CREATE INDEX moz_places_altfrecencyindex ON moz_places (alt_frecency);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
CREATE INDEX moz_historyvisits_fromindex ON moz_historyvisits (from_visit);
CREATE INDEX moz_historyvisits_dateindex ON moz_historyvisits (visit_date);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE INDEX moz_bookmarks_itemlastmodifiedindex ON moz_bookmarks (fk, lastModified);
CREATE INDEX moz_bookmarks_dateaddedindex ON moz_bookmarks (dateAdded);
CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);
CREATE UNIQUE INDEX moz_keywords_placepostdata_uniqueindex ON moz_keywords (place_id, post_data);
CREATE UNIQUE INDEX moz_annos_placeattributeindex ON moz_annos (place_id, anno_attribute_id);
CREATE UNIQUE INDEX moz_items_annos_itemattributeindex ON moz_items_annos (item_id,
  anno_attribute_id);
CREATE UNIQUE INDEX moz_places_metadata_placecreated_uniqueindex ON moz_places_metadata
  (place_id, created_at);
CREATE INDEX moz_places_metadata_referrerindex ON moz_places_metadata (referrer_place_id);
)";

constexpr int schemaVersion = 77;

// The hash Firefox's HashString computes: each byte folded in with the
// golden ratio.
quint32 hashBytes(const QByteArray &bytes, qsizetype length)
{
    quint32 hash = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const quint32 rotated = (hash << 5) | (hash >> 27);
        hash = 0x9E3779B9U * (rotated ^ static_cast<uchar>(bytes[i]));
    }
    return hash;
}

void bindText(SQLite::Statement &statement, int index, const QVariant &value)
{
    if (value.isNull()) {
        statement.bind(index);
    } else {
        statement.bind(index, value.toString().toStdString());
    }
}

// UTF-8 bytes bound as text (a pointer and a size would bind a blob).
void bindBytes(SQLite::Statement &statement, int index, const QByteArray &value)
{
    statement.bind(index, value.toStdString());
}

// Scheme and host of an address with an authority ("https://", "www.example.com");
// none for the others (place:, javascript:, data:).
std::pair<QByteArray, QByteArray> originParts(const QByteArray &url)
{
    const qsizetype separator = url.indexOf("://");
    if (separator <= 0) {
        return {};
    }
    const qsizetype hostStart = separator + 3;
    qsizetype hostEnd = hostStart;
    while (hostEnd < url.size() && url[hostEnd] != '/' && url[hostEnd] != '?' &&
           url[hostEnd] != '#') {
        ++hostEnd;
    }
    return {url.left(hostStart), url.mid(hostStart, hostEnd - hostStart).toLower()};
}

} // namespace

TRFirefoxPlacesWriter::TRFirefoxPlacesWriter(const QString &path)
    : m_path(path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(path + QLatin1StringView(suffix));
    }
    QDir().mkpath(QFileInfo(path).path());
    open();
    // Firefox's page size; the file becomes a WAL file once complete.
    m_database->exec("PRAGMA page_size = 32768");
    m_database->exec("PRAGMA journal_mode = MEMORY");
    m_database->exec("PRAGMA user_version = " + std::to_string(schemaVersion));
    m_transaction = std::make_unique<SQLite::Transaction>(*m_database);
    m_database->exec(schema);
    prepare();
}

void TRFirefoxPlacesWriter::open()
{
    m_database = std::make_unique<SQLite::Database>(QFile::encodeName(m_path).toStdString(),
                                                    SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    // A generated file needs no durability until it is complete.
    m_database->exec("PRAGMA synchronous = OFF");
}

void TRFirefoxPlacesWriter::prepare()
{
    m_insertOrigin = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO moz_origins(prefix, host, frecency) VALUES (?, ?, 0)");
    m_insertPlace = std::make_unique<SQLite::Statement>(
        *m_database,
        "INSERT INTO moz_places(url, title, rev_host, visit_count, hidden, typed, frecency, "
        "last_visit_date, guid, foreign_count, url_hash, origin_id) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    m_insertVisit = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO moz_historyvisits(from_visit, place_id, visit_date, visit_type, "
                     "session, source, triggeringPlaceId) VALUES (?, ?, ?, ?, 0, ?, NULL)");
    m_insertBookmark = std::make_unique<SQLite::Statement>(
        *m_database, "INSERT INTO moz_bookmarks(type, fk, parent, position, title, keyword_id, "
                     "folder_type, dateAdded, lastModified, guid, syncStatus, syncChangeCounter) "
                     "VALUES (?, ?, ?, ?, ?, NULL, NULL, ?, ?, ?, 1, 1)");
}

TRFirefoxPlacesWriter::~TRFirefoxPlacesWriter() = default;

qint64 TRFirefoxPlacesWriter::urlHash(const QByteArray &url)
{
    const quint32 whole = hashBytes(url, std::min<qsizetype>(url.size(), 1500));
    const qsizetype colon = url.left(50).indexOf(':');
    if (colon < 0) {
        return whole;
    }
    const quint64 prefix = hashBytes(url, colon) & 0xFFFF;
    return static_cast<qint64>((prefix << 32) + whole);
}

QByteArray TRFirefoxPlacesWriter::reversedHost(const QByteArray &host)
{
    QByteArray reversed(host.size() + 1, '.');
    std::reverse_copy(host.cbegin(), host.cend(), reversed.begin());
    return reversed;
}

qint64 TRFirefoxPlacesWriter::originOf(const QByteArray &url, qint64 frecency)
{
    const auto [prefix, host] = originParts(url);
    if (prefix.isEmpty()) {
        return 0;
    }
    const QByteArray key = prefix + host;
    auto found = m_originIds.constFind(key);
    if (found == m_originIds.cend()) {
        bindBytes(*m_insertOrigin, 1, prefix);
        bindBytes(*m_insertOrigin, 2, host);
        m_insertOrigin->exec();
        m_insertOrigin->reset();
        m_originFrecency.push_back(0);
        found = m_originIds.insert(key, m_database->getLastInsertRowid());
    }
    m_originFrecency[static_cast<std::size_t>(*found - 1)] += std::max<qint64>(frecency, 0);
    return *found;
}

qint64 TRFirefoxPlacesWriter::addPlace(const Place &place)
{
    const qint64 origin = originOf(place.url, place.frecency);
    bindBytes(*m_insertPlace, 1, place.url);
    bindText(*m_insertPlace, 2, place.title);
    bindBytes(*m_insertPlace, 3, reversedHost(originParts(place.url).second));
    m_insertPlace->bind(4, static_cast<int64_t>(place.visitCount));
    m_insertPlace->bind(5, place.hidden ? 1 : 0);
    m_insertPlace->bind(6, place.typed ? 1 : 0);
    m_insertPlace->bind(7, static_cast<int64_t>(place.frecency));
    if (place.lastVisit > 0) {
        m_insertPlace->bind(8, static_cast<int64_t>(place.lastVisit));
    } else {
        m_insertPlace->bind(8);
    }
    bindBytes(*m_insertPlace, 9, place.guid);
    m_insertPlace->bind(10, static_cast<int64_t>(place.foreignCount));
    m_insertPlace->bind(11, static_cast<int64_t>(urlHash(place.url)));
    if (origin > 0) {
        m_insertPlace->bind(12, static_cast<int64_t>(origin));
    } else {
        m_insertPlace->bind(12);
    }
    m_insertPlace->exec();
    m_insertPlace->reset();
    return m_database->getLastInsertRowid();
}

qint64 TRFirefoxPlacesWriter::addVisit(const Visit &visit)
{
    m_insertVisit->bind(1, static_cast<int64_t>(visit.fromVisit));
    m_insertVisit->bind(2, static_cast<int64_t>(visit.place));
    m_insertVisit->bind(3, static_cast<int64_t>(visit.time));
    m_insertVisit->bind(4, visit.type);
    m_insertVisit->bind(5, visit.source);
    m_insertVisit->exec();
    m_insertVisit->reset();
    return m_database->getLastInsertRowid();
}

qint64 TRFirefoxPlacesWriter::addBookmark(const Bookmark &bookmark)
{
    m_insertBookmark->bind(1, bookmark.type);
    if (bookmark.place > 0) {
        m_insertBookmark->bind(2, static_cast<int64_t>(bookmark.place));
    } else {
        m_insertBookmark->bind(2);
    }
    m_insertBookmark->bind(3, static_cast<int64_t>(bookmark.parent));
    m_insertBookmark->bind(4, bookmark.position);
    bindText(*m_insertBookmark, 5, bookmark.title);
    m_insertBookmark->bind(6, static_cast<int64_t>(bookmark.added));
    m_insertBookmark->bind(7, static_cast<int64_t>(bookmark.modified));
    bindBytes(*m_insertBookmark, 8, bookmark.guid);
    m_insertBookmark->exec();
    m_insertBookmark->reset();
    return m_database->getLastInsertRowid();
}

void TRFirefoxPlacesWriter::addKeyword(const QByteArray &keyword, qint64 place)
{
    SQLite::Statement insert(*m_database, "INSERT INTO moz_keywords(keyword, place_id, post_data) "
                                          "VALUES (?, ?, NULL)");
    bindBytes(insert, 1, keyword);
    insert.bind(2, static_cast<int64_t>(place));
    insert.exec();
}

void TRFirefoxPlacesWriter::addAnnotation(qint64 place, const QByteArray &name,
                                          const QString &content, qint64 time)
{
    auto attribute = m_annotationNames.constFind(name);
    if (attribute == m_annotationNames.cend()) {
        SQLite::Statement insert(*m_database, "INSERT INTO moz_anno_attributes(name) VALUES (?)");
        bindBytes(insert, 1, name);
        insert.exec();
        attribute = m_annotationNames.insert(name, m_database->getLastInsertRowid());
    }
    // Type 3 is a string; expiration 4 is "with the history of the page".
    SQLite::Statement insert(*m_database,
                             "INSERT INTO moz_annos(place_id, anno_attribute_id, content, flags, "
                             "expiration, type, dateAdded, lastModified) "
                             "VALUES (?, ?, ?, 0, 4, 3, ?, ?)");
    insert.bind(1, static_cast<int64_t>(place));
    insert.bind(2, static_cast<int64_t>(*attribute));
    insert.bind(3, content.toStdString());
    insert.bind(4, static_cast<int64_t>(time));
    insert.bind(5, static_cast<int64_t>(time));
    insert.exec();
}

void TRFirefoxPlacesWriter::addInteraction(qint64 place, qint64 created, qint64 viewTime,
                                           qint64 keyPresses)
{
    SQLite::Statement insert(
        *m_database, "INSERT INTO moz_places_metadata(place_id, created_at, updated_at, "
                     "total_view_time, typing_time, key_presses, scrolling_time, "
                     "scrolling_distance, document_type) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 1)");
    // Firefox keeps these times in milliseconds.
    const qint64 createdMs = created / 1000;
    const qint64 viewMs = viewTime / 1000;
    insert.bind(1, static_cast<int64_t>(place));
    insert.bind(2, static_cast<int64_t>(createdMs));
    insert.bind(3, static_cast<int64_t>(createdMs + viewMs));
    insert.bind(4, static_cast<int64_t>(viewMs));
    insert.bind(5, static_cast<int64_t>(keyPresses * 180));
    insert.bind(6, static_cast<int64_t>(keyPresses));
    insert.bind(7, static_cast<int64_t>(viewMs / 5));
    insert.bind(8, static_cast<int64_t>(viewMs / 3));
    insert.exec();
}

void TRFirefoxPlacesWriter::commit()
{
    // The origins' frecency, and the statistics of it that Firefox keeps.
    SQLite::Statement update(*m_database, "UPDATE moz_origins SET frecency = ? WHERE id = ?");
    qint64 count = 0;
    double sum = 0;
    double squares = 0;
    for (std::size_t i = 0; i < m_originFrecency.size(); ++i) {
        const qint64 frecency = m_originFrecency[i];
        // Only what changed since the last commit: the log holds no more.
        if (i >= m_originRecorded.size() || m_originRecorded[i] != frecency) {
            update.bind(1, static_cast<int64_t>(frecency));
            update.bind(2, static_cast<int64_t>(i + 1));
            update.exec();
            update.reset();
        }
        if (frecency > 0) {
            ++count;
            sum += static_cast<double>(frecency);
            squares += std::pow(static_cast<double>(frecency), 2);
        }
    }
    SQLite::Statement meta(*m_database,
                           "INSERT OR REPLACE INTO moz_meta(key, value) VALUES (?, ?)");
    for (const auto &[key, value] :
         {std::pair{"origin_frecency_count", static_cast<qint64>(count)},
          {"origin_frecency_sum", static_cast<qint64>(sum)},
          {"origin_frecency_sum_of_squares", static_cast<qint64>(squares)}}) {
        meta.bind(1, key);
        meta.bind(2, static_cast<int64_t>(value));
        meta.exec();
        meta.reset();
    }
    m_originRecorded = m_originFrecency;
    m_insertOrigin.reset();
    m_insertPlace.reset();
    m_insertVisit.reset();
    m_insertBookmark.reset();
    m_transaction->commit();
    m_transaction.reset();
}

void TRFirefoxPlacesWriter::keepInWriteAheadLog(quint64 salt)
{
    finish();
    open();
    TRWriteAheadLog::keepInLog(*m_database);
    m_transaction = std::make_unique<SQLite::Transaction>(*m_database);
    prepare();
    m_inLog = true;
    m_salt = salt;
}

void TRFirefoxPlacesWriter::finish()
{
    if (!m_database) {
        return;
    }
    commit();
    if (!m_inLog) {
        // Firefox analyzes its tables now and then; a real file has the
        // statistics.
        m_database->exec("ANALYZE");
        m_database->exec("PRAGMA journal_mode = WAL");
    }
    m_database.reset();
    if (m_inLog) {
        TRWriteAheadLog::settleLog(m_path, m_salt);
        m_inLog = false;
    }
}
