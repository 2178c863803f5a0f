#pragma once

// Turns a stored grant into a fresh private copy of the granted file, which
// is all a parser ever reads.

#include <QByteArray>
#include <QString>

#include <optional>

class TRPrivateCopy
{
public:
    // The granted file's path; none, after a line on standard output, when
    // the grant cannot be resolved.
    static std::optional<QString> resolveGrant(const QByteArray &grant);

    // Copies the granted file to fileName in the private folder and returns
    // the copy's path. None when there is no grant, it cannot be resolved or
    // there is no private folder. The copy is written under a temporary name
    // and renamed over the old one, which stays until then (and goes when no
    // new copy can be made); a SQLite file's -wal companion travels with it.
    // The old copy is kept as a spare beside it and patched into the next
    // copy where the file changed, so a reader holding a copy open must be
    // done with it before the next call but one.
    static std::optional<QString> make(const QString &fileName,
                                       const std::optional<QByteArray> &grant);
};
