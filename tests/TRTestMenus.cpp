#include "TRTestMenus.h"

#include <QAction>
#include <QMenu>

QStringList TRTestMenus::describe(const QMenu *menu)
{
    QStringList lines;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            lines << "-";
            continue;
        }
        QString line = action->text();
        if (action->menu()) {
            line += ">";
        }
        if (!action->isEnabled()) {
            line += " (disabled)";
        }
        lines << line;
    }
    return lines;
}

QAction *TRTestMenus::findItem(const QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == title) {
            return action;
        }
    }
    return nullptr;
}
