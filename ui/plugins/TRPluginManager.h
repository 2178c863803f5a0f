#pragma once

// The registry of bookmark sources: creates the plugins once, sorted by name.

#include "TRPlugin.h"

#include <functional>
#include <memory>
#include <vector>

class TRPluginManagerWindowController;

class TRPluginManager
{
public:
    using Factory = std::function<TRPluginPtr()>;

    // The sources built into the application.
    static std::vector<Factory> builtInPlugins();

    // Creates a plugin with each factory, in order, then sorts them by name.
    explicit TRPluginManager(const std::vector<Factory> &factories = builtInPlugins());

    ~TRPluginManager();

    TRPluginManager(const TRPluginManager &) = delete;
    TRPluginManager &operator=(const TRPluginManager &) = delete;

    const std::vector<TRPluginPtr> &plugins() const { return m_plugins; }

    // The plugin manager window, made on first use and kept for the life of
    // the registry; it lists the plugins in the registry's order.
    TRPluginManagerWindowController *pluginWindowController();

private:
    void loadPlugins(const std::vector<Factory> &factories);

    std::vector<TRPluginPtr> m_plugins;
    // Declared after the plugins so that it goes first: it hands the shown
    // configuration pane back to its plugin.
    std::unique_ptr<TRPluginManagerWindowController> m_pluginWindowController;
};
