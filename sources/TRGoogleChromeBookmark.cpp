#include "TRGoogleChromeBookmark.h"

TRGoogleChromeBookmark::TRGoogleChromeBookmark(TRBookmarkKind kind, const QString &name,
                                               const QUrl &url)
    : TRBookmark(kind, name, url)
    , lastVisitedDate(QDateTime::currentDateTimeUtc())
{}

std::shared_ptr<TRGoogleChromeBookmark>
TRGoogleChromeBookmark::init(TRBookmarkKind kind, const QString &name, const QUrl &url)
{
    return makeShared<TRGoogleChromeBookmark>(kind, name, url);
}
