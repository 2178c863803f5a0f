#pragma once

// Bookmark folders kept packed until they are opened. A large bookmarks
// file holds tens of thousands of bookmarks in folders that a menu shows
// one level at a time; as node objects they cost several times their text.
// A packed folder is one block of bytes, a record per node in tree order,
// and makes its children (one level, their folders packed in turn) the
// first time anything asks for them.

#include "TRBookmark.h"
#include "TRMappedFile.h"

#include <QByteArray>
#include <QDateTime>

#include <cstring>
#include <memory>
#include <type_traits>

// Writes the records; integers in the machine's own order, as the bytes
// never leave the process.
class TRPackWriter
{
public:
    explicit TRPackWriter(QByteArray &out)
        : m_out(out)
    {}
    template <class T>
    void put(T value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        m_out.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    void putBytes(const QByteArray &bytes)
    {
        put(static_cast<quint32>(bytes.size()));
        m_out.append(bytes);
    }
    void putString(const QString &text)
    {
        // A null text stays null (an identifier not made yet).
        put(static_cast<quint8>(text.isNull() ? 0 : 1));
        if (!text.isNull()) {
            putBytes(text.toUtf8());
        }
    }
    void putDate(const QDateTime &date)
    {
        // Dates keep their kind: UTC, local or a fixed offset.
        const quint8 zoneKind = !date.isValid() ? 0 : static_cast<quint8>(date.timeSpec()) + 1;
        put(zoneKind);
        if (zoneKind != 0) {
            put(date.toMSecsSinceEpoch());
            put(static_cast<qint32>(date.offsetFromUtc()));
        }
    }
    qsizetype size() const { return m_out.size(); }
    template <class T>
    void patch(qsizetype at, const T &value)
    {
        std::memcpy(m_out.data() + at, &value, sizeof value);
    }

private:
    QByteArray &m_out;
};

class TRPackReader
{
public:
    explicit TRPackReader(const char *at)
        : m_at(at)
    {}
    template <class T>
    T get()
    {
        T value;
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    QByteArray getBytes()
    {
        const auto size = get<quint32>();
        QByteArray bytes(m_at, static_cast<qsizetype>(size));
        m_at += size;
        return bytes;
    }
    // The bytes in place; they live as long as the block.
    QByteArrayView getBytesView()
    {
        const auto size = get<quint32>();
        const QByteArrayView bytes(m_at, static_cast<qsizetype>(size));
        m_at += size;
        return bytes;
    }
    // A text as UTF-8 in place; empty for a null text.
    QByteArrayView getStringView()
    {
        if (get<quint8>() == 0) {
            return {};
        }
        return getBytesView();
    }
    QString getString()
    {
        if (get<quint8>() == 0) {
            return {};
        }
        const auto size = get<quint32>();
        QString text = QString::fromUtf8(m_at, static_cast<qsizetype>(size));
        m_at += size;
        return text;
    }
    QDateTime getDate()
    {
        const auto zoneKind = get<quint8>();
        if (zoneKind == 0) {
            return {};
        }
        const auto msecs = get<qint64>();
        const auto offset = get<qint32>();
        switch (static_cast<Qt::TimeSpec>(zoneKind - 1)) {
        case Qt::UTC:
            return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
        case Qt::OffsetFromUTC:
            return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offset);
        default:
            return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
        }
    }

    const char *position() const { return m_at; }

private:
    const char *m_at;
};

// What a node type adds to the common fields: Node provides
//   void packFields(TRPackWriter &) const;
//   void unpackFields(TRPackReader &);
//   static std::shared_ptr<Node> init(TRBookmarkKind, const QString &, const QUrl &,
//                                     const QDateTime &);
template <class Node>
class TRPackedBookmarks
{
public:
    // Packs the children of each group (and all below them) and gives the
    // group a source that makes them again when asked. Groups with children
    // that are not of type Node, or deeper than the limit, stay as they
    // are. All go into one block: with a folder, it is mapped from one file
    // made there (see TRMappedFile), else it stays in memory.
    static void pack(const std::vector<std::shared_ptr<Node>> &groups, const QString &folder = {})
    {
        auto block = std::make_shared<Block>();
        TRPackWriter writer(block->bytes);
        struct Packed
        {
            std::shared_ptr<Node> group;
            qsizetype first;
            quint32 count;
        };
        std::vector<Packed> packed;
        for (const std::shared_ptr<Node> &group : groups) {
            if (group->hasUnmadeChildren() || group->bookmarks().empty() || !packable(*group, 0)) {
                continue;
            }
            const qsizetype first = writer.size();
            quint32 groupsBelow = 0;
            quint32 itemsBelow = 0;
            for (const TRBookmarkPtr &child : group->bookmarks()) {
                write(static_cast<const Node &>(*child), writer, groupsBelow, itemsBelow);
            }
            packed.push_back({group, first, static_cast<quint32>(group->bookmarks().size())});
        }
        if (packed.empty()) {
            return;
        }
        block->file = TRMappedFile::write(folder, {block->bytes});
        if (block->file) {
            block->bytes = QByteArray();
        }
        for (const Packed &entry : packed) {
            entry.group->setChildSource(std::make_shared<Source>(block, entry.first, entry.count));
        }
    }

private:
    // Per record: the sizes that let a reader skip a node's subtree, and the
    // counts of groups and items below it.
    struct Header
    {
        quint32 recordSize;
        quint32 childCount;
        quint32 groupsBelow;
        quint32 itemsBelow;
        // Where the first child starts, from the record's start.
        quint32 childrenAt;
    };
    static constexpr int maximumDepth = 512;

    // The packed bytes, in memory or mapped from a file.
    struct Block
    {
        QByteArray bytes;
        std::unique_ptr<TRMappedFile> file;
        const char *data() const { return file ? file->data() : bytes.constData(); }
    };

    static bool packable(const TRBookmark &group, int depth)
    {
        if (depth > maximumDepth) {
            return false;
        }
        for (const TRBookmarkPtr &child : group.bookmarks()) {
            if (!dynamic_cast<const Node *>(child.get()) || child->hasUnmadeChildren() ||
                (child->kind() == TRBookmarkKind::group && !packable(*child, depth + 1))) {
                return false;
            }
        }
        return true;
    }

    // Writes node and everything below it; adds what it wrote to the counts.
    static void write(const Node &node, TRPackWriter &writer, quint32 &groups, quint32 &items)
    {
        const qsizetype start = writer.size();
        writer.put(Header{0, 0, 0, 0, 0});
        writer.put(static_cast<quint8>(node.kind()));
        writer.put(static_cast<quint8>((node.isEnabled() ? 1 : 0) | (node.isPrivate() ? 2 : 0) |
                                       (node.isPinned() ? 4 : 0) | (node.isSeparator() ? 8 : 0)));
        writer.putString(node.name());
        writer.putBytes(node.encodedUrl());
        writer.putString(node.idIfMade());
        writer.putBytes(node.faviconData());
        // The visits in a form a walk reads without knowing Node's fields.
        qint64 visitCount = 0;
        qint64 lastVisit = TRBookmarkWalkItem::noVisit;
        node.visits(visitCount, lastVisit);
        writer.put(visitCount);
        writer.put(lastVisit);
        node.packFields(writer);
        Header header{0, 0, 0, 0, static_cast<quint32>(writer.size() - start)};
        if (node.kind() == TRBookmarkKind::group) {
            for (const TRBookmarkPtr &child : node.bookmarks()) {
                write(static_cast<const Node &>(*child), writer, header.groupsBelow,
                      header.itemsBelow);
                ++header.childCount;
            }
        }
        header.recordSize = static_cast<quint32>(writer.size() - start);
        writer.patch(start, header);
        (node.kind() == TRBookmarkKind::group ? groups : items) += 1;
        groups += header.groupsBelow;
        items += header.itemsBelow;
    }

    class Source : public TRBookmarkChildSource
    {
    public:
        Source(std::shared_ptr<const Block> block, qsizetype first, quint32 count)
            : m_block(std::move(block))
            , m_first(first)
            , m_count(count)
        {}

        std::size_t count() const override { return m_count; }

        void countBelow(qint64 &groups, qint64 &items) const override
        {
            qsizetype at = m_first;
            for (quint32 i = 0; i < m_count; ++i) {
                TRPackReader reader(m_block->data() + at);
                const auto header = reader.get<Header>();
                const auto kind = static_cast<TRBookmarkKind>(reader.get<quint8>());
                (kind == TRBookmarkKind::group ? groups : items) += 1;
                groups += header.groupsBelow;
                items += header.itemsBelow;
                at += header.recordSize;
            }
        }

        void walk(TRBookmarkWalker &walker, int depth) const override
        {
            walkRecords(walker, m_first, m_count, depth);
            // A walk reads a whole folder once: its pages go back to the file.
            if (m_block->file) {
                m_block->file->releasePages();
            }
        }

        std::vector<TRBookmarkPtr> makeChildren() const override
        {
            std::vector<TRBookmarkPtr> children;
            children.reserve(m_count);
            qsizetype at = m_first;
            for (quint32 i = 0; i < m_count; ++i) {
                TRPackReader reader(m_block->data() + at);
                const auto header = reader.get<Header>();
                const auto kind = static_cast<TRBookmarkKind>(reader.get<quint8>());
                const auto flags = reader.get<quint8>();
                const QString name = reader.getString();
                const QByteArray url = reader.getBytes();
                const QString id = reader.getString();
                const QByteArray favicon = reader.getBytes();
                reader.get<qint64>();
                reader.get<qint64>();
                auto node = Node::init(kind, name, QUrl(), QDateTime());
                node->setEncodedUrl(url);
                if (!id.isNull()) {
                    node->setId(id);
                }
                node->setFaviconData(favicon);
                node->unpackFields(reader);
                // The plain setter: a folder's state was read with the tree.
                node->TRBookmark::setEnabled((flags & 1) != 0);
                node->setPrivate((flags & 2) != 0);
                node->setPinned((flags & 4) != 0);
                if (header.childCount > 0) {
                    node->setChildSource(std::make_shared<Source>(
                        m_block, reader.position() - m_block->data(), header.childCount));
                }
                children.push_back(std::move(node));
                at += header.recordSize;
            }
            return children;
        }

    private:
        void walkRecords(TRBookmarkWalker &walker, qsizetype at, quint32 count, int depth) const
        {
            if (depth > TRBookmark::maximumWalkDepth) {
                return;
            }
            for (quint32 i = 0; i < count; ++i) {
                TRPackReader reader(m_block->data() + at);
                const auto header = reader.get<Header>();
                const auto kind = static_cast<TRBookmarkKind>(reader.get<quint8>());
                const auto flags = reader.get<quint8>();
                const QByteArrayView name = reader.getStringView();
                const QByteArrayView url = reader.getBytesView();
                reader.getStringView();
                reader.getBytesView();
                TRBookmarkWalkItem item{QUtf8StringView(name), url};
                item.visitCount = reader.get<qint64>();
                item.lastVisit = reader.get<qint64>();
                if (kind == TRBookmarkKind::group) {
                    if ((flags & 1) != 0 && walker.enterGroup(item.name)) {
                        walkRecords(walker, at + header.childrenAt, header.childCount, depth + 1);
                        walker.leaveGroup();
                    }
                } else if ((flags & 8) == 0) {
                    walker.item(item);
                }
                at += header.recordSize;
            }
        }

        std::shared_ptr<const Block> m_block;
        qsizetype m_first;
        quint32 m_count;
    };
};
