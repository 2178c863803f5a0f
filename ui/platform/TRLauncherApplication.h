#pragma once

// The contract with the small launcher application that starts Trellis at
// login: how to tell that it runs, and how to ask it to quit.

#include <QString>

namespace TRLauncherApplication {

inline const QString bundleIdentifier = QStringLiteral("com.kwtlabs.LauncherApplication");

// Where the request to quit travels on the session bus.
inline const QString signalPath = QStringLiteral("/com/kwtlabs/LauncherApplication");
inline const QString signalInterface = QStringLiteral("com.kwtlabs.LauncherApplication");

// True when the launcher application is running.
bool isRunning();

// Asks the launcher application to quit, naming the main application.
void postShouldTerminate(const QString &mainApplicationIdentifier);

} // namespace TRLauncherApplication
