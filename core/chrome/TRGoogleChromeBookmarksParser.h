#pragma once

// Reads a Chromium profile's Bookmarks and AccountBookmarks (JSON) and
// History (SQLite) from private copies of the granted files, on a serial
// queue of its own, into two trees: the bookmark folders, and the history
// grouped by day.

#include "TRFaviconStoreReader.h"
#include "TRGoogleChromeBookmark.h"
#include "TRHistoryStore.h"
#include "TRProfileReader.h"
#include "TRSearchIndexKeeper.h"
#include "TRSourceState.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TRDayFormatter;
class TROperationQueue;

class TRGoogleChromeBookmarksParser : public QObject, public TRProfileReader
{
    Q_OBJECT

public:
    enum class BookmarkDataKey { bookmarks, accountBookmarks, history };
    // The settings key of a grant, which is also the private copy's name of
    // the parser with the default stem.
    static QString rawValue(BookmarkDataKey key);

    // What the last update made of each file.
    enum class Outcome { notGranted, unreadable, empty, read };
    struct UpdateResult
    {
        Outcome bookmarks = Outcome::notGranted;
        Outcome accountBookmarks = Outcome::notGranted;
        Outcome history = Outcome::notGranted;
    };

    // The one parser of the application; create it on the main thread.
    static TRGoogleChromeBookmarksParser &shared();

    // copyStem names this parser's private copies and read states, so that
    // parsers of several profiles share one private folder; a file name
    // part, such as letters, digits, '_', '-' and '%'.
    explicit TRGoogleChromeBookmarksParser(QString copyStem = QStringLiteral("google_chrome"));
    // Drops waiting updates and waits for a running one.
    ~TRGoogleChromeBookmarksParser() override;

    // The name of the private copy of a file: the stem and the file's part.
    QString copyName(BookmarkDataKey key) const;

    // Grants, set before each update. The account's bookmarks are those
    // Chrome keeps for the signed-in account beside the local ones.
    std::optional<QByteArray> dataForBookmarks;
    std::optional<QByteArray> dataForAccountBookmarks;
    std::optional<QByteArray> dataForHistory;
    // Takes the slot's three grants: a Chromium profile shows what it was
    // granted.
    void setSlot(const TRBrowserSettings::Slot &slot) override;
    QStringList unreadableFiles() const override;
    void setIconStore(const std::optional<QByteArray> &grant, int pixels) override;
    std::shared_ptr<const TRFaviconTable> favicons() const override { return m_favicons; }
    std::shared_ptr<const TRSearchIndex> searchIndex() const override { return m_searchIndex; }
    // The history store of the latest trees, which their search index reads.
    TRHistoryStorePtr historyStore() const { return m_historyStore; }

    // Re-reads the granted files; completion runs on the main thread once
    // the new trees are in place. An update still waiting is dropped, and
    // its completion never runs.
    void updateBookmarks(std::function<void()> completion) override;

    // The latest trees, read on the main thread: an entry appears with its
    // first successful read, and a failed read leaves it as it was. The
    // bookmarks are one container of the account's root folders, then the
    // local ones; a file taken back takes its roots along, and the entry
    // goes with the last of them.
    const QHash<BookmarkTypeKey, TRGoogleChromeBookmarkPtr> &bookmarks() const override
    {
        return m_bookmarks;
    }
    // The history root, the same node across updates.
    TRGoogleChromeBookmarkPtr historyBookmark();
    UpdateResult lastUpdateResult() const { return m_lastUpdateResult; }
    // Whether the last update read a file or lost one: a file that did not
    // change since it was last read is neither copied nor read again.
    bool lastUpdateChanged() const override { return m_lastUpdateChanged; }

    // Groups the history read last by day again, without reading, for a new
    // day or time zone; completion runs on the main thread once the days are
    // in place, and not at all when there is no history or a read replaced
    // it meanwhile.
    void regroupHistory(std::function<void()> completion) override;

    // The steps of an update, for tests and tools. None of them touches the
    // parser's trees.
    static TRGoogleChromeBookmarkPtr decodeBookmarks(const QByteArray &json, QString *error);
    // What a read of a history saw, so that the next one can read only the
    // rows that came after it: the newest time, and the count and sums of
    // every row up to it, which tell whether any of them went or changed.
    struct HistoryCursor
    {
        qint64 schemaVersion = -1;
        qint64 newestTime = 0;
        qint64 rows = 0;
        qint64 visitCounts = 0;
        qint64 timeChecksum = 0;
    };
    // Every row of the history, newest first, packed; none when the
    // database cannot be read, after a line on standard output when the
    // query fails. With cursor, what the read saw goes there.
    static std::shared_ptr<TRHistoryStore> readHistory(const QString &path,
                                                       HistoryCursor *cursor = nullptr);
    // The history of previous (as read from the same file before, and
    // described by cursor) with the rows newer than cursor's read merged in:
    // a newer visit of an address replaces its entry, as a full read would
    // have it. None when the file changed otherwise (rows deleted or moved
    // back, another schema) or the new part has grown large: then only a
    // full read gives the right store. Cursor moves on with a store.
    static std::shared_ptr<TRHistoryStore>
    readNewerHistory(const QString &path, const TRHistoryStorePtr &previous, HistoryCursor &cursor);
    // Day groups, newest day first, each making its entries (newest first)
    // when first opened.
    static std::vector<TRGoogleChromeBookmarkPtr>
    groupHistoryByDay(const TRHistoryStorePtr &store, const TRDayFormatter &formatter);
    // A Chrome time stamp (microseconds since 1601-01-01 00:00:00 UTC) in
    // milliseconds since 1970.
    static qint64 millisecondsFromChromeTime(qint64 microseconds);

private:
    struct Parsed;
    struct Grants;
    // On the queue.
    Parsed parse(const Grants &grants) const;
    // Reads a changed bookmarks file into parsed: its outcome, and on
    // success its bytes.
    // With force, the file is read even if it did not change.
    void readBookmarksFile(BookmarkDataKey key, const std::optional<QByteArray> &grant, bool force,
                           Parsed &parsed) const;
    // Whether a granted file changed since its last read, or is forced (its
    // new state then goes into parsed, and outcome becomes notGranted until
    // it is read), or was taken back since (outcome notGranted too).
    bool changedState(BookmarkDataKey key, const std::optional<QByteArray> &grant, bool force,
                      Parsed &parsed, std::optional<Outcome> &outcome) const;
    // On the main thread.
    void publish(Parsed &parsed);
    void publishHistoryDays(const std::vector<TRGoogleChromeBookmarkPtr> &days);

    const QString m_copyStem;
    std::unique_ptr<TROperationQueue> m_operationQueue;
    TRFaviconStoreReader::Request m_iconRequest;
    std::shared_ptr<const TRFaviconTable> m_favicons;
    std::shared_ptr<const TRSearchIndex> m_searchIndex;
    // On the queue only.
    TRFaviconStoreReader m_iconReader;
    TRSearchIndexKeeper m_searchKeeper;
    QHash<BookmarkTypeKey, TRGoogleChromeBookmarkPtr> m_bookmarks;
    TRGoogleChromeBookmarkPtr m_historyBookmark;
    UpdateResult m_lastUpdateResult;
    bool m_lastUpdateChanged = false;
    TRHistoryStorePtr m_historyStore;
    // What the last read of each file saw, by file name, and of the history
    // what a read of only its newer rows starts from; used on the queue
    // only, where updates run one at a time.
    QHash<QString, TRSourceState> m_readStates;
    // The last bytes of each bookmarks file that decoded, by file name: the
    // tree is made afresh from both whenever one changes, so that no node
    // the main thread holds is touched, and a file that fails keeps its
    // last good roots. Kept only while both files are granted, and then
    // compressed: a large file's text would otherwise be the largest part
    // of an idle Trellis. Empty for a file read while granted alone. On the
    // queue only.
    QHash<QString, QByteArray> m_goodBookmarks;
    TRHistoryStorePtr m_readHistory;
    HistoryCursor m_historyCursor;
};
