#pragma once

// What a built-in browser window shows. Kept apart from the browser classes
// so that the application can ask for a window without linking the web
// engine.

#include "TRBookmark.h"

#include <QString>
#include <QUrl>

#include <variant>

namespace TRBrowserMode {
struct None
{};
struct Bookmark
{
    TRBookmarkPtr bookmark;
};
struct BookmarkGroup
{
    TRBookmarkPtr bookmark;
};
struct Web
{
    QUrl url;
    QString customName;
};
struct Search
{};
using Type = std::variant<None, Bookmark, BookmarkGroup, Web, Search>;
} // namespace TRBrowserMode
