#pragma once

// A binary property list read in place: objects are decoded from the file's
// bytes when they are asked for, with no tree of nodes built first. Behind
// TRPropertyList::Node; nothing else needs it.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

class TRBinaryPropertyList
{
public:
    // The list in bytes, when this reader takes all of it: every object
    // reachable from the top well-formed, of a type it knows, within
    // TRPropertyList::maximumDepth and free of cycles. Whatever it refuses
    // is left to libplist, which has the last word on odd files.
    static std::shared_ptr<const TRBinaryPropertyList> fromData(const QByteArray &bytes);

    // Objects are named by the position of their marker byte. Only the
    // positions this list hands out are valid arguments.
    quint64 top() const { return m_top; }

    bool isDictionary(quint64 object) const;
    bool isArray(quint64 object) const;
    // The value under key in a dictionary, the last one when the key repeats.
    std::optional<quint64> value(quint64 object, const char *key) const;
    // An array's elements: count, and each in turn.
    quint64 count(quint64 array) const;
    quint64 element(quint64 array, quint64 index) const;

    std::optional<QString> string(quint64 object) const;
    // A string's UTF-8 bytes, valid while the list lives.
    std::optional<QByteArrayView> utf8(quint64 object) const;
    std::optional<bool> boolean(quint64 object) const;
    std::optional<qint64> integer(quint64 object) const;
    std::optional<double> real(quint64 object) const;

private:
    // An object's marker and the extent of what follows it: for strings,
    // data and containers the length given in the marker or the integer
    // after it, and where the contents begin.
    struct Header
    {
        unsigned kind = 0;
        unsigned low = 0;
        quint64 length = 0;
        quint64 contents = 0;
    };

    TRBinaryPropertyList() = default;
    bool validate();
    // The header of the object at offset; none when it reaches past the
    // objects or has a form this reader does not take.
    std::optional<Header> checkedHeader(quint64 offset) const;
    // The same, for an object that validate() has seen.
    Header header(quint64 offset) const;
    unsigned kind(quint64 object) const { return byte(object) >> 4; }
    unsigned char byte(quint64 offset) const
    {
        return static_cast<unsigned char>(m_bytes.constData()[offset]);
    }
    quint64 bigEndian(quint64 offset, unsigned width) const;
    quint64 offsetOf(quint64 index) const;
    // The object that the reference at position names.
    quint64 referenced(quint64 position) const;
    QString utf16String(const Header &header) const;
    // A string's UTF-8 bytes as libplist makes them, cut at the first NUL as
    // its key comparison does.
    QByteArrayView keyText(quint64 object) const;

    QByteArray m_bytes;
    quint64 m_tableOffset = 0;
    quint64 m_objectCount = 0;
    unsigned m_offsetSize = 0;
    unsigned m_referenceSize = 0;
    quint64 m_top = 0;
    // UTF-8 forms of UTF-16 strings, made when first asked for.
    mutable std::mutex m_utf8Mutex;
    mutable std::unordered_map<quint64, QByteArray> m_utf8;
};
