#pragma once

// The Safari part of a corpus: Bookmarks.plist, History.db (optionally with
// its newest visits left in History.db-wal), History.plist, TopSites.plist
// and LastSession.plist, and the counts that a reader should find in them.

#include "TRCorpusHistory.h"
#include "TRCorpusScale.h"
#include "TRCorpusWeb.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

class TRSafariCorpus
{
public:
    TRSafariCorpus(const TRCorpusWeb &web, const TRCorpusScale &scale, quint64 seed,
                   const QDateTime &now, bool leaveWal);

    // Writes the files into folder and returns the manifest's part; throws
    // SQLite::Exception when the database fails.
    QJsonObject write(const QString &folder) const;

private:
    QJsonObject writeBookmarks(const QString &path) const;
    QJsonObject writeHistoryDatabase(const QString &path, const TRCorpusHistory &history) const;
    QJsonObject writeHistoryPropertyList(const QString &path, const TRCorpusHistory &history) const;
    QJsonObject writeTopSites(const QString &path) const;
    QJsonObject writeLastSession(const QString &path) const;

    const TRCorpusWeb &m_web;
    TRCorpusScale m_scale;
    quint64 m_seed;
    QDateTime m_now;
    bool m_leaveWal;
};
