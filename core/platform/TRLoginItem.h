#pragma once

// Starts Trellis at the user's next login, or stops doing so.

#include <QString>

class TRLoginItem
{
public:
    // Registers (enabled) or unregisters the login item; false when that
    // failed. identifier names the helper application that the platforms
    // with a launcher register; the XDG back-end starts this executable
    // itself and does not need it.
    static bool setEnabled(const QString &identifier, bool enabled);

    // True when the login item is registered.
    static bool isEnabled();

    // Where the platform keeps the login item; empty when it has no file.
    static QString entryPath();

    // The command line that starts the given executable, written the way the
    // platform's entry expects it.
    static QString commandLine(const QString &executablePath);
};
