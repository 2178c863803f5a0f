#include "TRSingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

// What a later start sends over the socket: one line, so that a request cut
// short is told apart from a whole one.
const QByteArray activationRequest = QByteArrayLiteral("activate\n");
const QByteArray findRequest = QByteArrayLiteral("find\n");

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

bool TRSingleInstance::acquire(Request request)
{
    {
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(500)) {
            probe.write(request == Request::find ? findRequest : activationRequest);
            probe.waitForBytesWritten(500);
            probe.disconnectFromServer();
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
            // A later start sends its line and closes; the socket goes with
            // the connection.
            const auto readRequest = [this, socket] {
                if (!socket->canReadLine()) {
                    return;
                }
                const QByteArray line = socket->readLine(64);
                if (line == activationRequest && onActivationRequested) {
                    onActivationRequested();
                } else if (line == findRequest && onFindRequested) {
                    onFindRequested();
                }
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket, readRequest);
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // The line, and the close, may have come with the connection.
            readRequest();
            if (socket->state() == QLocalSocket::UnconnectedState) {
                socket->deleteLater();
            }
        }
    });
    return true;
}
