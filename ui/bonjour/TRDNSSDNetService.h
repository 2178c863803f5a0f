#pragma once

// A network service resolved through the DNS-SD API.

#include "TRNetService.h"

#include <memory>

class QSocketNotifier;
struct _DNSServiceRef_t;

class TRDNSSDNetService : public TRNetService
{
public:
    TRDNSSDNetService(const QString &name, const QString &type, const QString &domain);
    ~TRDNSSDNetService() override;

    // What the library's callback hands over.
    struct Answer;

protected:
    bool startResolving() override;
    void stopResolving() override;

private:
    void processResult();

    _DNSServiceRef_t *m_ref = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // Filled by the library's callback, acted on once the library has returned.
    std::unique_ptr<Answer> m_answer;
};
