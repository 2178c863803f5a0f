#include "TRImages.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>

QIcon TRImages::forStatusItem(const QIcon &image)
{
    // Nothing tints a tray image here, and panels are dark (GNOME) or light:
    // the dark lines get a light edge that keeps them visible on both.
    // Drawn in device pixels at every size a tray asks for, its doubles
    // included: at a scale factor of 2 a 22-pixel slot wants 44 pixels, and
    // a smaller image would be drawn in a corner of it.
    QIcon edged;
    for (const int size : {16, 22, 24, 32, 44, 48, 64, 96, 128}) {
        const QImage lines = image.pixmap(QSize(size, size), 1.0)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage edge = lines;
        QPainter tint(&edge);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(edge.rect(), QColor(255, 255, 255, 230));
        tint.end();

        QImage shown(lines.size(), QImage::Format_ARGB32_Premultiplied);
        shown.fill(Qt::transparent);
        QPainter painter(&shown);
        const int width = size >= 32 ? 2 : 1;
        for (int dx = -width; dx <= width; ++dx) {
            for (int dy = -width; dy <= width; ++dy) {
                painter.drawImage(dx, dy, edge);
            }
        }
        painter.drawImage(0, 0, lines);
        painter.end();
        edged.addPixmap(QPixmap::fromImage(shown));
    }
    return edged;
}
