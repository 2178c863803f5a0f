#include "TRGoogleChromeBookmarksParser.h"

#include "TRDayFormatter.h"
#include "TRDiagnostics.h"
#include "TROperationQueue.h"
#include "TRPlainAddress.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRSQLiteDatabase.h"
#include "TRSourceState.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTimeZone>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace {

const QString notInCorrectFormat =
    QStringLiteral("The data couldn’t be read because it isn’t in the correct format.");
const QString missing = QStringLiteral("The data couldn’t be read because it is missing.");

// A string field, or none when it is absent or of another type.
std::optional<QString> stringField(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

QUrl parseUrl(const QString &text)
{
    // Tolerant: a raw space or bracket is escaped rather than losing the URL.
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
}

void decodeChildren(const QJsonArray &children, TRGoogleChromeBookmark &folder)
{
    for (const QJsonValue &element : children) {
        if (!element.isObject()) {
            continue;
        }
        const QJsonObject child = element.toObject();
        const std::optional<QString> type = stringField(child, QLatin1StringView("type"));
        if (!type) {
            continue;
        }
        const QString lowerType = type->toLower();
        const QString name = stringField(child, QLatin1StringView("name")).value_or(QString());
        TRGoogleChromeBookmarkPtr node;
        if (lowerType == u"url") {
            const std::optional<QString> url = stringField(child, QLatin1StringView("url"));
            // A plain web address is what parsing would give back: kept as
            // it is; only the others are parsed.
            const QByteArray bytes = url ? url->toUtf8() : QByteArray();
            const bool plain = TRPlainAddress::isPlain(bytes);
            node = TRGoogleChromeBookmark::init(TRBookmarkKind::item, name,
                                                url && !plain ? parseUrl(*url) : QUrl());
            if (plain) {
                node->setEncodedUrl(bytes);
            }
        } else if (lowerType == u"folder") {
            node = TRGoogleChromeBookmark::init(TRBookmarkKind::group, name);
            const QJsonValue grandChildren = child.value(QLatin1StringView("children"));
            if (grandChildren.isArray()) {
                decodeChildren(grandChildren.toArray(), *node);
            }
        } else {
            continue;
        }
        if (const std::optional<QString> id = stringField(child, QLatin1StringView("id"))) {
            node->setId(*id);
        }
        folder.addBookmark(node);
    }
}

} // namespace

struct TRGoogleChromeBookmarksParser::Grants
{
    std::optional<QByteArray> bookmarks;
    std::optional<QByteArray> accountBookmarks;
    std::optional<QByteArray> history;
};

struct TRGoogleChromeBookmarksParser::Parsed
{
    // None for a file that did not change since its last read.
    std::optional<Outcome> bookmarksOutcome;
    std::optional<Outcome> accountBookmarksOutcome;
    std::optional<Outcome> historyOutcome;
    // Whether the bookmarks tree is made anew: then bookmarks is the new
    // container, or none when no bookmarks file is left.
    bool bookmarksMade = false;
    TRGoogleChromeBookmarkPtr bookmarks;
    // By file name: the bytes of a bookmarks file that decoded and what they
    // gave, or none for a file taken back.
    QHash<QString, std::optional<QByteArray>> goodBookmarks;
    QHash<QString, TRGoogleChromeBookmarkPtr> decodedBookmarks;
    std::vector<TRGoogleChromeBookmarkPtr> historyDays;
    TRHistoryStorePtr historyStore;
    bool historyRead = false;
    HistoryCursor historyCursor;
    // The states of the files read, and of those no longer granted (none).
    QHash<QString, std::optional<TRSourceState>> states;
    TRFaviconStoreReader::Result icons;
    // A new search index, when the trees changed.
    std::shared_ptr<const TRSearchIndex> search;
};

namespace {

const QString defaultStem = QStringLiteral("google_chrome");

QString copySuffix(TRGoogleChromeBookmarksParser::BookmarkDataKey key)
{
    using Key = TRGoogleChromeBookmarksParser::BookmarkDataKey;
    switch (key) {
    case Key::bookmarks:
        return QStringLiteral("_bookmarks_data");
    case Key::accountBookmarks:
        return QStringLiteral("_account_bookmarks_data");
    case Key::history:
        break;
    }
    return QStringLiteral("_history_data");
}

} // namespace

QString TRGoogleChromeBookmarksParser::rawValue(BookmarkDataKey key)
{
    return defaultStem + copySuffix(key);
}

QString TRGoogleChromeBookmarksParser::copyName(BookmarkDataKey key) const
{
    return m_copyStem + copySuffix(key);
}

TRGoogleChromeBookmarksParser &TRGoogleChromeBookmarksParser::shared()
{
    static TRGoogleChromeBookmarksParser *parser = new TRGoogleChromeBookmarksParser;
    return *parser;
}

TRGoogleChromeBookmarksParser::TRGoogleChromeBookmarksParser(QString copyStem)
    : m_copyStem(std::move(copyStem))
    , m_operationQueue(std::make_unique<TROperationQueue>(
          m_copyStem == defaultStem ? QStringLiteral("chrome_updateBookmarksQueue")
                                    : m_copyStem + QStringLiteral("_updateBookmarksQueue")))
    , m_iconReader(m_copyStem + QStringLiteral("_favicons_data"), QStringLiteral("Favicons"),
                   TRFaviconTable::Store::chromium)
    , m_searchKeeper(tr("History"))
{}

TRGoogleChromeBookmarksParser::~TRGoogleChromeBookmarksParser()
{
    // A running update writes the read states and stores: it must end before
    // any member goes, and the queue, declared first, would go last.
    m_operationQueue.reset();
}

void TRGoogleChromeBookmarksParser::setSlot(const TRBrowserSettings::Slot &slot)
{
    dataForBookmarks = slot.bookmarks;
    dataForAccountBookmarks = slot.accountBookmarks;
    dataForHistory = slot.history;
}

void TRGoogleChromeBookmarksParser::setIconStore(const std::optional<QByteArray> &grant, int pixels)
{
    m_iconRequest = {grant, pixels};
}

QStringList TRGoogleChromeBookmarksParser::unreadableFiles() const
{
    QStringList files;
    for (const auto &[outcome, file] :
         {std::pair(m_lastUpdateResult.bookmarks, QStringLiteral("Bookmarks")),
          std::pair(m_lastUpdateResult.accountBookmarks, QStringLiteral("AccountBookmarks")),
          std::pair(m_lastUpdateResult.history, QStringLiteral("History"))}) {
        if (outcome == Outcome::unreadable) {
            files.push_back(file);
        }
    }
    return files;
}

TRGoogleChromeBookmarkPtr TRGoogleChromeBookmarksParser::historyBookmark()
{
    if (!m_historyBookmark) {
        m_historyBookmark = TRGoogleChromeBookmark::init(TRBookmarkKind::group, tr("History"));
        m_historyBookmark->tag = TRGoogleChromeBookmark::Tag::history;
    }
    return m_historyBookmark;
}

void TRGoogleChromeBookmarksParser::updateBookmarks(std::function<void()> completion)
{
    // The grants are taken now, on the main thread; the worker gets copies.
    m_operationQueue->cancelAllOperations();
    m_operationQueue->addOperation([this,
                                    grants = Grants{dataForBookmarks, dataForAccountBookmarks,
                                                    dataForHistory},
                                    icons = m_iconRequest, completion = std::move(completion)] {
        auto parsed = std::make_shared<Parsed>(parse(grants));
        parsed->icons = m_iconReader.read(icons);
        // Stopped half-way: what was read is incomplete and is dropped.
        if (TROperationQueue::isCurrentOperationCancelled()) {
            return;
        }
        m_iconReader.settle(parsed->icons);
        for (auto it = parsed->states.cbegin(); it != parsed->states.cend(); ++it) {
            if (it.value()) {
                m_readStates.insert(it.key(), *it.value());
            } else {
                m_readStates.remove(it.key());
            }
        }
        // A file's bytes are needed again only to make the tree when the
        // other file changes: with one file granted, none are kept.
        const bool both = grants.bookmarks && grants.accountBookmarks;
        for (auto it = parsed->goodBookmarks.cbegin(); it != parsed->goodBookmarks.cend(); ++it) {
            if (it.value()) {
                QByteArray kept = both ? qCompress(*it.value(), 1) : QByteArray();
                kept.squeeze();
                m_goodBookmarks.insert(it.key(), kept);
            } else {
                m_goodBookmarks.remove(it.key());
            }
        }
        if (parsed->historyRead || !m_readStates.contains(copyName(BookmarkDataKey::history))) {
            m_readHistory = parsed->historyStore;
            m_historyCursor = parsed->historyCursor;
        }
        if (parsed->bookmarksMade) {
            m_searchKeeper.setTrees(parsed->bookmarks
                                        ? std::vector<TRSearchIndex::Tree>{{parsed->bookmarks, {}}}
                                        : std::vector<TRSearchIndex::Tree>{});
        }
        m_searchKeeper.setHistory(m_readHistory);
        parsed->search = m_searchKeeper.rebuild(QDateTime::currentMSecsSinceEpoch());
        TROperationQueue::runOnMainQueue(this, [this, parsed, completion] {
            publish(*parsed);
            if (completion) {
                completion();
            }
        });
    });
}

bool TRGoogleChromeBookmarksParser::changedState(BookmarkDataKey key,
                                                 const std::optional<QByteArray> &grant, bool force,
                                                 Parsed &parsed,
                                                 std::optional<Outcome> &outcome) const
{
    const QString name = copyName(key);
    if (!grant) {
        // Taken back since the last read.
        if (m_readStates.contains(name)) {
            parsed.states.insert(name, std::nullopt);
            outcome = Outcome::notGranted;
        }
        return false;
    }
    TRSourceState state = TRSourceState::of(*grant);
    if (const auto seen = m_readStates.find(name);
        !force && seen != m_readStates.cend() && *seen == state && seen->isSettled()) {
        return false;
    }
    // Whatever the read makes of it, the same file would give the same again.
    parsed.states.insert(name, state);
    outcome = Outcome::notGranted;
    return true;
}

void TRGoogleChromeBookmarksParser::readBookmarksFile(BookmarkDataKey key,
                                                      const std::optional<QByteArray> &grant,
                                                      bool force, Parsed &parsed) const
{
    const QString name = copyName(key);
    std::optional<Outcome> &outcome = key == BookmarkDataKey::accountBookmarks
                                          ? parsed.accountBookmarksOutcome
                                          : parsed.bookmarksOutcome;
    if (!changedState(key, grant, force, parsed, outcome)) {
        if (outcome && m_goodBookmarks.contains(name)) {
            parsed.goodBookmarks.insert(name, std::nullopt);
        }
        return;
    }
    const auto copy = TRPrivateCopy::make(name, grant);
    if (!copy) {
        return;
    }
    outcome = Outcome::unreadable;
    QFile file(*copy);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
    QString error;
    if (TRGoogleChromeBookmarkPtr container = decodeBookmarks(bytes, &error)) {
        outcome = Outcome::read;
        parsed.goodBookmarks.insert(name, bytes);
        parsed.decodedBookmarks.insert(name, std::move(container));
    } else {
        TRDiagnostics::writeLine(QStringLiteral("Could not decode '") +
                                 (key == BookmarkDataKey::accountBookmarks
                                      ? QStringLiteral("AccountBookmarksContainer")
                                      : QStringLiteral("BookmarksContainer")) +
                                 QStringLiteral("': ") + error);
    }
}

TRGoogleChromeBookmarksParser::Parsed
TRGoogleChromeBookmarksParser::parse(const Grants &grants) const
{
    Parsed parsed;
    // A file read while it was granted alone has no bytes kept: now that
    // both are granted, it is read again, so that either's change can make
    // the tree of both.
    const bool both = grants.bookmarks && grants.accountBookmarks;
    const auto unkept = [this, both](BookmarkDataKey key) {
        const auto kept = m_goodBookmarks.constFind(copyName(key));
        return both && kept != m_goodBookmarks.cend() && kept->isEmpty();
    };
    readBookmarksFile(BookmarkDataKey::accountBookmarks, grants.accountBookmarks,
                      unkept(BookmarkDataKey::accountBookmarks), parsed);
    readBookmarksFile(BookmarkDataKey::bookmarks, grants.bookmarks,
                      unkept(BookmarkDataKey::bookmarks), parsed);
    // A file that read, or one taken back, changes the tree; a failed read
    // keeps that file's last good roots, so alone it changes nothing.
    if (!parsed.goodBookmarks.isEmpty()) {
        parsed.bookmarksMade = true;
        bool anyRead = false;
        std::vector<TRGoogleChromeBookmarkPtr> rootFolders;
        for (const BookmarkDataKey key :
             {BookmarkDataKey::accountBookmarks, BookmarkDataKey::bookmarks}) {
            const QString name = copyName(key);
            TRGoogleChromeBookmarkPtr decoded = parsed.decodedBookmarks.value(name);
            if (!decoded && !parsed.goodBookmarks.contains(name) &&
                m_goodBookmarks.contains(name)) {
                decoded = decodeBookmarks(qUncompress(m_goodBookmarks.value(name)), nullptr);
            }
            if (!decoded) {
                continue;
            }
            anyRead = true;
            for (const TRBookmarkPtr &rootFolder : decoded->bookmarks()) {
                rootFolders.push_back(std::static_pointer_cast<TRGoogleChromeBookmark>(rootFolder));
            }
        }
        if (anyRead) {
            // The root folders hang below the container without naming it,
            // as a decoded file's do.
            parsed.bookmarks = TRGoogleChromeBookmark::init(TRBookmarkKind::group, QString());
            for (const TRGoogleChromeBookmarkPtr &rootFolder : rootFolders) {
                parsed.bookmarks->addBookmark(rootFolder);
                rootFolder->setParent(nullptr);
            }
            // Kept packed below the root folders until a folder is opened.
            TRPackedBookmarks<TRGoogleChromeBookmark>::pack(
                rootFolders, TRPrivateFolder::path().value_or(QString()));
        }
    }
    const QString historyName = copyName(BookmarkDataKey::history);
    if (changedState(BookmarkDataKey::history, grants.history, false, parsed,
                     parsed.historyOutcome)) {
        if (const auto copy = TRPrivateCopy::make(historyName, grants.history)) {
            // The same file as last read, grown: only its newer rows are read.
            const TRFileState file = parsed.states.value(historyName)->file;
            const auto seen = m_readStates.find(historyName);
            parsed.historyCursor = m_historyCursor;
            std::shared_ptr<TRHistoryStore> store;
            if (m_readHistory && seen != m_readStates.cend() && seen->file.device == file.device &&
                seen->file.inode == file.inode) {
                store = readNewerHistory(*copy, m_readHistory, parsed.historyCursor);
            }
            const bool whole = !store;
            if (whole) {
                parsed.historyCursor = {};
                store = readHistory(*copy, &parsed.historyCursor);
            }
            parsed.historyOutcome = !store               ? Outcome::unreadable
                                    : store->size() == 0 ? Outcome::empty
                                                         : Outcome::read;
            parsed.historyRead = true;
            if (store && store->size() > 0) {
                const TRDayFormatter formatter;
                parsed.historyDays = groupHistoryByDay(store, formatter);
                // Every row has been looked at; what stays is read only when
                // a day is opened. The newer rows of a partial read are few
                // and stay in memory.
                if (whole) {
                    store->moveToFile(TRPrivateFolder::path().value_or(QString()));
                }
                parsed.historyStore = store;
            }
        }
    }
    return parsed;
}

void TRGoogleChromeBookmarksParser::publish(Parsed &parsed)
{
    m_lastUpdateChanged =
        parsed.bookmarksOutcome || parsed.accountBookmarksOutcome || parsed.historyOutcome;
    if (parsed.icons.changed) {
        m_favicons = parsed.icons.table;
    }
    if (parsed.search) {
        m_searchIndex = parsed.search;
    }
    if (parsed.bookmarks) {
        m_bookmarks.insert(BookmarkTypeKey::bookmarks, parsed.bookmarks);
    } else if (parsed.bookmarksMade) {
        m_bookmarks.remove(BookmarkTypeKey::bookmarks);
    }
    if (parsed.historyStore) {
        m_historyStore = parsed.historyStore;
        publishHistoryDays(parsed.historyDays);
    }
    m_lastUpdateResult.bookmarks = parsed.bookmarksOutcome.value_or(m_lastUpdateResult.bookmarks);
    m_lastUpdateResult.accountBookmarks =
        parsed.accountBookmarksOutcome.value_or(m_lastUpdateResult.accountBookmarks);
    m_lastUpdateResult.history = parsed.historyOutcome.value_or(m_lastUpdateResult.history);
}

void TRGoogleChromeBookmarksParser::publishHistoryDays(
    const std::vector<TRGoogleChromeBookmarkPtr> &days)
{
    const TRGoogleChromeBookmarkPtr root = historyBookmark();
    root->removeAllBookmarks();
    for (const TRGoogleChromeBookmarkPtr &day : days) {
        root->addBookmark(day);
    }
    m_bookmarks.insert(BookmarkTypeKey::history, root);
}

void TRGoogleChromeBookmarksParser::regroupHistory(std::function<void()> completion)
{
    if (!m_historyStore) {
        return;
    }
    m_operationQueue->addOperation(
        [this, store = m_historyStore, completion = std::move(completion)] {
            const TRDayFormatter formatter;
            auto days = std::make_shared<std::vector<TRGoogleChromeBookmarkPtr>>(
                groupHistoryByDay(store, formatter));
            TROperationQueue::runOnMainQueue(this, [this, store, days, completion] {
                // A read that came in between has the newer store and days.
                if (store != m_historyStore) {
                    return;
                }
                publishHistoryDays(*days);
                if (completion) {
                    completion();
                }
            });
        });
}

TRGoogleChromeBookmarkPtr TRGoogleChromeBookmarksParser::decodeBookmarks(const QByteArray &json,
                                                                         QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        if (error) {
            *error = notInCorrectFormat;
        }
        return nullptr;
    }
    const QJsonValue roots = document.object().value(QLatin1StringView("roots"));
    if (!roots.isObject()) {
        if (error) {
            *error = roots.isUndefined() ? missing : notInCorrectFormat;
        }
        return nullptr;
    }

    auto container = TRGoogleChromeBookmark::init(TRBookmarkKind::group, QString());
    std::vector<TRBookmarkPtr> rootFolders;
    for (const char *key : {"bookmark_bar", "other", "synced"}) {
        const QJsonValue rootValue = roots.toObject().value(QLatin1StringView(key));
        if (!rootValue.isObject()) {
            continue;
        }
        const QJsonObject root = rootValue.toObject();
        if (stringField(root, QLatin1StringView("type")) != QStringLiteral("folder")) {
            continue;
        }
        auto folder = TRGoogleChromeBookmark::init(
            TRBookmarkKind::group,
            stringField(root, QLatin1StringView("name")).value_or(QString()));
        if (const std::optional<QString> id = stringField(root, QLatin1StringView("id"))) {
            folder->setId(*id);
        }
        const QJsonValue children = root.value(QLatin1StringView("children"));
        if (!children.isArray()) {
            if (error) {
                *error = children.isUndefined() ? missing : notInCorrectFormat;
            }
            return nullptr;
        }
        decodeChildren(children.toArray(), *folder);
        rootFolders.push_back(folder);
    }
    // The root folders hang below the container without naming it as their
    // parent: the container is only a holder.
    for (const TRBookmarkPtr &folder : rootFolders) {
        container->addBookmark(folder);
        folder->setParent(nullptr);
    }
    return container;
}

qint64 TRGoogleChromeBookmarksParser::millisecondsFromChromeTime(qint64 microseconds)
{
    // 1601-01-01 00:00:00 UTC is 11,644,473,600 seconds before 1970.
    constexpr qint64 offsetMs = 11644473600000LL;
    return microseconds / 1000 - offsetMs;
}

namespace {

using HistoryCursor = TRGoogleChromeBookmarksParser::HistoryCursor;

// A prime for the checksum of the rows' times, which would overflow summed
// whole; the times are taken in milliseconds, as the history keeps them.
constexpr qint64 timePrime = 1000000007;
const char *const rowColumns = "SELECT title, url, visit_count, last_visit_time, id FROM urls ";

qint64 timeTerm(qint64 chromeTime)
{
    return (chromeTime / 1000) % timePrime;
}

// The rows of query (rowColumns, newest first) into builder, and what they
// add to seen; the ids of those read into ids. False when the query fails,
// after a line on standard output, or the read is asked to stop.
bool readRows(sqlite3 *handle, sqlite3_stmt *query, TRHistoryStore::Builder &builder,
              HistoryCursor &seen, QSet<qint64> *ids = nullptr)
{
    constexpr int titleColumn = 0;
    constexpr int urlColumn = 1;
    constexpr int visitCountColumn = 2;
    constexpr int lastVisitTimeColumn = 3;
    constexpr int idColumn = 4;
    int stepResult = SQLITE_ROW;
    std::size_t rows = 0;
    while ((stepResult = sqlite3_step(query)) == SQLITE_ROW) {
        // The application may ask a long read to stop; looked at now and then.
        if ((++rows & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled()) {
            return false;
        }
        const qint64 time = sqlite3_column_int64(query, lastVisitTimeColumn);
        const int visitCount = sqlite3_column_int(query, visitCountColumn);
        const qint64 id = sqlite3_column_int64(query, idColumn);
        seen.newestTime = std::max(seen.newestTime, time);
        ++seen.rows;
        seen.visitCounts += visitCount;
        seen.timeChecksum = (seen.timeChecksum + timeTerm(time)) % timePrime;
        if (ids) {
            ids->insert(id);
        }
        if (sqlite3_column_type(query, urlColumn) == SQLITE_NULL) {
            continue;
        }
        const auto *urlText = reinterpret_cast<const char *>(sqlite3_column_text(query, urlColumn));
        const QByteArrayView urlBytes(urlText, sqlite3_column_bytes(query, urlColumn));
        // Most addresses are plain web addresses that parsing would give back
        // unchanged; they are kept as they stand. The others are parsed: file
        // URLs like any other, so file:///a%20b names "a b"; text that does
        // not parse is dropped, as its UTF-8 bytes would parse to the same
        // invalid URL.
        QByteArray parsedUrl;
        if (!TRPlainAddress::isPlain(urlBytes)) {
            parsedUrl = parseUrl(QString::fromUtf8(urlBytes)).toEncoded();
            if (parsedUrl.isEmpty()) {
                continue;
            }
        }
        const quint32 address = builder.addAddress(
            parsedUrl.isNull() ? urlBytes : QByteArrayView(parsedUrl), visitCount, id);
        const auto *titleText =
            reinterpret_cast<const char *>(sqlite3_column_text(query, titleColumn));
        QByteArrayView title(titleText, titleText ? sqlite3_column_bytes(query, titleColumn) : 0);
        // An untitled row is named by its address as the file has it; parsing
        // may have written it otherwise (%2a as %2A, a raw "°" escaped), so
        // that text becomes the name.
        if (title.isEmpty() && !parsedUrl.isNull() && parsedUrl != urlBytes) {
            title = urlBytes;
        }
        builder.addVisit(address, TRGoogleChromeBookmarksParser::millisecondsFromChromeTime(time),
                         title);
    }
    if (stepResult != SQLITE_DONE) {
        TRDiagnostics::writeLine(QStringLiteral("Could not execute query: ") +
                                 QString::fromUtf8(sqlite3_errmsg(handle)));
        return false;
    }
    return true;
}

// A prepared statement, finalized when it goes.
using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)>;

Statement prepare(sqlite3 *handle, const QByteArray &sql)
{
    sqlite3_stmt *prepared = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), -1, &prepared, nullptr) != SQLITE_OK) {
        TRDiagnostics::writeLine(QStringLiteral("Could not execute query: ") +
                                 QString::fromUtf8(sqlite3_errmsg(handle)));
        sqlite3_finalize(prepared);
        prepared = nullptr;
    }
    return Statement(prepared, sqlite3_finalize);
}

} // namespace

std::shared_ptr<TRHistoryStore> TRGoogleChromeBookmarksParser::readHistory(const QString &path,
                                                                           HistoryCursor *cursor)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database) {
        return nullptr;
    }
    // SQLite's own interface for the rows: a history has hundreds of
    // thousands of them, and the wrapper's column objects cost a shared
    // pointer copy each.
    sqlite3 *const handle = database->getHandle();
    HistoryCursor seen;
    seen.schemaVersion =
        TRSQLiteDatabase::queryInteger(handle, "PRAGMA schema_version;").value_or(-1);
    const Statement query =
        prepare(handle, QByteArray(rowColumns) + "ORDER BY last_visit_time DESC;");
    // An untitled row is named by its address as stored, not decoded.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, false);
    if (!query || !readRows(handle, query.get(), builder, seen)) {
        return nullptr;
    }
    if (cursor) {
        *cursor = seen;
    }
    return builder.finish();
}

std::shared_ptr<TRHistoryStore> TRGoogleChromeBookmarksParser::readNewerHistory(
    const QString &path, const TRHistoryStorePtr &previous, HistoryCursor &cursor)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database || !previous) {
        return nullptr;
    }
    sqlite3 *const handle = database->getHandle();
    if (TRSQLiteDatabase::queryInteger(handle, "PRAGMA schema_version;") != cursor.schemaVersion) {
        return nullptr;
    }
    const Statement query =
        prepare(handle, QByteArray(rowColumns) +
                            "WHERE last_visit_time > ?1 ORDER BY last_visit_time DESC;");
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, false);
    HistoryCursor added;
    QSet<qint64> ids;
    if (!query || sqlite3_bind_int64(query.get(), 1, cursor.newestTime) != SQLITE_OK ||
        !readRows(handle, query.get(), builder, added, &ids)) {
        return nullptr;
    }

    // The entries that a newer row of theirs replaces, and what the older
    // rows must add up to without them. A store read whole is the base; a
    // layered one brings its newer part along.
    const std::size_t own = previous->base() ? previous->ownSize() : 0;
    const TRHistoryStorePtr base = previous->base() ? previous->base() : previous;
    std::vector<std::size_t> hidden = previous->hiddenInBase();
    std::vector<bool> replacedOwn(own, false);
    HistoryCursor older = cursor;
    for (std::size_t index = 0; index < previous->size(); ++index) {
        if (previous->isHidden(index) || !ids.contains(previous->rowId(index))) {
            continue;
        }
        if (index < own) {
            replacedOwn[index] = true;
        } else {
            hidden.push_back(index - own);
        }
        --older.rows;
        older.visitCounts -= previous->visitCount(index);
        // The entry's time is the row's, in milliseconds since 1970.
        const qint64 chromeTime =
            (previous->visit(index).time - millisecondsFromChromeTime(0)) * 1000;
        older.timeChecksum =
            ((older.timeChecksum - timeTerm(chromeTime)) % timePrime + timePrime) % timePrime;
    }
    // Anything but rows added or moved forward: a full read. One pass over
    // the older rows.
    sqlite3_stmt *totals = nullptr;
    const bool same =
        sqlite3_prepare_v2(handle,
                           "SELECT count(*), ifnull(sum(visit_count), 0), "
                           "ifnull(sum((last_visit_time / 1000) % 1000000007), 0) % 1000000007 "
                           "FROM urls WHERE last_visit_time <= ?1;",
                           -1, &totals, nullptr) == SQLITE_OK &&
        sqlite3_bind_int64(totals, 1, cursor.newestTime) == SQLITE_OK &&
        sqlite3_step(totals) == SQLITE_ROW && sqlite3_column_int64(totals, 0) == older.rows &&
        sqlite3_column_int64(totals, 1) == older.visitCounts &&
        sqlite3_column_int64(totals, 2) == older.timeChecksum;
    sqlite3_finalize(totals);
    if (!same) {
        return nullptr;
    }
    // The older entries of the newer part follow the rows just read.
    for (std::size_t index = 0; index < own; ++index) {
        if (!replacedOwn[index]) {
            const TRHistoryStore::Visit &visit = previous->visit(index);
            const quint32 address = builder.addAddress(
                previous->encodedUrl(index), static_cast<qint32>(previous->visitCount(index)),
                previous->rowId(index));
            builder.addVisit(address, visit.time, previous->title(index));
        }
    }
    // A newer part grown large (it stays in memory) is read whole again,
    // into one mapped store.
    if (builder.visitCount() > 4096 + base->size() / 32) {
        return nullptr;
    }
    std::sort(hidden.begin(), hidden.end());
    cursor = {cursor.schemaVersion, std::max(cursor.newestTime, added.newestTime),
              older.rows + added.rows, older.visitCounts + added.visitCounts,
              (older.timeChecksum + added.timeChecksum) % timePrime};
    return TRHistoryStore::layered(builder.finish(), base, std::move(hidden));
}

std::vector<TRGoogleChromeBookmarkPtr>
TRGoogleChromeBookmarksParser::groupHistoryByDay(const TRHistoryStorePtr &store,
                                                 const TRDayFormatter &formatter)
{
    return formatter.groupByDay<TRGoogleChromeBookmark>(store);
}
