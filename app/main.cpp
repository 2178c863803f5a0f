#include "AppDelegate.h"
#include "TRHeapTrim.h"
#include "TRLanguage.h"
#include "TRSingleInstance.h"
#include "TRWebEngineOutput.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    TRHeapTrim::useOneMemoryArena();
    AppDelegate::prepareGraphics();
    TRWebEngineOutput::quieten();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Trellis"));
    QApplication::setOrganizationDomain(QStringLiteral("kwtlabs.com"));
    QApplication::setApplicationVersion(QStringLiteral(TRELLIS_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.kwtlabs.Trellis"));
    // Before any window, menu or reader exists: all of them take their texts
    // from the language chosen here.
    TRLanguage::install();
    // Trellis lives in the tray; closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    TRSingleInstance instance;
    if (!instance.acquire()) {
        return 0;
    }

    AppDelegate delegate;
    // A later start asks this one to come forward: the Plugins window is
    // the one window every user has.
    instance.onActivationRequested = [&delegate] {
        delegate.showPluginsWindow();
    };
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
