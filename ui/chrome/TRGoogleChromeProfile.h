#pragma once

// Where Google Chrome keeps its default profile on this platform.

#include <QString>

namespace TRGoogleChromeProfile {

// The default profile's folder: Chrome's own, or Chromium's where only that
// exists; the file dialog opens there.
QString defaultDirectory();

} // namespace TRGoogleChromeProfile
