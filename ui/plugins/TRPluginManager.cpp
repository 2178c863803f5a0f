#include "TRPluginManager.h"

#include <algorithm>

TRPluginManager::TRPluginManager(const std::vector<Factory> &factories)
{
    loadPlugins(factories);
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
