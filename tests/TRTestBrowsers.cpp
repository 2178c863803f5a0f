#include "TRTestBrowsers.h"

#include "TRBrowserPlugin.h"
#include "TRTestPluginEvents.h"

#include <QTest>

TRBrowserProfile TRTestBrowsers::profileAt(const QString &browserId, std::size_t index)
{
    const auto browser = TRBrowserDiscovery::browser(browserId);
    return browser && index < browser->profiles.size() ? browser->profiles[index]
                                                       : TRBrowserProfile();
}

bool TRTestBrowsers::profilesFound(TRBrowserPlugin &plugin)
{
    bool found = false;
    plugin.findProfiles([&found] { found = true; });
    return QTest::qWaitFor([&found] { return found; }, 10000);
}

bool TRTestBrowsers::refreshAndWait(TRBrowserPlugin &plugin, const TRTestPluginEvents &events)
{
    const int before = events.rebuilds;
    plugin.update();
    return QTest::qWaitFor([&] { return events.rebuilds > before; }, 30000);
}
