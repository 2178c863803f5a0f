#pragma once

// Reads Safari's bookmarks, history, top sites and last session from private
// copies of the granted files, on a serial queue of its own, into long-lived
// root groups that the plugin and the customisation pane show.

#include "TRHistoryStore.h"
#include "TRSafariBookmark.h"
#include "TRSafariHistoryDatabaseReader.h"
#include "TRSearchIndexKeeper.h"
#include "TRSourceState.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class TROperationQueue;

class TRSafariBookmarksParser : public QObject
{
    Q_OBJECT

public:
    // The kinds of granted file.
    enum class BookmarkDataKey { bookmarks, topSites, history, lastSession };
    // The settings key of a grant, which is also its private copy's name.
    static QString rawValue(BookmarkDataKey key);
    // What the file picker offers for each kind, in order.
    static QStringList allowedFileTypes(BookmarkDataKey key);
    static QStringList allowedFileNames(BookmarkDataKey key);

    // The roots of the result map.
    enum class BookmarkTypeKey {
        topSites,
        history,
        mostVisited,
        lastSession,
        readingList,
        user,
        bookmarksBar,
        bookmarksMenu,
    };

    // The one parser of the application; create it on the main thread.
    static TRSafariBookmarksParser &shared();

    // Loads the switched-off folders.
    TRSafariBookmarksParser();
    // Saves the switched-off folders, drops a waiting parse and waits for a
    // running one.
    ~TRSafariBookmarksParser() override;

    // Grants, set before each update.
    std::optional<QByteArray> bookmarkDataForBookmarks;
    std::optional<QByteArray> bookmarkDataForTopSites;
    std::optional<QByteArray> bookmarkDataForHistory;
    std::optional<QByteArray> bookmarkDataForLastSession;

    // Identifiers of the folders the user switched off; read and changed on
    // the main thread. A change shows at the next parse.
    QSet<QString> &disabledBookmarkUUIDs() { return m_disabledBookmarkUUIDs; }
    // Identifiers of every folder that the last bookmarks read met.
    const QSet<QString> &allBookmarkUUIDs() const { return m_allBookmarkUUIDs; }

    // A parse is scheduled or running.
    bool isParsing() const { return m_isParsing; }

    // Re-reads every granted file. Once the new trees are in place, on the
    // main thread, the finished notification is posted and then completion
    // runs. While a parse is under way the call is ignored, completion too.
    void updateBookmarks(std::function<void()> completion);

    // Writes the switched-off folders to customized_bookmarks.plist in the
    // private folder (TRSafariCustomizedBookmarks); a failure is a line on
    // standard output and changes nothing else.
    void saveCustomizedBookmarks();
    // Reads them back; anything but a readable archive of a set of strings
    // leaves the set as it was.
    void loadCustomizedBookmarks();

    // Whether the last parse read a file or lost one: a file that did not
    // change since it was last read is neither copied nor read again, and
    // its roots stay as they are.
    bool lastParseChanged() const { return m_lastParseChanged; }

    // Groups the history read last by day again, without reading, for a new
    // day or time zone; completion runs on the main thread once the days are
    // in place, and not at all when there is no history or a read replaced
    // it meanwhile.
    void regroupHistory(std::function<void()> completion);

    // The roots of the files that the parses so far could read.
    const QHash<BookmarkTypeKey, TRSafariBookmarkPtr> &bookmarks() const { return m_bookmarks; }
    // The search index of the latest trees, on the main thread.
    std::shared_ptr<const TRSearchIndex> searchIndex() const { return m_searchIndex; }
    // The history store of the latest trees, which their search index reads.
    TRHistoryStorePtr historyStore() const { return m_historyStore; }
    // A root, created on first use and the same node for the parser's life.
    TRSafariBookmarkPtr root(BookmarkTypeKey key);
    // The menu's title of a root.
    static QString rootTitle(BookmarkTypeKey key);

    // One group holding the children of the favourites bar, the menu folder
    // and the other bookmarks as they were at its first use; never rebuilt.
    TRSafariBookmarkPtr allGenericBookmarkGroup();

    // What a Bookmarks.plist holds (TRSafariBookmarksReader makes it): the
    // children of each of the four roots, held by stand-in groups, and the
    // identifiers of the folders met.
    struct BookmarksRead
    {
        QHash<BookmarkTypeKey, TRSafariBookmarkPtr> roots;
        // The identifiers of the special folders that carry one.
        QHash<BookmarkTypeKey, QString> rootIdentifiers;
        QSet<QString> allBookmarkUUIDs;
    };

private:
    struct Parsed;
    // On the queue.
    Parsed parse(const Parsed &grants) const;
    // Whether a granted file changed since its last read, given what else
    // the read depends on (its new state then goes into parsed), or was
    // taken back since.
    bool changed(BookmarkDataKey key, const std::optional<QByteArray> &grant,
                 const QByteArray &context, Parsed &parsed) const;
    // On the main thread.
    void publish(Parsed &parsed);
    // On the queue: a new search index of what the read made anew.
    void indexForSearch(Parsed &parsed);
    void fill(BookmarkTypeKey key, const std::vector<TRSafariBookmarkPtr> &nodes);
    void publishBookmarks(const BookmarksRead &read);

    std::unique_ptr<TROperationQueue> m_operationQueue;
    QSet<QString> m_disabledBookmarkUUIDs;
    QSet<QString> m_allBookmarkUUIDs;
    bool m_isParsing = false;
    // Set by the worker once its result is on its way to the main thread:
    // the parse is then over for the queue but not yet published.
    std::atomic<bool> m_resultPending{false};
    QHash<BookmarkTypeKey, TRSafariBookmarkPtr> m_bookmarks;
    QHash<BookmarkTypeKey, TRSafariBookmarkPtr> m_roots;
    TRSafariBookmarkPtr m_allGenericBookmarkGroup;
    bool m_lastParseChanged = false;
    TRHistoryStorePtr m_historyStore;
    // The most visited among the store's visits, by index.
    std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> m_mostVisitedIndexes;
    // What the last read of each file saw, and of the history what a read
    // of only its new visits starts from; used on the queue only, where
    // parses run one at a time.
    QHash<BookmarkDataKey, TRSourceState> m_readStates;
    TRHistoryStorePtr m_readHistory;
    TRSafariHistoryDatabaseReader::Cursor m_historyCursor;
    TRSearchIndexKeeper m_searchKeeper{tr("History")};
    std::shared_ptr<const TRSearchIndex> m_searchIndex;
};
