#pragma once

// Reads and writes property lists (binary or XML) as trees of QVariant, and
// checks the type of each value that a reader takes from them.

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

class TRBinaryPropertyList;

class TRPropertyList
{
public:
    // A keyed archive's reference to another object of its list.
    struct Uid
    {
        quint64 value = 0;
    };

    // Deeper trees are refused whole: no reader needs them, and walking them
    // would only risk the stack.
    static constexpr int maximumDepth = 256;
    // A binary list may name one object from many places, so a file of a
    // few hundred bytes can stand for a tree of billions of nodes. Written
    // as a tree, a list has fewer nodes than bytes; more than that, with
    // some leeway, is refused.
    static constexpr quint64 maximumNodes(quint64 fileSize) { return fileSize + 65536; }

    // The root of a property list in bytes or in a file: dictionaries become
    // QVariantMap, arrays QVariantList, integers qint64, reals double,
    // booleans bool, strings QString, data QByteArray, dates QDateTime (UTC)
    // and keyed-archive references Uid. Invalid when the bytes are no
    // property list or nest too deeply.
    static QVariant fromData(const QByteArray &bytes);
    static QVariant fromFile(const QString &path);

    // value as a binary or XML property list; empty when it holds a type
    // that property lists cannot carry.
    static QByteArray toBinary(const QVariant &value);
    static QByteArray toXml(const QVariant &value);

    // Typed access: none when the value is missing or of another type.
    static std::optional<QString> string(const QVariant &value);
    static std::optional<QVariantMap> dictionary(const QVariant &value);
    // A list whose every element is a dictionary.
    static std::optional<std::vector<QVariantMap>> listOfDictionaries(const QVariant &value);
    // An integer, a real or a boolean, as the platform's number type holds all three.
    static std::optional<double> number(const QVariant &value);
    static std::optional<qint64> integer(const QVariant &value);

    // A value inside a Tree, read in place: large files are walked without
    // copying them into QVariants first. An empty node stands for a missing
    // value; every accessor answers as the QVariant one does for the value
    // that fromData would have made of it.
    class Node
    {
    public:
        Node() = default;
        bool isEmpty() const { return m_node == nullptr && m_binary == nullptr; }
        bool isDictionary() const;
        // The value under key in a dictionary (the last one when a file
        // repeats the key); empty when this is no dictionary or lacks it.
        Node value(const char *key) const;
        std::optional<QString> string() const;
        // A string's UTF-8 bytes, valid while the tree lives.
        std::optional<QByteArrayView> utf8() const;
        std::optional<double> number() const;
        std::optional<qint64> integer() const;
        // A list whose every element is a dictionary.
        std::optional<std::vector<Node>> listOfDictionaries() const;

    private:
        friend class TRPropertyList;
        explicit Node(void *node)
            : m_node(node)
        {}
        Node(const TRBinaryPropertyList *binary, quint64 object)
            : m_binary(binary)
            , m_object(object)
        {}
        // One of the two: a libplist node, or an object of a binary file
        // read in place.
        void *m_node = nullptr;
        const TRBinaryPropertyList *m_binary = nullptr;
        quint64 m_object = 0;
    };

    // A parsed property list that owns its nodes.
    class Tree
    {
    public:
        Node root() const;

    private:
        friend class TRPropertyList;
        std::shared_ptr<void> m_root;
        std::shared_ptr<const TRBinaryPropertyList> m_binary;
    };

    // The same files that fromData and fromFile accept, and none else.
    static std::optional<Tree> treeFromData(const QByteArray &bytes);
    static std::optional<Tree> treeFromFile(const QString &path);

    // Seconds since 2001-01-01 00:00:00 UTC, the reference date of Apple's
    // files; an invalid date for a time that is no number or absurdly far.
    static QDateTime dateFromReferenceTime(double seconds);
    static double referenceTimeFromDate(const QDateTime &date);
};

Q_DECLARE_METATYPE(TRPropertyList::Uid)
