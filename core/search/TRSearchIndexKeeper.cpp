#include "TRSearchIndexKeeper.h"

#include "TRPrivateFolder.h"

void TRSearchIndexKeeper::setTrees(const std::vector<TRSearchIndex::Tree> &trees, int slot)
{
    m_items[slot] =
        TRSearchIndex::Items::collect(trees, TRPrivateFolder::path().value_or(QString()));
    m_changed = m_itemsChanged = true;
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
    // Mapped from the private folder, like the history it indexes.
    const QString folder = TRPrivateFolder::path().value_or(QString());
    if (!m_itemsChanged && m_whole && m_history && m_history->base() &&
        m_history->base() == m_wholeBase) {
        return TRSearchIndex::buildNewer(m_whole, m_history, m_historyTitle, now, folder);
    }
    m_itemsChanged = false;
    std::vector<std::shared_ptr<const TRSearchIndex::Items>> items;
    for (const auto &[slot, each] : m_items) {
        items.push_back(each);
    }
    m_whole = TRSearchIndex::build(std::move(items), m_history, m_historyTitle, now, folder);
    m_wholeBase = !m_history ? nullptr : m_history->base() ? m_history->base() : m_history;
    return m_whole;
}
