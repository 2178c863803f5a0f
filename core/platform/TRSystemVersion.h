#pragma once

// Whether Trellis runs on this system. The test is a pure function of the
// platform's version number so that both answers can be checked anywhere.

namespace TRSystemVersion {

// The Foundation version number of macOS 10.11, the oldest supported release.
inline constexpr double minimumFoundationVersion = 1252.0;

constexpr bool isSupported(double foundationVersionNumber)
{
    return foundationVersionNumber >= minimumFoundationVersion;
}

// The answer for the running system, computed once.
bool runningSystemIsSupported();

} // namespace TRSystemVersion
