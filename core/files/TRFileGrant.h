#pragma once

// A grant of read access to one file the user chose: an opaque, versioned
// byte block that is stored in the settings and later resolved to the file.

#include <QByteArray>
#include <QString>

#include <optional>

class TRFileGrant
{
public:
    // Makes a grant for the file at path; none when the file cannot be granted.
    static std::optional<QByteArray> make(const QString &path);

    // The path the grant stands for; none, with a message in error, when the
    // block is no grant or names no file any more.
    static std::optional<QString> resolve(const QByteArray &grant, QString *error);

    // Reading happens between these two; endAccess must be called even when
    // beginAccess failed.
    static bool beginAccess(const QString &path);
    static void endAccess(const QString &path);
};
