#include "TRLauncherApplication.h"

#include "TRNotificationNames.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

// A running application owns its identifier as a name on the session bus.
bool TRLauncherApplication::isRunning()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        return false;
    }
    const QDBusReply<bool> reply = bus.interface()->isServiceRegistered(bundleIdentifier);
    return reply.isValid() && reply.value();
}

void TRLauncherApplication::postShouldTerminate(const QString &mainApplicationIdentifier)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        signalPath, signalInterface, TRNotificationNames::launcherApplicationShouldTerminate);
    signal << mainApplicationIdentifier;
    QDBusConnection::sessionBus().send(signal);
}
