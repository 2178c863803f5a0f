#include "TRInspectMenuWriter.h"

#include <QAction>
#include <QMenu>

TRInspectMenuWriter::TRInspectMenuWriter(std::FILE *out)
    : m_out(out)
{}

void TRInspectMenuWriter::write(QMenu *menu, int depth)
{
    // A lazy submenu fills itself when it is about to show.
    emit menu->aboutToShow();
    const QString indent(depth * 2, QLatin1Char(' '));
    for (QAction *action : menu->actions()) {
        QString line = indent;
        if (action->isSeparator()) {
            line += QStringLiteral("---");
        } else {
            // As the menu shows it: "&&" stands for one "&".
            line += QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
            const QString image = action->property("imageName").toString();
            if (!image.isEmpty()) {
                line += QStringLiteral(" [") + image + QLatin1Char(']');
            }
            if (!action->isEnabled()) {
                line += QStringLiteral(" (disabled)");
            }
            // Qt makes a tool tip from the title when none is set.
            if (action->toolTip() != action->iconText()) {
                line += QStringLiteral(" {") + action->toolTip() + QLatin1Char('}');
            }
        }
        std::fprintf(m_out, "%s\n", line.toUtf8().constData());
        if (action->menu()) {
            write(action->menu(), depth + 1);
        }
    }
}
