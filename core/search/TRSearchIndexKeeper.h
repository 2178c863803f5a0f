#pragma once

// The part of a reader that keeps its search index, on the reader's queue:
// it learns what each read made anew and builds the index again only when
// something did, from the latest of each.

#include "TRSearchIndex.h"

#include <map>

class TRSearchIndexKeeper
{
public:
    explicit TRSearchIndexKeeper(QString historyTitle)
        : m_historyTitle(std::move(historyTitle))
    {}

    // The trees of one file other than the history, read anew and not yet
    // published; an empty list for none left. Files are told apart by slot.
    void setTrees(const std::vector<TRSearchIndex::Tree> &trees, int slot = 0);
    // The history store of the latest read; null for none.
    void setHistory(TRHistoryStorePtr store);
    // A new index when the trees or history changed since the last one,
    // else null. now is in milliseconds since 1970.
    std::shared_ptr<const TRSearchIndex> rebuild(qint64 now);

private:
    QString m_historyTitle;
    std::map<int, std::shared_ptr<const TRSearchIndex::Items>> m_items;
    TRHistoryStorePtr m_history;
    bool m_changed = false;
    bool m_itemsChanged = false;
    // The last index of everything, and the store below the history it
    // indexed: a history read on top of that store needs only its newer
    // visits indexed.
    std::shared_ptr<const TRSearchIndex> m_whole;
    TRHistoryStorePtr m_wholeBase;
};
