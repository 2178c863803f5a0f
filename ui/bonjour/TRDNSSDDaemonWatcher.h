#pragma once

// Tells when a DNS-SD daemon that did not answer may have come, where the
// platform lets that be watched (on Linux: Avahi's name on the system bus,
// or the bus's socket appearing).

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QDBusServiceWatcher;
class QFileSystemWatcher;

class TRDNSSDDaemonWatcher
{
public:
    // Asked to try again after the given wait.
    using RetryHandler = std::function<void(std::chrono::milliseconds wait)>;

    // Before the DNS-SD library is first used: keeps it from printing
    // anything of its own.
    static void prepareLibrary();

    TRDNSSDDaemonWatcher();
    ~TRDNSSDDaemonWatcher();

    TRDNSSDDaemonWatcher(const TRDNSSDDaemonWatcher &) = delete;
    TRDNSSDDaemonWatcher &operator=(const TRDNSSDDaemonWatcher &) = delete;

    // Starts watching, replacing any earlier watch; false when there is
    // nothing to watch and the caller has to ask again in time. The handler
    // may be called until stop() or the watcher's end.
    bool watch(const RetryHandler &retry);
    void stop();
    bool isWatching() const { return m_daemonWatcher || m_busWatcher; }

private:
    std::unique_ptr<QDBusServiceWatcher> m_daemonWatcher;
    std::unique_ptr<QFileSystemWatcher> m_busWatcher;
    QString m_busConnectionName;
};
