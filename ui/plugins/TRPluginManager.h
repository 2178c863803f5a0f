#pragma once

// The registry of bookmark sources: creates the plugins once, sorted by name.

#include "TRPlugin.h"

#include <functional>
#include <vector>

class TRPluginManager
{
public:
    using Factory = std::function<TRPluginPtr()>;

    // Creates a plugin with each factory, in order, then sorts them by name.
    explicit TRPluginManager(const std::vector<Factory> &factories);

    TRPluginManager(const TRPluginManager &) = delete;
    TRPluginManager &operator=(const TRPluginManager &) = delete;

    const std::vector<TRPluginPtr> &plugins() const { return m_plugins; }

private:
    void loadPlugins(const std::vector<Factory> &factories);

    std::vector<TRPluginPtr> m_plugins;
};
