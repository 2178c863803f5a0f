#include "TRBrowserFiles.h"

#include "TRChromeBookmarksWriter.h"
#include "TRCorpusBookmarks.h"
#include "TRCorpusRandom.h"
#include "TRPropertyListWriter.h"
#include "TRSafariHistoryWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <functional>

void TRBrowserFiles::writeChromeHistory(const QString &path, const QList<ChromeRow> &rows)
{
    TRChromeHistoryWriter writer(path);
    for (const ChromeRow &row : rows) {
        writer.addUrl(row);
    }
    writer.finish();
}

namespace {

// The bytes of a file that write makes in a temporary folder.
QByteArray bytesOf(const std::function<void(const QString &)> &write)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("file"));
    write(path);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QByteArray TRBrowserFiles::chromeHistory(const QList<ChromeRow> &rows)
{
    return bytesOf([&rows](const QString &path) { writeChromeHistory(path, rows); });
}

qint64 TRBrowserFiles::chromeTime(const QDateTime &moment)
{
    return TRChromeHistoryWriter::time(moment);
}

QByteArray TRBrowserFiles::chromeBookmarks(const QList<Page> &bar)
{
    using Bookmarks = TRCorpusBookmarks;
    // Added a minute apart, a week before the corpus's fixed now.
    const qint64 start = QDateTime(QDate(2024, 4, 24), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
    const Bookmarks::NodePtr barFolder = Bookmarks::folder(QStringLiteral("Bookmarks bar"));
    qint64 added = start * 1000;
    for (const auto &[title, url] : bar) {
        Bookmarks::NodePtr leaf = Bookmarks::leaf(title, url.toUtf8());
        leaf->added = added;
        added += 60 * 1000 * 1000;
        barFolder->children.push_back(std::move(leaf));
    }
    TRCorpusRandom random(1, 0x4252);
    TRChromeBookmarksWriter writer(random);
    return writer.write(*barFolder, *Bookmarks::folder(QStringLiteral("Other bookmarks")),
                        *Bookmarks::folder(QStringLiteral("Mobile bookmarks")));
}

namespace {

// base::JSONWriter without pretty printing: no spaces, keys sorted (as a
// QJsonObject keeps them), strings escaped as in the Bookmarks file.
void writeCompact(const QJsonValue &value, QByteArray &out)
{
    switch (value.type()) {
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        out += '{';
        for (auto it = object.begin(); it != object.end(); ++it) {
            out += it == object.begin() ? "" : ",";
            out += TRChromeBookmarksWriter::quoted(it.key()) + ':';
            writeCompact(it.value(), out);
        }
        out += '}';
        break;
    }
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        out += '[';
        for (qsizetype i = 0; i < array.size(); ++i) {
            out += i == 0 ? "" : ",";
            writeCompact(array.at(i), out);
        }
        out += ']';
        break;
    }
    case QJsonValue::String:
        out += TRChromeBookmarksWriter::quoted(value.toString());
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        out += QByteArray::number(value.toDouble(), 'g', 17);
        break;
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        break;
    }
}

} // namespace

QByteArray TRBrowserFiles::chromiumLocalState(const QList<std::pair<QString, QString>> &profiles)
{
    // What every Local State holds besides the profiles, in short.
    QJsonObject document{
        {"browser", QJsonObject{{"enabled_labs_experiments", QJsonArray()},
                                {"last_redirect_origin", ""},
                                {"shortcut_migration_version", "124.0.6367.118"}}},
        {"legacy",
         QJsonObject{{"profile", QJsonObject{{"name", QJsonObject{{"migrated", true}}}}}}},
        {"user_experience_metrics",
         QJsonObject{{"low_entropy_source3", 4711},
                     {"stability", QJsonObject{{"exited_cleanly", true}, {"stats_version", 5}}}}},
    };
    if (!profiles.isEmpty()) {
        QJsonObject cache;
        QJsonArray order;
        int bucket = 1;
        for (const auto &[folder, name] : profiles) {
            cache.insert(folder, QJsonObject{{"active_time", 1714564800.0 - bucket * 86400},
                                             {"avatar_icon",
                                              QStringLiteral("chrome://theme/IDR_PROFILE_AVATAR_%1")
                                                  .arg(bucket == 1 ? 0 : 26 + bucket)},
                                             {"background_apps", false},
                                             {"gaia_id", ""},
                                             {"gaia_name", ""},
                                             {"is_ephemeral", false},
                                             {"is_using_default_avatar", bucket == 1},
                                             {"is_using_default_name", name.startsWith("Person ")},
                                             {"managed_user_id", ""},
                                             {"metrics_bucket_index", bucket},
                                             {"name", name},
                                             {"user_name", ""}});
            order.append(folder);
            ++bucket;
        }
        document.insert("profile",
                        QJsonObject{{"info_cache", cache},
                                    {"last_used", profiles.first().first},
                                    {"metrics", QJsonObject{{"next_bucket_index", bucket}}},
                                    {"profiles_created", int(profiles.size())},
                                    {"profiles_order", order}});
    }
    QByteArray out;
    writeCompact(document, out);
    return out;
}

QVariantMap TRBrowserFiles::safariFolder(const QString &title, const QVariantList &children,
                                         const QString &uuid)
{
    QVariantMap node{
        {"WebBookmarkType", "WebBookmarkTypeList"}, {"Title", title}, {"Children", children}};
    if (!uuid.isEmpty()) {
        node.insert("WebBookmarkUUID", uuid);
    }
    return node;
}

QVariantMap TRBrowserFiles::safariLeaf(const QString &title, const QString &url,
                                       const QString &uuid)
{
    return {{"WebBookmarkType", "WebBookmarkTypeLeaf"},
            {"URLString", url},
            {"URIDictionary", QVariantMap{{"title", title}}},
            {"WebBookmarkUUID", uuid.isEmpty() ? "LEAF-" + title : uuid}};
}

bool TRBrowserFiles::writeSafariBookmarks(const QString &path, const QVariantList &children,
                                          bool xml)
{
    return TRPropertyListWriter::writeFile(path, safariBookmarks(children, xml));
}

QByteArray TRBrowserFiles::safariBookmarks(const QVariantList &children, bool xml)
{
    const QVariantMap root{{"WebBookmarkType", "WebBookmarkTypeList"},
                           {"WebBookmarkFileVersion", qint64(1)},
                           {"Children", children}};
    using Format = TRPropertyListWriter::Format;
    return TRPropertyListWriter::bytes(root, xml ? Format::xml : Format::binary);
}

double TRBrowserFiles::safariTime(const QDateTime &moment)
{
    return TRSafariHistoryWriter::time(moment);
}

namespace {

QVariant safariTimeOf(const QVariant &time)
{
    return time.typeId() == QMetaType::QDateTime
               ? QVariant(TRBrowserFiles::safariTime(time.toDateTime()))
               : time;
}

// Binds a null, a text, or else a number.
void bind(SQLite::Statement &statement, int index, const QVariant &value)
{
    if (value.isNull()) {
        statement.bind(index);
    } else if (value.typeId() == QMetaType::QString) {
        statement.bind(index, value.toString().toStdString());
    } else {
        statement.bind(index, value.toDouble());
    }
}

} // namespace

void TRBrowserFiles::writeSafariHistoryDatabase(const QString &path,
                                                const QList<SafariVisit> &visits)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    SQLite::Database db(QFile::encodeName(path).toStdString(),
                        SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec("CREATE TABLE history_items (id INTEGER PRIMARY KEY AUTOINCREMENT, url TEXT UNIQUE, "
            "domain_expansion TEXT NULL, visit_count INTEGER NOT NULL); CREATE TABLE "
            "history_visits (id INTEGER PRIMARY KEY AUTOINCREMENT, history_item INTEGER NOT NULL "
            "REFERENCES history_items(id), visit_time REAL, title TEXT NULL, load_successful "
            "BOOLEAN NOT NULL DEFAULT 1)");
    SQLite::Transaction transaction(db);
    SQLite::Statement item(db,
                           "INSERT OR IGNORE INTO history_items(url, visit_count) VALUES (?, ?)");
    SQLite::Statement visit(db, "INSERT INTO history_visits(history_item, visit_time, title) "
                                "SELECT max(id), ?, ? FROM history_items WHERE url IS ?");
    for (const SafariVisit &each : visits) {
        bind(item, 1, each.url);
        bind(item, 2, each.visitCount);
        item.exec();
        item.reset();
        bind(visit, 1, safariTimeOf(each.time));
        bind(visit, 2, each.title);
        bind(visit, 3, each.url);
        visit.exec();
        visit.reset();
    }
    transaction.commit();
}

QByteArray TRBrowserFiles::safariHistoryDatabase(const QList<SafariVisit> &visits)
{
    return bytesOf([&visits](const QString &path) { writeSafariHistoryDatabase(path, visits); });
}

QByteArray TRBrowserFiles::safariHistoryList(const QList<SafariVisit> &visits)
{
    QVariantList dates;
    for (const SafariVisit &visit : visits) {
        // Safari writes the time as text; a null leaves its key out.
        const QVariant time = safariTimeOf(visit.time);
        QVariantMap entry{
            {"", visit.url},
            {"title", visit.title},
            {"visitCount", qint64(visit.visitCount)},
            {"lastVisitedDate", time.typeId() == QMetaType::Double
                                    ? QVariant(QString::number(time.toDouble(), 'f', 1))
                                    : time}};
        entry.removeIf([](const auto &field) { return field.value().isNull(); });
        dates.append(entry);
    }
    return TRPropertyListWriter::bytes(QVariantMap{{"WebHistoryDates", dates}},
                                       TRPropertyListWriter::Format::binary);
}

QByteArray TRBrowserFiles::safariTopSites(const QList<Page> &sites)
{
    QVariantList list;
    for (const auto &[title, url] : sites) {
        list.append(QVariantMap{{"TopSiteURLString", url}, {"TopSiteTitle", title}});
    }
    return TRPropertyListWriter::bytes(QVariantMap{{"TopSites", list}},
                                       TRPropertyListWriter::Format::binary);
}

QByteArray TRBrowserFiles::safariLastSession(const QList<Page> &tabs)
{
    QVariantList list;
    for (const auto &[title, url] : tabs) {
        list.append(QVariantMap{{"TabURL", url}, {"TabTitle", title}});
    }
    const QVariantMap window{{"TabStates", list}};
    return TRPropertyListWriter::bytes(QVariantMap{{"SessionWindows", QVariantList{window}}},
                                       TRPropertyListWriter::Format::binary);
}

QByteArray TRBrowserFiles::jpeg()
{
    // A 16 by 16 orange square as Qt's JPEG writer saves it.
    return QByteArray::fromHex(
        "ffd8ffe000104a46494600010101006400640000ffdb004300080606070605080707070909080a0c140d0c0b"
        "0b0c1912130f141d1a1f1e1d1a1c1c20242e2720222c231c1c2837292c30313434341f27393d38323c2e3334"
        "32ffdb0043010909090c0b0c180d0d1832211c21323232323232323232323232323232323232323232323232"
        "3232323232323232323232323232323232323232323232323232ffc000110800100010030122000211010311"
        "01ffc4001f0000010501010101010100000000000000000102030405060708090a0bffc400b5100002010303"
        "020403050504040000017d01020300041105122131410613516107227114328191a1082342b1c11552d1f024"
        "33627282090a161718191a25262728292a3435363738393a434445464748494a535455565758595a63646566"
        "6768696a737475767778797a838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7"
        "b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9faffc400"
        "1f0100030101010101010101010000000000000102030405060708090a0bffc400b511000201020404030407"
        "05040400010277000102031104052131061241510761711322328108144291a1b1c109233352f0156272d10a"
        "162434e125f11718191a262728292a35363738393a434445464748494a535455565758595a63646566676869"
        "6a737475767778797a82838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9"
        "bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9faffda000c030100"
        "02110311003f00cea28a2be6cfb83fffd9");
}

bool TRBrowserFiles::writeOtherDatabase(const QString &path)
{
    QFile::remove(path);
    try {
        SQLite::Database db(QFile::encodeName(path).toStdString(),
                            SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT);"
                "INSERT INTO notes(text) VALUES ('not a browser file')");
        return true;
    } catch (const SQLite::Exception &) {
        return false;
    }
}

QList<TRBrowserFiles::FirefoxBookmark> TRBrowserFiles::firefoxRoots()
{
    return {{1, 2, 0, 0, QString(), 0, QStringLiteral("root________")},
            {2, 2, 1, 0, QStringLiteral("menu"), 0, QStringLiteral("menu________")},
            {3, 2, 1, 1, QStringLiteral("toolbar"), 0, QStringLiteral("toolbar_____")},
            {4, 2, 1, 2, QStringLiteral("tags"), 0, QStringLiteral("tags________")},
            {5, 2, 1, 3, QStringLiteral("unfiled"), 0, QStringLiteral("unfiled_____")},
            {6, 2, 1, 4, QStringLiteral("mobile"), 0, QStringLiteral("mobile______")}};
}

qint64 TRBrowserFiles::firefoxTime(const QDateTime &moment)
{
    return moment.toMSecsSinceEpoch() * 1000;
}

namespace {

void insertFirefoxVisits(SQLite::Database &db, const QList<TRBrowserFiles::FirefoxVisit> &visits)
{
    SQLite::Statement insert(db, "INSERT INTO moz_historyvisits(from_visit, place_id, "
                                 "visit_date, visit_type, session) VALUES (0, ?, ?, ?, 0)");
    for (const TRBrowserFiles::FirefoxVisit &visit : visits) {
        insert.bind(1, static_cast<int64_t>(visit.place));
        insert.bind(2, static_cast<int64_t>(visit.time));
        insert.bind(3, visit.type);
        insert.exec();
        insert.reset();
    }
}

} // namespace

void TRBrowserFiles::writeFirefoxPlaces(const QString &path, const QList<FirefoxPlace> &places,
                                        const QList<FirefoxVisit> &visits,
                                        const QList<FirefoxBookmark> &bookmarks,
                                        const QList<FirefoxVisit> &walVisits)
{
    QDir().mkpath(QFileInfo(path).path());
    for (const char *suffix : {"", "-wal", "-shm"}) {
        QFile::remove(path + QLatin1StringView(suffix));
    }
    const std::string file = QFile::encodeName(path).toStdString();
    {
        SQLite::Database db(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("PRAGMA journal_mode = WAL");
        db.exec("CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT "
                "NOT NULL, frecency INTEGER NOT NULL, UNIQUE (prefix, host));"
                "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title "
                "LONGVARCHAR, rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER "
                "DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 "
                "NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT "
                "NULL, url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url "
                "TEXT, site_name TEXT, origin_id INTEGER REFERENCES moz_origins(id), "
                "recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER, "
                "recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);"
                "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, "
                "place_id INTEGER, visit_date INTEGER, visit_type INTEGER, session INTEGER, source "
                "INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER);"
                "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER "
                "DEFAULT NULL, parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id "
                "INTEGER, folder_type TEXT, dateAdded INTEGER, lastModified INTEGER, guid TEXT, "
                "syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT "
                "1);"
                "CREATE INDEX moz_historyvisits_dateindex ON moz_historyvisits (visit_date);"
                "CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);");
        SQLite::Transaction transaction(db);
        SQLite::Statement place(db, "INSERT INTO moz_places(url, title, rev_host, visit_count, "
                                    "hidden, guid, url_hash) VALUES (?, ?, '', ?, ?, ?, 0)");
        int number = 0;
        for (const FirefoxPlace &each : places) {
            bind(place, 1, each.url);
            bind(place, 2, each.title);
            place.bind(3, each.visitCount);
            place.bind(4, each.hidden ? 1 : 0);
            place.bind(
                5, QStringLiteral("place%1").arg(++number, 7, 10, QLatin1Char('_')).toStdString());
            place.exec();
            place.reset();
        }
        insertFirefoxVisits(db, visits);
        SQLite::Statement bookmark(db, "INSERT INTO moz_bookmarks(id, type, fk, parent, position, "
                                       "title, dateAdded, lastModified, guid) VALUES (?, ?, ?, "
                                       "?, ?, ?, 0, 0, ?)");
        for (const FirefoxBookmark &each : bookmarks) {
            bookmark.bind(1, static_cast<int64_t>(each.id));
            bookmark.bind(2, each.type);
            if (each.place != 0) {
                bookmark.bind(3, static_cast<int64_t>(each.place));
            } else {
                bookmark.bind(3);
            }
            bookmark.bind(4, static_cast<int64_t>(each.parent));
            bookmark.bind(5, each.position);
            bind(bookmark, 6, each.title);
            bookmark.bind(
                7, (each.guid.isEmpty() ? QStringLiteral("bookmark%1").arg(each.id) : each.guid)
                       .toStdString());
            bookmark.exec();
            bookmark.reset();
        }
        transaction.commit();
    }
    if (walVisits.isEmpty()) {
        return;
    }
    // Firefox keeps its connection open; what it wrote since the last
    // checkpoint is in the -wal file alone.
    SQLite::Database db(file, SQLite::OPEN_READWRITE);
    sqlite3_db_config(db.getHandle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    db.exec("PRAGMA wal_autocheckpoint = 0");
    insertFirefoxVisits(db, walVisits);
}
