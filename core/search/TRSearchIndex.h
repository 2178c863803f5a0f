#pragma once

// What one reader's trees give a search: every item of its bookmark trees
// and every address of its history, found by the start of any word of their
// name or host, whatever the case and accents. Built on the reader's queue
// after a read, and never changed after: a query on the main thread reads
// it while the next one is built.
//
// The index keeps no text of the history: an entry is the number of its
// newest visit in the store, which the trees keep anyway. Words are kept
// once each, sorted, so that the words a query word starts are one run; each
// word lists its entries as growing numbers, written as the gaps between
// them in a few bits each.

#include "TRBookmark.h"
#include "TRHistoryStore.h"
#include "TRMappedFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstddef>
#include <memory>
#include <vector>

class TRDayFormatter;

class TRSearchIndex
{
public:
    // A tree searched, and what its items' place starts with ("Reading
    // List"); an empty title starts the place at the first folder below the
    // root ("Bookmarks bar › Recipes").
    struct Tree
    {
        TRBookmarkPtr root;
        QString title;
        // Without a root: nodes at the top of the tree (top sites, a session).
        std::vector<TRBookmarkPtr> nodes = {};
    };

    // The items of trees other than a history, taken on the thread that read
    // them while no other thread can reach the trees: the index of a later
    // read, of the history alone, uses them again.
    class Items
    {
    public:
        // With a folder, the items move into a file mapped from there.
        static std::shared_ptr<const Items> collect(const std::vector<Tree> &trees,
                                                    const QString &folder = {});
        std::size_t size() const { return m_itemCount; }

    private:
        friend class TRSearchIndex;
        struct Item
        {
            quint32 nameAt;
            quint32 nameSize;
            quint32 urlAt;
            quint32 urlSize;
            quint32 place;
            qint64 visitCount;
            qint64 lastVisit;
        };
        QByteArrayView name(const Item &item) const
        {
            return QByteArrayView(m_textData + item.nameAt, item.nameSize);
        }
        QByteArrayView url(const Item &item) const
        {
            return QByteArrayView(m_textData + item.urlAt, item.urlSize);
        }
        const Item &item(std::size_t index) const { return m_itemData[index]; }
        QByteArray m_text;
        std::vector<Item> m_items;
        QStringList m_places;
        // Where they are read: the members above, or the mapped file.
        std::unique_ptr<TRMappedFile> m_file;
        const char *m_textData = nullptr;
        const Item *m_itemData = nullptr;
        std::size_t m_itemCount = 0;
    };

    // A query's folded words, from at most the first maximumQueryLength
    // characters of what was typed, and at most maximumQueryWords of them.
    struct Query
    {
        static constexpr qsizetype maximumQueryLength = 256;
        static constexpr std::size_t maximumQueryWords = 8;
        static Query parse(QStringView text);
        bool isEmpty() const { return words.empty(); }
        std::vector<QByteArray> words;
    };

    // How well an entry matched, and what ranks it among equal matches.
    struct Hit
    {
        quint32 entry;
        // Per query word: 3 for a whole word of the name, 2 for the start of
        // one, 1 for a word of the host only.
        quint32 quality;
        quint32 frecency;
        bool isHistory;
    };
    // Better first: match quality, then bookmarks before history, then
    // visited more often and more lately; equal hits keep their order.
    static bool isBetter(const Hit &a, const Hit &b)
    {
        if (a.quality != b.quality) {
            return a.quality > b.quality;
        }
        if (a.isHistory != b.isHistory) {
            return !a.isHistory;
        }
        return a.frecency > b.frecency;
    }

    // The index of items and of history's visits; either may be null. An
    // address in both is one entry, the item's, with the history's visits.
    // now (milliseconds since 1970) is what "lately" counts from. With a
    // folder, the index moves into a file mapped from there, as a history
    // store does: an index nobody searches need not stay in memory.
    static std::shared_ptr<const TRSearchIndex>
    build(std::vector<std::shared_ptr<const Items>> items, TRHistoryStorePtr history,
          const QString &historyTitle, qint64 now, const QString &folder = {});
    // The index of only the newer visits of a history read on top of the one
    // older indexes, searched together with older: a refresh after a few
    // visits indexes those few.
    static std::shared_ptr<const TRSearchIndex>
    buildNewer(std::shared_ptr<const TRSearchIndex> older, TRHistoryStorePtr history,
               const QString &historyTitle, qint64 now, const QString &folder = {});
    // The index this one is searched together with; null for none.
    const std::shared_ptr<const TRSearchIndex> &older() const { return m_older; }

    // The best limit entries that every query word matches, best first.
    std::vector<Hit> match(const Query &query, std::size_t limit) const;

    std::size_t size() const { return m_entryCount; }
    bool isMapped() const { return m_file != nullptr; }
    // The index's own bytes, without the items and store it refers to.
    std::size_t memoryUsed() const;

    QString name(quint32 entry) const;
    QByteArrayView encodedUrl(quint32 entry) const;
    // Where the entry is below its source: "Bookmarks bar › Recipes",
    // "History · Yesterday".
    QString place(quint32 entry, const TRDayFormatter &days) const;

    // A score of how often and how lately: visits weighted by the age of the
    // last one.
    static quint32 frecency(qint64 visitCount, qint64 lastVisit, qint64 now);

private:
    TRSearchIndex() = default;
    static constexpr quint32 historyBit = 0x80000000U;

    struct Entry
    {
        // An item's number, or with historyBit, a visit's number in the store.
        quint32 ref;
        quint32 frecency;
    };

    QByteArrayView word(std::size_t id) const
    {
        return QByteArrayView(m_wordData + m_wordAtData[id],
                              m_wordAtData[id + 1] - m_wordAtData[id]);
    }
    void fill(std::vector<std::shared_ptr<const Items>> items, TRHistoryStorePtr history,
              const QString &historyTitle, qint64 now, const QString &folder);
    // Points the arrays below at the vectors, or at a file of them.
    void settle(const QString &folder);

    // An item's number counts through the sets in turn.
    const Items::Item &item(quint32 ref, const Items **items) const;

    std::vector<std::shared_ptr<const Items>> m_items;
    std::vector<quint32> m_itemsStart;
    std::shared_ptr<const TRSearchIndex> m_older;
    // The visits indexed are [0, m_visitEnd) of the store.
    std::size_t m_visitEnd = 0;
    TRHistoryStorePtr m_history;
    QString m_historyTitle;
    std::vector<Entry> m_entries;
    // The words, sorted, end to end; word i is [m_wordAt[i], m_wordAt[i + 1]).
    QByteArray m_words;
    std::vector<quint32> m_wordAt;
    // Word i's entries are [m_postingAt[i], m_postingAt[i + 1]) of m_postings.
    QByteArray m_postings;
    std::vector<quint32> m_postingAt;

    // Where the arrays are read: the vectors above, or the mapped file.
    std::unique_ptr<TRMappedFile> m_file;
    const Entry *m_entryData = nullptr;
    std::size_t m_entryCount = 0;
    const char *m_wordData = nullptr;
    const quint32 *m_wordAtData = nullptr;
    std::size_t m_wordCount = 0;
    const char *m_postingData = nullptr;
    const quint32 *m_postingAtData = nullptr;
    std::size_t m_bytes = 0;
};
