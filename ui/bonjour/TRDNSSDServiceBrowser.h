#pragma once

// The service browser over the DNS-SD API, which tries again when a daemon
// that was missing appears.

#include "TRDNSSDDaemonWatcher.h"
#include "TRNetServiceBrowser.h"

#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;
struct _DNSServiceRef_t;

class TRDNSSDServiceBrowser : public TRNetServiceBrowser
{
public:
    // Avahi's library reaches its daemon over the system bus, so a missing
    // daemon is waited for without a timer: for its name on the bus, or for
    // the bus's socket to appear. Where neither can be watched (another bus
    // address, or a daemon that is there but fails), the browser asks again
    // after a wait that each failure doubles up to the longest, so that such
    // a machine is not woken every few seconds all day.
    static constexpr std::chrono::milliseconds retryInterval{2000};
    static constexpr std::chrono::milliseconds longestRetryInterval{120000};

    TRDNSSDServiceBrowser();
    ~TRDNSSDServiceBrowser() override;

    void searchForServices(const QString &type, const QString &domain) override;
    bool isDaemonAnswering() const override { return isConnected(); }

    // Whether a browse request stands with a daemon right now.
    bool isConnected() const { return m_ref != nullptr; }
    // The wait before the next timed attempt, while no daemon answers.
    std::chrono::milliseconds nextRetryInterval() const { return m_nextRetryInterval; }
    // Whether the browser waits for the daemon's name or the bus's socket.
    bool isWatchingForDaemon() const { return m_daemonWatcher.isWatching(); }
    bool isRetryScheduled() const { return m_retryTimer.isActive(); }
    // Browse requests made since the browser was made.
    int attempts() const { return m_attempts; }

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
    // Watches for the daemon, or else schedules a timed attempt.
    void waitForDaemon();

    QString m_type;
    QString m_domain;
    _DNSServiceRef_t *m_ref = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_retryTimer;
    std::chrono::milliseconds m_nextRetryInterval = retryInterval;
    // Set by the callback when the daemon reports an error.
    bool m_failed = false;
    int m_attempts = 0;
    TRDNSSDDaemonWatcher m_daemonWatcher;
};
