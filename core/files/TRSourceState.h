#pragma once

// What a read of a granted file depends on: the grant, the file and its
// -wal companion as they look from outside, and anything else the reader
// was given. A state equal to the settled one a read saw means that reading
// again would give the same result, so neither a copy nor a read is needed.

#include "TRFileState.h"

#include <QByteArray>

struct TRSourceState
{
    QByteArray grant;
    QByteArray context;
    TRFileState file;
    TRFileState wal;
    // When the state was taken, in nanoseconds since 1970.
    qint64 takenNs = 0;

    // The state now. Taken before the copy is made, so that a write during
    // the copy shows as a change at the next look.
    static TRSourceState of(const QByteArray &grant, const QByteArray &context = {});

    // Whether the files had not been written for a while when the state was
    // taken. File times advance in steps of a few milliseconds, so a second
    // write of the same size right after a state was taken could leave it
    // as it was; a state that is not settled is never taken for unchanged.
    bool isSettled() const;

    // Equal files, grant and context, whenever taken.
    bool operator==(const TRSourceState &other) const
    {
        return grant == other.grant && context == other.context && file == other.file &&
               wal == other.wal;
    }
};
