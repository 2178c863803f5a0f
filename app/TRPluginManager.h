#pragma once

// The registry of bookmark sources: creates the plugins once, sorted by name.

#include "TRPlugin.h"

#include <functional>
#include <vector>

class QWidget;

class TRPluginManager
{
public:
    using Factory = std::function<TRPluginPtr()>;

    // The sources built into the application.
    static std::vector<Factory> builtInPlugins();

    // Creates a plugin with each factory, in order, then sorts them by name.
    explicit TRPluginManager(const std::vector<Factory> &factories = builtInPlugins());

    TRPluginManager(const TRPluginManager &) = delete;
    TRPluginManager &operator=(const TRPluginManager &) = delete;

    const std::vector<TRPluginPtr> &plugins() const { return m_plugins; }

    // The plugin manager window; none until the configuration windows exist.
    QWidget *pluginWindowController() const { return m_pluginWindowController; }

private:
    void loadPlugins(const std::vector<Factory> &factories);

    std::vector<TRPluginPtr> m_plugins;
    QWidget *m_pluginWindowController = nullptr;
};
