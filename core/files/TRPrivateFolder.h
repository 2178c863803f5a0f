#pragma once

// The folder where Trellis keeps its private copies of granted files and
// what it derives from them.

#include <QString>

#include <optional>

class TRPrivateFolder
{
public:
    // The folder, created when missing; none when it cannot be had.
    static std::optional<QString> path();

    // Puts the private copies somewhere else, for tools that must not touch
    // the application's own copies; an empty path restores the default.
    static void setOverride(const QString &path);
};
