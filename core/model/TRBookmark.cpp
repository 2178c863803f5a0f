#include "TRBookmark.h"

#include <QRandomGenerator>

#include <algorithm>

std::optional<TRBookmarkKind> TRBookmarkKindFromRawValue(int rawValue)
{
    switch (rawValue) {
    case 0:
        return TRBookmarkKind::item;
    case 1:
        return TRBookmarkKind::group;
    default:
        return std::nullopt;
    }
}

TRBookmark::TRBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url)
    : m_name(name)
    , m_kind(kind)
{
    setUrl(url);
}

TRBookmark::~TRBookmark() = default;

TRBookmarkPtr TRBookmark::init(TRBookmarkKind kind, const QString &name, const QUrl &url)
{
    return makeShared<TRBookmark>(kind, name, url);
}

QUrl TRBookmark::url() const
{
    return m_url.isEmpty() ? QUrl() : QUrl::fromEncoded(m_url);
}

void TRBookmark::setUrl(const QUrl &url)
{
    m_url = url.isEmpty() ? QByteArray() : url.toEncoded();
}

const QString &TRBookmark::id() const
{
    // A node is read by one thread at a time: its parser's, then the main one.
    if (m_id.isNull()) {
        m_id = makeIdentifier();
    }
    return m_id;
}

void TRBookmark::setEnabled(bool enabled)
{
    m_isEnabled = enabled;
}

void TRBookmark::setChildSource(std::shared_ptr<const TRBookmarkChildSource> source)
{
    if (m_kind != TRBookmarkKind::group) {
        return;
    }
    removeAllBookmarks();
    m_childSource = std::move(source);
}

void TRBookmark::makeChildren() const
{
    // A node is read by one thread at a time, like its identifier.
    const std::shared_ptr<const TRBookmarkChildSource> source = std::move(m_childSource);
    m_childSource.reset();
    const std::weak_ptr<TRBookmark> self =
        std::const_pointer_cast<TRBookmark>(weak_from_this().lock());
    std::vector<TRBookmarkPtr> children = source->makeChildren();
    m_bookmarks.reserve(m_bookmarks.size() + children.size());
    for (TRBookmarkPtr &child : children) {
        if (!child) {
            continue;
        }
        if (child->m_parent.expired()) {
            child->m_parent = self;
        }
        m_bookmarks.push_back(std::move(child));
    }
}

void TRBookmark::countBelow(qint64 &groups, qint64 &items, int depth) const
{
    if (m_childSource) {
        m_childSource->countBelow(groups, items);
        return;
    }
    if (depth > 1000) {
        return;
    }
    for (const TRBookmarkPtr &child : m_bookmarks) {
        if (child->kind() == TRBookmarkKind::group) {
            ++groups;
            child->countBelow(groups, items, depth + 1);
        } else {
            ++items;
        }
    }
}

void TRBookmark::walk(TRBookmarkWalker &walker, int depth) const
{
    if (depth > maximumWalkDepth) {
        return;
    }
    if (m_childSource) {
        m_childSource->walk(walker, depth);
        return;
    }
    for (const TRBookmarkPtr &child : m_bookmarks) {
        if (child->isSeparator()) {
            continue;
        }
        if (child->kind() == TRBookmarkKind::group) {
            // A folder switched off is not in the menu either.
            if (child->isEnabled() && walker.enterGroup(child->name())) {
                child->walk(walker, depth + 1);
                walker.leaveGroup();
            }
            continue;
        }
        TRBookmarkWalkItem item{child->name(), child->encodedUrl()};
        child->visits(item.visitCount, item.lastVisit);
        walker.item(item);
    }
}

void TRBookmark::visits(qint64 &, qint64 &) const
{}

void TRBookmark::addBookmark(const TRBookmarkPtr &child)
{
    if (m_kind != TRBookmarkKind::group || !child) {
        return;
    }
    if (m_childSource) {
        makeChildren();
    }
    child->m_parent = weak_from_this();
    m_bookmarks.push_back(child);
}

void TRBookmark::removeAllBookmarks()
{
    if (m_kind != TRBookmarkKind::group || m_isEmptying) {
        return;
    }
    m_childSource.reset();
    m_isEmptying = true;
    const std::vector<TRBookmarkPtr> snapshot = m_bookmarks;
    // Removing the first child again and again would move the rest of the
    // list each time; the leading run of removed children is only counted
    // and erased in one go before anything else may look at the list.
    std::size_t removed = 0;
    const auto compact = [this, &removed] {
        m_bookmarks.erase(m_bookmarks.begin(),
                          m_bookmarks.begin() + static_cast<std::ptrdiff_t>(removed));
        removed = 0;
    };
    for (const TRBookmarkPtr &node : snapshot) {
        if (m_kind != TRBookmarkKind::group) {
            break;
        }
        if (node->kind() != TRBookmarkKind::group && removed < m_bookmarks.size() &&
            m_bookmarks[removed] == node) {
            ++removed;
            continue;
        }
        compact();
        if (std::find(m_bookmarks.cbegin(), m_bookmarks.cend(), node) == m_bookmarks.cend()) {
            continue;
        }
        if (node->kind() == TRBookmarkKind::group) {
            node->removeAllBookmarks();
        }
        // Looked up again: emptying a descendant can reach back into this list.
        const auto it = std::find(m_bookmarks.begin(), m_bookmarks.end(), node);
        if (it != m_bookmarks.end()) {
            m_bookmarks.erase(it);
        }
    }
    compact();
    m_isEmptying = false;
}

QString TRBookmark::makeIdentifier()
{
    // One generator per thread, seeded once from the system, so parsers on
    // worker threads make identifiers without locks or system calls.
    thread_local QRandomGenerator64 generator(QRandomGenerator::system()->generate64());
    quint64 high = generator.generate64();
    quint64 low = generator.generate64();
    // Version 4 and the RFC 4122 variant, as any random UUID carries.
    high = (high & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
    low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;

    static constexpr char digits[] = "0123456789ABCDEF";
    QChar text[36];
    int pos = 0;
    auto put = [&](quint64 bits, int nibbles) {
        for (int shift = (nibbles - 1) * 4; shift >= 0; shift -= 4) {
            text[pos++] = QLatin1Char(digits[(bits >> shift) & 0xF]);
        }
    };
    put(high >> 32, 8);
    text[pos++] = u'-';
    put((high >> 16) & 0xFFFF, 4);
    text[pos++] = u'-';
    put(high & 0xFFFF, 4);
    text[pos++] = u'-';
    put(low >> 48, 4);
    text[pos++] = u'-';
    put(low & 0xFFFFFFFFFFFFULL, 12);
    return QString(text, pos);
}
