#pragma once

// The Chrome part of a corpus: a profile's Bookmarks, History and Favicons,
// and the
// counts that a reader of them should find.

#include "TRCorpusFavicons.h"
#include "TRCorpusScale.h"
#include "TRCorpusWeb.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

class TRChromeCorpus
{
public:
    TRChromeCorpus(const TRCorpusWeb &web, const TRCorpusScale &scale, quint64 seed,
                   const QDateTime &now);

    // Writes Bookmarks, History and Favicons into the profile folder and
    // returns the manifest's part; throws SQLite::Exception when the database fails.
    QJsonObject write(const QString &profile) const;

private:
    // Each adds the pages it wrote to pages, for the icon store.
    QJsonObject writeBookmarks(const QString &path, TRCorpusFavicons::Pages &pages) const;
    QJsonObject writeHistory(const QString &path, TRCorpusFavicons::Pages &iconPages) const;

    const TRCorpusWeb &m_web;
    TRCorpusScale m_scale;
    quint64 m_seed;
    QDateTime m_now;
};
