#pragma once

// The platform's side of the settings store: where the current user's
// settings live, and the repair their file may need before the first write.

#include <QString>

#include <memory>

class QSettings;

class TRSettingsFile
{
public:
    // The store of the current user.
    static std::unique_ptr<QSettings> openUserStore();

    // QSettings writes under a lock file. A process killed after creating it
    // and before writing its owner into it leaves it empty, and QSettings
    // then takes it for a live lock until it is 30 seconds old: every write
    // of the next start waits that long. Such a lock, beside settingsFile,
    // is removed.
    static void removeOwnerlessLock(const QString &settingsFile);
};
