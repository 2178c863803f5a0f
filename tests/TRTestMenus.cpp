#include "TRTestMenus.h"

#include <QAction>
#include <QMenu>

namespace {

// One item as describe writes it.
QString itemLine(const QAction *action)
{
    if (action->isSeparator()) {
        return QStringLiteral("-");
    }
    return TRTestMenus::visibleText(action->text()) + (action->menu() ? ">" : "") +
           (action->isEnabled() ? "" : " (disabled)");
}

} // namespace

QString TRTestMenus::visibleText(const QString &text)
{
    QString shown;
    for (qsizetype index = 0; index < text.size(); ++index) {
        // The character after an "&" is shown: a letter, or the second "&".
        if (text.at(index) == u'&' && ++index == text.size()) {
            break;
        }
        shown += text.at(index);
    }
    return shown;
}

QStringList TRTestMenus::describe(const QMenu *menu)
{
    QStringList lines;
    for (const QAction *action : menu->actions()) {
        lines << itemLine(action);
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
    for (QAction *action : menu->actions()) {
        // A separator has neither an image nor a tool tip of its own.
        QString line = QString(depth * 2, QLatin1Char(' ')) + itemLine(action);
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
        if (visibleText(action->text()) == title) {
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
