#include "TRWebsiteIconImage.h"

#include "TRFaviconTable.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

namespace TRWebsiteIconImage {

QImage decode(const QByteArray &bytes, int pixels)
{
    if (bytes.isEmpty() || bytes.size() > TRFaviconTable::largestIcon || pixels <= 0) {
        return {};
    }
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return {};
    }
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // Browsers store PNG, the icon formats of old sites, and Firefox SVG;
    // the other formats' readers are not needed to show an icon.
    const QByteArray format = reader.format();
    const bool vector = format == "svg";
    if (!vector && format != "png" && format != "ico" && format != "bmp" && format != "gif" &&
        format != "jpeg" && format != "webp") {
        return {};
    }
    // An SVG's text needs the fonts of a running interface; a tool without
    // one shows no such icon rather than stopping.
    if (vector && !qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        return {};
    }
    const QSize size = reader.size();
    if (!vector && (!size.isValid() || size.width() > largestSide || size.height() > largestSide)) {
        return {};
    }
    if (vector) {
        // Drawn at the size shown, whatever size it claims.
        QSize drawn = size.isValid() && !size.isEmpty() ? size : QSize(pixels, pixels);
        drawn.scale(pixels, pixels, Qt::KeepAspectRatio);
        reader.setScaledSize(drawn.expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.width() > pixels || image.height() > pixels) {
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

} // namespace TRWebsiteIconImage
