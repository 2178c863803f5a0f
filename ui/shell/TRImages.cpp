#include "TRImages.h"

#include <QFile>
#include <QHash>
#include <QIcon>
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

QIcon TRImages::statusItemImageNamed(const QString &name)
{
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(name);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    QIcon image = imageNamed(name);
    if (!image.isNull()) {
        image = forStatusItem(image);
    }
    cache.insert(name, image);
    return image;
}
