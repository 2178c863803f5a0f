#pragma once

// Loads the browser module on first use and keeps it for the life of the
// process: its windows may outlive any caller.

#include <QString>

class TRBrowserWindowFactory;

class TRBrowserModule
{
public:
    // The module's factory; none when the module cannot be loaded, after
    // one warning. The first answer is kept.
    static TRBrowserWindowFactory *factory();

    // The module next to the executable.
    static QString defaultPath();

    // Loads from path on the next call to factory(), forgetting the earlier
    // answer; an empty path means the default one.
    static void setPathForTesting(const QString &path);
};
