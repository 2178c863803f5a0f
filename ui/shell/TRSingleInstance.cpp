#include "TRSingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

QString runtimeFolder(const QString &folder)
{
    if (!folder.isEmpty()) {
        return folder;
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

TRSingleInstance::TRSingleInstance(const QString &folder)
    : m_serverName(QDir(runtimeFolder(folder)).filePath(QStringLiteral("trellis.socket")))
    , m_lock(QDir(runtimeFolder(folder)).filePath(QStringLiteral("trellis.lock")))
{
    // A lock left by a process that no longer runs is taken over; a live
    // one never expires.
    m_lock.setStaleLockTime(0);
}

bool TRSingleInstance::acquire()
{
    {
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(500)) {
            return false;
        }
    }
    if (!m_lock.tryLock(0)) {
        return false;
    }
    // The lock is ours, so whatever socket is left belongs to a dead process.
    QLocalServer::removeServer(m_serverName);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(m_serverName);
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            socket->disconnectFromServer();
            socket->deleteLater();
        }
    });
    return true;
}
