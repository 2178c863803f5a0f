#pragma once

// How much each --scale makes: the counts per browser, the days of history
// and the shape of the bookmark trees.

#include <QString>
#include <QStringList>

#include <optional>

struct TRCorpusScale
{
    QString name;
    // Bookmarks outside the reading list, and folders below the roots.
    int bookmarks = 0;
    int folders = 0;
    int maxDepth = 0;
    int readingList = 0;
    // Visits in each history, the distinct addresses they go to, and the
    // days they spread over.
    int visits = 0;
    int chromeUrls = 0;
    int safariItems = 0;
    int days = 0;
    int hosts = 0;
    int windows = 0;
    int pinnedTabs = 0;
    int topSites = 0;
    // The newest visits left in History.db-wal with --leave-wal.
    int walVisits = 0;
    // Firefox's distinct pages, moz_places rows with visits.
    int firefoxPlaces = 0;

    static std::optional<TRCorpusScale> named(const QString &name);
    static QStringList names();
    // The same scale with another number of visits or days; the addresses
    // and the visits left in the write-ahead log follow the visits.
    TRCorpusScale withVisits(int count) const;
    TRCorpusScale withDays(int count) const;
};
