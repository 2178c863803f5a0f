#pragma once

// What an index is built with, on a reader's queue, and dropped when it is
// made: the addresses and words met so far, and the posting lists written
// from them. A build of a million visits spends more on touching new memory
// than on reading, so each part keeps as few bytes as it can and knows its
// size before it writes.

#include "TRSearchText.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <utility>
#include <vector>

namespace TRSearchIndexBuilding {

// Posting flags: where in an entry a word stands.
constexpr quint32 inName = 1;
constexpr quint32 inHost = 2;

// Text numbered in the order it came, each text once.
class TextTable
{
public:
    static constexpr quint32 none = 0xFFFFFFFFU;

    // The number of text, made when it is new.
    quint32 idOf(QByteArrayView text);
    std::size_t size() const { return m_ends.size(); }
    QByteArrayView textOf(quint32 id) const
    {
        const quint32 start = id == 0 ? 0 : m_ends[id - 1];
        return QByteArrayView(m_text.constData() + start, m_ends[id] - start);
    }
    std::size_t textSize() const { return static_cast<std::size_t>(m_text.size()); }

private:
    void grow();
    QByteArray m_text;
    std::vector<quint32> m_ends;
    std::vector<quint32> m_hashes;
    // Each a text's number, or none.
    std::vector<quint32> m_slots;
};

// The entry numbers of the addresses met so far, by a hash of the address.
class AddressTable
{
public:
    static constexpr quint32 none = 0xFFFFFFFFU;

    // Room for about expected addresses, so that the table is not copied as
    // it grows.
    explicit AddressTable(std::size_t expected);
    // The entry of the address, or none after making entry its entry.
    quint32 findOrAdd(QByteArrayView encodedUrl, quint32 entry);

private:
    struct Slot
    {
        quint64 hash;
        quint32 entry;
    };
    void grow();
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

// The words of one entry, each once, with where they stand. A host's words
// are worked out once per host: a history has many pages of one site.
class EntryWords : public TRSearchText::WordSink
{
public:
    explicit EntryWords(TextTable &vocabulary)
        : m_vocabulary(vocabulary)
    {}
    void collect(QAnyStringView name, QByteArrayView encodedUrl);
    // Word number and flags.
    const std::vector<std::pair<quint32, quint32>> &words() const { return m_words; }

private:
    void word(QByteArrayView folded) override;
    void add(quint32 id, quint32 flags);

    TextTable &m_vocabulary;
    TextTable m_hosts;
    // Host i's words are [m_hostWordAt[i], m_hostWordAt[i + 1]) of m_hostWords.
    std::vector<quint32> m_hostWordAt{0};
    std::vector<quint32> m_hostWords;
    std::vector<std::pair<quint32, quint32>> m_words;
    bool m_collectingHost = false;
};

// Every word's entries as growing numbers, each written as the gap from the
// one before and the flags, in a few bytes. Postings are kept four bytes
// each as they come, entry by entry; then each list's size is known and the
// lists are written in place, in the words' byte order.
class PostingLists
{
public:
    explicit PostingLists(std::size_t expectedEntries);
    // The words of the next entry, each once.
    void addEntry(const std::vector<std::pair<quint32, quint32>> &words);

    struct Written
    {
        // The words, sorted, end to end; word i is [wordAt[i], wordAt[i + 1]).
        QByteArray words;
        std::vector<quint32> wordAt;
        // Word i's entries are [postingAt[i], postingAt[i + 1]) of postings.
        QByteArray postings;
        std::vector<quint32> postingAt;
    };
    Written write(const TextTable &vocabulary);

private:
    // Word number and flags of every entry's words, entry after entry.
    std::vector<quint32> m_postings;
    std::size_t m_entries = 0;
    // Per word: the last entry it was met in, plus one (0 for none), and the
    // bytes its list takes.
    std::vector<quint32> m_last;
    std::vector<quint32> m_bytes;
};

// A number in seven-bit groups, the last without the high bit.
void appendNumber(char *&out, quint64 value);
// Inline: a keystroke reads hundreds of thousands of them.
inline quint64 readNumber(const char *&at)
{
    quint64 value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<quint8>(*at++);
        value |= static_cast<quint64>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return value;
        }
        shift += 7;
    }
}

} // namespace TRSearchIndexBuilding
