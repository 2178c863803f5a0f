#include "TRImages.h"

#include <QFile>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>

QIcon TRImages::imageNamed(const QString &name)
{
    // Making an icon from an SVG file parses the file; a history menu asks
    // for the same few images hundreds of times, so each is made once.
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(name);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    const QString path = QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
    const QIcon image = name.isEmpty() || !QFile::exists(path) ? QIcon() : QIcon(path);
    cache.insert(name, image);
    return image;
}

namespace {

#ifndef Q_OS_MACOS
// Nothing tints a tray image here, and panels are dark (GNOME) or light: the
// dark lines get a light edge that keeps them visible on both.
QIcon withLightEdge(const QIcon &image)
{
    QIcon edged;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        const QImage lines =
            image.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
#endif

} // namespace

QIcon TRImages::statusItemImageNamed(const QString &name)
{
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(name);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    QIcon image = imageNamed(name);
    if (!image.isNull()) {
#ifdef Q_OS_MACOS
        // The menu bar tints template images to suit its appearance.
        image.setIsMask(true);
#else
        image = withLightEdge(image);
#endif
    }
    cache.insert(name, image);
    return image;
}
