#pragma once

// Reading real menus in tests.

#include <QStringList>

class QAction;
class QMenu;

namespace TRTestMenus {

// An item's text as the menu shows it: "&&" is "&", a single "&" (the mark
// of the access key) is gone.
QString visibleText(const QString &text);

// The menu as lines: "-" for a separator, a title with ">" when the item has
// a submenu, and " (disabled)" after a disabled item.
QStringList describe(const QMenu *menu);

// Opens a menu as the user does, which fills a lazy one; returns it.
QMenu *openMenu(QMenu *menu);

// The whole tree as lines, each submenu opened as the user opens it (which
// fills a lazy one) and its lines indented by two spaces below its item.
// Lines are as describe's, followed by " [image]" when the item has an
// "imageName" and " {tool tip}" when it has a tool tip of its own.
QStringList describeTree(QMenu *menu, int depth = 0);

// Moves every item of from into to, as the status menu does with the items
// of a plugin it shows inline.
void lendItems(QMenu *from, QMenu *to);

// The first item that shows this title, or none.
QAction *findItem(const QMenu *menu, const QString &title);

} // namespace TRTestMenus
