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

struct TRGoogleChromeBookmarksParser::Parsed
{
    // None for a file that did not change since its last read.
    std::optional<Outcome> bookmarksOutcome;
    std::optional<Outcome> historyOutcome;
    TRGoogleChromeBookmarkPtr bookmarks;
    std::vector<TRGoogleChromeBookmarkPtr> historyDays;
    TRHistoryStorePtr historyStore;
    // The states of the files read, and of those no longer granted (none).
    QHash<QString, std::optional<TRSourceState>> states;
};

QString TRGoogleChromeBookmarksParser::rawValue(BookmarkDataKey key)
{
    return key == BookmarkDataKey::bookmarks ? QStringLiteral("google_chrome_bookmarks_data")
                                             : QStringLiteral("google_chrome_history_data");
}

TRGoogleChromeBookmarksParser &TRGoogleChromeBookmarksParser::shared()
{
    static TRGoogleChromeBookmarksParser *parser = new TRGoogleChromeBookmarksParser;
    return *parser;
}

TRGoogleChromeBookmarksParser::TRGoogleChromeBookmarksParser()
    : m_operationQueue(
          std::make_unique<TROperationQueue>(QStringLiteral("chrome_updateBookmarksQueue")))
{}

TRGoogleChromeBookmarksParser::~TRGoogleChromeBookmarksParser() = default;

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
    m_operationQueue->addOperation([this, bookmarksGrant = dataForBookmarks,
                                    historyGrant = dataForHistory,
                                    completion = std::move(completion)] {
        auto parsed = std::make_shared<Parsed>(parse(bookmarksGrant, historyGrant));
        // Stopped half-way: what was read is incomplete and is dropped.
        if (TROperationQueue::isCurrentOperationCancelled()) {
            return;
        }
        for (auto it = parsed->states.cbegin(); it != parsed->states.cend(); ++it) {
            if (it.value()) {
                m_readStates.insert(it.key(), *it.value());
            } else {
                m_readStates.remove(it.key());
            }
        }
        TROperationQueue::runOnMainQueue(this, [this, parsed, completion] {
            publish(*parsed);
            if (completion) {
                completion();
            }
        });
    });
}

bool TRGoogleChromeBookmarksParser::changedState(BookmarkDataKey key,
                                                 const std::optional<QByteArray> &grant,
                                                 Parsed &parsed,
                                                 std::optional<Outcome> &outcome) const
{
    const QString name = rawValue(key);
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
        seen != m_readStates.cend() && *seen == state && seen->isSettled()) {
        return false;
    }
    // Whatever the read makes of it, the same file would give the same again.
    parsed.states.insert(name, state);
    outcome = Outcome::notGranted;
    return true;
}

TRGoogleChromeBookmarksParser::Parsed
TRGoogleChromeBookmarksParser::parse(const std::optional<QByteArray> &bookmarksGrant,
                                     const std::optional<QByteArray> &historyGrant) const
{
    Parsed parsed;
    const QString bookmarksName = rawValue(BookmarkDataKey::bookmarks);
    if (changedState(BookmarkDataKey::bookmarks, bookmarksGrant, parsed, parsed.bookmarksOutcome)) {
        if (const auto copy = TRPrivateCopy::make(bookmarksName, bookmarksGrant)) {
            parsed.bookmarksOutcome = Outcome::unreadable;
            QFile file(*copy);
            if (file.open(QIODevice::ReadOnly)) {
                QString error;
                parsed.bookmarks = decodeBookmarks(file.readAll(), &error);
                if (parsed.bookmarks) {
                    parsed.bookmarksOutcome = Outcome::read;
                    // Kept packed below the root folders until a folder is
                    // opened.
                    std::vector<TRGoogleChromeBookmarkPtr> rootFolders;
                    for (const TRBookmarkPtr &rootFolder : parsed.bookmarks->bookmarks()) {
                        rootFolders.push_back(
                            std::static_pointer_cast<TRGoogleChromeBookmark>(rootFolder));
                    }
                    TRPackedBookmarks<TRGoogleChromeBookmark>::pack(
                        rootFolders, TRPrivateFolder::path().value_or(QString()));
                } else {
                    TRDiagnostics::writeLine(
                        QStringLiteral("Could not decode 'BookmarksContainer': ") + error);
                }
            }
        }
    }
    const QString historyName = rawValue(BookmarkDataKey::history);
    if (changedState(BookmarkDataKey::history, historyGrant, parsed, parsed.historyOutcome)) {
        if (const auto copy = TRPrivateCopy::make(historyName, historyGrant)) {
            const std::shared_ptr<TRHistoryStore> store = readHistory(*copy);
            parsed.historyOutcome = !store               ? Outcome::unreadable
                                    : store->size() == 0 ? Outcome::empty
                                                         : Outcome::read;
            if (store && store->size() > 0) {
                const TRDayFormatter formatter;
                parsed.historyDays = groupHistoryByDay(store, formatter);
                // Every row has been looked at; what stays is read only when
                // a day is opened.
                store->moveToFile(TRPrivateFolder::path().value_or(QString()));
                parsed.historyStore = store;
            }
        }
    }
    return parsed;
}

void TRGoogleChromeBookmarksParser::publish(Parsed &parsed)
{
    m_lastUpdateChanged = parsed.bookmarksOutcome || parsed.historyOutcome;
    if (parsed.bookmarks) {
        m_bookmarks.insert(BookmarkTypeKey::bookmarks, parsed.bookmarks);
    }
    if (parsed.historyStore) {
        m_historyStore = parsed.historyStore;
        publishHistoryDays(parsed.historyDays);
    }
    m_lastUpdateResult.bookmarks = parsed.bookmarksOutcome.value_or(m_lastUpdateResult.bookmarks);
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

std::shared_ptr<TRHistoryStore> TRGoogleChromeBookmarksParser::readHistory(const QString &path)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database) {
        return nullptr;
    }
    // SQLite's own interface for the rows: a history has hundreds of
    // thousands of them, and the wrapper's column objects cost a shared
    // pointer copy each.
    sqlite3 *const handle = database->getHandle();
    sqlite3_stmt *prepared = nullptr;
    const int prepareResult = sqlite3_prepare_v2(
        handle,
        "SELECT title, url, visit_count, last_visit_time FROM urls ORDER BY last_visit_time DESC;",
        -1, &prepared, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> query(prepared, sqlite3_finalize);
    const auto queryFailed = [&] {
        TRDiagnostics::writeLine(QStringLiteral("Could not execute query: ") +
                                 QString::fromUtf8(sqlite3_errmsg(handle)));
        return nullptr;
    };
    if (prepareResult != SQLITE_OK || !query) {
        return queryFailed();
    }
    constexpr int titleColumn = 0;
    constexpr int urlColumn = 1;
    constexpr int visitCountColumn = 2;
    constexpr int lastVisitTimeColumn = 3;
    // An untitled row is named by its address as people read it.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::displayUrl, false);
    int stepResult = SQLITE_ROW;
    std::size_t rows = 0;
    while ((stepResult = sqlite3_step(query.get())) == SQLITE_ROW) {
        // The application may ask a long read to stop; looked at now and then.
        if ((++rows & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled()) {
            return nullptr;
        }
        if (sqlite3_column_type(query.get(), urlColumn) == SQLITE_NULL) {
            continue;
        }
        const auto *urlText =
            reinterpret_cast<const char *>(sqlite3_column_text(query.get(), urlColumn));
        const QByteArrayView urlBytes(urlText, sqlite3_column_bytes(query.get(), urlColumn));
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
        const quint32 address =
            builder.addAddress(parsedUrl.isNull() ? urlBytes : QByteArrayView(parsedUrl),
                               sqlite3_column_int(query.get(), visitCountColumn));
        const auto *titleText =
            reinterpret_cast<const char *>(sqlite3_column_text(query.get(), titleColumn));
        builder.addVisit(
            address,
            millisecondsFromChromeTime(sqlite3_column_int64(query.get(), lastVisitTimeColumn)),
            QByteArrayView(titleText,
                           titleText ? sqlite3_column_bytes(query.get(), titleColumn) : 0));
    }
    if (stepResult != SQLITE_DONE) {
        return queryFailed();
    }
    return builder.finish();
}

std::vector<TRGoogleChromeBookmarkPtr>
TRGoogleChromeBookmarksParser::groupHistoryByDay(const TRHistoryStorePtr &store,
                                                 const TRDayFormatter &formatter)
{
    return formatter.groupByDay<TRGoogleChromeBookmark>(store);
}
