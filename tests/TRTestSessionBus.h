#pragma once

// A private D-Bus session bus for one test run, so that tests never talk to
// the user's own bus.

#include <QProcess>
#include <QString>

class TRTestSessionBus
{
public:
    // Starts dbus-daemon and points DBUS_SESSION_BUS_ADDRESS at it; call it
    // before anything connects to the session bus.
    TRTestSessionBus();
    ~TRTestSessionBus();

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};
