#pragma once

// The visits of one history read, packed: a small record per visit, one per
// address, and every title and address as UTF-8 in one block of text. A
// history of a million visits would otherwise be a million node objects, of
// which a user ever opens a few days; day groups make nodes from the store
// when something first asks for their children.

#include "TRBookmark.h"
#include "TRMappedFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

class TRHistoryStore
{
public:
    // What names a visit that has no title.
    enum class UntitledName {
        // The address as it is encoded.
        encodedUrl,
        // The address as people read it: decoded, without a password.
        displayUrl,
    };

    // A visit time that no date could be made of.
    static constexpr qint64 noTime = std::numeric_limits<qint64>::min();

    struct Visit
    {
        // Milliseconds since 1970 (UTC), or noTime.
        qint64 time;
        quint64 titleOffset;
        quint32 address;
        quint32 titleLength;
    };
    struct Address
    {
        quint64 urlOffset;
        qint32 visitCount;
        quint32 urlLength;
        // The row of the database that the address came from, where a
        // reader names one (0 otherwise): what a later read of only the
        // newer rows finds it by.
        qint64 rowId;
    };

    // A growing array of plain records. It grows with realloc, which moves
    // a large block by remapping its pages instead of copying them into a
    // second one: a store of a few hundred megabytes never needs twice that.
    template <class T>
    class Array
    {
        static_assert(std::is_trivially_copyable_v<T>);

    public:
        Array() = default;
        ~Array() { std::free(m_data); }
        Array(Array &&other) noexcept
            : m_data(std::exchange(other.m_data, nullptr))
            , m_size(std::exchange(other.m_size, 0))
            , m_capacity(std::exchange(other.m_capacity, 0))
        {}
        Array &operator=(Array &&other) noexcept
        {
            std::swap(m_data, other.m_data);
            std::swap(m_size, other.m_size);
            std::swap(m_capacity, other.m_capacity);
            return *this;
        }

        T *data() { return m_data; }
        const T *data() const { return m_data; }
        std::size_t size() const { return m_size; }
        T &operator[](std::size_t index) { return m_data[index]; }
        const T &operator[](std::size_t index) const { return m_data[index]; }
        T *begin() { return m_data; }
        T *end() { return m_data + m_size; }
        // Room for count more records at the end, which are left unset.
        T *grow(std::size_t count)
        {
            if (m_size + count > m_capacity) {
                std::size_t capacity = std::max<std::size_t>(m_capacity * 2, 1024);
                capacity = std::max(capacity, m_size + count);
                void *data = std::realloc(m_data, capacity * sizeof(T));
                if (!data) {
                    throw std::bad_alloc();
                }
                m_data = static_cast<T *>(data);
                m_capacity = capacity;
            }
            T *const at = m_data + m_size;
            m_size += count;
            return at;
        }
        void push_back(const T &value) { *grow(1) = value; }
        void clear()
        {
            std::free(m_data);
            m_data = nullptr;
            m_size = m_capacity = 0;
        }

    private:
        T *m_data = nullptr;
        std::size_t m_size = 0;
        std::size_t m_capacity = 0;
    };

    // Collects the visits of one read, then packs them.
    class Builder
    {
    public:
        // With shareTitles, an address's visits that repeat its last title
        // share that title's text (for histories of many visits per address).
        Builder(UntitledName untitledName, bool shareTitles);
        ~Builder();

        // The number of the address with this encoded URL and visit count,
        // added when new: the visits of one address share its text.
        quint32 address(QByteArrayView encodedUrl, qint32 visitCount, qint64 rowId = 0);
        // An address of its own, without looking for an equal one.
        quint32 addAddress(QByteArrayView encodedUrl, qint32 visitCount, qint64 rowId = 0);
        // A visit of an address.
        void addVisit(quint32 address, qint64 time, QByteArrayView title);
        std::size_t visitCount() const { return m_visits.size(); }

        // The store, newest visit first (visits of one time keep the order
        // they came in).
        std::shared_ptr<TRHistoryStore> finish();

    private:
        quint64 appendText(QByteArrayView text);
        std::size_t hashOf(QByteArrayView url, qint32 visitCount) const;
        void growTable();

        UntitledName m_untitledName;
        bool m_sharesTitles;
        Array<Visit> m_visits;
        Array<Address> m_addresses;
        Array<char> m_text;
        // Per address, when titles are shared: its last title.
        struct Title
        {
            quint64 offset;
            quint32 length;
        };
        Array<Title> m_lastTitles;
        // Open addressing over the addresses, by URL and count; 0 is empty,
        // otherwise the address's number plus one.
        std::vector<quint32> m_table;
    };

    ~TRHistoryStore();
    TRHistoryStore(const TRHistoryStore &) = delete;
    TRHistoryStore &operator=(const TRHistoryStore &) = delete;

    // A store of newer visits read on top of an earlier one (itself not
    // layered): newer's visits come first, then base's, less those of base
    // at the sorted indexes hidden, which a newer read replaced. Only the
    // newer visits are new memory; base stays where it is.
    // Counts gives base's addresses (by number) whose visit count has moved
    // on since base was read.
    static std::shared_ptr<TRHistoryStore> layered(std::shared_ptr<TRHistoryStore> newer,
                                                   std::shared_ptr<const TRHistoryStore> base,
                                                   std::vector<std::size_t> hidden,
                                                   QHash<quint32, qint32> counts = {});
    // The earlier store below this one and how many visits are this one's
    // own; none and all for a store that is not layered.
    const std::shared_ptr<const TRHistoryStore> &base() const { return m_base; }
    std::size_t ownSize() const { return m_visitCount; }
    const std::vector<std::size_t> &hiddenInBase() const { return m_hidden; }
    const QHash<quint32, qint32> &countsInBase() const { return m_counts; }

    // Every visit, hidden ones included; a day shows those not hidden.
    std::size_t size() const { return m_visitCount + m_baseSize; }
    std::size_t addressCount() const { return m_addressCount; }
    bool isHidden(std::size_t index) const;
    std::size_t hiddenBetween(std::size_t begin, std::size_t end) const;
    const Visit &visit(std::size_t index) const
    {
        return index < m_visitCount ? m_visitData[index] : m_base->visit(index - m_visitCount);
    }
    const Address &addressOf(std::size_t index) const
    {
        return index < m_visitCount ? m_addressData[m_visitData[index].address]
                                    : m_base->addressOf(index - m_visitCount);
    }
    QByteArrayView title(std::size_t index) const;
    QByteArrayView encodedUrl(std::size_t index) const;
    qint64 visitCount(std::size_t index) const
    {
        if (index >= m_visitCount && !m_counts.isEmpty()) {
            const auto moved = m_counts.constFind(m_base->visit(index - m_visitCount).address);
            if (moved != m_counts.cend()) {
                return *moved;
            }
        }
        return addressOf(index).visitCount;
    }
    qint64 rowId(std::size_t index) const { return addressOf(index).rowId; }
    // The visit's time as a date; invalid for noTime.
    QDateTime date(std::size_t index) const;
    // The visit's title, or for none the name its address gives.
    QString name(std::size_t index) const;
    // Shows walker the visit as an item, without making a node.
    void walkVisit(std::size_t index, TRBookmarkWalker &walker) const;

    // A node of type Node (a bookmark with lastVisitedDate and visitCount)
    // for one visit.
    template <class Node>
    std::shared_ptr<Node> makeNode(std::size_t index) const
    {
        auto node = Node::init(TRBookmarkKind::item, name(index), QUrl(), date(index));
        node->setEncodedUrl(encodedUrl(index).toByteArray());
        node->visitCount = visitCount(index);
        return node;
    }

    // Moves the packed visits into a file in folder that is mapped into
    // memory and at once removed from the folder: pages nobody reads stay on
    // disk, and the kernel can drop the others again. They stay in memory
    // when that cannot be done. For the thread that built the store, before
    // anything else reads it; what needs every visit (day groups, the most
    // visited) is best done before, while the visits are in memory anyway.
    bool moveToFile(const QString &folder);
    bool isMapped() const { return m_file != nullptr; }
    // After a pass over every visit (a search index built), lets go of the
    // mapped pages it read, here and below; the visits stay in their files.
    void releasePages() const;

private:
    TRHistoryStore() = default;
    void pointIntoOwnedData();

    UntitledName m_untitledName = UntitledName::encodedUrl;
    // Owned while in memory; emptied once the data lives in a mapping.
    Array<Visit> m_visits;
    Array<Address> m_addresses;
    Array<char> m_text;

    const Visit *m_visitData = nullptr;
    const Address *m_addressData = nullptr;
    const char *m_textData = nullptr;
    std::size_t m_visitCount = 0;
    std::size_t m_addressCount = 0;
    std::size_t m_textSize = 0;
    std::unique_ptr<TRMappedFile> m_file;
    std::shared_ptr<const TRHistoryStore> m_base;
    std::size_t m_baseSize = 0;
    std::vector<std::size_t> m_hidden;
    QHash<quint32, qint32> m_counts;
};

using TRHistoryStorePtr = std::shared_ptr<const TRHistoryStore>;

// The children of one day group: a run of a store's visits, made into nodes
// of type Node the first time the group is opened. Nodes already made for
// some visits (the most visited) are used again rather than made twice.
template <class Node>
class TRHistoryDaySource : public TRBookmarkChildSource
{
public:
    TRHistoryDaySource(TRHistoryStorePtr store, std::size_t begin, std::size_t end)
        : m_store(std::move(store))
        , m_begin(begin)
        , m_end(end)
    {}

    void reuse(std::size_t index, std::shared_ptr<Node> node)
    {
        m_made.emplace_back(index, std::move(node));
    }
    std::size_t begin() const { return m_begin; }
    std::size_t end() const { return m_end; }

    std::size_t count() const override
    {
        return m_end - m_begin - m_store->hiddenBetween(m_begin, m_end);
    }
    void countBelow(qint64 &, qint64 &items) const override
    {
        items += static_cast<qint64>(count());
    }
    void walk(TRBookmarkWalker &walker, int) const override
    {
        for (std::size_t index = m_begin; index < m_end; ++index) {
            if (!m_store->isHidden(index)) {
                m_store->walkVisit(index, walker);
            }
        }
    }
    std::vector<TRBookmarkPtr> makeChildren() const override
    {
        std::vector<TRBookmarkPtr> children;
        children.reserve(count());
        for (std::size_t index = m_begin; index < m_end; ++index) {
            if (m_store->isHidden(index)) {
                continue;
            }
            TRBookmarkPtr made;
            for (const auto &[at, node] : m_made) {
                if (at == index) {
                    made = node;
                }
            }
            children.push_back(made ? made : m_store->makeNode<Node>(index));
        }
        return children;
    }

private:
    TRHistoryStorePtr m_store;
    std::size_t m_begin;
    std::size_t m_end;
    std::vector<std::pair<std::size_t, std::shared_ptr<Node>>> m_made;
};
