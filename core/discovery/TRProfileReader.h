#pragma once

// What a browser's plugin asks of the reader of one profile's files,
// whichever browser wrote them: take the grants, read on a queue of its own,
// and hand over two trees, the bookmark folders and the history by day.

#include "TRBrowserSettings.h"
#include "TRFaviconTable.h"
#include "TRGoogleChromeBookmark.h"
#include "TRSearchIndex.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class TRProfileReader
{
public:
    enum class BookmarkTypeKey { bookmarks = 0, history = 1 };

    virtual ~TRProfileReader() = default;

    // The slot's grants, and the trees it shows, for the next update.
    virtual void setSlot(const TRBrowserSettings::Slot &slot) = 0;
    // Re-reads what changed; completion runs on the main thread once the new
    // trees are in place. An update still waiting is dropped, and its
    // completion never runs.
    virtual void updateBookmarks(std::function<void()> completion) = 0;
    // The latest trees, read on the main thread.
    virtual const QHash<BookmarkTypeKey, TRGoogleChromeBookmarkPtr> &bookmarks() const = 0;
    // Whether the last update read a file or lost one.
    virtual bool lastUpdateChanged() const = 0;
    // Groups the history by day again, for a new day or time zone.
    virtual void regroupHistory(std::function<void()> completion) = 0;
    // The files the last update could not read, named as the browser names
    // them.
    virtual QStringList unreadableFiles() const = 0;

    // The icon store the next update reads, choosing bitmaps for icons of
    // pixels; none, or 0 pixels, reads nothing and drops the table.
    virtual void setIconStore(const std::optional<QByteArray> &grant, int pixels) = 0;
    // The website icons of the latest update, on the main thread; null while
    // icons are off or the store cannot be read.
    virtual std::shared_ptr<const TRFaviconTable> favicons() const = 0;
    // The search index of the latest trees, on the main thread; built on the
    // reader's queue after each read that changed them.
    virtual std::shared_ptr<const TRSearchIndex> searchIndex() const = 0;
};
