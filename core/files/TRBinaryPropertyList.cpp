#include "TRBinaryPropertyList.h"

#include "TRPropertyList.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr quint64 headerSize = 8;
constexpr quint64 trailerSize = 32;
constexpr quint64 largestLength = static_cast<quint64>(std::numeric_limits<int>::max());

// Object kinds, the high half of a marker byte.
enum : unsigned {
    scalarKind = 0x0,
    integerKind = 0x1,
    realKind = 0x2,
    dateKind = 0x3,
    dataKind = 0x4,
    asciiKind = 0x5,
    utf16Kind = 0x6,
    uidKind = 0x8,
    arrayKind = 0xA,
    dictionaryKind = 0xD,
};

// The low half of a marker that says an integer object holding the length
// follows.
constexpr unsigned lengthFollows = 0xF;

} // namespace

quint64 TRBinaryPropertyList::bigEndian(quint64 offset, unsigned width) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(m_bytes.constData()) + offset;
    // The widths of nearly every reference, offset and length.
    switch (width) {
    case 1:
        return p[0];
    case 2:
        return qFromBigEndian<quint16>(p);
    case 4:
        return qFromBigEndian<quint32>(p);
    case 8:
        return qFromBigEndian<quint64>(p);
    default:
        break;
    }
    quint64 value = 0;
    for (unsigned i = 0; i < width; ++i) {
        value = (value << 8) | p[i];
    }
    return value;
}

quint64 TRBinaryPropertyList::offsetOf(quint64 index) const
{
    return bigEndian(m_tableOffset + index * m_offsetSize, m_offsetSize);
}

quint64 TRBinaryPropertyList::referenced(quint64 position) const
{
    return offsetOf(bigEndian(position, m_referenceSize));
}

std::optional<TRBinaryPropertyList::Header>
TRBinaryPropertyList::checkedHeader(quint64 offset) const
{
    // Everything an object holds lies between its marker and the offset
    // table. offset < m_tableOffset, so position never passes it.
    Header header;
    header.kind = byte(offset) >> 4;
    header.low = byte(offset) & 0xF;
    quint64 position = offset + 1;
    const auto fixedWidth = [&](unsigned width) -> std::optional<Header> {
        if (width > m_tableOffset - position) {
            return std::nullopt;
        }
        header.length = width;
        header.contents = position;
        return header;
    };
    switch (header.kind) {
    case scalarKind:
        // Only the booleans: libplist takes no null or fill byte.
        if (header.low != 0x8 && header.low != 0x9) {
            return std::nullopt;
        }
        header.contents = position;
        return header;
    case integerKind:
        // 1, 2, 4, 8 or 16 bytes; of 16 only the low 8 count.
        return header.low <= 4 ? fixedWidth(1U << header.low) : std::nullopt;
    case realKind:
        return header.low == 2 || header.low == 3 ? fixedWidth(1U << header.low) : std::nullopt;
    case dateKind:
        return header.low == 3 ? fixedWidth(8) : std::nullopt;
    case uidKind:
        // The widths libplist writes; a reference within 32 bits.
        return header.low == 0 || header.low == 1 || header.low == 3 ? fixedWidth(header.low + 1)
                                                                     : std::nullopt;
    case dataKind:
    case asciiKind:
    case utf16Kind:
    case arrayKind:
    case dictionaryKind:
        break;
    default:
        return std::nullopt;
    }

    header.length = header.low;
    if (header.low == lengthFollows) {
        if (position >= m_tableOffset) {
            return std::nullopt;
        }
        const unsigned marker = byte(position);
        if (marker >> 4 != integerKind || (marker & 0xF) > 3) {
            return std::nullopt;
        }
        const unsigned width = 1U << (marker & 0xF);
        if (width > m_tableOffset - position - 1) {
            return std::nullopt;
        }
        header.length = bigEndian(position + 1, width);
        position += 1 + width;
    }
    header.contents = position;
    // Divided rather than multiplied: a length may be near 2^64.
    const quint64 available = m_tableOffset - position;
    switch (header.kind) {
    case dataKind:
    case asciiKind:
        if (header.length > available || header.length > largestLength) {
            return std::nullopt;
        }
        break;
    case utf16Kind:
        // libplist refuses an empty one; its UTF-8 takes up to 3 bytes a unit.
        if (header.length == 0 || header.length > available / 2 ||
            header.length > largestLength / 3) {
            return std::nullopt;
        }
        break;
    case arrayKind:
        if (header.length > available / m_referenceSize) {
            return std::nullopt;
        }
        break;
    case dictionaryKind:
        if (header.length > available / m_referenceSize / 2) {
            return std::nullopt;
        }
        break;
    default:
        break;
    }
    return header;
}

TRBinaryPropertyList::Header TRBinaryPropertyList::header(quint64 offset) const
{
    return *checkedHeader(offset);
}

std::shared_ptr<const TRBinaryPropertyList> TRBinaryPropertyList::fromData(const QByteArray &bytes)
{
    std::shared_ptr<TRBinaryPropertyList> list(new TRBinaryPropertyList);
    list->m_bytes = bytes;
    if (!list->validate()) {
        return nullptr;
    }
    return list;
}

bool TRBinaryPropertyList::validate()
{
    const auto size = static_cast<quint64>(m_bytes.size());
    if (size < headerSize + trailerSize || size > std::numeric_limits<quint32>::max() ||
        !m_bytes.startsWith("bplist00")) {
        return false;
    }
    const quint64 trailer = size - trailerSize;
    m_offsetSize = byte(trailer + 6);
    m_referenceSize = byte(trailer + 7);
    m_objectCount = bigEndian(trailer + 8, 8);
    const quint64 topIndex = bigEndian(trailer + 16, 8);
    m_tableOffset = bigEndian(trailer + 24, 8);
    if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8 ||
        m_objectCount == 0 || topIndex >= m_objectCount || m_tableOffset < headerSize ||
        m_tableOffset >= trailer || m_objectCount > (trailer - m_tableOffset) / m_offsetSize) {
        return false;
    }

    // Every object reachable from the top is looked at once, depth first
    // without recursion. An object's height (the longest chain of
    // references below it) is known once its children are done; with it a
    // shared object need not be walked again to know how deep it reaches.
    constexpr qint32 unseen = -2;
    constexpr qint32 onPath = -1;
    constexpr std::size_t deepest = TRPropertyList::maximumDepth;
    std::vector<qint32> heights(static_cast<std::size_t>(m_objectCount), unseen);
    // Likewise the nodes a walk from each object meets, itself included,
    // counting a shared object wherever it is named: what a reader walking
    // the list as a tree would go through.
    std::vector<quint64> nodes(static_cast<std::size_t>(m_objectCount), 0);
    const quint64 maximumNodes = TRPropertyList::maximumNodes(size);
    struct Frame
    {
        quint64 index;
        quint64 references;
        quint64 total;
        // A dictionary's first references name its keys.
        quint64 keys;
        quint64 next = 0;
        qint32 height = 0;
        quint64 nodes = 1;
    };
    std::vector<Frame> stack;
    const auto validOffset = [this](quint64 offset) {
        return offset >= headerSize && offset < m_tableOffset;
    };
    // A key is a string; libplist cannot hand back a UTF-16 one with a NUL.
    const auto validKey = [&](quint64 offset) {
        if (!validOffset(offset) || (kind(offset) != asciiKind && kind(offset) != utf16Kind)) {
            return false;
        }
        if (kind(offset) == asciiKind) {
            return true;
        }
        const std::optional<Header> text = checkedHeader(offset);
        if (!text) {
            return false;
        }
        for (quint64 i = 0; i < text->length; ++i) {
            if (bigEndian(text->contents + 2 * i, 2) == 0) {
                return false;
            }
        }
        return true;
    };
    // Looks at a new object at depth; a container is pushed to be walked.
    const auto enter = [&](quint64 index, std::size_t depth) {
        const quint64 offset = offsetOf(index);
        if (depth > deepest || !validOffset(offset)) {
            return false;
        }
        const std::optional<Header> found = checkedHeader(offset);
        if (!found) {
            return false;
        }
        if (found->kind == arrayKind || found->kind == dictionaryKind) {
            const bool dictionary = found->kind == dictionaryKind;
            heights[index] = onPath;
            stack.push_back({index, found->contents, dictionary ? found->length * 2 : found->length,
                             dictionary ? found->length : 0});
        } else {
            heights[index] = 0;
            nodes[index] = 1;
        }
        return true;
    };

    if (!enter(topIndex, 0)) {
        return false;
    }
    while (!stack.empty()) {
        const std::size_t parent = stack.size() - 1;
        Frame &frame = stack.back();
        if (frame.next == frame.total) {
            const qint32 height = frame.height;
            const quint64 below = frame.nodes;
            heights[frame.index] = height;
            nodes[frame.index] = below;
            stack.pop_back();
            if (!stack.empty()) {
                stack.back().height = std::max(stack.back().height, height + 1);
                // Both are at most maximumNodes: no overflow.
                if ((stack.back().nodes += below) > maximumNodes) {
                    return false;
                }
            }
            continue;
        }
        const bool key = frame.next < frame.keys;
        const quint64 child =
            bigEndian(frame.references + frame.next * m_referenceSize, m_referenceSize);
        ++frame.next;
        if (child >= m_objectCount) {
            return false;
        }
        if (key && !validKey(offsetOf(child))) {
            return false;
        }
        const std::size_t depth = stack.size();
        const qint32 height = heights[child];
        if (height == onPath) {
            return false;
        }
        if (height >= 0) {
            if (depth + static_cast<std::size_t>(height) > deepest) {
                return false;
            }
            frame.height = std::max(frame.height, height + 1);
            if ((frame.nodes += nodes[child]) > maximumNodes) {
                return false;
            }
            continue;
        }
        if (!enter(child, depth)) {
            return false;
        }
        // A scalar was done at once; a container is walked next.
        if (heights[child] == 0) {
            stack[parent].height = std::max(stack[parent].height, 1);
            if (++stack[parent].nodes > maximumNodes) {
                return false;
            }
        }
    }
    m_top = offsetOf(topIndex);
    return true;
}

std::optional<quint64> TRBinaryPropertyList::value(quint64 object, const char *key) const
{
    if (!isDictionary(object)) {
        return std::nullopt;
    }
    const Header dictionary = header(object);
    const QByteArrayView wanted(key);
    std::optional<quint64> found;
    // Every key is looked at, so a repeated key gives its last value.
    for (quint64 i = 0; i < dictionary.length; ++i) {
        if (keyText(referenced(dictionary.contents + i * m_referenceSize)) == wanted) {
            found = referenced(dictionary.contents + (dictionary.length + i) * m_referenceSize);
        }
    }
    return found;
}

bool TRBinaryPropertyList::isDictionary(quint64 object) const
{
    return kind(object) == dictionaryKind;
}

bool TRBinaryPropertyList::isArray(quint64 object) const
{
    return kind(object) == arrayKind;
}

quint64 TRBinaryPropertyList::count(quint64 array) const
{
    return header(array).length;
}

quint64 TRBinaryPropertyList::element(quint64 array, quint64 index) const
{
    return referenced(header(array).contents + index * m_referenceSize);
}

QString TRBinaryPropertyList::utf16String(const Header &header) const
{
    // As libplist converts: a lead surrogate waits for the next trail one,
    // whatever stands between; other lone surrogates are dropped.
    QString text;
    text.reserve(static_cast<qsizetype>(header.length));
    bool leadWaiting = false;
    char16_t lead = 0;
    for (quint64 i = 0; i < header.length; ++i) {
        const auto unit = static_cast<char16_t>(bigEndian(header.contents + 2 * i, 2));
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            leadWaiting = !leadWaiting;
            lead = leadWaiting ? unit : lead;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (leadWaiting) {
                leadWaiting = false;
                text.append(QChar(lead));
                text.append(QChar(unit));
            }
        } else {
            text.append(QChar(unit));
        }
    }
    return text;
}

std::optional<QString> TRBinaryPropertyList::string(quint64 object) const
{
    switch (kind(object)) {
    case asciiKind: {
        const std::optional<QByteArrayView> bytes = utf8(object);
        return QString::fromUtf8(*bytes);
    }
    case utf16Kind:
        return utf16String(header(object));
    default:
        return std::nullopt;
    }
}

std::optional<QByteArrayView> TRBinaryPropertyList::utf8(quint64 object) const
{
    switch (kind(object)) {
    case asciiKind: {
        // Most keys and short strings carry their length in the marker.
        const unsigned low = byte(object) & 0xF;
        const Header text =
            low == lengthFollows ? header(object) : Header{asciiKind, low, low, object + 1};
        // libplist keeps such a string up to its first NUL.
        const char *start = m_bytes.constData() + text.contents;
        const void *nul = std::memchr(start, 0, static_cast<std::size_t>(text.length));
        return QByteArrayView(start, nul ? static_cast<const char *>(nul) - start
                                         : static_cast<qsizetype>(text.length));
    }
    case utf16Kind: {
        const std::lock_guard lock(m_utf8Mutex);
        auto found = m_utf8.find(object);
        if (found == m_utf8.end()) {
            found = m_utf8.emplace(object, utf16String(header(object)).toUtf8()).first;
        }
        return QByteArrayView(found->second);
    }
    default:
        return std::nullopt;
    }
}

QByteArrayView TRBinaryPropertyList::keyText(quint64 object) const
{
    const QByteArrayView text = *utf8(object);
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.first(nul);
}

std::optional<bool> TRBinaryPropertyList::boolean(quint64 object) const
{
    if (kind(object) != scalarKind) {
        return std::nullopt;
    }
    return (byte(object) & 0xF) == 0x9;
}

std::optional<qint64> TRBinaryPropertyList::integer(quint64 object) const
{
    if (kind(object) != integerKind) {
        return std::nullopt;
    }
    const Header number = header(object);
    // Negative numbers are stored in 8 bytes as two's complement, or in 16
    // of which libplist keeps the low 8.
    const quint64 value = number.length == 16 ? bigEndian(number.contents + 8, 8)
                                              : bigEndian(number.contents, number.length);
    return static_cast<qint64>(value);
}

std::optional<double> TRBinaryPropertyList::real(quint64 object) const
{
    if (kind(object) != realKind) {
        return std::nullopt;
    }
    const Header number = header(object);
    if (number.length == 4) {
        return static_cast<double>(
            std::bit_cast<float>(static_cast<quint32>(bigEndian(number.contents, 4))));
    }
    return std::bit_cast<double>(bigEndian(number.contents, 8));
}
