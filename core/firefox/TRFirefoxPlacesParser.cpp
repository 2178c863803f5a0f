#include "TRFirefoxPlacesParser.h"

#include "TRDayFormatter.h"
#include "TRDiagnostics.h"
#include "TRFirefoxHistoryReader.h"
#include "TROperationQueue.h"
#include "TRPlainAddress.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRSQLiteDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>

namespace {

const QString placesName = QStringLiteral("places.sqlite");
const QString notOpened = QStringLiteral("The data couldn’t be read because it is missing.");

// Folders nested deeper than this are left empty; the rows form a tree
// only as far as the file is sound.
constexpr int maximumDepth = 256;

// Places' record types.
constexpr qint64 typeBookmark = 1;
constexpr qint64 typeFolder = 2;
constexpr qint64 typeSeparator = 3;

using Statement = TRSQLiteDatabase::Statement;

Statement prepare(sqlite3 *handle, const char *sql)
{
    return TRSQLiteDatabase::prepare(handle, sql);
}

// The copy for reading. A copy in WAL mode needs its -shm index beside it,
// which a read-only private folder does not let SQLite make; without a -wal
// file the main file holds everything, and is read as it stands. Otherwise
// the first open stays, with what it says.
std::unique_ptr<SQLite::Database> openPlaces(const QString &path)
{
    std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database || QFileInfo::exists(path + QStringLiteral("-wal")) ||
        TRSQLiteDatabase::queryInteger(database->getHandle(), "PRAGMA schema_version;")) {
        return database;
    }
    try {
        auto immutable = std::make_unique<SQLite::Database>(
            QByteArray(QUrl::fromLocalFile(path).toEncoded() + "?immutable=1").toStdString(),
            SQLite::OPEN_READONLY | SQLite::OPEN_URI);
        if (TRSQLiteDatabase::queryInteger(immutable->getHandle(), "PRAGMA schema_version;")) {
            return immutable;
        }
    } catch (const SQLite::Exception &) {
    }
    return database;
}

QString errorOf(sqlite3 *handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

QUrl parseUrl(const QString &text)
{
    // Tolerant: a raw space or bracket is escaped rather than losing the URL.
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
}

bool hasColumn(sqlite3 *handle, const char *table, const char *column)
{
    return TRSQLiteDatabase::queryInteger(
               handle, QByteArray(QByteArrayLiteral("SELECT count(*) FROM pragma_table_info('") +
                                  table + "') WHERE name = '" + column + "';")
                           .constData())
               .value_or(0) > 0;
}

struct Row
{
    qint64 id = 0;
    qint64 type = 0;
    qint64 position = 0;
    QString title;
    QByteArray url;
};

// The root folders by guid, and by name in the roots table of older files.
struct Root
{
    const char *guid;
    const char *rootName;
};
constexpr std::array<Root, 4> shownRoots{{{"toolbar_____", "toolbar"},
                                          {"menu________", "menu"},
                                          {"unfiled_____", "unfiled"},
                                          {"mobile______", "mobile"}}};
constexpr Root tagsRoot{"tags________", "tags"};

QString rootTitle(std::size_t index)
{
    switch (index) {
    case 0:
        return TRFirefoxPlacesParser::tr("Bookmarks Toolbar");
    case 1:
        return TRFirefoxPlacesParser::tr("Bookmarks Menu");
    case 2:
        return TRFirefoxPlacesParser::tr("Other Bookmarks");
    default:
        break;
    }
    return TRFirefoxPlacesParser::tr("Mobile Bookmarks");
}

TRGoogleChromeBookmarkPtr makeNode(const Row &row)
{
    if (row.type == typeFolder) {
        return TRGoogleChromeBookmark::init(TRBookmarkKind::group, row.title);
    }
    if (row.type == typeSeparator) {
        auto separator = TRGoogleChromeBookmark::init(TRBookmarkKind::item, QString());
        separator->tag = TRGoogleChromeBookmark::Tag::separator;
        return separator;
    }
    if (row.type != typeBookmark || row.url.isEmpty() || row.url.startsWith("place:")) {
        return nullptr;
    }
    // An untitled bookmark is named by its address as stored; a plain web
    // address is kept as it stands, only the others are parsed.
    const QString text = QString::fromUtf8(row.url);
    const bool plain = TRPlainAddress::isPlain(row.url);
    auto node =
        TRGoogleChromeBookmark::init(TRBookmarkKind::item, row.title.isEmpty() ? text : row.title,
                                     plain ? QUrl() : parseUrl(text));
    if (plain) {
        node->setEncodedUrl(row.url);
    }
    return node;
}

} // namespace

struct TRFirefoxPlacesParser::Parsed
{
    // None when the file did not change since its last read.
    std::optional<Outcome> bookmarksOutcome;
    std::optional<Outcome> historyOutcome;
    // The new state of the file, or none for a grant taken back.
    std::optional<std::optional<TRSourceState>> state;
    Wanted wanted;
    TRGoogleChromeBookmarkPtr bookmarks;
    TRHistoryStorePtr historyStore;
    std::vector<TRGoogleChromeBookmarkPtr> historyDays;
    QTimeZone zone;
    TRFaviconStoreReader::Result icons;
    // A new search index, when the trees changed.
    std::shared_ptr<const TRSearchIndex> search;
};

TRFirefoxPlacesParser::TRFirefoxPlacesParser(QString copyStem)
    : m_copyStem(std::move(copyStem))
    , m_operationQueue(
          std::make_unique<TROperationQueue>(m_copyStem + QStringLiteral("_updateBookmarksQueue")))
    , m_iconReader(m_copyStem + QStringLiteral("_favicons_data"), QStringLiteral("favicons.sqlite"),
                   TRFaviconTable::Store::firefox)
    , m_searchKeeper(tr("History"))
{}

TRFirefoxPlacesParser::~TRFirefoxPlacesParser()
{
    // A running update writes the read state: it must end before any member
    // goes, and the queue, declared first, would go last.
    m_operationQueue.reset();
}

QString TRFirefoxPlacesParser::copyName() const
{
    return m_copyStem + QStringLiteral("_places_data");
}

void TRFirefoxPlacesParser::setSlot(const TRBrowserSettings::Slot &slot)
{
    dataForPlaces = slot.places;
    readsBookmarks = slot.showsBookmarks;
    readsHistory = slot.showsHistory;
}

void TRFirefoxPlacesParser::setIconStore(const std::optional<QByteArray> &grant, int pixels)
{
    m_iconRequest = {grant, pixels};
}

QStringList TRFirefoxPlacesParser::unreadableFiles() const
{
    if (m_lastUpdateResult.bookmarks == Outcome::unreadable ||
        m_lastUpdateResult.history == Outcome::unreadable) {
        return {placesName};
    }
    return {};
}

TRGoogleChromeBookmarkPtr TRFirefoxPlacesParser::historyBookmark()
{
    if (!m_historyBookmark) {
        m_historyBookmark = TRGoogleChromeBookmark::init(TRBookmarkKind::group, tr("History"));
        m_historyBookmark->tag = TRGoogleChromeBookmark::Tag::history;
    }
    return m_historyBookmark;
}

void TRFirefoxPlacesParser::updateBookmarks(std::function<void()> completion)
{
    // The grant is taken now, on the main thread; the worker gets a copy.
    m_operationQueue->cancelAllOperations();
    m_operationQueue->addOperation([this, grant = dataForPlaces,
                                    wanted = Wanted{readsBookmarks, readsHistory},
                                    icons = m_iconRequest, completion = std::move(completion)] {
        auto parsed = std::make_shared<Parsed>(parse(grant, wanted));
        parsed->icons = m_iconReader.read(icons);
        // Stopped half-way: what was read is incomplete and is dropped.
        if (TROperationQueue::isCurrentOperationCancelled()) {
            return;
        }
        m_iconReader.settle(parsed->icons);
        if (parsed->state) {
            m_readState = *parsed->state;
            m_readWanted = wanted;
        }
        if (parsed->historyStore) {
            m_readZone = parsed->zone;
        }
        // A grant taken back takes both trees along; a switch turned off,
        // its own.
        const bool lost = parsed->state && !*parsed->state;
        if (parsed->bookmarks) {
            m_searchKeeper.setTrees({{parsed->bookmarks, {}}});
        } else if (lost || (parsed->state && !wanted.bookmarks)) {
            m_searchKeeper.setTrees({});
        }
        if (parsed->historyStore) {
            m_searchKeeper.setHistory(parsed->historyStore);
        } else if (lost || (parsed->state && !wanted.history)) {
            m_searchKeeper.setHistory(nullptr);
        }
        parsed->search = m_searchKeeper.rebuild(QDateTime::currentMSecsSinceEpoch());
        TROperationQueue::runOnMainQueue(this, [this, parsed, completion] {
            publish(*parsed);
            if (completion) {
                completion();
            }
        });
    });
}

TRFirefoxPlacesParser::Parsed TRFirefoxPlacesParser::parse(const std::optional<QByteArray> &grant,
                                                           Wanted wanted) const
{
    Parsed parsed;
    parsed.wanted = wanted;
    if (!grant || (!wanted.bookmarks && !wanted.history)) {
        // Taken back since the last read, or nothing left to show.
        if (m_readState) {
            parsed.state.emplace(std::nullopt);
            parsed.bookmarksOutcome = parsed.historyOutcome = Outcome::notGranted;
        }
        return parsed;
    }
    TRSourceState state = TRSourceState::of(*grant);
    if (m_readState && *m_readState == state && m_readState->isSettled() &&
        m_readWanted == wanted) {
        return parsed;
    }
    // Whatever the read makes of it, the same file would give the same again.
    parsed.state.emplace(state);
    parsed.bookmarksOutcome = parsed.historyOutcome = Outcome::notGranted;
    const auto copy = TRPrivateCopy::make(copyName(), grant);
    if (!copy) {
        return parsed;
    }
    // No copy could be made, which the copy has said.
    if (!QFileInfo::exists(*copy)) {
        parsed.bookmarksOutcome = parsed.historyOutcome = Outcome::unreadable;
        return parsed;
    }
    QString bookmarksError;
    if (wanted.bookmarks) {
        parsed.bookmarks = readBookmarks(*copy, &bookmarksError);
    }
    QString historyError;
    parsed.zone = QTimeZone::systemTimeZone();
    std::shared_ptr<TRHistoryStore> store =
        wanted.history ? readHistory(*copy, &historyError, parsed.zone) : nullptr;
    // Stopped half-way: dropped without a word.
    if (TROperationQueue::isCurrentOperationCancelled()) {
        return parsed;
    }
    const bool bookmarksFailed = wanted.bookmarks && !parsed.bookmarks;
    const bool historyFailed = wanted.history && !store;
    // One file, one line, however much of it failed.
    if (bookmarksFailed || historyFailed) {
        TRDiagnostics::writeLine(QStringLiteral("Could not read '") + placesName +
                                 QStringLiteral("': ") +
                                 (bookmarksFailed ? bookmarksError : historyError));
    }
    if (bookmarksFailed) {
        parsed.bookmarksOutcome = Outcome::unreadable;
    } else if (parsed.bookmarks) {
        // The menu leaves out the roots that hold nothing; the reader itself
        // shows the file as it is.
        auto shown = TRGoogleChromeBookmark::init(TRBookmarkKind::group, QString());
        for (const TRBookmarkPtr &root : parsed.bookmarks->bookmarks()) {
            if (root->childCount() > 0) {
                shown->addBookmark(root);
                root->setParent(nullptr);
            }
        }
        parsed.bookmarks = std::move(shown);
        parsed.bookmarksOutcome =
            parsed.bookmarks->childCount() > 0 ? Outcome::read : Outcome::empty;
    }
    if (!store) {
        if (historyFailed) {
            parsed.historyOutcome = Outcome::unreadable;
        }
        return parsed;
    }
    parsed.historyOutcome = store->size() == 0 ? Outcome::empty : Outcome::read;
    const TRDayFormatter formatter;
    parsed.historyDays = groupHistoryByDay(store, formatter);
    // Every entry has been looked at; what stays is read only when a day is
    // opened.
    store->moveToFile(TRPrivateFolder::path().value_or(QString()));
    parsed.historyStore = std::move(store);
    return parsed;
}

void TRFirefoxPlacesParser::publish(Parsed &parsed)
{
    m_lastUpdateChanged = parsed.bookmarksOutcome || parsed.historyOutcome;
    if (parsed.icons.changed) {
        m_favicons = parsed.icons.table;
    }
    if (parsed.search) {
        m_searchIndex = parsed.search;
    }
    // A grant taken back takes both trees along; a switch turned off, its
    // own.
    const bool lost = parsed.state && !*parsed.state;
    if (lost || (parsed.state && !parsed.wanted.bookmarks)) {
        m_bookmarks.remove(BookmarkTypeKey::bookmarks);
    }
    if (lost || (parsed.state && !parsed.wanted.history)) {
        m_bookmarks.remove(BookmarkTypeKey::history);
        m_historyStore.reset();
        if (m_historyBookmark) {
            m_historyBookmark->removeAllBookmarks();
        }
    }
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

void TRFirefoxPlacesParser::publishHistoryDays(const std::vector<TRGoogleChromeBookmarkPtr> &days)
{
    const TRGoogleChromeBookmarkPtr root = historyBookmark();
    root->removeAllBookmarks();
    for (const TRGoogleChromeBookmarkPtr &day : days) {
        root->addBookmark(day);
    }
    m_bookmarks.insert(BookmarkTypeKey::history, root);
}

void TRFirefoxPlacesParser::regroupHistory(std::function<void()> completion)
{
    if (!m_historyStore) {
        return;
    }
    m_operationQueue->addOperation([this, store = m_historyStore,
                                    completion = std::move(completion)] {
        TRHistoryStorePtr regrouped = store;
        // A page has one entry per local day, so days cut in another zone
        // need the visits again: the copy still holds what was last read.
        const QTimeZone zone = QTimeZone::systemTimeZone();
        if (zone != m_readZone) {
            const std::optional<QString> folder = TRPrivateFolder::path();
            std::shared_ptr<TRHistoryStore> reread =
                folder ? readHistory(QDir(*folder).filePath(copyName()), nullptr, zone) : nullptr;
            if (reread) {
                reread->moveToFile(*folder);
                regrouped = std::move(reread);
                m_readZone = zone;
            }
        }
        const TRDayFormatter formatter;
        auto days = std::make_shared<std::vector<TRGoogleChromeBookmarkPtr>>(
            groupHistoryByDay(regrouped, formatter));
        TROperationQueue::runOnMainQueue(this, [this, store, regrouped, days, completion] {
            // A read that came in between has the newer store and days.
            if (store != m_historyStore) {
                return;
            }
            m_historyStore = regrouped;
            publishHistoryDays(*days);
            if (completion) {
                completion();
            }
        });
    });
}

TRGoogleChromeBookmarkPtr TRFirefoxPlacesParser::readBookmarks(const QString &path, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error) {
            *error = reason;
        }
        return nullptr;
    };
    const std::unique_ptr<SQLite::Database> database = openPlaces(path);
    if (!database) {
        return fail(notOpened);
    }
    sqlite3 *const handle = database->getHandle();

    // The root folders' ids, by guid where the file has that column, else
    // (older files) by name in the roots table.
    std::array<qint64, shownRoots.size()> rootIds{};
    qint64 tagsId = 0;
    const bool byGuid = hasColumn(handle, "moz_bookmarks", "guid");
    const Statement query = prepare(
        handle, byGuid ? "SELECT b.id, b.type, b.parent, b.position, b.title, p.url, "
                         "b.guid FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk;"
                       : "SELECT b.id, b.type, b.parent, b.position, b.title, p.url, NULL "
                         "FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk;");
    if (!query) {
        return fail(errorOf(handle));
    }
    if (!byGuid) {
        const Statement roots =
            prepare(handle, "SELECT root_name, folder_id FROM moz_bookmarks_roots;");
        if (!roots) {
            return fail(errorOf(handle));
        }
        while (sqlite3_step(roots.get()) == SQLITE_ROW) {
            const QByteArrayView name = TRSQLiteDatabase::textOf(roots.get(), 0);
            const qint64 id = sqlite3_column_int64(roots.get(), 1);
            for (std::size_t index = 0; index < shownRoots.size(); ++index) {
                if (name == shownRoots[index].rootName) {
                    rootIds[index] = id;
                }
            }
            if (name == tagsRoot.rootName) {
                tagsId = id;
            }
        }
    }

    // Every row at once, then the tree top down without recursion: parent
    // links are only as sound as the file.
    std::vector<Row> rows;
    QHash<qint64, std::vector<std::size_t>> children;
    int stepResult = SQLITE_ROW;
    while ((stepResult = sqlite3_step(query.get())) == SQLITE_ROW) {
        sqlite3_stmt *const row = query.get();
        Row read;
        read.id = sqlite3_column_int64(row, 0);
        read.type = sqlite3_column_int64(row, 1);
        read.position = sqlite3_column_int64(row, 3);
        read.title = QString::fromUtf8(TRSQLiteDatabase::textOf(row, 4));
        read.url = TRSQLiteDatabase::textOf(row, 5).toByteArray();
        if (byGuid) {
            const QByteArrayView guid = TRSQLiteDatabase::textOf(row, 6);
            for (std::size_t index = 0; index < shownRoots.size(); ++index) {
                if (guid == shownRoots[index].guid) {
                    rootIds[index] = read.id;
                }
            }
            if (guid == tagsRoot.guid) {
                tagsId = read.id;
            }
        }
        children[sqlite3_column_int64(row, 2)].push_back(rows.size());
        rows.push_back(std::move(read));
    }
    if (stepResult != SQLITE_DONE) {
        return fail(errorOf(handle));
    }
    for (std::vector<std::size_t> &list : children) {
        std::stable_sort(list.begin(), list.end(), [&rows](std::size_t a, std::size_t b) {
            return rows[a].position < rows[b].position;
        });
    }

    auto container = TRGoogleChromeBookmark::init(TRBookmarkKind::group, QString());
    // A folder met twice (a cycle, a root below another) is shown once.
    QSet<qint64> placed{tagsId};
    struct Pending
    {
        qint64 id;
        TRGoogleChromeBookmarkPtr folder;
        int depth;
    };
    std::vector<Pending> pending;
    for (std::size_t index = 0; index < shownRoots.size(); ++index) {
        const qint64 id = rootIds[index];
        if (id == 0 || placed.contains(id)) {
            continue;
        }
        placed.insert(id);
        auto folder = TRGoogleChromeBookmark::init(TRBookmarkKind::group, rootTitle(index));
        folder->setId(QString::number(id));
        container->addBookmark(folder);
        // The root folders hang below the container without naming it: the
        // container is only a holder.
        folder->setParent(nullptr);
        pending.push_back({id, folder, 0});
    }
    while (!pending.empty()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        if (current.depth >= maximumDepth) {
            continue;
        }
        const auto found = children.constFind(current.id);
        if (found == children.cend()) {
            continue;
        }
        for (const std::size_t index : *found) {
            const Row &row = rows[index];
            if (placed.contains(row.id)) {
                continue;
            }
            TRGoogleChromeBookmarkPtr node = makeNode(row);
            if (!node) {
                continue;
            }
            placed.insert(row.id);
            node->setId(QString::number(row.id));
            current.folder->addBookmark(node);
            if (node->kind() == TRBookmarkKind::group) {
                pending.push_back({row.id, node, current.depth + 1});
            }
        }
    }
    return container;
}

std::shared_ptr<TRHistoryStore>
TRFirefoxPlacesParser::readHistory(const QString &path, QString *error, const QTimeZone &zone)
{
    const std::unique_ptr<SQLite::Database> database = openPlaces(path);
    if (!database) {
        if (error) {
            *error = notOpened;
        }
        return nullptr;
    }
    return TRFirefoxHistoryReader::read(database->getHandle(), zone, error);
}

std::vector<TRGoogleChromeBookmarkPtr>
TRFirefoxPlacesParser::groupHistoryByDay(const TRHistoryStorePtr &store,
                                         const TRDayFormatter &formatter)
{
    return formatter.groupByDay<TRGoogleChromeBookmark>(store);
}
