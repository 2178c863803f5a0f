#pragma once

// Puts a window where the user is: on the screen under the pointer, inside
// that screen's available area, shrunk when it would not fit.

#include <QRect>

class QWidget;

class TRWindowPlacement
{
public:
    // The available area of the screen under the pointer, or of the primary
    // screen when the pointer is on none.
    static QRect availableGeometry();

    // A frame of the given size within available: no larger than it, and
    // centred in it.
    static QRect fittedFrame(QSize frameSize, const QRect &available);

    // Resizes window to fit available and centres it there. The frame
    // around the window counts once the window has one.
    static void centre(QWidget *window, const QRect &available);
    static void centre(QWidget *window) { centre(window, availableGeometry()); }
};
