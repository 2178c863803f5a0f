#pragma once

// The service browser over the DNS-SD API, which keeps trying while no daemon runs.

#include "TRNetServiceBrowser.h"

#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;
struct _DNSServiceRef_t;

class TRDNSSDServiceBrowser : public TRNetServiceBrowser
{
public:
    // How long to wait before asking a daemon that did not answer again;
    // each further failure doubles the wait up to the longest, so that a
    // machine without a daemon is not woken every few seconds all day.
    static constexpr std::chrono::milliseconds retryInterval{2000};
    static constexpr std::chrono::milliseconds longestRetryInterval{120000};

    TRDNSSDServiceBrowser();
    ~TRDNSSDServiceBrowser() override;

    void searchForServices(const QString &type, const QString &domain) override;

    // Whether a browse request stands with a daemon right now.
    bool isConnected() const { return m_ref != nullptr; }
    // The wait before the next attempt, while no daemon answers.
    std::chrono::milliseconds nextRetryInterval() const { return m_nextRetryInterval; }

    // The library's reports, handed over by its callback.
    void browseReply(unsigned int flags, int errorCode, const char *name, const char *type,
                     const char *domain);

protected:
    TRNetServicePtr makeService(const QString &name, const QString &type,
                                const QString &domain) override;

private:
    void start();
    void processResult();
    // Drops the request, tells the delegate the services are gone and tries
    // again later.
    void restart();
    void close();
    void scheduleRetry();

    QString m_type;
    QString m_domain;
    _DNSServiceRef_t *m_ref = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_retryTimer;
    std::chrono::milliseconds m_nextRetryInterval = retryInterval;
    // Set by the callback when the daemon reports an error.
    bool m_failed = false;
};
