#include "TRTestSessionBus.h"

TRTestSessionBus::TRTestSessionBus()
{
    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    m_daemon.start();
    if (!m_daemon.waitForStarted(5000)) {
        return;
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (!m_address.isEmpty()) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    }
}

TRTestSessionBus::~TRTestSessionBus()
{
    m_daemon.terminate();
    m_daemon.waitForFinished(3000);
}
