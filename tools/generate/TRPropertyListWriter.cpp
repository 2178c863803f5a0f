#include "TRPropertyListWriter.h"

#include "TRBinaryPlistEncoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

#include <cmath>

void TRPropertyListWriter::Free::operator()(plist_t node) const
{
    plist_free(node);
}

TRPropertyListWriter::Node TRPropertyListWriter::dictionary()
{
    return Node(plist_new_dict());
}

TRPropertyListWriter::Node TRPropertyListWriter::array()
{
    return Node(plist_new_array());
}

plist_t TRPropertyListWriter::string(const QString &text)
{
    return plist_new_string(text.toUtf8().constData());
}

plist_t TRPropertyListWriter::date(const QDateTime &moment)
{
    // Seconds since 2001-01-01 UTC, the property lists' own epoch.
    const qint64 milliseconds = moment.toMSecsSinceEpoch() - 978307200000LL;
    const qint64 seconds =
        static_cast<qint64>(std::floor(static_cast<double>(milliseconds) / 1000));
    return plist_new_date(static_cast<int32_t>(seconds),
                          static_cast<int32_t>((milliseconds - seconds * 1000) * 1000));
}

void TRPropertyListWriter::set(const Node &dictionary, const char *key, plist_t value)
{
    plist_dict_set_item(dictionary.get(), key, value);
}

void TRPropertyListWriter::append(const Node &array, plist_t value)
{
    plist_array_append_item(array.get(), value);
}

TRPropertyListWriter::Node TRPropertyListWriter::fromVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        Node node = dictionary();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            Node child = fromVariant(it.value());
            if (!child) {
                return nullptr;
            }
            set(node, it.key().toUtf8().constData(), child.release());
        }
        return node;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        Node node = array();
        for (const QVariant &item : value.toList()) {
            Node child = fromVariant(item);
            if (!child) {
                return nullptr;
            }
            append(node, child.release());
        }
        return node;
    }
    case QMetaType::QString:
        return Node(string(value.toString()));
    case QMetaType::Bool:
        return Node(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        // libplist keeps integers unsigned; a negative one is stored as its
        // two's complement, which is how binary lists hold it too.
        return Node(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
    case QMetaType::Double:
        return Node(plist_new_real(value.toDouble()));
    case QMetaType::QDateTime:
        return Node(date(value.toDateTime()));
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return Node(plist_new_data(data.constData(), static_cast<uint64_t>(data.size())));
    }
    default:
        return nullptr;
    }
}

QByteArray TRPropertyListWriter::bytes(const Node &node, Format format)
{
    if (!node) {
        return {};
    }
    if (format == Format::binary) {
        return TRBinaryPlistEncoder::encode(node.get());
    }
    char *data = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &data, &length);
    const QByteArray result(data, static_cast<qsizetype>(length));
    plist_to_xml_free(data);
    return result;
}

QByteArray TRPropertyListWriter::bytes(const QVariant &value, Format format)
{
    return bytes(fromVariant(value), format);
}

bool TRPropertyListWriter::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
