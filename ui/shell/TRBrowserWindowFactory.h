#pragma once

// How the application reaches the built-in browser, which lives in a module
// of its own: the web engine it links is loaded only when the first browser
// window opens, not by an idle tray application.

#include "TRBrowserMode.h"

#include <functional>
#include <memory>

class QWidget;

class TRBrowserWindowFactory
{
public:
    virtual ~TRBrowserWindowFactory() = default;

    // A window for the mode, not shown yet. onDismiss is called once, with
    // the window, when it closes.
    virtual std::unique_ptr<QWidget> createWindow(const TRBrowserMode::Type &mode,
                                                  std::function<void(QWidget *)> onDismiss) = 0;
    // Shows a window made by createWindow in front.
    virtual void showWindow(QWidget *window) = 0;
};

// The module's one exported function; the factory lives as long as the
// process.
using TRBrowserWindowFactoryEntry = TRBrowserWindowFactory *(*)();
inline constexpr char trBrowserWindowFactoryEntryName[] = "trellisBrowserWindowFactory";
