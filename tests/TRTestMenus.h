#pragma once

// Reading real menus in tests.

#include <QStringList>

class QAction;
class QMenu;

namespace TRTestMenus {

// The menu as lines: "-" for a separator, a title with ">" when the item has
// a submenu, and " (disabled)" after a disabled item.
QStringList describe(const QMenu *menu);

// The first item with this title, or none.
QAction *findItem(const QMenu *menu, const QString &title);

} // namespace TRTestMenus
