#include "TRDNSSDServiceBrowser.h"

#include "TRDNSSDNetService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <algorithm>

#include <dns_sd.h>

namespace {

void DNSSD_API browseCallback(DNSServiceRef, DNSServiceFlags flags, uint32_t,
                              DNSServiceErrorType errorCode, const char *name, const char *type,
                              const char *domain, void *context)
{
    static_cast<TRDNSSDServiceBrowser *>(context)->browseReply(flags, errorCode, name, type,
                                                               domain);
}

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

TRDNSSDServiceBrowser::TRDNSSDServiceBrowser()
{
#ifdef Q_OS_LINUX
    // Avahi's DNS-SD layer writes a warning about itself to standard error
    // on first use unless this is set; nothing but our own diagnostics may
    // be printed.
    if (!qEnvironmentVariableIsSet("AVAHI_COMPAT_NOWARN")) {
        qputenv("AVAHI_COMPAT_NOWARN", "1");
    }
#endif
    m_retryTimer.setSingleShot(true);
    QObject::connect(&m_retryTimer, &QTimer::timeout, &m_retryTimer, [this] { start(); });
}

TRDNSSDServiceBrowser::~TRDNSSDServiceBrowser()
{
    close();
}

void TRDNSSDServiceBrowser::searchForServices(const QString &type, const QString &domain)
{
    m_type = type;
    m_domain = domain;
    close();
    m_nextRetryInterval = retryInterval;
    start();
}

TRNetServicePtr TRDNSSDServiceBrowser::makeService(const QString &name, const QString &type,
                                                   const QString &domain)
{
    return std::make_shared<TRDNSSDNetService>(name, type, domain);
}

void TRDNSSDServiceBrowser::start()
{
    m_retryTimer.stop();
    stopWatching();
    m_failed = false;
    ++m_attempts;
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error =
        DNSServiceBrowse(&ref, 0, kDNSServiceInterfaceIndexAny, m_type.toUtf8().constData(),
                         m_domain.toUtf8().constData(), browseCallback, this);
    // No daemon (Avahi says kDNSServiceErr_Unknown): ask again when one
    // comes, quietly.
    if (error != kDNSServiceErr_NoError || !ref) {
        waitForDaemon();
        return;
    }
    const int fd = DNSServiceRefSockFD(ref);
    if (fd < 0) {
        DNSServiceRefDeallocate(ref);
        waitForDaemon();
        return;
    }
    m_ref = ref;
    m_nextRetryInterval = retryInterval;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { processResult(); });
}

void TRDNSSDServiceBrowser::processResult()
{
    if (!m_ref) {
        return;
    }
    // A daemon that went away shows as an error here or in the callback
    // (kDNSServiceErr_ServiceNotRunning; kDNSServiceErr_Unknown with Avahi).
    if (DNSServiceProcessResult(m_ref) != kDNSServiceErr_NoError || m_failed) {
        restart();
    }
}

void TRDNSSDServiceBrowser::browseReply(unsigned int flags, int errorCode, const char *name,
                                        const char *type, const char *domain)
{
    if (errorCode != kDNSServiceErr_NoError || !name || !type || !domain) {
        m_failed = true;
        return;
    }
    serviceReported((flags & kDNSServiceFlagsAdd) != 0, QString::fromUtf8(name),
                    QString::fromUtf8(type), QString::fromUtf8(domain),
                    (flags & kDNSServiceFlagsMoreComing) != 0);
}

void TRDNSSDServiceBrowser::restart()
{
    close();
    servicesLost();
    // A daemon that just went away is often back soon (a restart).
    m_nextRetryInterval = retryInterval;
    waitForDaemon();
}

void TRDNSSDServiceBrowser::waitForDaemon()
{
    if (!watchSystemBus()) {
        scheduleRetry();
    }
}

bool TRDNSSDServiceBrowser::watchSystemBus()
{
#ifdef Q_OS_LINUX
    stopWatching();
    // A connection of its own, made afresh each time: Qt keeps the shared
    // system bus connection disconnected once it has failed.
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
        // Through the timer: the watcher goes while the next attempt starts.
        QObject::connect(m_daemonWatcher.get(), &QDBusServiceWatcher::serviceRegistered,
                         &m_retryTimer, [this] { m_retryTimer.start(0); });
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
    QObject::connect(m_busWatcher.get(), &QFileSystemWatcher::directoryChanged, &m_retryTimer,
                     [this, socket] {
                         // The socket is there a moment before the bus
                         // listens on it.
                         if (QFileInfo::exists(socket)) {
                             m_retryTimer.start(500);
                         }
                     });
    return !m_busWatcher->directories().isEmpty();
#else
    return false;
#endif
}

void TRDNSSDServiceBrowser::stopWatching()
{
    m_daemonWatcher.reset();
    m_busWatcher.reset();
    if (!m_busConnectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_busConnectionName);
        m_busConnectionName.clear();
    }
}

void TRDNSSDServiceBrowser::scheduleRetry()
{
    m_retryTimer.start(m_nextRetryInterval);
    m_nextRetryInterval = std::min(m_nextRetryInterval * 2, longestRetryInterval);
}

void TRDNSSDServiceBrowser::close()
{
    m_retryTimer.stop();
    stopWatching();
    // The notifier must go before the library closes its socket.
    m_notifier.reset();
    if (m_ref) {
        DNSServiceRefDeallocate(m_ref);
        m_ref = nullptr;
    }
}
