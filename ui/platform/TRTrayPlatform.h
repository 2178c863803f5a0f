#pragma once

// What the platform's tray does by itself with a click on an icon.

namespace TRTrayPlatform {

// True where any click opens an icon's menu (the macOS menu bar); elsewhere
// a left click only reaches the application, which opens the menu itself.
bool opensMenuOnAnyClick();

} // namespace TRTrayPlatform
