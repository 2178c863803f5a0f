#include "TRGoogleChromeProfile.h"

#include <QDir>

QString TRGoogleChromeProfile::defaultDirectory()
{
    return QDir::home().filePath(
        QStringLiteral("Library/Application Support/Google/Chrome/Default"));
}
