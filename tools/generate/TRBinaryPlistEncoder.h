#pragma once

// Encodes a libplist tree in the binary property-list format ("bplist00"),
// writing each distinct string once. libplist's own encoder slows down as
// the objects grow in number (its table of unique objects has a fixed number
// of buckets); a large History.plist has millions.

#include <QByteArray>
#include <QHash>

#include <vector>

using plist_t = void *;

class TRBinaryPlistEncoder
{
public:
    // The file's bytes; empty for a tree holding a type it cannot write.
    static QByteArray encode(plist_t root);

private:
    struct Object
    {
        // The first byte of the object; its payload follows.
        quint8 marker = 0;
        // Scalars: a slice of m_payload. Arrays and dictionaries: a slice of
        // m_references (for a dictionary, its keys and then its values).
        quint32 start = 0;
        quint32 size = 0;
        bool container = false;
    };

    bool add(plist_t node, quint32 &index);
    quint32 addScalar(quint8 marker, const QByteArray &payload, bool unique);
    quint32 addString(const char *utf8, qsizetype length);
    QByteArray write(quint32 top) const;

    std::vector<Object> m_objects;
    QByteArray m_payload;
    std::vector<quint32> m_references;
    QHash<QByteArray, quint32> m_unique;
};
