#pragma once

// Driving a browser's plugin in tests: its profiles as found, and a refresh
// waited for.

#include "TRBrowserDiscovery.h"

#include <QString>

#include <cstddef>

class TRBrowserPlugin;
class TRTestPluginEvents;

namespace TRTestBrowsers {

// The profile at index of the browser of the given id as found in the
// current home; an empty one when there is none.
TRBrowserProfile profileAt(const QString &browserId, std::size_t index);
// Whether the plugin's own look at its browser's profiles ended in time.
bool profilesFound(TRBrowserPlugin &plugin);
// Refreshes the plugin; whether a submenu rebuild followed in time.
bool refreshAndWait(TRBrowserPlugin &plugin, const TRTestPluginEvents &events);

} // namespace TRTestBrowsers
