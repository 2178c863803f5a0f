#pragma once

// Reads a Firefox profile's places.sqlite (bookmarks and history in one
// SQLite file) from a private copy of the granted file, on a serial queue of
// its own, into two trees: the bookmark root folders, and the history
// grouped by day.

#include "TRFaviconStoreReader.h"
#include "TRGoogleChromeBookmark.h"
#include "TRHistoryStore.h"
#include "TRProfileReader.h"
#include "TRSearchIndexKeeper.h"
#include "TRSourceState.h"

#include <QHash>
#include <QObject>
#include <QTimeZone>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TRDayFormatter;
class TROperationQueue;

// The nodes are Chrome's node type, so that one plugin can show either
// parser's trees; a Firefox separator is an item tagged separator.
class TRFirefoxPlacesParser : public QObject, public TRProfileReader
{
    Q_OBJECT

public:
    // What the last update made of the bookmarks and of the history.
    enum class Outcome { notGranted, unreadable, empty, read };
    struct UpdateResult
    {
        Outcome bookmarks = Outcome::notGranted;
        Outcome history = Outcome::notGranted;
    };

    // copyStem names this parser's private copy and read state, so that
    // parsers of several profiles share one private folder; a file name
    // part, such as letters, digits, '_', '-' and '%'.
    explicit TRFirefoxPlacesParser(QString copyStem = QStringLiteral("firefox"));
    // Drops waiting updates and waits for a running one.
    ~TRFirefoxPlacesParser() override;

    // The name of the private copy of places.sqlite.
    QString copyName() const;

    // The grant of places.sqlite, set before each update.
    std::optional<QByteArray> dataForPlaces;
    // Which trees to read, set before each update: a tree switched off is
    // neither read nor kept.
    bool readsBookmarks = true;
    bool readsHistory = true;
    void setSlot(const TRBrowserSettings::Slot &slot) override;
    QStringList unreadableFiles() const override;
    void setIconStore(const std::optional<QByteArray> &grant, int pixels) override;
    std::shared_ptr<const TRFaviconTable> favicons() const override { return m_favicons; }
    std::shared_ptr<const TRSearchIndex> searchIndex() const override { return m_searchIndex; }
    // The history store of the latest trees, which their search index reads.
    TRHistoryStorePtr historyStore() const { return m_historyStore; }

    // Re-reads the granted file when it changed; completion runs on the
    // main thread once the new trees are in place. An update still waiting
    // is dropped, and its completion never runs.
    void updateBookmarks(std::function<void()> completion) override;

    // The latest trees, read on the main thread: an entry appears with its
    // first successful read, and a failed read leaves it as it was. The
    // bookmarks are one container of the root folders found (toolbar, menu,
    // other, mobile); a grant taken back takes both entries along.
    const QHash<BookmarkTypeKey, TRGoogleChromeBookmarkPtr> &bookmarks() const override
    {
        return m_bookmarks;
    }
    // The history root, the same node across updates.
    TRGoogleChromeBookmarkPtr historyBookmark();
    UpdateResult lastUpdateResult() const { return m_lastUpdateResult; }
    // Whether the last update read the file or lost it: a file that did not
    // change since it was last read is neither copied nor read again.
    bool lastUpdateChanged() const override { return m_lastUpdateChanged; }

    // Groups the history read last by day again, for a new day or time
    // zone; completion runs on the main thread once the days are in place,
    // and not at all when there is no history or a read replaced it
    // meanwhile.
    void regroupHistory(std::function<void()> completion) override;

    // The steps of an update, for tests and tools. None of them touches the
    // parser's trees, and none prints.
    //
    // A container of the root folders; none, with a reason in error, when
    // the database or its bookmark tables cannot be read.
    static TRGoogleChromeBookmarkPtr readBookmarks(const QString &path, QString *error);
    // One entry per page and local day of zone, at the page's latest visit
    // that day, newest first; none, with a reason in error, when the
    // database or its history tables cannot be read.
    static std::shared_ptr<TRHistoryStore>
    readHistory(const QString &path, QString *error = nullptr,
                const QTimeZone &zone = QTimeZone::systemTimeZone());
    // Day groups, newest day first, each making its entries (newest first)
    // when first opened.
    static std::vector<TRGoogleChromeBookmarkPtr>
    groupHistoryByDay(const TRHistoryStorePtr &store, const TRDayFormatter &formatter);

private:
    struct Parsed;
    // Which trees an update reads.
    struct Wanted
    {
        bool bookmarks = true;
        bool history = true;
        bool operator==(const Wanted &) const = default;
    };
    // On the queue.
    Parsed parse(const std::optional<QByteArray> &grant, Wanted wanted) const;
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
    // What the last read saw, and the zone its history's days were cut in:
    // a page's entries are one per local day, so another zone needs a new
    // read of the copy. On the queue only.
    std::optional<TRSourceState> m_readState;
    Wanted m_readWanted;
    QTimeZone m_readZone;
};
