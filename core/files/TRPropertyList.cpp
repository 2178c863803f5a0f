#include "TRPropertyList.h"

#include "TRBinaryPropertyList.h"
#include "TRPropertyListNesting.h"

#include <QFile>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since 1970.
constexpr qint64 referenceDateMs = 978307200000LL;

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

bool toVariant(plist_t node, int depth, QVariant *out)
{
    if (depth > TRPropertyList::maximumDepth) {
        return false;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        *out = QVariant(value != 0);
        return true;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // Negative integers arrive in two's complement.
        *out = QVariant(static_cast<qint64>(value));
        return true;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        *out = QVariant(value);
        return true;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        if (!text || length > static_cast<uint64_t>(std::numeric_limits<int>::max())) {
            return false;
        }
        *out = QVariant(QString::fromUtf8(text, static_cast<qsizetype>(length)));
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *bytes = plist_get_data_ptr(node, &length);
        if (length > static_cast<uint64_t>(std::numeric_limits<int>::max())) {
            return false;
        }
        *out = QVariant(QByteArray(bytes, static_cast<qsizetype>(length)));
        return true;
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        *out = QVariant(TRPropertyList::dateFromReferenceTime(seconds + microseconds / 1e6));
        return true;
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        *out = QVariant::fromValue(TRPropertyList::Uid{value});
        return true;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        list.reserve(static_cast<qsizetype>(plist_array_get_size(node)));
        // The iterator walks the siblings; fetching by index would count
        // from the front each time and make a long list quadratic.
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(node, &iterator);
        bool ok = iterator != nullptr;
        while (ok) {
            plist_t item = nullptr;
            plist_array_next_item(node, iterator, &item);
            if (!item) {
                break;
            }
            QVariant element;
            ok = toVariant(item, depth + 1, &element);
            list.append(element);
        }
        std::free(iterator);
        if (!ok) {
            return false;
        }
        *out = QVariant(list);
        return true;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        bool ok = iterator != nullptr;
        while (ok) {
            char *key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            QVariant element;
            ok = key && toVariant(value, depth + 1, &element);
            if (ok) {
                map.insert(QString::fromUtf8(key), element);
            }
            std::free(key);
        }
        std::free(iterator);
        if (!ok) {
            return false;
        }
        *out = QVariant(map);
        return true;
    }
    case PLIST_KEY:
    case PLIST_NONE:
        break;
    }
    return false;
}

// The root of a property list in bytes, when its nesting is within bounds.
PlistHandle parse(const QByteArray &bytes)
{
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<uint32_t>::max()) {
        return nullptr;
    }
    const bool binary = bytes.startsWith("bplist00");
    if (!(binary ? TRPropertyListNesting::binaryWithinLimit(bytes)
                 : TRPropertyListNesting::xmlWithinLimit(bytes))) {
        return nullptr;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    return PlistHandle(root);
}

// Whether toVariant would take the whole tree: a reader that walks the nodes
// in place must refuse exactly the files that the QVariant readers refuse.
bool convertible(plist_t node, int depth)
{
    if (depth > TRPropertyList::maximumDepth) {
        return false;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN:
    case PLIST_UINT:
    case PLIST_REAL:
    case PLIST_DATE:
    case PLIST_UID:
        return true;
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        return text && length <= static_cast<uint64_t>(std::numeric_limits<int>::max());
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        plist_get_data_ptr(node, &length);
        return length <= static_cast<uint64_t>(std::numeric_limits<int>::max());
    }
    case PLIST_ARRAY: {
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(node, &iterator);
        bool ok = iterator != nullptr;
        while (ok) {
            plist_t item = nullptr;
            plist_array_next_item(node, iterator, &item);
            if (!item) {
                break;
            }
            ok = convertible(item, depth + 1);
        }
        std::free(iterator);
        return ok;
    }
    case PLIST_DICT: {
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        bool ok = iterator != nullptr;
        while (ok) {
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, nullptr, &value);
            if (!value) {
                break;
            }
            ok = plist_dict_item_get_key(value) && convertible(value, depth + 1);
        }
        std::free(iterator);
        return ok;
    }
    case PLIST_KEY:
    case PLIST_NONE:
        break;
    }
    return false;
}

plist_t fromVariant(const QVariant &value, int depth)
{
    if (depth > TRPropertyList::maximumDepth) {
        return nullptr;
    }
    if (value.metaType() == QMetaType::fromType<TRPropertyList::Uid>()) {
        return plist_new_uid(value.value<TRPropertyList::Uid>().value);
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const double seconds = TRPropertyList::referenceTimeFromDate(value.toDateTime());
        const double whole = std::floor(seconds);
        if (!std::isfinite(whole) || whole < std::numeric_limits<int32_t>::min() ||
            whole > std::numeric_limits<int32_t>::max()) {
            return nullptr;
        }
        return plist_new_date(static_cast<int32_t>(whole),
                              static_cast<int32_t>(std::lround((seconds - whole) * 1e6)));
    }
    case QMetaType::QVariantList: {
        PlistHandle array(plist_new_array());
        for (const QVariant &element : value.toList()) {
            plist_t child = fromVariant(element, depth + 1);
            if (!child) {
                return nullptr;
            }
            plist_array_append_item(array.get(), child);
        }
        return array.release();
    }
    case QMetaType::QVariantMap: {
        PlistHandle dict(plist_new_dict());
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            plist_t child = fromVariant(it.value(), depth + 1);
            if (!child) {
                return nullptr;
            }
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child);
        }
        return dict.release();
    }
    default:
        break;
    }
    return nullptr;
}

} // namespace

QVariant TRPropertyList::fromData(const QByteArray &bytes)
{
    const PlistHandle root = parse(bytes);
    QVariant value;
    return root && toVariant(root.get(), 0, &value) ? value : QVariant();
}

std::optional<TRPropertyList::Tree> TRPropertyList::treeFromData(const QByteArray &bytes)
{
    // A binary file is read in place when the in-place reader takes all of
    // it; libplist judges the rest, so both accept the same files.
    if (bytes.startsWith("bplist00")) {
        if (auto binary = TRBinaryPropertyList::fromData(bytes)) {
            Tree tree;
            tree.m_binary = std::move(binary);
            return tree;
        }
    }
    PlistHandle root = parse(bytes);
    if (!root || !convertible(root.get(), 0)) {
        return std::nullopt;
    }
    Tree tree;
    tree.m_root = std::shared_ptr<void>(root.release(), PlistDeleter());
    return tree;
}

std::optional<TRPropertyList::Tree> TRPropertyList::treeFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return treeFromData(file.readAll());
}

QVariant TRPropertyList::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return fromData(file.readAll());
}

namespace {

// The value written by one of libplist's writers and freed by its partner.
template <class Write, class Free>
QByteArray writePropertyList(const QVariant &value, Write write, Free release)
{
    const PlistHandle root(fromVariant(value, 0));
    if (!root) {
        return {};
    }
    char *bytes = nullptr;
    uint32_t length = 0;
    write(root.get(), &bytes, &length);
    QByteArray result(bytes, static_cast<qsizetype>(length));
    release(bytes);
    return result;
}

} // namespace

QByteArray TRPropertyList::toBinary(const QVariant &value)
{
    return writePropertyList(value, plist_to_bin, plist_to_bin_free);
}

QByteArray TRPropertyList::toXml(const QVariant &value)
{
    return writePropertyList(value, plist_to_xml, plist_to_xml_free);
}

std::optional<QString> TRPropertyList::string(const QVariant &value)
{
    if (value.metaType().id() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<QVariantMap> TRPropertyList::dictionary(const QVariant &value)
{
    if (value.metaType().id() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    return value.toMap();
}

std::optional<std::vector<QVariantMap>> TRPropertyList::listOfDictionaries(const QVariant &value)
{
    if (value.metaType().id() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    const QVariantList list = value.toList();
    std::vector<QVariantMap> result;
    result.reserve(static_cast<std::size_t>(list.size()));
    for (const QVariant &element : list) {
        if (element.metaType().id() != QMetaType::QVariantMap) {
            return std::nullopt;
        }
        result.push_back(element.toMap());
    }
    return result;
}

std::optional<double> TRPropertyList::number(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? 1.0 : 0.0;
    case QMetaType::LongLong:
        return static_cast<double>(value.toLongLong());
    case QMetaType::Double:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

std::optional<qint64> TRPropertyList::integer(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::LongLong) {
        return value.toLongLong();
    }
    const std::optional<double> real = number(value);
    // A real is cut towards zero; one beyond 64 bits has no integer value.
    if (!real || !std::isfinite(*real) || std::fabs(*real) >= 9.2e18) {
        return std::nullopt;
    }
    return static_cast<qint64>(*real);
}

QDateTime TRPropertyList::dateFromReferenceTime(double seconds)
{
    // About 30,000 years either way: beyond that no file means a real time.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e12) {
        return {};
    }
    return QDateTime::fromMSecsSinceEpoch(referenceDateMs + std::llround(seconds * 1000.0),
                                          Qt::UTC);
}

double TRPropertyList::referenceTimeFromDate(const QDateTime &date)
{
    return static_cast<double>(date.toMSecsSinceEpoch() - referenceDateMs) / 1000.0;
}

TRPropertyList::Node TRPropertyList::Tree::root() const
{
    return m_binary ? Node(m_binary.get(), m_binary->top()) : Node(m_root.get());
}

bool TRPropertyList::Node::isDictionary() const
{
    if (m_binary) {
        return m_binary->isDictionary(m_object);
    }
    return m_node && plist_get_node_type(m_node) == PLIST_DICT;
}

TRPropertyList::Node TRPropertyList::Node::value(const char *key) const
{
    if (m_binary) {
        const std::optional<quint64> found = m_binary->value(m_object, key);
        return found ? Node(m_binary, *found) : Node();
    }
    if (!isDictionary()) {
        return {};
    }
    // Every entry is looked at, so a repeated key gives its last value, as
    // a QVariantMap built in file order holds it.
    plist_t found = nullptr;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(m_node, &iterator);
    while (iterator) {
        plist_t item = nullptr;
        plist_dict_next_item(m_node, iterator, nullptr, &item);
        if (!item) {
            break;
        }
        const plist_t keyNode = plist_dict_item_get_key(item);
        if (keyNode && plist_key_val_compare(keyNode, key) == 0) {
            found = item;
        }
    }
    std::free(iterator);
    return Node(found);
}

std::optional<QByteArrayView> TRPropertyList::Node::utf8() const
{
    if (m_binary) {
        return m_binary->utf8(m_object);
    }
    if (!m_node || plist_get_node_type(m_node) != PLIST_STRING) {
        return std::nullopt;
    }
    uint64_t length = 0;
    const char *text = plist_get_string_ptr(m_node, &length);
    if (!text) {
        return std::nullopt;
    }
    return QByteArrayView(text, static_cast<qsizetype>(length));
}

std::optional<QString> TRPropertyList::Node::string() const
{
    if (m_binary) {
        return m_binary->string(m_object);
    }
    const std::optional<QByteArrayView> bytes = utf8();
    if (!bytes) {
        return std::nullopt;
    }
    return QString::fromUtf8(*bytes);
}

std::optional<double> TRPropertyList::Node::number() const
{
    if (m_binary) {
        if (const std::optional<bool> flag = m_binary->boolean(m_object)) {
            return *flag ? 1.0 : 0.0;
        }
        if (const std::optional<qint64> whole = m_binary->integer(m_object)) {
            return static_cast<double>(*whole);
        }
        return m_binary->real(m_object);
    }
    switch (m_node ? plist_get_node_type(m_node) : PLIST_NONE) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(m_node, &value);
        return value != 0 ? 1.0 : 0.0;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(m_node, &value);
        return static_cast<double>(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(m_node, &value);
        return value;
    }
    default:
        return std::nullopt;
    }
}

std::optional<qint64> TRPropertyList::Node::integer() const
{
    if (m_binary) {
        if (const std::optional<qint64> whole = m_binary->integer(m_object)) {
            return whole;
        }
    }
    if (m_node && plist_get_node_type(m_node) == PLIST_UINT) {
        uint64_t value = 0;
        plist_get_uint_val(m_node, &value);
        return static_cast<qint64>(value);
    }
    const std::optional<double> real = number();
    if (!real || !std::isfinite(*real) || std::fabs(*real) >= 9.2e18) {
        return std::nullopt;
    }
    return static_cast<qint64>(*real);
}

std::optional<std::vector<TRPropertyList::Node>> TRPropertyList::Node::listOfDictionaries() const
{
    if (m_binary) {
        if (!m_binary->isArray(m_object)) {
            return std::nullopt;
        }
        const quint64 count = m_binary->count(m_object);
        std::vector<Node> result;
        result.reserve(static_cast<std::size_t>(count));
        for (quint64 i = 0; i < count; ++i) {
            const quint64 element = m_binary->element(m_object, i);
            if (!m_binary->isDictionary(element)) {
                return std::nullopt;
            }
            result.push_back(Node(m_binary, element));
        }
        return result;
    }
    if (!m_node || plist_get_node_type(m_node) != PLIST_ARRAY) {
        return std::nullopt;
    }
    std::vector<Node> result;
    result.reserve(plist_array_get_size(m_node));
    plist_array_iter iterator = nullptr;
    plist_array_new_iter(m_node, &iterator);
    bool ok = iterator != nullptr;
    while (ok) {
        plist_t item = nullptr;
        plist_array_next_item(m_node, iterator, &item);
        if (!item) {
            break;
        }
        ok = plist_get_node_type(item) == PLIST_DICT;
        result.push_back(Node(item));
    }
    std::free(iterator);
    if (!ok) {
        return std::nullopt;
    }
    return result;
}
