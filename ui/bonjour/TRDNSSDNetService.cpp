#include "TRDNSSDNetService.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <dns_sd.h>

struct TRDNSSDNetService::Answer
{
    bool received = false;
    bool ok = false;
    QString hostName;
    quint16 port = 0;
};

namespace {

void DNSSD_API resolveReply(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType errorCode,
                            const char *, const char *hostTarget, uint16_t port, uint16_t,
                            const unsigned char *, void *context);

} // namespace

TRDNSSDNetService::TRDNSSDNetService(const QString &name, const QString &type,
                                     const QString &domain)
    : TRNetService(name, type, domain)
    , m_answer(std::make_unique<Answer>())
{}

TRDNSSDNetService::~TRDNSSDNetService()
{
    stop();
}

bool TRDNSSDNetService::startResolving()
{
    *m_answer = Answer{};
    // Any interface: the service may have been seen on several, and the one
    // it was first seen on may be gone.
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error = DNSServiceResolve(
        &ref, 0, kDNSServiceInterfaceIndexAny, name().toUtf8().constData(),
        type().toUtf8().constData(), domain().toUtf8().constData(), resolveReply, m_answer.get());
    if (error != kDNSServiceErr_NoError || !ref) {
        return false;
    }
    const int fd = DNSServiceRefSockFD(ref);
    if (fd < 0) {
        DNSServiceRefDeallocate(ref);
        return false;
    }
    m_ref = ref;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { processResult(); });
    return true;
}

void TRDNSSDNetService::stopResolving()
{
    // The notifier must go before the library closes its socket.
    m_notifier.reset();
    if (m_ref) {
        DNSServiceRefDeallocate(m_ref);
        m_ref = nullptr;
    }
}

void TRDNSSDNetService::processResult()
{
    if (!m_ref) {
        return;
    }
    if (DNSServiceProcessResult(m_ref) != kDNSServiceErr_NoError) {
        didNotResolve();
        return;
    }
    if (!m_answer->received) {
        return;
    }
    const Answer answer = *m_answer;
    if (answer.ok) {
        didResolve(answer.hostName, answer.port);
    } else {
        didNotResolve();
    }
}

namespace {

void DNSSD_API resolveReply(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType errorCode,
                            const char *, const char *hostTarget, uint16_t port, uint16_t,
                            const unsigned char *, void *context)
{
    auto *answer = static_cast<TRDNSSDNetService::Answer *>(context);
    if (answer->received) {
        return;
    }
    answer->received = true;
    answer->ok = errorCode == kDNSServiceErr_NoError;
    if (answer->ok) {
        answer->hostName = hostTarget ? QString::fromUtf8(hostTarget) : QString();
        // The port arrives in network byte order.
        answer->port = ntohs(port);
    }
}

} // namespace
