#pragma once

// A node of every bookmark tree: a single bookmark (item) or a folder (group).

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

enum class TRBookmarkKind : int {
    item = 0,
    group = 1,
};

// 0 is an item, 1 a group; any other raw value is no kind.
std::optional<TRBookmarkKind> TRBookmarkKindFromRawValue(int rawValue);

class TRBookmark;
using TRBookmarkPtr = std::shared_ptr<TRBookmark>;

// What a walk over a tree sees of one item, whether its node is made or its
// folder is still kept packed. The views last until the call returns.
struct TRBookmarkWalkItem
{
    static constexpr qint64 noVisit = std::numeric_limits<qint64>::min();

    QAnyStringView name;
    QByteArrayView encodedUrl;
    qint64 visitCount = 0;
    // Milliseconds since 1970 (UTC) of the last visit, or noVisit.
    qint64 lastVisit = noVisit;
};

// Sees a tree's groups and items in menu order, without making the nodes of
// groups kept for later: a search reads a whole history that way.
class TRBookmarkWalker
{
public:
    virtual ~TRBookmarkWalker() = default;
    // False passes over what is below the group.
    virtual bool enterGroup(QAnyStringView name) = 0;
    virtual void leaveGroup() = 0;
    virtual void item(const TRBookmarkWalkItem &item) = 0;
};

// Makes a group's children the first time anything asks for them: most days
// of a long history are never opened, and their visits need no nodes until
// then.
class TRBookmarkChildSource
{
public:
    virtual ~TRBookmarkChildSource() = default;
    virtual std::size_t count() const = 0;
    virtual std::vector<TRBookmarkPtr> makeChildren() const = 0;
    // Adds the groups and items below the group, counted without making
    // nodes.
    virtual void countBelow(qint64 &groups, qint64 &items) const = 0;
    // Shows the walker the children, and all below them, without making them.
    virtual void walk(TRBookmarkWalker &walker, int depth) const = 0;
};

// Nodes are shared by reference between trees, menus and windows, so they
// only exist behind a TRBookmarkPtr and compare by identity. A parent holds
// its children; a child refers to its parent without owning it.
class TRBookmark : public std::enable_shared_from_this<TRBookmark>
{
public:
    static TRBookmarkPtr init(TRBookmarkKind kind, const QString &name, const QUrl &url = {});
    virtual ~TRBookmark();

    TRBookmark(const TRBookmark &) = delete;
    TRBookmark &operator=(const TRBookmark &) = delete;

    // Made the first time it is asked for: most nodes of a large history are
    // never asked, and the text is the larger part of a small node.
    const QString &id() const;
    void setId(const QString &id) { m_id = id; }
    // The identifier if it has been set or made; null otherwise.
    const QString &idIfMade() const { return m_id; }
    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    // An empty URL means none: groups, and nodes whose address is not known yet.
    // The address is kept as its fully encoded text, which gives back the
    // same URL: a parsed QUrl costs several times the text's size, and a
    // history holds hundreds of thousands of them that are never shown.
    QUrl url() const;
    void setUrl(const QUrl &url);
    bool hasUrl() const { return !m_url.isEmpty(); }
    // The address as QUrl::toEncoded() writes it; empty for none. Nodes of
    // one address may share the text.
    const QByteArray &encodedUrl() const { return m_url; }
    void setEncodedUrl(const QByteArray &encoded) { m_url = encoded; }
    TRBookmarkKind kind() const { return m_kind; }
    // A line between its siblings, drawn as a menu's separator.
    virtual bool isSeparator() const { return false; }
    void setKind(TRBookmarkKind kind) { m_kind = kind; }
    bool isEnabled() const { return m_isEnabled; }
    virtual void setEnabled(bool enabled);
    bool isPrivate() const { return m_isPrivate; }
    void setPrivate(bool isPrivate) { m_isPrivate = isPrivate; }
    bool isPinned() const { return m_isPinned; }
    void setPinned(bool isPinned) { m_isPinned = isPinned; }
    // Image data of the site's favicon; empty means none.
    const QByteArray &faviconData() const { return m_faviconData; }
    void setFaviconData(const QByteArray &data) { m_faviconData = data; }
    TRBookmarkPtr parent() const { return m_parent.lock(); }
    void setParent(const TRBookmarkPtr &parent) { m_parent = parent; }
    const std::vector<TRBookmarkPtr> &bookmarks() const
    {
        if (m_childSource) {
            makeChildren();
        }
        return m_bookmarks;
    }
    // The number of children, without making children that are not made yet.
    std::size_t childCount() const
    {
        return m_childSource ? m_childSource->count() : m_bookmarks.size();
    }
    // Gives a group children that source makes when first asked for, in
    // place of the ones it has. Made children name this node as their parent
    // unless they have one already (a node shared with another group keeps
    // the parent it has there).
    void setChildSource(std::shared_ptr<const TRBookmarkChildSource> source);
    bool hasUnmadeChildren() const { return m_childSource != nullptr; }
    // Adds the groups and items below this node, without making children
    // that are not made yet. A tree that holds itself is counted to a depth.
    void countBelow(qint64 &groups, qint64 &items, int depth = 0) const;
    // Shows the walker everything below this node, in menu order, without
    // making children that are not made yet; separators are passed over. A
    // tree that holds itself is walked to a depth.
    void walk(TRBookmarkWalker &walker, int depth = 0) const;
    static constexpr int maximumWalkDepth = 512;
    // What the node knows of its visits: none for most nodes.
    virtual void visits(qint64 &count, qint64 &lastVisit) const;

    // Appends a child to a group and makes this node its parent; items never
    // get children. The same node may be added twice.
    virtual void addBookmark(const TRBookmarkPtr &child);
    // Empties a group depth first; the removed children keep their parent.
    virtual void removeAllBookmarks();

    // A new random identifier: 36 characters, upper-case hexadecimal in groups
    // of 8-4-4-4-12. Costs no system call.
    static QString makeIdentifier();

protected:
    TRBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url);

    // For subclasses: creates a node of type T behind a shared pointer,
    // although T's constructor is protected.
    template <class T, class... Args>
    static std::shared_ptr<T> makeShared(Args &&...args)
    {
        struct Enabler : T
        {
            explicit Enabler(Args &&...a)
                : T(std::forward<Args>(a)...)
            {}
        };
        return std::make_shared<Enabler>(std::forward<Args>(args)...);
    }

private:
    void makeChildren() const;

    mutable QString m_id;
    QString m_name;
    QByteArray m_url;
    TRBookmarkKind m_kind;
    bool m_isEnabled = true;
    bool m_isPrivate = false;
    bool m_isPinned = false;
    QByteArray m_faviconData;
    std::weak_ptr<TRBookmark> m_parent;
    // Filled from m_childSource, once, by a reader.
    mutable std::vector<TRBookmarkPtr> m_bookmarks;
    mutable std::shared_ptr<const TRBookmarkChildSource> m_childSource;
    // Guards removeAllBookmarks against a node that holds itself, directly or
    // through a descendant, which would otherwise recurse without end.
    bool m_isEmptying = false;
};

Q_DECLARE_METATYPE(TRBookmarkPtr)
