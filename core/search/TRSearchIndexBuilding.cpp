#include "TRSearchIndexBuilding.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstring>

namespace TRSearchIndexBuilding {

namespace {

// A posting as kept before it is written: the word's number, whether it is
// the first of its entry, and its flags. An entry without words leaves one
// posting without flags, so that entries are still counted.
constexpr quint32 startsEntry = 4;
constexpr int wordShift = 3;
// More words than any history has; a file that makes more has the rest
// not indexed, rather than numbers that wrap.
constexpr std::size_t maximumWords = std::size_t{1} << (32 - wordShift);

// Eight bytes at a time, seeded per run: the tables are only as safe from a
// file made to collide as their hash is unknown to it.
quint64 hashOf(QByteArrayView text)
{
    static const quint64 seed = static_cast<quint64>(QHashSeed::globalSeed()) | 1U;
    quint64 hash = seed ^ (static_cast<quint64>(text.size()) * 0x9E3779B97F4A7C15ULL);
    const char *at = text.data();
    qsizetype left = text.size();
    const auto mix = [&hash](quint64 block) {
        hash = (hash ^ block) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 32;
    };
    for (; left >= 8; at += 8, left -= 8) {
        quint64 block = 0;
        std::memcpy(&block, at, 8);
        mix(block);
    }
    quint64 block = 0;
    if (left > 0) {
        std::memcpy(&block, at, static_cast<std::size_t>(left));
    }
    mix(block);
    hash *= 0xC4CEB9FE1A85EC53ULL;
    return hash ^ (hash >> 29);
}

// A slot for a hash among size slots (fewer than 2^32), by its high bits:
// a table's size need not be a power of two.
std::size_t slotOf(quint64 hash, std::size_t size)
{
    return static_cast<std::size_t>(((hash >> 32) * static_cast<quint64>(size)) >> 32);
}

int sizeOfNumber(quint64 value)
{
    int size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

// The first eight bytes as one number that sorts as the bytes do.
quint64 sortKey(QByteArrayView word)
{
    quint64 key = 0;
    for (qsizetype i = 0; i < 8; ++i) {
        key = (key << 8) | (i < word.size() ? static_cast<quint8>(word[i]) : 0);
    }
    return key;
}

} // namespace

quint32 TextTable::idOf(QByteArrayView text)
{
    if ((m_ends.size() + 1) * 2 > m_slots.size()) {
        grow();
    }
    const quint64 hash = hashOf(text);
    const auto tag = static_cast<quint32>(hash);
    std::size_t at = slotOf(hash, m_slots.size());
    while (m_slots[at] != none) {
        const quint32 id = m_slots[at];
        if (m_hashes[id] == tag && textOf(id) == text) {
            return id;
        }
        at = at + 1 == m_slots.size() ? 0 : at + 1;
    }
    // Offsets are four bytes: text past that is not kept.
    if (static_cast<quint64>(m_text.size()) + static_cast<quint64>(text.size()) >= none) {
        return none;
    }
    const auto id = static_cast<quint32>(m_ends.size());
    m_slots[at] = id;
    m_text.append(text.data(), text.size());
    m_ends.push_back(static_cast<quint32>(m_text.size()));
    m_hashes.push_back(tag);
    return id;
}

void TextTable::grow()
{
    m_slots.assign(std::max<std::size_t>(m_slots.size() * 2, 4096), none);
    for (quint32 id = 0; id < m_ends.size(); ++id) {
        std::size_t at = slotOf(hashOf(textOf(id)), m_slots.size());
        while (m_slots[at] != none) {
            at = at + 1 == m_slots.size() ? 0 : at + 1;
        }
        m_slots[at] = id;
    }
}

AddressTable::AddressTable(std::size_t expected)
    : m_slots(std::max<std::size_t>(expected + expected / 2, 1024), Slot{0, none})
{}

quint32 AddressTable::findOrAdd(QByteArrayView encodedUrl, quint32 entry)
{
    // At most two thirds full, so that a search ends soon.
    if ((m_used + 1) * 3 > m_slots.size() * 2) {
        grow();
    }
    // Two addresses are one when their 64-bit hashes are: with a seed no
    // file knows, a chance too small to be worth keeping their text for.
    const quint64 hash = hashOf(encodedUrl);
    std::size_t at = slotOf(hash, m_slots.size());
    while (m_slots[at].entry != none) {
        if (m_slots[at].hash == hash) {
            return m_slots[at].entry;
        }
        at = at + 1 == m_slots.size() ? 0 : at + 1;
    }
    m_slots[at] = {hash, entry};
    ++m_used;
    return none;
}

void AddressTable::grow()
{
    std::vector<Slot> old(m_slots.size() * 2, Slot{0, none});
    std::swap(old, m_slots);
    for (const Slot &slot : old) {
        if (slot.entry != none) {
            std::size_t at = slotOf(slot.hash, m_slots.size());
            while (m_slots[at].entry != none) {
                at = at + 1 == m_slots.size() ? 0 : at + 1;
            }
            m_slots[at] = slot;
        }
    }
}

void EntryWords::collect(QAnyStringView name, QByteArrayView encodedUrl)
{
    m_words.clear();
    TRSearchText::words(name, *this);
    const QByteArrayView host = TRSearchText::hostOf(encodedUrl);
    if (host.isEmpty()) {
        return;
    }
    const std::size_t known = m_hosts.size();
    const quint32 hostId = m_hosts.idOf(host);
    if (hostId == TextTable::none) {
        return;
    }
    if (hostId == known) {
        m_collectingHost = true;
        TRSearchText::hostWords(encodedUrl, *this);
        m_collectingHost = false;
        m_hostWordAt.push_back(static_cast<quint32>(m_hostWords.size()));
    }
    for (quint32 at = m_hostWordAt[hostId]; at < m_hostWordAt[hostId + 1]; ++at) {
        add(m_hostWords[at], inHost);
    }
}

void EntryWords::word(QByteArrayView folded)
{
    const quint32 id = m_vocabulary.idOf(folded);
    if (id >= maximumWords) {
        return;
    }
    if (m_collectingHost) {
        m_hostWords.push_back(id);
    } else {
        add(id, inName);
    }
}

void EntryWords::add(quint32 id, quint32 flags)
{
    for (auto &[known, knownFlags] : m_words) {
        if (known == id) {
            knownFlags |= flags;
            return;
        }
    }
    m_words.emplace_back(id, flags);
}

PostingLists::PostingLists(std::size_t expectedEntries)
{
    // About the words a page's title and host have; reserved, not touched.
    m_postings.reserve(expectedEntries * 10);
}

void PostingLists::addEntry(const std::vector<std::pair<quint32, quint32>> &words)
{
    const auto entry = static_cast<quint32>(m_entries++);
    quint32 first = startsEntry;
    for (const auto &[id, flags] : words) {
        if (id >= m_last.size()) {
            m_last.resize(static_cast<std::size_t>(id) + 1, 0);
            m_bytes.resize(static_cast<std::size_t>(id) + 1, 0);
        }
        const quint64 gap = entry - m_last[id];
        m_bytes[id] += static_cast<quint32>(sizeOfNumber((gap << 2) | flags));
        m_last[id] = entry + 1;
        m_postings.push_back((id << wordShift) | first | flags);
        first = 0;
    }
    if (first != 0) {
        m_postings.push_back(startsEntry);
    }
}

PostingLists::Written PostingLists::write(const TextTable &vocabulary)
{
    Written out;
    // The words in byte order, so that those a query word starts are one run.
    const std::size_t count = m_bytes.size();
    std::vector<std::pair<quint64, quint32>> order(count);
    for (quint32 id = 0; id < count; ++id) {
        order[id] = {sortKey(vocabulary.textOf(id)), id};
    }
    std::sort(order.begin(), order.end(), [&vocabulary](const auto &a, const auto &b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return vocabulary.textOf(a.second) < vocabulary.textOf(b.second);
    });
    // Where each list starts, known before any is written.
    std::vector<quint32> cursor(count);
    out.wordAt.reserve(count + 1);
    out.postingAt.reserve(count + 1);
    out.words.reserve(static_cast<qsizetype>(vocabulary.textSize()));
    quint64 offset = 0;
    for (const auto &[key, id] : order) {
        out.wordAt.push_back(static_cast<quint32>(out.words.size()));
        out.words += vocabulary.textOf(id);
        out.postingAt.push_back(static_cast<quint32>(offset));
        cursor[id] = static_cast<quint32>(offset);
        offset += m_bytes[id];
    }
    out.wordAt.push_back(static_cast<quint32>(out.words.size()));
    out.postingAt.push_back(static_cast<quint32>(offset));
    order = decltype(order)();
    if (offset >= 0xFFFFFFFFU) {
        // Offsets are four bytes; no history comes near.
        return {};
    }
    out.postings.resize(static_cast<qsizetype>(offset));
    char *const base = out.postings.data();
    std::fill(m_last.begin(), m_last.end(), 0);
    quint32 entry = 0;
    bool started = false;
    for (const quint32 posting : m_postings) {
        if (posting & startsEntry) {
            entry += started ? 1 : 0;
            started = true;
        }
        const quint32 flags = posting & 3;
        if (flags == 0) {
            continue;
        }
        const quint32 id = posting >> wordShift;
        const quint64 gap = entry - m_last[id];
        m_last[id] = entry + 1;
        char *at = base + cursor[id];
        appendNumber(at, (gap << 2) | flags);
        cursor[id] = static_cast<quint32>(at - base);
    }
    m_postings = decltype(m_postings)();
    return out;
}

void appendNumber(char *&out, quint64 value)
{
    while (value >= 0x80) {
        *out++ = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<char>(value);
}

} // namespace TRSearchIndexBuilding
