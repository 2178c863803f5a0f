#include "TRDNSSDServiceBrowser.h"

#include "TRDNSSDNetService.h"

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

} // namespace

TRDNSSDServiceBrowser::TRDNSSDServiceBrowser()
{
    TRDNSSDDaemonWatcher::prepareLibrary();
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
    m_daemonWatcher.stop();
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
    // Through the timer: the watcher goes while the next attempt starts.
    if (!m_daemonWatcher.watch(
            [this](std::chrono::milliseconds wait) { m_retryTimer.start(wait); })) {
        scheduleRetry();
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
    m_daemonWatcher.stop();
    // The notifier must go before the library closes its socket.
    m_notifier.reset();
    if (m_ref) {
        DNSServiceRefDeallocate(m_ref);
        m_ref = nullptr;
    }
}
