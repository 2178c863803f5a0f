#include "TRDNSSDDaemonWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QFileSystemWatcher>

using namespace std::chrono_literals;

namespace {

const QString avahiServiceName = QStringLiteral("org.freedesktop.Avahi");

// The path of the system bus's socket, as libdbus finds the bus; empty for
// an address that is no socket path.
QString systemBusSocketPath()
{
    const QByteArray address = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (address.isEmpty()) {
        return QStringLiteral("/run/dbus/system_bus_socket");
    }
    // Only a single "unix:path=..." address is watched.
    if (!address.startsWith("unix:path=") || address.contains(';') || address.contains(',')) {
        return {};
    }
    return QString::fromLocal8Bit(address.mid(10));
}

} // namespace

void TRDNSSDDaemonWatcher::prepareLibrary()
{
    // Avahi's DNS-SD layer writes a warning about itself to standard error
    // on first use unless this is set; nothing but our own diagnostics may
    // be printed.
    if (!qEnvironmentVariableIsSet("AVAHI_COMPAT_NOWARN")) {
        qputenv("AVAHI_COMPAT_NOWARN", "1");
    }
}

TRDNSSDDaemonWatcher::TRDNSSDDaemonWatcher() = default;

TRDNSSDDaemonWatcher::~TRDNSSDDaemonWatcher()
{
    stop();
}

bool TRDNSSDDaemonWatcher::watch(const RetryHandler &retry)
{
    stop();
    // Avahi's library reaches its daemon over the system bus. A connection
    // of its own, made afresh each time: Qt keeps the shared system bus
    // connection disconnected once it has failed.
    const QString name =
        QStringLiteral("trellis-dnssd-%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    if (bus.isConnected()) {
        // A daemon that is there and still fails is asked again in time.
        if (bus.interface()->isServiceRegistered(avahiServiceName)) {
            QDBusConnection::disconnectFromBus(name);
            return false;
        }
        m_busConnectionName = name;
        m_daemonWatcher = std::make_unique<QDBusServiceWatcher>(
            avahiServiceName, bus, QDBusServiceWatcher::WatchForRegistration);
        QObject::connect(m_daemonWatcher.get(), &QDBusServiceWatcher::serviceRegistered,
                         m_daemonWatcher.get(), [retry] { retry(0ms); });
        return true;
    }
    QDBusConnection::disconnectFromBus(name);
    const QString socket = systemBusSocketPath();
    const QString folder = socket.isEmpty() ? QString() : QFileInfo(socket).absolutePath();
    // A socket that is there but takes no connection will not change again.
    if (folder.isEmpty() || QFileInfo::exists(socket) || !QFileInfo(folder).isDir()) {
        return false;
    }
    m_busWatcher = std::make_unique<QFileSystemWatcher>(QStringList{folder});
    QObject::connect(m_busWatcher.get(), &QFileSystemWatcher::directoryChanged, m_busWatcher.get(),
                     [retry, socket] {
                         // The socket is there a moment before the bus
                         // listens on it.
                         if (QFileInfo::exists(socket)) {
                             retry(500ms);
                         }
                     });
    return !m_busWatcher->directories().isEmpty();
}

void TRDNSSDDaemonWatcher::stop()
{
    m_daemonWatcher.reset();
    m_busWatcher.reset();
    if (!m_busConnectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_busConnectionName);
        m_busConnectionName.clear();
    }
}
