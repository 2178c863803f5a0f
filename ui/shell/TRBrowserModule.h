#pragma once

// Loads the browser module on first use and keeps it for the life of the
// process: its windows may outlive any caller.

#include <QString>
#include <QStringList>

class TRBrowserWindowFactory;

class TRBrowserModule
{
public:
    // The module's factory; none when the module cannot be loaded, after
    // one warning. The first answer is kept.
    static TRBrowserWindowFactory *factory();

    // Where the module may lie for an executable in executableFolder, in
    // the order tried: next to it (the build tree), then the installed
    // layout's module folder (lib/trellis beside bin).
    static QStringList searchPaths(const QString &executableFolder);

    // The first of searchPaths() that exists; the first one when none does,
    // so that the warning names the usual place.
    static QString pathFor(const QString &executableFolder);

    // pathFor() the running executable's folder.
    static QString defaultPath();

    // Loads from path on the next call to factory(), forgetting the earlier
    // answer; an empty path means the default one.
    static void setPathForTesting(const QString &path);
};
