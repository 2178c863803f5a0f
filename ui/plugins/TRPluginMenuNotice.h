#pragma once

// The lines a plugin's submenu shows while it has nothing else to show: why,
// and where the user can act, the item that does it. A submenu is never
// empty, since an empty one does not open and tells the user nothing.

#include <QString>

class QAction;
class QMenu;
class QObject;

namespace TRPluginMenuNotice {

// A disabled line saying why the submenu holds nothing else.
QAction *addNotice(QMenu *menu, const QString &text, QObject *owner);

// "Set up <plugin>...": opens the Plugins window at that plugin's pane.
QAction *addSetUpItem(QMenu *menu, const QString &pluginName, QObject *owner);

} // namespace TRPluginMenuNotice
