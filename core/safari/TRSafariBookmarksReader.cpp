#include "TRSafariBookmarksReader.h"

#include "TRPlainAddress.h"
#include "TRSafariUrl.h"

#include <QStringList>

namespace {

// Folders nest no deeper than this; the property-list reader bounds it too.
constexpr int maximumFolderDepth = 128;

} // namespace

std::optional<TRSafariBookmarksParser::BookmarksRead>
TRSafariBookmarksReader::read(const QString &path, const QSet<QString> &disabled)
{
    // Walked in place: a copy of the whole file as QVariants would cost more
    // than the bookmarks made from it.
    const auto tree = TRPropertyList::treeFromFile(path);
    if (!tree || !tree->root().isDictionary()) {
        return std::nullopt;
    }
    const auto children = tree->root().value("Children").listOfDictionaries();
    if (!children || children->empty()) {
        return std::nullopt;
    }
    BookmarksRead read;
    for (BookmarkTypeKey key : roots) {
        read.roots.insert(key, TRSafariBookmark::init(TRBookmarkKind::group, QString()));
    }
    readList(*children, read.roots.value(BookmarkTypeKey::user), 0, disabled, read);
    return read;
}

void TRSafariBookmarksReader::readList(const std::vector<TRPropertyList::Node> &list,
                                       const TRSafariBookmarkPtr &parent, int depth,
                                       const QSet<QString> &disabled, BookmarksRead &read)
{
    if (depth > maximumFolderDepth) {
        return;
    }
    for (const TRPropertyList::Node &node : list) {
        const auto type = node.value("WebBookmarkType").utf8();
        // A node without a type ends its own list; the levels above go on.
        if (!type || type->isEmpty()) {
            return;
        }
        if (*type == "WebBookmarkTypeList") {
            QString title = node.value("Title").string().value_or(QString());
            if (title.startsWith(QLatin1StringView("com.apple"))) {
                const QStringList parts = title.split(QLatin1Char('.'));
                if (parts.size() >= 2) {
                    title = parts.last();
                }
            }
            std::optional<BookmarkTypeKey> special;
            if (depth == 0) {
                if (title == u"ReadingList") {
                    special = BookmarkTypeKey::readingList;
                } else if (title == u"BookmarksBar") {
                    special = BookmarkTypeKey::bookmarksBar;
                } else if (title == u"BookmarksMenu") {
                    special = BookmarkTypeKey::bookmarksMenu;
                }
            }
            const TRSafariBookmarkPtr target =
                special ? read.roots.value(*special)
                        : TRSafariBookmark::init(TRBookmarkKind::group, title);
            target->removeAllBookmarks();
            if (const auto uuid = node.value("WebBookmarkUUID").string()) {
                target->setId(*uuid);
                target->setEnabled(!disabled.contains(*uuid));
                read.allBookmarkUUIDs.insert(*uuid);
                if (special) {
                    read.rootIdentifiers.insert(*special, *uuid);
                }
            }
            if (!special) {
                parent->addBookmark(target);
            }
            if (const auto grandChildren = node.value("Children").listOfDictionaries()) {
                readList(*grandChildren, target, depth + 1, disabled, read);
            }
        } else if (*type == "WebBookmarkTypeLeaf") {
            const TRPropertyList::Node urlNode = node.value("URLString");
            const auto urlBytes = urlNode.utf8();
            if (!urlBytes || urlBytes->isEmpty()) {
                continue;
            }
            QString title;
            const TRPropertyList::Node uri = node.value("URIDictionary");
            if (uri.isDictionary()) {
                title = uri.value("title").string().value_or(QString());
            }
            // A plain web address is what parsing would give back: it is
            // kept as it is, and only the others are parsed.
            QByteArray encodedUrl;
            if (TRPlainAddress::isPlain(*urlBytes)) {
                encodedUrl = urlBytes->toByteArray();
            } else {
                const std::optional<QString> urlString = urlNode.string();
                // Only a URL with a scheme is a bookmark; a feed is read over http.
                const QUrl components = TRSafariUrl::strict(*urlString);
                const QString scheme = components.isEmpty() ? QString() : components.scheme();
                if (scheme.isEmpty()) {
                    continue;
                }
                // The address is the text itself unless it is a feed: the URL
                // already made serves.
                const QUrl url =
                    scheme == u"feed"
                        ? TRSafariUrl::strict(QStringLiteral("http") + urlString->mid(4))
                        : components;
                if (url.isEmpty()) {
                    continue;
                }
                encodedUrl = url.toEncoded();
            }
            auto leaf = TRSafariBookmark::init(TRBookmarkKind::item, title);
            leaf->setEncodedUrl(encodedUrl);
            if (const auto uuid = node.value("WebBookmarkUUID").string()) {
                leaf->setId(*uuid);
            }
            parent->addBookmark(leaf);
        }
    }
}
