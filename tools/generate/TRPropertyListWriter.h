#pragma once

// Property lists in binary or XML form, from Qt values or from libplist
// nodes built directly (a history of a million entries is built without a
// QVariant for each).

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>

using plist_t = void *;

class TRPropertyListWriter
{
public:
    struct Free
    {
        void operator()(plist_t node) const;
    };
    // A node that frees itself and what it holds.
    using Node = std::unique_ptr<void, Free>;

    enum class Format { binary, xml };

    // Maps, lists, strings, booleans, integers, reals, dates and byte
    // arrays; null for a value of any other type.
    static Node fromVariant(const QVariant &value);
    static QByteArray bytes(const Node &node, Format format);
    static QByteArray bytes(const QVariant &value, Format format);
    // Writes bytes to path, making its folder; false on failure.
    static bool writeFile(const QString &path, const QByteArray &bytes);

    // Building blocks; each dictionary or array takes ownership of what is
    // put into it.
    static Node dictionary();
    static Node array();
    static plist_t string(const QString &text);
    static plist_t date(const QDateTime &moment);
    static void set(const Node &dictionary, const char *key, plist_t value);
    static void append(const Node &array, plist_t value);
    static plist_t release(Node node) { return node.release(); }
};
