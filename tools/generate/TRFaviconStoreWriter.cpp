#include "TRFaviconStoreWriter.h"

#include "TRChromeHistoryWriter.h"
#include "TRFirefoxPlacesWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace {

// Chromium's Favicons as a recent Chrome creates it (version 8).
const char *const chromiumSchema = R"(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
CREATE TABLE favicons(id INTEGER PRIMARY KEY,url LONGVARCHAR NOT NULL,icon_type INTEGER DEFAULT 1);
CREATE TABLE favicon_bitmaps(id INTEGER PRIMARY KEY,icon_id INTEGER NOT NULL,
  last_updated INTEGER DEFAULT 0,image_data BLOB,width INTEGER DEFAULT 0,height INTEGER DEFAULT 0,
  last_requested INTEGER NOT NULL DEFAULT 0);
CREATE TABLE icon_mapping(id INTEGER PRIMARY KEY,page_url LONGVARCHAR NOT NULL,icon_id INTEGER,
  page_url_type INTEGER DEFAULT 0);
CREATE INDEX favicons_url ON favicons(url);
CREATE INDEX favicon_bitmaps_icon_id ON favicon_bitmaps(icon_id);
CREATE INDEX icon_mapping_page_url_idx ON icon_mapping(page_url);
CREATE INDEX icon_mapping_icon_id_idx ON icon_mapping(icon_id);
INSERT INTO meta VALUES ('mmap_status', '-1'), ('version', '8'),
  ('last_compatible_version', '8');
)";

// Firefox's favicons.sqlite, which places.sqlite attaches.
const char *const firefoxSchema = R"(
CREATE TABLE moz_icons ( id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL,
  fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0,
  root INTEGER NOT NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0,
  flags INTEGER NOT NULL DEFAULT 0, data BLOB );
CREATE TABLE moz_pages_w_icons ( id INTEGER PRIMARY KEY, page_url TEXT NOT NULL,
  page_url_hash INTEGER NOT NULL );
CREATE TABLE moz_icons_to_pages ( page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL,
  expire_ms INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (page_id, icon_id),
  FOREIGN KEY (page_id) REFERENCES moz_pages_w_icons ON DELETE CASCADE,
  FOREIGN KEY (icon_id) REFERENCES moz_icons ON DELETE CASCADE ) WITHOUT ROWID;
CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID;
CREATE INDEX moz_icons_iconurlhashindex ON moz_icons (fixed_icon_url_hash);
CREATE INDEX moz_pages_w_icons_urlhashindex ON moz_pages_w_icons (page_url_hash);
)";

std::unique_ptr<SQLite::Database> create(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(path + QLatin1StringView(suffix));
    }
    QDir().mkpath(QFileInfo(path).path());
    auto database = std::make_unique<SQLite::Database>(
        QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    // A generated file needs no durability until it is complete.
    database->exec("PRAGMA synchronous = OFF");
    return database;
}

void bindBytes(SQLite::Statement &statement, int index, const QByteArray &value)
{
    statement.bind(index, value.toStdString());
}

void bindBlob(SQLite::Statement &statement, int index, const QByteArray &value)
{
    statement.bind(index, value.constData(), static_cast<int>(value.size()));
}

// Firefox hashes an icon's address without its scheme and a leading "www.",
// so that the variants of one address meet.
QByteArray fixedIconUrl(const QByteArray &url)
{
    QByteArray fixed = url.mid(url.indexOf("://") + 3);
    return fixed.startsWith("www.") ? fixed.mid(4) : fixed;
}

} // namespace

void TRFaviconStoreWriter::writeChromium(const QString &path, const Store &store)
{
    const std::unique_ptr<SQLite::Database> database = create(path);
    database->exec("PRAGMA journal_mode = MEMORY");
    SQLite::Transaction transaction(*database);
    database->exec(chromiumSchema);
    SQLite::Statement icon(*database, "INSERT INTO favicons(id, url, icon_type) VALUES (?, ?, ?)");
    SQLite::Statement bitmap(*database,
                             "INSERT INTO favicon_bitmaps(icon_id, last_updated, image_data, "
                             "width, height, last_requested) VALUES (?, ?, ?, ?, ?, 0)");
    SQLite::Statement mapping(*database,
                              "INSERT INTO icon_mapping(page_url, icon_id, page_url_type) "
                              "VALUES (?, ?, 0)");
    const qint64 updated = TRChromeHistoryWriter::timeFromUnixMicroseconds(store.updated);
    for (std::size_t i = 0; i < store.icons.size(); ++i) {
        const auto id = static_cast<int64_t>(i + 1);
        icon.bind(1, id);
        bindBytes(icon, 2, store.icons[i].url);
        icon.bind(3, store.icons[i].type);
        icon.exec();
        icon.reset();
        for (const auto &[width, png] : store.icons[i].bitmaps) {
            bitmap.bind(1, id);
            bitmap.bind(2, static_cast<int64_t>(updated));
            bindBlob(bitmap, 3, png);
            bitmap.bind(4, width);
            bitmap.bind(5, width);
            bitmap.exec();
            bitmap.reset();
        }
    }
    for (const auto &[page, index] : store.mappings) {
        bindBytes(mapping, 1, page);
        mapping.bind(2, static_cast<int64_t>(index + 1));
        mapping.exec();
        mapping.reset();
    }
    transaction.commit();
    // Chrome keeps its icons in rollback-journal mode, as its history.
    database->exec("PRAGMA journal_mode = DELETE");
}

void TRFaviconStoreWriter::writeFirefox(const QString &path, const Store &store)
{
    const std::unique_ptr<SQLite::Database> database = create(path);
    // Firefox's page size, as places.sqlite.
    database->exec("PRAGMA page_size = 32768");
    database->exec("PRAGMA journal_mode = MEMORY");
    SQLite::Transaction transaction(*database);
    database->exec(firefoxSchema);
    SQLite::Statement icon(*database,
                           "INSERT INTO moz_icons(icon_url, fixed_icon_url_hash, width, root, "
                           "color, expire_ms, flags, data) VALUES (?, ?, ?, ?, NULL, ?, 0, ?)");
    SQLite::Statement page(*database,
                           "INSERT INTO moz_pages_w_icons(page_url, page_url_hash) VALUES (?, ?)");
    SQLite::Statement link(*database, "INSERT INTO moz_icons_to_pages(page_id, icon_id, "
                                      "expire_ms) VALUES (?, ?, ?)");
    // Firefox fetches an icon again a week after it got it.
    const qint64 expires = store.updated / 1000 + 7LL * 86400 * 1000;
    std::vector<std::vector<qint64>> rows(store.icons.size());
    for (std::size_t i = 0; i < store.icons.size(); ++i) {
        const QByteArray &url = store.icons[i].url;
        for (const auto &[width, png] : store.icons[i].bitmaps) {
            bindBytes(icon, 1, url);
            icon.bind(2, static_cast<int64_t>(TRFirefoxPlacesWriter::urlHash(fixedIconUrl(url))));
            icon.bind(3, width);
            icon.bind(4, store.icons[i].root ? 1 : 0);
            icon.bind(5, static_cast<int64_t>(expires));
            bindBlob(icon, 6, png);
            icon.exec();
            icon.reset();
            rows[i].push_back(database->getLastInsertRowid());
        }
    }
    QHash<QByteArray, qint64> pages;
    for (const auto &[address, index] : store.mappings) {
        auto found = pages.constFind(address);
        if (found == pages.cend()) {
            bindBytes(page, 1, address);
            page.bind(2, static_cast<int64_t>(TRFirefoxPlacesWriter::urlHash(address)));
            page.exec();
            page.reset();
            found = pages.insert(address, database->getLastInsertRowid());
        }
        for (const qint64 row : rows[static_cast<std::size_t>(index)]) {
            link.bind(1, static_cast<int64_t>(*found));
            link.bind(2, static_cast<int64_t>(row));
            link.bind(3, static_cast<int64_t>(expires));
            link.exec();
            link.reset();
        }
    }
    transaction.commit();
    database->exec("PRAGMA journal_mode = WAL");
}
