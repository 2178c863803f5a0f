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

QMenu *TRTestMenus::openMenu(QMenu *menu)
{
    emit menu->aboutToShow();
    return menu;
}

QStringList TRTestMenus::describeTree(QMenu *menu, int depth)
{
    QStringList lines;
    openMenu(menu);
    const QString indent(depth * 2, QLatin1Char(' '));
    for (QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            lines << indent + "-";
            continue;
        }
        QString line = indent + action->text();
        if (action->menu()) {
            line += ">";
        }
        if (!action->isEnabled()) {
            line += " (disabled)";
        }
        const QString image = action->property("imageName").toString();
        if (!image.isEmpty()) {
            line += " [" + image + "]";
        }
        if (action->toolTip() != action->iconText()) {
            line += " {" + action->toolTip() + "}";
        }
        lines << line;
        if (action->menu()) {
            lines << describeTree(action->menu(), depth + 1);
        }
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

void TRTestMenus::lendItems(QMenu *from, QMenu *to)
{
    for (QAction *item : from->actions()) {
        from->removeAction(item);
        to->addAction(item);
    }
}
