#include "TRGoogleChromeProfile.h"

#include <QDir>

QString TRGoogleChromeProfile::defaultDirectory()
{
    const QString chrome = QDir::home().filePath(QStringLiteral(".config/google-chrome/Default"));
    const QString chromium = QDir::home().filePath(QStringLiteral(".config/chromium/Default"));
    return !QDir(chrome).exists() && QDir(chromium).exists() ? chromium : chrome;
}
