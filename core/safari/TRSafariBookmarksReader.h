#pragma once

// Reads a private copy of Safari's Bookmarks.plist into new trees for the
// parser's four bookmark roots.

#include "TRPropertyList.h"
#include "TRSafariBookmark.h"
#include "TRSafariBookmarksParser.h"

#include <QSet>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class TRSafariBookmarksReader
{
public:
    using BookmarkTypeKey = TRSafariBookmarksParser::BookmarkTypeKey;
    using BookmarksRead = TRSafariBookmarksParser::BookmarksRead;

    // The roots that a bookmarks read fills, in the order they enter the map.
    static constexpr std::array<BookmarkTypeKey, 4> roots{
        BookmarkTypeKey::readingList, BookmarkTypeKey::bookmarksBar, BookmarkTypeKey::bookmarksMenu,
        BookmarkTypeKey::user};

    // None when the file is no dictionary or has no "Children"; folders
    // whose identifier is in disabled are switched off.
    static std::optional<BookmarksRead> read(const QString &path, const QSet<QString> &disabled);

private:
    static void readList(const std::vector<TRPropertyList::Node> &list,
                         const TRSafariBookmarkPtr &parent, int depth,
                         const QSet<QString> &disabled, BookmarksRead &read);
};
