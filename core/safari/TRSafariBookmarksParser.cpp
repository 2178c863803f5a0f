#include "TRSafariBookmarksParser.h"

#include "TRDayFormatter.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TROperationQueue.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRSafariBookmarksReader.h"
#include "TRSafariCustomizedBookmarks.h"
#include "TRSafariHistoryReader.h"
#include "TRSafariLastSessionReader.h"
#include "TRSafariTopSitesReader.h"
#include "TRSettingsKeys.h"
#include "TRSourceState.h"

#include <QFileInfo>

namespace {

using BookmarkTypeKey = TRSafariBookmarksParser::BookmarkTypeKey;

TRSafariBookmark::Tag rootTag(BookmarkTypeKey key)
{
    using Tag = TRSafariBookmark::Tag;
    switch (key) {
    case BookmarkTypeKey::topSites:
        return Tag::topSites;
    case BookmarkTypeKey::history:
        return Tag::history;
    case BookmarkTypeKey::mostVisited:
        return Tag::mostVisited;
    case BookmarkTypeKey::lastSession:
        return Tag::lastSession;
    case BookmarkTypeKey::readingList:
        return Tag::readingList;
    case BookmarkTypeKey::bookmarksBar:
        return Tag::bookmarksBar;
    case BookmarkTypeKey::bookmarksMenu:
        return Tag::bookmarksMenu;
    case BookmarkTypeKey::user:
        break;
    }
    return Tag::generic;
}

} // namespace

// The grants going to the worker, and what it brings back.
struct TRSafariBookmarksParser::Parsed
{
    std::optional<QByteArray> bookmarksGrant;
    std::optional<QByteArray> topSitesGrant;
    std::optional<QByteArray> historyGrant;
    std::optional<QByteArray> lastSessionGrant;
    QSet<QString> disabled;

    // The files read: the states they were read in, or none for a file no
    // longer granted. A file not named here did not change.
    QHash<BookmarkDataKey, std::optional<TRSourceState>> states;
    std::optional<std::vector<TRSafariBookmarkPtr>> historyDays;
    std::optional<std::vector<TRSafariBookmarkPtr>> mostVisited;
    TRHistoryStorePtr historyStore;
    bool historyRead = false;
    TRSafariHistoryDatabaseReader::Cursor historyCursor;
    std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> mostVisitedIndexes;
    std::optional<std::vector<TRSafariBookmarkPtr>> lastSession;
    std::optional<std::vector<TRSafariBookmarkPtr>> topSites;
    std::optional<BookmarksRead> bookmarks;
    // A new search index, when the trees changed.
    std::shared_ptr<const TRSearchIndex> search;

    bool changed(BookmarkDataKey key) const { return states.contains(key); }
};

TRSafariBookmarksParser &TRSafariBookmarksParser::shared()
{
    static TRSafariBookmarksParser *parser = new TRSafariBookmarksParser;
    return *parser;
}

TRSafariBookmarksParser::TRSafariBookmarksParser()
    : m_operationQueue(
          std::make_unique<TROperationQueue>(QStringLiteral("safari_updateBookmarksQueue")))
{
    loadCustomizedBookmarks();
}

TRSafariBookmarksParser::~TRSafariBookmarksParser()
{
    // A running update writes the read states: it must end before any member
    // goes, and the queue, declared first, would go last.
    m_operationQueue.reset();
    saveCustomizedBookmarks();
}

void TRSafariBookmarksParser::saveCustomizedBookmarks()
{
    TRSafariCustomizedBookmarks::save(m_disabledBookmarkUUIDs);
}

void TRSafariBookmarksParser::loadCustomizedBookmarks()
{
    if (auto strings = TRSafariCustomizedBookmarks::load()) {
        m_disabledBookmarkUUIDs = std::move(*strings);
    }
}

QString TRSafariBookmarksParser::rootTitle(BookmarkTypeKey key)
{
    switch (key) {
    case BookmarkTypeKey::topSites:
        return tr("Top Sites");
    case BookmarkTypeKey::history:
        return tr("History");
    case BookmarkTypeKey::mostVisited:
        return tr("Most Visited");
    case BookmarkTypeKey::lastSession:
        return tr("Last Session");
    case BookmarkTypeKey::readingList:
        return tr("Reading List");
    case BookmarkTypeKey::user:
        return tr("Bookmarks");
    case BookmarkTypeKey::bookmarksBar:
        return tr("Favorites");
    case BookmarkTypeKey::bookmarksMenu:
        return tr("Bookmarks Menu");
    }
    return {};
}

TRSafariBookmarkPtr TRSafariBookmarksParser::root(BookmarkTypeKey key)
{
    TRSafariBookmarkPtr &node = m_roots[key];
    if (!node) {
        node = TRSafariBookmark::init(TRBookmarkKind::group, rootTitle(key));
        node->tag = rootTag(key);
    }
    return node;
}

TRSafariBookmarkPtr TRSafariBookmarksParser::allGenericBookmarkGroup()
{
    if (!m_allGenericBookmarkGroup) {
        m_allGenericBookmarkGroup = TRSafariBookmark::init(TRBookmarkKind::group, QString());
        for (BookmarkTypeKey key : {BookmarkTypeKey::bookmarksBar, BookmarkTypeKey::bookmarksMenu,
                                    BookmarkTypeKey::user}) {
            const TRSafariBookmarkPtr source = m_bookmarks.value(key);
            if (!source) {
                continue;
            }
            for (const TRBookmarkPtr &child : source->bookmarks()) {
                m_allGenericBookmarkGroup->addBookmark(child);
            }
        }
    }
    return m_allGenericBookmarkGroup;
}

void TRSafariBookmarksParser::updateBookmarks(std::function<void()> completion)
{
    // A parse that the application stopped before it ended leaves no work
    // behind and must not block the next one; one whose result is still on
    // its way to this thread is running.
    if (m_isParsing && (m_operationQueue->operationCount() > 0 || m_resultPending)) {
        return;
    }
    m_isParsing = true;
    saveCustomizedBookmarks();
    m_operationQueue->cancelAllOperations();
    // The worker gets copies of the grants and of the switched-off folders;
    // it builds new nodes only, and they reach the roots here, on the main
    // thread, in publish().
    Parsed input;
    input.bookmarksGrant = bookmarkDataForBookmarks;
    input.topSitesGrant = bookmarkDataForTopSites;
    input.historyGrant = bookmarkDataForHistory;
    input.lastSessionGrant = bookmarkDataForLastSession;
    input.disabled = m_disabledBookmarkUUIDs;
    m_operationQueue->addOperation(
        [this, input = std::move(input), completion = std::move(completion)] {
            auto parsed = std::make_shared<Parsed>(parse(input));
            // Stopped half-way: what was read is incomplete and is dropped.
            if (TROperationQueue::isCurrentOperationCancelled()) {
                TROperationQueue::runOnMainQueue(this, [this] { m_isParsing = false; });
                return;
            }
            for (auto it = parsed->states.cbegin(); it != parsed->states.cend(); ++it) {
                if (it.value()) {
                    m_readStates.insert(it.key(), *it.value());
                } else {
                    m_readStates.remove(it.key());
                }
            }
            if (parsed->historyRead || !m_readStates.contains(BookmarkDataKey::history)) {
                m_readHistory = parsed->historyStore;
                m_historyCursor = parsed->historyCursor;
            }
            indexForSearch(*parsed);
            // Before the operation ends, so that the queue never looks idle
            // while the result travels.
            m_resultPending = true;
            TROperationQueue::runOnMainQueue(this, [this, parsed, completion] {
                m_resultPending = false;
                publish(*parsed);
                TRNotificationCenter::defaultCenter().post(
                    TRNotificationNames::safariBookmarksParserDidFinishParsing);
                m_isParsing = false;
                if (completion) {
                    completion();
                }
            });
        });
}

void TRSafariBookmarksParser::indexForSearch(Parsed &parsed)
{
    // Each file's trees are taken while only this queue holds them.
    using Tree = TRSearchIndex::Tree;
    if (parsed.changed(BookmarkDataKey::bookmarks)) {
        std::vector<Tree> trees;
        if (parsed.bookmarks) {
            for (BookmarkTypeKey key : TRSafariBookmarksReader::roots) {
                if (const TRSafariBookmarkPtr standIn = parsed.bookmarks->roots.value(key)) {
                    trees.push_back({nullptr, rootTitle(key), standIn->bookmarks()});
                }
            }
        }
        m_searchKeeper.setTrees(trees, 0);
    }
    // Top sites and the last session are each a list of nodes.
    const auto listed = [](BookmarkTypeKey key,
                           const std::optional<std::vector<TRSafariBookmarkPtr>> &nodes) {
        std::vector<Tree> trees;
        if (nodes) {
            trees.push_back({nullptr, rootTitle(key), {nodes->cbegin(), nodes->cend()}});
        }
        return trees;
    };
    if (parsed.changed(BookmarkDataKey::topSites)) {
        m_searchKeeper.setTrees(listed(BookmarkTypeKey::topSites, parsed.topSites), 1);
    }
    if (parsed.changed(BookmarkDataKey::lastSession)) {
        m_searchKeeper.setTrees(listed(BookmarkTypeKey::lastSession, parsed.lastSession), 2);
    }
    m_searchKeeper.setHistory(m_readHistory);
    parsed.search = m_searchKeeper.rebuild(QDateTime::currentMSecsSinceEpoch());
}

void TRSafariBookmarksParser::regroupHistory(std::function<void()> completion)
{
    if (!m_historyStore) {
        return;
    }
    m_operationQueue->addOperation([this, store = m_historyStore, made = m_mostVisitedIndexes,
                                    completion = std::move(completion)] {
        const TRDayFormatter formatter;
        auto days = std::make_shared<std::vector<TRSafariBookmarkPtr>>(
            TRSafariHistoryReader::groupByDay(store, formatter, made));
        TROperationQueue::runOnMainQueue(this, [this, store, days, completion] {
            // A read that came in between has the newer store and days.
            if (store != m_historyStore) {
                return;
            }
            fill(BookmarkTypeKey::history, *days);
            if (completion) {
                completion();
            }
        });
    });
}

bool TRSafariBookmarksParser::changed(BookmarkDataKey key, const std::optional<QByteArray> &grant,
                                      const QByteArray &context, Parsed &parsed) const
{
    if (!grant) {
        // Taken back since the last read: what it gave goes.
        if (m_readStates.contains(key)) {
            parsed.states.insert(key, std::nullopt);
        }
        return false;
    }
    TRSourceState state = TRSourceState::of(*grant, context);
    if (const auto seen = m_readStates.find(key);
        seen != m_readStates.cend() && *seen == state && seen->isSettled()) {
        return false;
    }
    // Whatever the read makes of it, the same file would give the same again.
    parsed.states.insert(key, state);
    return true;
}

TRSafariBookmarksParser::Parsed TRSafariBookmarksParser::parse(const Parsed &grants) const
{
    Parsed parsed;
    const auto copyIfChanged = [&](BookmarkDataKey key, const std::optional<QByteArray> &grant,
                                   const QByteArray &context = {}) -> std::optional<QString> {
        if (!changed(key, grant, context, parsed)) {
            return std::nullopt;
        }
        return TRPrivateCopy::make(rawValue(key), grant);
    };
    if (const auto copy = copyIfChanged(BookmarkDataKey::history, grants.historyGrant)) {
        // The copy has no extension: the granted file's own name says which
        // kind of history it is.
        if (const auto granted = TRPrivateCopy::resolveGrant(*grants.historyGrant)) {
            // The same database as last read, grown: only its new visits are
            // read.
            const TRFileState file = parsed.states.value(BookmarkDataKey::history)->file;
            const auto seen = m_readStates.find(BookmarkDataKey::history);
            parsed.historyCursor = m_historyCursor;
            std::shared_ptr<TRHistoryStore> store;
            if (m_readHistory && seen != m_readStates.cend() && seen->file.device == file.device &&
                seen->file.inode == file.inode && QFileInfo(*granted).suffix().toLower() == u"db") {
                store = TRSafariHistoryDatabaseReader::readNewer(*copy, m_readHistory,
                                                                 parsed.historyCursor);
            }
            const bool whole = !store;
            if (whole) {
                parsed.historyCursor = {};
                store = TRSafariHistoryReader::read(*copy, *granted, &parsed.historyCursor);
            }
            parsed.historyRead = true;
            if (store && store->size() > 0) {
                // The most visited are made now and are the nodes their days
                // hold once opened.
                std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> made;
                std::vector<TRSafariBookmarkPtr> mostVisited;
                for (std::size_t index : TRSafariHistoryReader::selectMostVisited(*store)) {
                    mostVisited.push_back(store->makeNode<TRSafariBookmark>(index));
                    made.emplace_back(index, mostVisited.back());
                }
                const TRDayFormatter formatter;
                parsed.historyDays = TRSafariHistoryReader::groupByDay(store, formatter, made);
                parsed.mostVisited = std::move(mostVisited);
                parsed.mostVisitedIndexes = std::move(made);
                // Every visit has been looked at; what stays is read only
                // when a day is opened. The new visits of a partial read are
                // few and stay in memory.
                if (whole) {
                    store->moveToFile(TRPrivateFolder::path().value_or(QString()));
                }
                parsed.historyStore = store;
            }
        }
    }
    if (const auto copy = copyIfChanged(BookmarkDataKey::lastSession, grants.lastSessionGrant)) {
        parsed.lastSession = TRSafariLastSessionReader::read(*copy);
    }
    if (const auto copy = copyIfChanged(BookmarkDataKey::topSites, grants.topSitesGrant)) {
        parsed.topSites = TRSafariTopSitesReader::read(*copy);
    }
    // The switched-off folders shape the read as much as the file does.
    QStringList disabled(grants.disabled.cbegin(), grants.disabled.cend());
    disabled.sort();
    if (const auto copy = copyIfChanged(BookmarkDataKey::bookmarks, grants.bookmarksGrant,
                                        disabled.join(QLatin1Char('\n')).toUtf8())) {
        parsed.bookmarks = TRSafariBookmarksReader::read(*copy, grants.disabled);
        // Kept packed below the roots' own children until a folder is opened.
        if (parsed.bookmarks) {
            std::vector<TRSafariBookmarkPtr> folders;
            for (const TRSafariBookmarkPtr &root : std::as_const(parsed.bookmarks->roots)) {
                for (const TRBookmarkPtr &child : root->bookmarks()) {
                    if (child->kind() == TRBookmarkKind::group) {
                        folders.push_back(std::static_pointer_cast<TRSafariBookmark>(child));
                    }
                }
            }
            TRPackedBookmarks<TRSafariBookmark>::pack(folders,
                                                      TRPrivateFolder::path().value_or(QString()));
        }
    }
    return parsed;
}

void TRSafariBookmarksParser::fill(BookmarkTypeKey key,
                                   const std::vector<TRSafariBookmarkPtr> &nodes)
{
    const TRSafariBookmarkPtr node = root(key);
    node->removeAllBookmarks();
    for (const TRSafariBookmarkPtr &child : nodes) {
        node->addBookmark(child);
    }
    m_bookmarks.insert(key, node);
}

void TRSafariBookmarksParser::publish(Parsed &parsed)
{
    if (parsed.search) {
        m_searchIndex = parsed.search;
    }
    m_lastParseChanged = !parsed.states.isEmpty();
    // A file read anew that gave nothing, or taken back, takes its roots
    // along; a file that did not change keeps them.
    const auto publishRoots = [&](BookmarkDataKey file, const auto &keys) {
        if (parsed.changed(file)) {
            for (BookmarkTypeKey key : keys) {
                m_bookmarks.remove(key);
            }
        }
    };
    publishRoots(BookmarkDataKey::history,
                 std::array{BookmarkTypeKey::history, BookmarkTypeKey::mostVisited});
    if (parsed.historyDays) {
        fill(BookmarkTypeKey::history, *parsed.historyDays);
        // The same entries as the day groups hold; they now name the
        // most-visited root as their parent.
        if (parsed.mostVisited) {
            fill(BookmarkTypeKey::mostVisited, *parsed.mostVisited);
        }
        m_historyStore = parsed.historyStore;
        m_mostVisitedIndexes = std::move(parsed.mostVisitedIndexes);
    } else if (parsed.changed(BookmarkDataKey::history)) {
        m_historyStore = nullptr;
        m_mostVisitedIndexes.clear();
    }
    publishRoots(BookmarkDataKey::lastSession, std::array{BookmarkTypeKey::lastSession});
    if (parsed.lastSession) {
        fill(BookmarkTypeKey::lastSession, *parsed.lastSession);
    }
    publishRoots(BookmarkDataKey::topSites, std::array{BookmarkTypeKey::topSites});
    if (parsed.topSites) {
        fill(BookmarkTypeKey::topSites, *parsed.topSites);
    }
    publishRoots(BookmarkDataKey::bookmarks, TRSafariBookmarksReader::roots);
    if (parsed.bookmarks) {
        publishBookmarks(*parsed.bookmarks);
    }
}

void TRSafariBookmarksParser::publishBookmarks(const BookmarksRead &read)
{
    for (BookmarkTypeKey key : TRSafariBookmarksReader::roots) {
        const TRSafariBookmarkPtr node = root(key);
        const TRSafariBookmarkPtr standIn = read.roots.value(key);
        // A special folder missing from this file leaves its root empty, not
        // holding the previous file's bookmarks.
        node->removeAllBookmarks();
        if (read.rootIdentifiers.contains(key)) {
            node->setId(read.rootIdentifiers.value(key));
            node->setEnabled(standIn->isEnabled());
        }
        for (const TRBookmarkPtr &child : standIn->bookmarks()) {
            node->addBookmark(child);
        }
        m_bookmarks.insert(key, node);
    }
    m_allBookmarkUUIDs = read.allBookmarkUUIDs;
    // Folders that are gone are forgotten; the file follows at the next save.
    for (auto it = m_disabledBookmarkUUIDs.begin(); it != m_disabledBookmarkUUIDs.end();) {
        it = m_allBookmarkUUIDs.contains(*it) ? std::next(it) : m_disabledBookmarkUUIDs.erase(it);
    }
}

QString TRSafariBookmarksParser::rawValue(BookmarkDataKey key)
{
    switch (key) {
    case BookmarkDataKey::bookmarks:
        return TRSettingsKeys::bookmarksData;
    case BookmarkDataKey::topSites:
        return TRSettingsKeys::topSitesData;
    case BookmarkDataKey::history:
        return TRSettingsKeys::historyData;
    case BookmarkDataKey::lastSession:
        return TRSettingsKeys::lastSessionData;
    }
    return {};
}

QStringList TRSafariBookmarksParser::allowedFileTypes(BookmarkDataKey key)
{
    if (key == BookmarkDataKey::history) {
        return {QStringLiteral("plist"), QStringLiteral("db")};
    }
    return {QStringLiteral("plist")};
}

QStringList TRSafariBookmarksParser::allowedFileNames(BookmarkDataKey key)
{
    switch (key) {
    case BookmarkDataKey::bookmarks:
        return {QStringLiteral("Bookmarks.plist")};
    case BookmarkDataKey::topSites:
        return {QStringLiteral("TopSites.plist")};
    case BookmarkDataKey::history:
        return {QStringLiteral("History.plist"), QStringLiteral("History.db")};
    case BookmarkDataKey::lastSession:
        return {QStringLiteral("LastSession.plist")};
    }
    return {};
}
