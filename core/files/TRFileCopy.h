#pragma once

// Copies the bytes of a regular file the fastest way the platform has, and
// refuses anything else found under a granted file's name.

#include <QString>

class TRFileCopy
{
public:
    // Copies the bytes of source into target, which is created or emptied;
    // false when source is no regular file or a byte cannot be moved.
    // QFile::copy would also force every byte to the disk before returning,
    // which for a history of a few hundred megabytes takes longer than
    // reading it; a private copy is made again for every read and needs no
    // such durability.
    static bool copyContents(const QString &source, const QString &target);

    // Makes the existing file target byte for byte equal to source, writing
    // only the pages in which the two differ: a browser that added a few
    // visits to a history of hundreds of megabytes changed a few pages of
    // it. False as for copyContents, and when target is no regular file, is
    // a symbolic link or has another name besides this one, which the writes
    // would change too.
    static bool updateContents(const QString &source, const QString &target);
};
