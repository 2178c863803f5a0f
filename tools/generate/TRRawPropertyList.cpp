#include "TRRawPropertyList.h"

void TRRawPropertyList::appendBigEndian(QByteArray &bytes, quint64 value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

QByteArray TRRawPropertyList::assemble(const std::vector<QByteArray> &objects, int referenceSize,
                                       int offsetSize, quint64 top)
{
    QByteArray bytes = "bplist00";
    std::vector<quint64> offsets;
    for (const QByteArray &object : objects) {
        offsets.push_back(static_cast<quint64>(bytes.size()));
        bytes.append(object);
    }
    const auto table = static_cast<quint64>(bytes.size());
    for (quint64 offset : offsets) {
        appendBigEndian(bytes, offset, offsetSize);
    }
    bytes.append(QByteArray(6, '\0'));
    bytes.append(static_cast<char>(offsetSize)).append(static_cast<char>(referenceSize));
    appendBigEndian(bytes, offsets.size(), 8);
    appendBigEndian(bytes, top, 8);
    appendBigEndian(bytes, table, 8);
    return bytes;
}

QByteArray TRRawPropertyList::container(unsigned kind, std::initializer_list<int> references)
{
    const std::size_t count = kind == 0xD ? references.size() / 2 : references.size();
    QByteArray bytes;
    bytes.append(static_cast<char>((kind << 4) | count));
    for (int reference : references) {
        bytes.append(static_cast<char>(reference));
    }
    return bytes;
}

QByteArray TRRawPropertyList::ascii(QByteArrayView text)
{
    return QByteArray(1, static_cast<char>(0x50 | text.size())).append(text);
}

QByteArray TRRawPropertyList::utf16(std::initializer_list<char16_t> units)
{
    QByteArray bytes;
    bytes.append(static_cast<char>(0x60 | units.size()));
    for (char16_t unit : units) {
        appendBigEndian(bytes, unit, 2);
    }
    return bytes;
}

QByteArray TRRawPropertyList::nestedArrays(int levels, bool cycle)
{
    std::vector<QByteArray> objects;
    objects.reserve(std::size_t(levels) + 1);
    for (int i = 0; i < levels; ++i) {
        QByteArray array(1, char(0xA1));
        appendBigEndian(array, cycle && i == levels - 1 ? 0 : quint64(i + 1), 4);
        objects.push_back(array);
    }
    objects.push_back(ascii("x"));
    return assemble(objects, 4, 4);
}

QByteArray TRRawPropertyList::sharedArrays(int levels, int doubled)
{
    std::vector<QByteArray> objects;
    for (int i = 0; i + 1 < levels; ++i) {
        QByteArray array(1, char(i < doubled ? 0xA2 : 0xA1));
        for (int copy = 0; copy < (i < doubled ? 2 : 1); ++copy) {
            appendBigEndian(array, quint64(i + 1), 2);
        }
        objects.push_back(array);
    }
    objects.push_back(QByteArray(1, char(0xA0)));
    return assemble(objects, 2, 2);
}

QByteArray TRRawPropertyList::nestedXmlFolders(int depth)
{
    const QByteArray open = "<dict><key>WebBookmarkType</key><string>WebBookmarkTypeList</string>"
                            "<key>Children</key><array>";
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">")
        .append(open.repeated(depth))
        .append(QByteArray("</array></dict>").repeated(depth))
        .append("</plist>");
}
