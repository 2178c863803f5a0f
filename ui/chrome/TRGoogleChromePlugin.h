#pragma once

// The "Chrome" entry of the tray menu: Google Chrome's profiles, read with
// the keys and the shared parser Chrome has always used.

#include "TRBrowserPlugin.h"

class TRGoogleChromePlugin : public TRBrowserPlugin
{
    Q_OBJECT

public:
    // Reads the dialog's files through the given parser; the application's
    // shared one by default.
    explicit TRGoogleChromePlugin(TRGoogleChromeBookmarksParser *parser = nullptr);
};
