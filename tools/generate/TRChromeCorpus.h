#pragma once

// The Chrome part of a corpus: a profile's Bookmarks and History, and the
// counts that a reader of them should find.

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

    // Writes Bookmarks and History into the profile folder and returns the
    // manifest's part; throws SQLite::Exception when the database fails.
    QJsonObject write(const QString &profile) const;

private:
    QJsonObject writeBookmarks(const QString &path) const;
    QJsonObject writeHistory(const QString &path) const;

    const TRCorpusWeb &m_web;
    TRCorpusScale m_scale;
    quint64 m_seed;
    QDateTime m_now;
};
