#pragma once

// A node of Chrome's bookmark or history tree.

#include "TRBookmark.h"
#include "TRPackedBookmarks.h"

#include <QDateTime>

class TRGoogleChromeBookmark : public TRBookmark
{
public:
    // separator: a line between bookmarks, an item without address (Firefox).
    enum class Tag { generic = 0, bookmarks = 1, history = 2, separator = 3 };

    static std::shared_ptr<TRGoogleChromeBookmark> init(TRBookmarkKind kind, const QString &name,
                                                        const QUrl &url = {});
    // A node whose last visit is known: a history entry.
    static std::shared_ptr<TRGoogleChromeBookmark> init(TRBookmarkKind kind, const QString &name,
                                                        const QUrl &url,
                                                        const QDateTime &lastVisitedDate);

    Tag tag = Tag::generic;
    // The last visit of a history entry; for other nodes their creation.
    QDateTime lastVisitedDate;
    qint64 visitCount = 0;

    bool isSeparator() const override { return tag == Tag::separator; }

    // The fields of this type, for folders kept packed until opened.
    // A history entry's visits; a bookmark's date is when it was made, not
    // a visit, unless the browser counted visits to it.
    void visits(qint64 &count, qint64 &lastVisit) const override;

    void packFields(TRPackWriter &writer) const;
    void unpackFields(TRPackReader &reader);

protected:
    TRGoogleChromeBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url);
    TRGoogleChromeBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url,
                           const QDateTime &lastVisitedDate);
};

using TRGoogleChromeBookmarkPtr = std::shared_ptr<TRGoogleChromeBookmark>;
