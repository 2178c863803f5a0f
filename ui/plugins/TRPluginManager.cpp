#include "TRPluginManager.h"

#include "TRBonjourPlugin.h"
#include "TRGoogleChromePlugin.h"
#include "TRPluginManagerWindowController.h"
#include "TRSafariPlugin.h"

#include <algorithm>

std::vector<TRPluginManager::Factory> TRPluginManager::builtInPlugins()
{
    return {
        [] { return std::make_shared<TRSafariPlugin>(); },
        [] { return std::make_shared<TRGoogleChromePlugin>(); },
        [] { return std::make_shared<TRBonjourPlugin>(); },
    };
}

TRPluginManager::TRPluginManager(const std::vector<Factory> &factories)
{
    loadPlugins(factories);
}

TRPluginManager::~TRPluginManager() = default;

TRPluginManagerWindowController *TRPluginManager::pluginWindowController()
{
    // Made when first asked for, not at start-up: most launches never open it.
    if (!m_pluginWindowController) {
        m_pluginWindowController = std::make_unique<TRPluginManagerWindowController>();
        m_pluginWindowController->setPlugins(m_plugins);
    }
    return m_pluginWindowController.get();
}

void TRPluginManager::loadPlugins(const std::vector<Factory> &factories)
{
    for (const Factory &create : factories) {
        if (TRPluginPtr plugin = create()) {
            m_plugins.push_back(std::move(plugin));
        }
    }
    // Plain code-unit order, not the locale's: the menu order must not change
    // with the user's language.
    std::stable_sort(m_plugins.begin(), m_plugins.end(),
                     [](const TRPluginPtr &a, const TRPluginPtr &b) {
                         return QString::compare(a->name(), b->name(), Qt::CaseSensitive) < 0;
                     });
}
