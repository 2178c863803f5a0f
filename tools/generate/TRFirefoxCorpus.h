#pragma once

// The Firefox part of a corpus: profiles.ini and installs.ini, and one
// profile's places.sqlite (bookmarks and history in one file; optionally its
// newest visits left in places.sqlite-wal) and favicons.sqlite, with the
// counts that a reader of them should find.

#include "TRCorpusScale.h"
#include "TRCorpusWeb.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

class TRFirefoxCorpus
{
public:
    TRFirefoxCorpus(const TRCorpusWeb &web, const TRCorpusScale &scale, quint64 seed,
                    const QDateTime &now, bool leaveWal);

    // The profile's folder, relative to the Firefox folder: eight letters
    // and digits, then ".default-release".
    QString profileFolder() const;

    // Writes the lists and the profile into folder and returns the
    // manifest's part; throws SQLite::Exception when the database fails.
    QJsonObject write(const QString &folder) const;

private:
    bool writeProfileLists(const QString &folder) const;

    const TRCorpusWeb &m_web;
    TRCorpusScale m_scale;
    quint64 m_seed;
    QDateTime m_now;
    bool m_leaveWal;
};
