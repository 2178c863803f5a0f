#include "AppDelegate.h"
#include "TRSingleInstance.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    // No shared OpenGL context is asked for: made at start-up, it loads the
    // whole OpenGL stack (some 60 MB resident and a tenth of a second) for a
    // tray icon; the web engine makes what it needs when a browser window
    // first opens.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Trellis"));
    QApplication::setOrganizationDomain(QStringLiteral("kwtlabs.com"));
    QApplication::setApplicationVersion(QStringLiteral(TRELLIS_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("trellis"));
    // Trellis lives in the tray; closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    TRSingleInstance instance;
    if (!instance.acquire()) {
        return 0;
    }

    AppDelegate delegate;
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
