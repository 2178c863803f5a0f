#include "TRPropertyListNesting.h"

#include "TRPropertyList.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// A container counts as one level.
constexpr int maximumContainerDepth = TRPropertyList::maximumDepth + 1;

bool startsWith(const char *p, const char *end, std::string_view text)
{
    return static_cast<std::size_t>(end - p) >= text.size() &&
           std::memcmp(p, text.data(), text.size()) == 0;
}

quint64 readBigEndian(const unsigned char *p, int width)
{
    quint64 value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | p[i];
    }
    return value;
}

} // namespace

// Opening and closing array and dict tags are counted, skipping comments and
// CDATA, where a '<' may stand unescaped.
bool TRPropertyListNesting::xmlWithinLimit(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    int depth = 0;
    while (p < end) {
        p = static_cast<const char *>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (!p) {
            break;
        }
        ++p;
        const auto skipPast = [&p, end](std::string_view terminator) {
            const char *found = std::search(p, end, terminator.begin(), terminator.end());
            p = found == end ? end : found + terminator.size();
        };
        if (startsWith(p, end, "!--")) {
            skipPast("-->");
        } else if (startsWith(p, end, "![CDATA[")) {
            skipPast("]]>");
        } else if (startsWith(p, end, "/array") || startsWith(p, end, "/dict")) {
            --depth;
        } else if (startsWith(p, end, "array") || startsWith(p, end, "dict")) {
            const char *close =
                static_cast<const char *>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
            if (!close) {
                break;
            }
            // <array/> opens nothing.
            if (close[-1] != '/' && ++depth > maximumContainerDepth) {
                return false;
            }
            p = close + 1;
        }
    }
    return true;
}

bool TRPropertyListNesting::binaryWithinLimit(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto size = static_cast<quint64>(bytes.size());
    if (size < 8 + 32) {
        return false;
    }
    const unsigned char *trailer = data + size - 32;
    const int offsetSize = trailer[6];
    const int referenceSize = trailer[7];
    const quint64 objectCount = readBigEndian(trailer + 8, 8);
    const quint64 topObject = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || referenceSize < 1 || referenceSize > 8 ||
        objectCount == 0 || objectCount > size || topObject >= objectCount ||
        tableOffset >= size - 32 ||
        objectCount > (size - 32 - tableOffset) / static_cast<quint64>(offsetSize)) {
        return false;
    }
    // The references an object holds: first, count; none for scalars.
    struct References
    {
        quint64 first = 0;
        quint64 count = 0;
        // A dictionary's first references name its keys.
        quint64 keys = 0;
        bool ok = true;
    };
    const auto referencesOf = [&](quint64 object) {
        References result;
        const quint64 offset = readBigEndian(
            data + tableOffset + object * static_cast<quint64>(offsetSize), offsetSize);
        if (offset < 8 || offset >= tableOffset) {
            result.ok = false;
            return result;
        }
        const unsigned type = data[offset] >> 4;
        if (type != 0xA && type != 0xC && type != 0xD) {
            return result;
        }
        quint64 count = data[offset] & 0xF;
        quint64 position = offset + 1;
        if (count == 0xF) {
            if (position >= tableOffset || (data[position] & 0xF0) != 0x10) {
                result.ok = false;
                return result;
            }
            const int width = 1 << (data[position] & 0x3);
            if (position + 1 + static_cast<quint64>(width) > tableOffset) {
                result.ok = false;
                return result;
            }
            count = readBigEndian(data + position + 1, width);
            position += 1 + static_cast<quint64>(width);
        }
        if (type == 0xD) {
            if (count > size) {
                result.ok = false;
                return result;
            }
            result.keys = count;
            count *= 2;
        }
        if (count > (tableOffset - position) / static_cast<quint64>(referenceSize)) {
            result.ok = false;
            return result;
        }
        result.first = position;
        result.count = count;
        return result;
    };

    // libplist hands a dictionary's key back as a C string and aborts when
    // a UTF-16 key holds a NUL. Whatever else is wrong with the object is
    // left for libplist to refuse; its length is read as libplist reads it.
    const auto keyWithoutNul = [&](quint64 object) {
        const quint64 offset = readBigEndian(
            data + tableOffset + object * static_cast<quint64>(offsetSize), offsetSize);
        if (offset < 8 || offset >= tableOffset || data[offset] >> 4 != 0x6) {
            return true;
        }
        quint64 count = data[offset] & 0xF;
        quint64 position = offset + 1;
        if (count == 0xF) {
            if (position >= tableOffset || (data[position] & 0xF0) != 0x10) {
                return true;
            }
            const quint64 width = quint64(1) << (data[position] & 0xF);
            if (width > tableOffset - position - 1) {
                return true;
            }
            // Of a length wider than 8 bytes, libplist takes the last 8.
            const quint64 skipped = width > 8 ? width - 8 : 0;
            count = readBigEndian(data + position + 1 + skipped, static_cast<int>(width - skipped));
            position += 1 + width;
        }
        if (count > (tableOffset - position) / 2) {
            return true;
        }
        for (quint64 i = 0; i < count; ++i) {
            if (data[position + 2 * i] == 0 && data[position + 2 * i + 1] == 0) {
                return false;
            }
        }
        return true;
    };

    // Depth-first without recursion; an object's depth is known once all
    // its children are done. 0: not seen, -1: on the current path.
    std::vector<int> depths(static_cast<std::size_t>(objectCount), 0);
    // The nodes below each object done, itself included, as libplist makes
    // them: it reads a shared object again wherever it is named.
    std::vector<quint64> nodes(static_cast<std::size_t>(objectCount), 0);
    const quint64 maximumNodes = TRPropertyList::maximumNodes(size);
    struct Frame
    {
        quint64 object;
        References references;
        quint64 next = 0;
        int deepestChild = 0;
        quint64 nodes = 1;
    };
    std::vector<Frame> stack;
    const auto enter = [&](quint64 object) {
        const References references = referencesOf(object);
        if (!references.ok) {
            return false;
        }
        depths[object] = -1;
        stack.push_back({object, references});
        return stack.size() <= static_cast<std::size_t>(maximumContainerDepth);
    };
    if (!enter(topObject)) {
        return false;
    }
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.next == frame.references.count) {
            const int depth = frame.deepestChild + 1;
            const quint64 below = frame.nodes;
            depths[frame.object] = depth;
            nodes[frame.object] = below;
            stack.pop_back();
            if (!stack.empty()) {
                stack.back().deepestChild = std::max(stack.back().deepestChild, depth);
                // Both are at most maximumNodes: no overflow.
                if ((stack.back().nodes += below) > maximumNodes) {
                    return false;
                }
            }
            continue;
        }
        const quint64 child = readBigEndian(data + frame.references.first +
                                                frame.next * static_cast<quint64>(referenceSize),
                                            referenceSize);
        const bool key = frame.next < frame.references.keys;
        ++frame.next;
        if (child >= objectCount || depths[child] < 0 || (key && !keyWithoutNul(child))) {
            return false;
        }
        if (depths[child] > 0) {
            frame.deepestChild = std::max(frame.deepestChild, depths[child]);
            if ((frame.nodes += nodes[child]) > maximumNodes) {
                return false;
            }
            if (stack.size() + static_cast<std::size_t>(depths[child]) >
                static_cast<std::size_t>(maximumContainerDepth)) {
                return false;
            }
            continue;
        }
        if (!enter(child)) {
            return false;
        }
    }
    return true;
}
