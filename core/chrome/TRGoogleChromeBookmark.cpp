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

void TRGoogleChromeBookmark::visits(qint64 &count, qint64 &lastVisit) const
{
    count = visitCount;
    if ((tag == Tag::history || visitCount > 0) && lastVisitedDate.isValid()) {
        lastVisit = lastVisitedDate.toMSecsSinceEpoch();
    }
}

void TRGoogleChromeBookmark::packFields(TRPackWriter &writer) const
{
    writer.put(static_cast<qint32>(tag));
    writer.putDate(lastVisitedDate);
    writer.put(visitCount);
}

void TRGoogleChromeBookmark::unpackFields(TRPackReader &reader)
{
    tag = static_cast<Tag>(reader.get<qint32>());
    lastVisitedDate = reader.getDate();
    visitCount = reader.get<qint64>();
}
