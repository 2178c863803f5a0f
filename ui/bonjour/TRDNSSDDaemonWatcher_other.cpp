#include "TRDNSSDDaemonWatcher.h"

#include <QDBusServiceWatcher>
#include <QFileSystemWatcher>

// The system's own DNS-SD daemon cannot be watched for here; a browser that
// finds none asks again in time.

void TRDNSSDDaemonWatcher::prepareLibrary()
{}

TRDNSSDDaemonWatcher::TRDNSSDDaemonWatcher() = default;

TRDNSSDDaemonWatcher::~TRDNSSDDaemonWatcher() = default;

bool TRDNSSDDaemonWatcher::watch(const RetryHandler &)
{
    return false;
}

void TRDNSSDDaemonWatcher::stop()
{}
