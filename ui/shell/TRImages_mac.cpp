#include "TRImages.h"

#include <QIcon>

QIcon TRImages::forStatusItem(const QIcon &image)
{
    // The menu bar tints template images to suit its appearance.
    QIcon mask = image;
    mask.setIsMask(true);
    return mask;
}
