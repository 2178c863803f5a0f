#pragma once

// A node of Chrome's bookmark or history tree.

#include "TRBookmark.h"

#include <QDateTime>

class TRGoogleChromeBookmark : public TRBookmark
{
public:
    enum class Tag { generic = 0, bookmarks = 1, history = 2 };

    static std::shared_ptr<TRGoogleChromeBookmark> init(TRBookmarkKind kind, const QString &name,
                                                        const QUrl &url = {});

    Tag tag = Tag::generic;
    // The last visit of a history entry; for other nodes their creation.
    QDateTime lastVisitedDate;
    qint64 visitCount = 0;

protected:
    TRGoogleChromeBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url);
};

using TRGoogleChromeBookmarkPtr = std::shared_ptr<TRGoogleChromeBookmark>;
