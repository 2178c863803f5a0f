#include "TRTestHome.h"

#include <QCoreApplication>

TRTestHome::TRTestHome()
{
    if (!m_home.isValid()) {
        return;
    }
    const QString home = m_home.path();
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
    qputenv("XDG_CACHE_HOME", (home + "/.cache").toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.toUtf8());
}

void TRTestHome::nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("kwtlabs.com"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRELLIS_VERSION));
}
