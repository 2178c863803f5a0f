// Preloaded into an installed trellis by check-install.sh: runs the
// application's own lookup of the browser module, prints which file it
// loaded, and ends the process before Trellis starts for real. The
// application exports its symbols for the module; this uses the same ones.

#include "TRBrowserModule.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

// The module's file as the dynamic loader mapped it, which is the one the
// application uses whatever path it asked for.
QByteArray mappedModule()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray name = QByteArrayLiteral("/") + TRELLIS_BROWSER_MODULE_NAME;
    // Read whole: a file of /proc reports no size, so it is always at its end.
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.endsWith(name)) {
            return line.mid(line.indexOf('/'));
        }
    }
    return {};
}

void probe()
{
    const bool loaded = TRBrowserModule::factory() != nullptr;
    std::printf("browser module: %s\n", loaded ? mappedModule().constData() : "not loaded");
    std::fflush(stdout);
    // Leave before the application's own start-up, which is queued behind.
    std::_Exit(loaded ? 0 : 1);
}

// Called while QApplication is constructed; the probe itself waits for the
// event loop, when the application object is complete.
void scheduleProbe()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &probe, Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(scheduleProbe)
