#include "TRWindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect TRWindowPlacement::availableGeometry()
{
    // The tray's menu opens at the pointer, so the windows it opens belong
    // on that screen too.
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen ? screen->availableGeometry() : QRect();
}

QRect TRWindowPlacement::fittedFrame(QSize frameSize, const QRect &available)
{
    QRect frame(QPoint(0, 0), frameSize.boundedTo(available.size()));
    frame.moveCenter(available.center());
    return frame;
}

void TRWindowPlacement::centre(QWidget *window, const QRect &available)
{
    if (!window || available.isEmpty()) {
        return;
    }
    // The frame's margins: the title bar and borders the window manager adds.
    const QRect frame = window->frameGeometry();
    const QSize margins = frame.size() - window->size();
    const QRect fitted = fittedFrame(frame.size(), available);
    const QSize size = (fitted.size() - margins).expandedTo(QSize(1, 1));
    if (size != window->size()) {
        // A window's own minimum would keep it larger than the screen.
        window->setMinimumSize(window->minimumSize().boundedTo(size));
        window->resize(size);
    }
    // A layout may still keep it larger: then it starts at the area's
    // top-left corner, where its title bar and first controls stay in reach.
    window->move(fittedFrame(window->size() + margins, available).topLeft());
}
