#include "TRSearchIndexKeeper.h"

#include "TRPrivateFolder.h"

void TRSearchIndexKeeper::setTrees(const std::vector<TRSearchIndex::Tree> &trees, int slot)
{
    m_items[slot] = TRSearchIndex::Items::collect(trees);
    m_changed = true;
}

void TRSearchIndexKeeper::setHistory(TRHistoryStorePtr store)
{
    if (store != m_history) {
        m_history = std::move(store);
        m_changed = true;
    }
}

std::shared_ptr<const TRSearchIndex> TRSearchIndexKeeper::rebuild(qint64 now)
{
    if (!m_changed) {
        return nullptr;
    }
    m_changed = false;
    std::vector<std::shared_ptr<const TRSearchIndex::Items>> items;
    for (const auto &[slot, each] : m_items) {
        items.push_back(each);
    }
    // Mapped from the private folder, like the history it indexes.
    return TRSearchIndex::build(std::move(items), m_history, m_historyTitle, now,
                                TRPrivateFolder::path().value_or(QString()));
}
