#include "TRBinaryPlistEncoder.h"

#include <QString>
#include <QtEndian>

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The bytes of value, big-endian, in width bytes.
QByteArray bigEndian(quint64 value, int width)
{
    QByteArray bytes(width, Qt::Uninitialized);
    for (int i = 0; i < width; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * (width - 1 - i))) & 0xFF);
    }
    return bytes;
}

// The fewest of 1, 2, 4 or 8 bytes that hold value.
int widthOf(quint64 value)
{
    return value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFFFFULL ? 4 : 8;
}

// A marker whose low nibble holds a count, or 0xF and an integer after it.
QByteArray counted(quint8 type, quint64 count)
{
    if (count < 15) {
        return QByteArray(1, static_cast<char>(type | count));
    }
    const int width = widthOf(count);
    const int exponent = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3;
    return QByteArray(1, static_cast<char>(type | 0x0F)) + static_cast<char>(0x10 | exponent) +
           bigEndian(count, width);
}

} // namespace

QByteArray TRBinaryPlistEncoder::encode(plist_t root)
{
    TRBinaryPlistEncoder encoder;
    quint32 top = 0;
    if (!root || !encoder.add(root, top)) {
        return {};
    }
    return encoder.write(top);
}

quint32 TRBinaryPlistEncoder::addScalar(quint8 marker, const QByteArray &payload, bool unique)
{
    QByteArray key;
    if (unique) {
        key = static_cast<char>(marker) + payload;
        if (const auto found = m_unique.constFind(key); found != m_unique.cend()) {
            return *found;
        }
    }
    const auto index = static_cast<quint32>(m_objects.size());
    m_objects.push_back({marker, static_cast<quint32>(m_payload.size()),
                         static_cast<quint32>(payload.size()), false});
    m_payload += payload;
    if (unique) {
        m_unique.insert(key, index);
    }
    return index;
}

quint32 TRBinaryPlistEncoder::addString(const char *utf8, qsizetype length)
{
    const QByteArrayView bytes(utf8, length);
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) {
        const QByteArray marker = counted(0x50, static_cast<quint64>(length));
        return addScalar(static_cast<quint8>(marker[0]), marker.mid(1) + bytes, true);
    }
    // Other text as UTF-16, big-endian, counted in code units.
    const QString text = QString::fromUtf8(bytes);
    QByteArray units(text.size() * 2, Qt::Uninitialized);
    qToBigEndian<quint16>(text.utf16(), text.size(), units.data());
    const QByteArray marker = counted(0x60, static_cast<quint64>(text.size()));
    return addScalar(static_cast<quint8>(marker[0]), marker.mid(1) + units, true);
}

bool TRBinaryPlistEncoder::add(plist_t node, quint32 &index)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        index = addScalar(value ? 0x09 : 0x08, {}, true);
        return true;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        const int width = widthOf(value);
        const quint8 exponent = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3;
        index = addScalar(0x10 | exponent, bigEndian(value, width), true);
        return true;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        index = addScalar(0x23, bigEndian(bits, 8), false);
        return true;
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        const double value = seconds + microseconds / 1e6;
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        index = addScalar(0x33, bigEndian(bits, 8), false);
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *data = plist_get_data_ptr(node, &length);
        const QByteArray marker = counted(0x40, length);
        index = addScalar(static_cast<quint8>(marker[0]),
                          marker.mid(1) + QByteArray(data, static_cast<qsizetype>(length)), false);
        return true;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        index = addString(text, static_cast<qsizetype>(length));
        return true;
    }
    case PLIST_ARRAY: {
        const uint32_t count = plist_array_get_size(node);
        std::vector<quint32> children(count);
        for (uint32_t i = 0; i < count; ++i) {
            if (!add(plist_array_get_item(node, i), children[i])) {
                return false;
            }
        }
        const QByteArray marker = counted(0xA0, count);
        index = static_cast<quint32>(m_objects.size());
        m_objects.push_back({static_cast<quint8>(marker[0]),
                             static_cast<quint32>(m_references.size()), count, true});
        m_references.insert(m_references.end(), children.begin(), children.end());
        return true;
    }
    case PLIST_DICT: {
        std::vector<quint32> keys;
        std::vector<quint32> values;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        bool ok = true;
        for (;;) {
            char *key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            keys.push_back(addString(key, static_cast<qsizetype>(std::strlen(key))));
            std::free(key);
            values.push_back(0);
            ok = ok && add(value, values.back());
        }
        std::free(iterator);
        if (!ok) {
            return false;
        }
        const QByteArray marker = counted(0xD0, keys.size());
        index = static_cast<quint32>(m_objects.size());
        m_objects.push_back({static_cast<quint8>(marker[0]),
                             static_cast<quint32>(m_references.size()),
                             static_cast<quint32>(keys.size()), true});
        m_references.insert(m_references.end(), keys.begin(), keys.end());
        m_references.insert(m_references.end(), values.begin(), values.end());
        return true;
    }
    default:
        return false;
    }
}

QByteArray TRBinaryPlistEncoder::write(quint32 top) const
{
    const quint64 count = m_objects.size();
    const int referenceWidth = widthOf(count);
    QByteArray out = "bplist00";
    std::vector<quint64> offsets;
    offsets.reserve(m_objects.size());
    for (const Object &object : m_objects) {
        offsets.push_back(static_cast<quint64>(out.size()));
        out += static_cast<char>(object.marker);
        if (!object.container) {
            out += QByteArrayView(m_payload).sliced(object.start, object.size);
            continue;
        }
        // A count of 15 or more follows the marker as an integer object.
        if ((object.marker & 0x0F) == 0x0F) {
            out += counted(0, object.size).mid(1);
        }
        const quint32 references = (object.marker & 0xF0) == 0xD0 ? object.size * 2 : object.size;
        for (quint32 i = 0; i < references; ++i) {
            out += bigEndian(m_references[object.start + i], referenceWidth);
        }
    }
    const auto table = static_cast<quint64>(out.size());
    const int offsetWidth = widthOf(table);
    for (const quint64 offset : offsets) {
        out += bigEndian(offset, offsetWidth);
    }
    out += QByteArray(6, '\0');
    out += static_cast<char>(offsetWidth);
    out += static_cast<char>(referenceWidth);
    out += bigEndian(count, 8) + bigEndian(top, 8) + bigEndian(table, 8);
    return out;
}
