#include "TRSearchIndex.h"

#include "TRDayFormatter.h"
#include "TRSearchIndexBuilding.h"
#include "TRSearchText.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <functional>

using namespace TRSearchIndexBuilding;

namespace {

// The separator between folders of a place, and between its parts.
const QString folderSeparator = QStringLiteral(" \u203A ");
const QString partSeparator = QStringLiteral(" \u00B7 ");

class ItemCollector : public TRBookmarkWalker
{
public:
    ItemCollector(QStringList &places,
                  std::function<void(const TRBookmarkWalkItem &, quint32)> onItem)
        : m_places(places)
        , m_onItem(std::move(onItem))
    {}

    void collect(const TRSearchIndex::Tree &tree)
    {
        m_path.clear();
        m_placeOfDepth.assign(1, -1);
        m_title = tree.title;
        if (tree.root) {
            tree.root->walk(*this);
            return;
        }
        for (const TRBookmarkPtr &node : tree.nodes) {
            if (!node || node->isSeparator()) {
                continue;
            }
            if (node->kind() == TRBookmarkKind::group) {
                if (node->isEnabled() && enterGroup(node->name())) {
                    node->walk(*this);
                    leaveGroup();
                }
                continue;
            }
            TRBookmarkWalkItem walked{node->name(), node->encodedUrl()};
            node->visits(walked.visitCount, walked.lastVisit);
            item(walked);
        }
    }

    bool enterGroup(QAnyStringView name) override
    {
        m_path.push_back(name.toString());
        m_placeOfDepth.push_back(-1);
        return true;
    }
    void leaveGroup() override
    {
        m_path.pop_back();
        m_placeOfDepth.pop_back();
    }
    void item(const TRBookmarkWalkItem &item) override { m_onItem(item, place()); }

private:
    // The place of the items of the current folder, made when the first one
    // comes: most folders of a walk hold groups only.
    quint32 place()
    {
        qsizetype &known = m_placeOfDepth.back();
        if (known < 0) {
            QStringList parts;
            if (!m_title.isEmpty()) {
                parts.push_back(m_title);
            }
            if (!m_path.isEmpty()) {
                parts.push_back(m_path.join(folderSeparator));
            }
            known = m_places.size();
            m_places.push_back(parts.join(partSeparator));
        }
        return static_cast<quint32>(known);
    }

    QStringList &m_places;
    std::function<void(const TRBookmarkWalkItem &, quint32)> m_onItem;
    QStringList m_path;
    std::vector<qsizetype> m_placeOfDepth;
    QString m_title;
};

} // namespace

std::shared_ptr<const TRSearchIndex::Items>
TRSearchIndex::Items::collect(const std::vector<Tree> &trees, const QString &folder)
{
    auto items = std::shared_ptr<Items>(new Items);
    ItemCollector collector(items->m_places,
                            [&items](const TRBookmarkWalkItem &walked, quint32 place) {
                                QByteArray &text = items->m_text;
                                Item item{};
                                item.nameAt = static_cast<quint32>(text.size());
                                text += walked.name.toString().toUtf8();
                                item.nameSize = static_cast<quint32>(text.size()) - item.nameAt;
                                item.urlAt = static_cast<quint32>(text.size());
                                text.append(walked.encodedUrl.data(), walked.encodedUrl.size());
                                item.urlSize = static_cast<quint32>(text.size()) - item.urlAt;
                                item.place = place;
                                item.visitCount = walked.visitCount;
                                item.lastVisit = walked.lastVisit;
                                items->m_items.push_back(item);
                            });
    for (const Tree &tree : trees) {
        collector.collect(tree);
    }
    items->m_itemCount = items->m_items.size();
    const QByteArrayView records(reinterpret_cast<const char *>(items->m_items.data()),
                                 static_cast<qsizetype>(items->m_itemCount * sizeof(Item)));
    if (!folder.isEmpty()) {
        items->m_file = TRMappedFile::write(folder, {records, items->m_text});
    }
    if (items->m_file) {
        items->m_itemData = reinterpret_cast<const Item *>(items->m_file->data());
        items->m_textData =
            items->m_file->data() + TRMappedFile::aligned(static_cast<std::size_t>(records.size()));
        items->m_items = decltype(items->m_items)();
        items->m_text = QByteArray();
    } else {
        items->m_text.squeeze();
        items->m_items.shrink_to_fit();
        items->m_itemData = items->m_items.data();
        items->m_textData = items->m_text.constData();
    }
    return items;
}

TRSearchIndex::Query TRSearchIndex::Query::parse(QStringView text)
{
    struct Collect : TRSearchText::WordSink
    {
        void word(QByteArrayView folded) override
        {
            if (words.size() < maximumQueryWords &&
                std::find(words.cbegin(), words.cend(), folded) == words.cend()) {
                words.push_back(folded.toByteArray());
            }
        }
        std::vector<QByteArray> words;
    } collect;
    // A pasted page is searched by its start; a character is never cut in two.
    qsizetype size = std::min(text.size(), maximumQueryLength);
    if (size < text.size() && size > 0 && text[size - 1].isHighSurrogate()) {
        --size;
    }
    TRSearchText::words(text.first(size), collect);
    return Query{std::move(collect.words)};
}

quint32 TRSearchIndex::frecency(qint64 visitCount, qint64 lastVisit, qint64 now)
{
    if (visitCount <= 0 && lastVisit == TRBookmarkWalkItem::noVisit) {
        return 0;
    }
    quint32 weight = 10;
    if (lastVisit != TRBookmarkWalkItem::noVisit) {
        const qint64 days = (now - lastVisit) / (24 * 60 * 60 * 1000LL);
        weight = days < 4 ? 100 : days < 14 ? 70 : days < 31 ? 50 : days < 90 ? 30 : 10;
    }
    const qint64 visits = std::clamp<qint64>(visitCount, 1, 10'000'000);
    return static_cast<quint32>(std::min<qint64>(visits * weight, 0xFFFFFFFFLL));
}

const TRSearchIndex::Items::Item &TRSearchIndex::item(quint32 ref, const Items **items) const
{
    const auto after = std::upper_bound(m_itemsStart.cbegin(), m_itemsStart.cend(), ref);
    const auto set = static_cast<std::size_t>(after - m_itemsStart.cbegin()) - 1;
    *items = m_items[set].get();
    return m_items[set]->item(ref - m_itemsStart[set]);
}

void TRSearchIndex::settle(const QString &folder)
{
    const auto bytesOf = [](const auto &vector) {
        return QByteArrayView(reinterpret_cast<const char *>(vector.data()),
                              static_cast<qsizetype>(vector.size() * sizeof(vector[0])));
    };
    const QByteArrayView pieces[] = {bytesOf(m_entries), QByteArrayView(m_words), bytesOf(m_wordAt),
                                     QByteArrayView(m_postings), bytesOf(m_postingAt)};
    m_entryCount = m_entries.size();
    m_wordCount = m_wordAt.empty() ? 0 : m_wordAt.size() - 1;
    m_bytes = 0;
    for (const QByteArrayView piece : pieces) {
        m_bytes += static_cast<std::size_t>(piece.size());
    }
    if (!folder.isEmpty()) {
        m_file =
            TRMappedFile::write(folder, {pieces[0], pieces[1], pieces[2], pieces[3], pieces[4]});
    }
    if (!m_file) {
        m_entries.shrink_to_fit();
        m_entryData = m_entries.data();
        m_wordData = m_words.constData();
        m_wordAtData = m_wordAt.data();
        m_postingData = m_postings.constData();
        m_postingAtData = m_postingAt.data();
        return;
    }
    const char *at = m_file->data();
    const char *starts[std::size(pieces)];
    for (std::size_t i = 0; i < std::size(pieces); ++i) {
        starts[i] = at;
        at += TRMappedFile::aligned(static_cast<std::size_t>(pieces[i].size()));
    }
    m_entryData = reinterpret_cast<const Entry *>(starts[0]);
    m_wordData = starts[1];
    m_wordAtData = reinterpret_cast<const quint32 *>(starts[2]);
    m_postingData = starts[3];
    m_postingAtData = reinterpret_cast<const quint32 *>(starts[4]);
    // A new vector, not {}: assigning {} picks the assignment from an
    // initializer list, which keeps the capacity.
    m_entries = decltype(m_entries)();
    m_words = QByteArray();
    m_wordAt = decltype(m_wordAt)();
    m_postings = QByteArray();
    m_postingAt = decltype(m_postingAt)();
}

std::shared_ptr<const TRSearchIndex>
TRSearchIndex::build(std::vector<std::shared_ptr<const Items>> items, TRHistoryStorePtr history,
                     const QString &historyTitle, qint64 now, const QString &folder)
{
    auto index = std::shared_ptr<TRSearchIndex>(new TRSearchIndex);
    index->m_visitEnd = history ? history->size() : 0;
    index->fill(std::move(items), std::move(history), historyTitle, now, folder);
    return index;
}

std::shared_ptr<const TRSearchIndex>
TRSearchIndex::buildNewer(std::shared_ptr<const TRSearchIndex> older, TRHistoryStorePtr history,
                          const QString &historyTitle, qint64 now, const QString &folder)
{
    auto index = std::shared_ptr<TRSearchIndex>(new TRSearchIndex);
    index->m_older = std::move(older);
    index->m_visitEnd = history ? history->ownSize() : 0;
    index->fill({}, std::move(history), historyTitle, now, folder);
    return index;
}

void TRSearchIndex::fill(std::vector<std::shared_ptr<const Items>> items, TRHistoryStorePtr history,
                         const QString &historyTitle, qint64 now, const QString &folder)
{
    std::erase(items, nullptr);
    m_items = std::move(items);
    m_history = std::move(history);
    m_historyTitle = historyTitle;
    const TRHistoryStore *const store = m_history.get();
    // A pass reads the store's pages about in order, and each once: they go
    // back to the file now and then, so that a build of a large history
    // does not hold it all in memory at once.
    const auto releaseNowAndThen = [store](std::size_t done) {
        if (store && (done & 0xFFFF) == 0xFFFF) {
            store->releasePages();
        }
    };

    // At most an entry per item and per address of the history: reserved,
    // so that nothing is copied as it grows.
    std::size_t expected = 0;
    for (const auto &kept : m_items) {
        expected += kept->size();
    }
    if (store) {
        expected += store->addressCount() + (store->base() ? store->base()->addressCount() : 0);
    }
    m_entries.reserve(expected);

    // One entry per address: an item before the history's visits of it,
    // the newest visit before older ones (the store keeps them newest first).
    struct Visits
    {
        qint64 count;
        qint64 last;
    };
    std::vector<Visits> visits;
    visits.reserve(expected);
    AddressTable addresses(expected);
    const auto merge = [&visits](quint32 entry, qint64 count, qint64 last) {
        visits[entry].count = std::max(visits[entry].count, count);
        visits[entry].last = std::max(visits[entry].last, last);
    };
    // The entry of the address, made when it is new.
    const auto add = [&](quint32 ref, QByteArrayView url, qint64 count, qint64 last) {
        const auto entry = static_cast<quint32>(m_entries.size());
        // Entries without an address (a service not resolved yet) are each
        // their own.
        const quint32 known = url.isEmpty() ? AddressTable::none : addresses.findOrAdd(url, entry);
        if (known != AddressTable::none) {
            merge(known, count, last);
            return known;
        }
        m_entries.push_back({ref, 0});
        visits.push_back({count, last});
        return entry;
    };
    quint32 itemNumber = 0;
    for (const auto &kept : m_items) {
        m_itemsStart.push_back(itemNumber);
        for (std::size_t i = 0; i < kept->size(); ++i) {
            const Items::Item &item = kept->item(i);
            add(itemNumber++, kept->url(item), item.visitCount, item.lastVisit);
        }
    }
    if (store) {
        // The visits of one address share its number in their layer of the
        // store: an address is hashed once, not once per visit. Its count
        // is the address's, and the store keeps visits newest first (those
        // without a date last), so a later visit of it adds nothing.
        std::vector<quint32> ownEntries(store->addressCount(), AddressTable::none);
        std::vector<quint32> baseEntries(store->base() ? store->base()->addressCount() : 0,
                                         AddressTable::none);
        const std::size_t count = std::min<std::size_t>(m_visitEnd, historyBit - 1);
        for (std::size_t i = 0; i < count; ++i) {
            releaseNowAndThen(i);
            if (store->isHidden(i)) {
                continue;
            }
            std::vector<quint32> &layer = i < store->ownSize() ? ownEntries : baseEntries;
            const quint32 address = store->visit(i).address;
            if (address < layer.size() && layer[address] != AddressTable::none) {
                continue;
            }
            const qint64 time = store->visit(i).time;
            const qint64 last = time == TRHistoryStore::noTime ? TRBookmarkWalkItem::noVisit : time;
            const quint32 entry = add(static_cast<quint32>(i) | historyBit, store->encodedUrl(i),
                                      store->visitCount(i), last);
            if (address < layer.size()) {
                layer[address] = entry;
            }
        }
    }
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        m_entries[i].frecency = frecency(visits[i].count, visits[i].last, now);
    }
    visits = decltype(visits)();

    // Every entry's words, listed per word.
    PostingLists lists(m_entries.size());
    {
        TextTable vocabulary;
        EntryWords words(vocabulary);
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            releaseNowAndThen(i);
            const Entry &entry = m_entries[i];
            if (entry.ref & historyBit) {
                const std::size_t visit = entry.ref & ~historyBit;
                words.collect(QUtf8StringView(m_history->title(visit)),
                              m_history->encodedUrl(visit));
            } else {
                const Items *set = nullptr;
                const Items::Item &found = item(entry.ref, &set);
                words.collect(QUtf8StringView(set->name(found)), set->url(found));
            }
            lists.addEntry(words.words());
        }
        PostingLists::Written written = lists.write(vocabulary);
        m_words = std::move(written.words);
        m_wordAt = std::move(written.wordAt);
        m_postings = std::move(written.postings);
        m_postingAt = std::move(written.postingAt);
    }
    settle(folder);
    // The pass read every item and visit: their pages go back to their files.
    if (m_history) {
        m_history->releasePages();
    }
    for (const auto &set : m_items) {
        if (set->m_file) {
            set->m_file->releasePages();
        }
    }
}

std::vector<TRSearchIndex::Hit> TRSearchIndex::match(const Query &query, std::size_t limit) const
{
    if (query.isEmpty() || m_entryCount == 0 || limit == 0) {
        return {};
    }
    struct Range
    {
        std::size_t first;
        std::size_t end;
        // The word equal to the query word, or end.
        std::size_t whole;
        quint32 volume;
    };
    std::vector<Range> ranges;
    const std::size_t wordCount = m_wordCount;
    for (const QByteArray &queryWord : query.words) {
        const QByteArrayView wanted(queryWord);
        std::size_t low = 0;
        std::size_t high = wordCount;
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (word(middle) < wanted) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        std::size_t end = low;
        high = wordCount;
        while (end < high) {
            const std::size_t middle = (end + high) / 2;
            if (word(middle).startsWith(wanted)) {
                end = middle + 1;
            } else {
                high = middle;
            }
        }
        if (low == end) {
            return {};
        }
        const std::size_t whole = word(low) == wanted ? low : end;
        ranges.push_back({low, end, whole, m_postingAtData[end] - m_postingAtData[low]});
    }
    // The rarest word first: the others only look at the entries it found.
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const Range &a, const Range &b) { return a.volume < b.volume; });

    // Per entry: the query words matched so far, and the quality of them.
    // Kept from query to query, and left zeroed: a keystroke then costs
    // what its words find, not what the index holds.
    struct Scratch
    {
        std::vector<quint8> matched;
        std::vector<quint8> best;
        std::vector<quint32> quality;
        std::vector<quint32> first;
        std::vector<quint32> touched;
    };
    thread_local Scratch scratch;
    if (scratch.matched.size() < m_entryCount) {
        scratch.matched.resize(m_entryCount, 0);
        scratch.best.resize(m_entryCount, 0);
        scratch.quality.resize(m_entryCount, 0);
    }
    std::vector<quint8> &matched = scratch.matched;
    std::vector<quint8> &best = scratch.best;
    std::vector<quint32> &quality = scratch.quality;
    std::vector<quint32> &touched = scratch.touched;
    // Every entry the rarest word found: all that the others can touch.
    std::vector<quint32> &first = scratch.first;
    first.clear();
    for (std::size_t w = 0; w < ranges.size(); ++w) {
        const Range &range = ranges[w];
        const auto before = static_cast<quint8>((1U << w) - 1);
        touched.clear();
        for (std::size_t id = range.first; id < range.end; ++id) {
            const quint8 nameQuality = id == range.whole ? 3 : 2;
            const char *at = m_postingData + m_postingAtData[id];
            const char *const end = m_postingData + m_postingAtData[id + 1];
            qint64 previous = -1;
            while (at < end) {
                const quint64 value = readNumber(at);
                const auto entry =
                    static_cast<quint32>(previous + 1 + static_cast<qint64>(value >> 2));
                previous = entry;
                if (matched[entry] != before) {
                    continue;
                }
                const quint8 q = (value & inName) ? nameQuality : 1;
                if (best[entry] == 0) {
                    touched.push_back(entry);
                }
                best[entry] = std::max(best[entry], q);
            }
        }
        for (const quint32 entry : touched) {
            matched[entry] = static_cast<quint8>(before | (1U << w));
            quality[entry] += best[entry];
            best[entry] = 0;
        }
        if (w == 0) {
            first = touched;
        }
        if (touched.empty()) {
            break;
        }
    }

    std::vector<Hit> hits;
    if (!touched.empty()) {
        hits.reserve(touched.size());
        for (const quint32 entry : touched) {
            hits.push_back({entry, quality[entry], m_entryData[entry].frecency,
                            (m_entryData[entry].ref & historyBit) != 0});
        }
    }
    for (const quint32 entry : first) {
        matched[entry] = 0;
        quality[entry] = 0;
    }
    // Ties go by entry number, so the order found in does not matter.
    const auto better = [](const Hit &a, const Hit &b) {
        return isBetter(a, b) || (!isBetter(b, a) && a.entry < b.entry);
    };
    const std::size_t kept = std::min(limit, hits.size());
    std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(kept), hits.end(),
                      better);
    hits.resize(kept);
    return hits;
}

std::size_t TRSearchIndex::memoryUsed() const
{
    return sizeof(TRSearchIndex) + m_bytes;
}

QString TRSearchIndex::name(quint32 entry) const
{
    const quint32 ref = m_entryData[entry].ref;
    if (ref & historyBit) {
        return m_history->name(ref & ~historyBit);
    }
    const Items *items = nullptr;
    const Items::Item &found = item(ref, &items);
    const QByteArrayView name = items->name(found);
    return name.isEmpty() ? QString::fromUtf8(items->url(found)) : QString::fromUtf8(name);
}

QByteArrayView TRSearchIndex::encodedUrl(quint32 entry) const
{
    const quint32 ref = m_entryData[entry].ref;
    if (ref & historyBit) {
        return m_history->encodedUrl(ref & ~historyBit);
    }
    const Items *items = nullptr;
    const Items::Item &found = item(ref, &items);
    return items->url(found);
}

QString TRSearchIndex::place(quint32 entry, const TRDayFormatter &days) const
{
    const quint32 ref = m_entryData[entry].ref;
    if (ref & historyBit) {
        const QDateTime date = m_history->date(ref & ~historyBit);
        return date.isValid() ? m_historyTitle + partSeparator + days.label(date) : m_historyTitle;
    }
    const Items *items = nullptr;
    const Items::Item &found = item(ref, &items);
    return items->m_places.value(found.place);
}
