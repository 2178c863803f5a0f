#include "TRGoogleChromeBookmark.h"

TRGoogleChromeBookmark::TRGoogleChromeBookmark(TRBookmarkKind kind, const QString &name,
                                               const QUrl &url)
    : TRBookmark(kind, name, url)
    , lastVisitedDate(QDateTime::currentDateTimeUtc())
{}

// Asks the clock nothing: the history reader makes one of these per row.
TRGoogleChromeBookmark::TRGoogleChromeBookmark(TRBookmarkKind kind, const QString &name,
                                               const QUrl &url, const QDateTime &lastVisit)
    : TRBookmark(kind, name, url)
    , lastVisitedDate(lastVisit)
{}

std::shared_ptr<TRGoogleChromeBookmark>
TRGoogleChromeBookmark::init(TRBookmarkKind kind, const QString &name, const QUrl &url)
{
    return makeShared<TRGoogleChromeBookmark>(kind, name, url);
}

std::shared_ptr<TRGoogleChromeBookmark>
TRGoogleChromeBookmark::init(TRBookmarkKind kind, const QString &name, const QUrl &url,
                             const QDateTime &lastVisitedDate)
{
    return makeShared<TRGoogleChromeBookmark>(kind, name, url, lastVisitedDate);
}
