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

    std::optional<std::vector<TRSafariBookmarkPtr>> historyDays;
    std::optional<std::vector<TRSafariBookmarkPtr>> mostVisited;
    std::optional<std::vector<TRSafariBookmarkPtr>> lastSession;
    std::optional<std::vector<TRSafariBookmarkPtr>> topSites;
    std::optional<BookmarksRead> bookmarks;
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

TRSafariBookmarkPtr TRSafariBookmarksParser::root(BookmarkTypeKey key)
{
    TRSafariBookmarkPtr &node = m_roots[key];
    if (!node) {
        QString title;
        switch (key) {
        case BookmarkTypeKey::topSites:
            title = tr("Top Sites");
            break;
        case BookmarkTypeKey::history:
            title = tr("History");
            break;
        case BookmarkTypeKey::mostVisited:
            title = tr("Most Visited");
            break;
        case BookmarkTypeKey::lastSession:
            title = tr("Last Session");
            break;
        case BookmarkTypeKey::readingList:
            title = tr("Reading List");
            break;
        case BookmarkTypeKey::user:
            title = tr("Bookmarks");
            break;
        case BookmarkTypeKey::bookmarksBar:
            title = tr("Favorites");
            break;
        case BookmarkTypeKey::bookmarksMenu:
            title = tr("Bookmarks Menu");
            break;
        }
        node = TRSafariBookmark::init(TRBookmarkKind::group, title);
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
    m_bookmarks.clear();
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

TRSafariBookmarksParser::Parsed TRSafariBookmarksParser::parse(const Parsed &grants)
{
    Parsed parsed;
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::history), grants.historyGrant)) {
        // The copy has no extension: the granted file's own name says which
        // kind of history it is.
        if (const auto granted = TRPrivateCopy::resolveGrant(*grants.historyGrant)) {
            const std::shared_ptr<TRHistoryStore> store =
                TRSafariHistoryReader::read(*copy, *granted);
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
                // Every visit has been looked at; what stays is read only
                // when a day is opened.
                store->moveToFile(TRPrivateFolder::path().value_or(QString()));
            }
        }
    }
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::lastSession), grants.lastSessionGrant)) {
        parsed.lastSession = TRSafariLastSessionReader::read(*copy);
    }
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::topSites), grants.topSitesGrant)) {
        parsed.topSites = TRSafariTopSitesReader::read(*copy);
    }
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::bookmarks), grants.bookmarksGrant)) {
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

void TRSafariBookmarksParser::publish(Parsed &parsed)
{
    const auto fill = [this](BookmarkTypeKey key, const std::vector<TRSafariBookmarkPtr> &nodes) {
        const TRSafariBookmarkPtr node = root(key);
        node->removeAllBookmarks();
        for (const TRSafariBookmarkPtr &child : nodes) {
            node->addBookmark(child);
        }
        m_bookmarks.insert(key, node);
    };
    if (parsed.historyDays) {
        fill(BookmarkTypeKey::history, *parsed.historyDays);
        // The same entries as the day groups hold; they now name the
        // most-visited root as their parent.
        if (parsed.mostVisited) {
            fill(BookmarkTypeKey::mostVisited, *parsed.mostVisited);
        }
    }
    if (parsed.lastSession) {
        fill(BookmarkTypeKey::lastSession, *parsed.lastSession);
    }
    if (parsed.topSites) {
        fill(BookmarkTypeKey::topSites, *parsed.topSites);
    }
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
