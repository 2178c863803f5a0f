#pragma once

// Counting what a corpus holds, for its manifest: hosts, odd titles and
// addresses, the span of a history's visits.

#include "TRCorpusBookmarks.h"
#include "TRCorpusHistory.h"
#include "TRCorpusWeb.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

#include <vector>

namespace TRCorpusManifest {

struct Tally
{
    QSet<QString> hosts;
    int nonAsciiTitles = 0;
    int longTitles = 0;
    int emptyTitles = 0;
    int missingTitles = 0;
    int fileUrls = 0;
    int nonWebUrls = 0;
    int feedUrls = 0;
};

// The host of an address as a URL parser reads it; empty for none.
QString host(const QByteArray &url);
void tally(const QString &title, bool titled, const QByteArray &url, Tally &tally);
void tally(const TRCorpusWeb::Page &page, Tally &tally);
// Every node below root.
void tally(const TRCorpusBookmarks::Node &root, Tally &tally);

// A moment (microseconds since 1970 UTC) as ISO 8601 with microseconds.
QString isoTime(qint64 microseconds);
// days_spanned (distinct UTC dates), first_visit and last_visit.
void addVisitSpan(const std::vector<TRCorpusHistory::Visit> &visits, QJsonObject &manifest);

} // namespace TRCorpusManifest
