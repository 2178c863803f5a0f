#pragma once

// What a file looks like from outside at one moment, as far as a change
// shows: its identity, size and modification time to the nanosecond.
// Browsers replace a file by renaming a new one into place (a new inode) or
// write into it (a new size or time), so an equal state means nothing to
// read again.

#include <QString>

#include <QtGlobal>

struct TRFileState
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    // The state of the file at path; a missing file has one of its own.
    static TRFileState of(const QString &path);

    bool operator==(const TRFileState &) const = default;
};
