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
};
