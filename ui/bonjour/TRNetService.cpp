#include "TRNetService.h"

#include "TRNetServiceDelegate.h"

#include <chrono>
#include <cmath>

TRNetService::TRNetService(const QString &name, const QString &type, const QString &domain)
    : m_name(name)
    , m_type(type)
    , m_domain(domain)
{
    m_timeout.setSingleShot(true);
    // A coarse timer may fire up to 5% early.
    m_timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timeout, &QTimer::timeout, &m_timeout, [this] {
        if (m_isResolving) {
            m_isResolving = false;
            stopResolving();
            didNotResolve();
        }
    });
}

// Implementations stop their own requests: stopResolving() cannot be called
// from here, when the derived part is already gone.
TRNetService::~TRNetService() = default;

void TRNetService::resolveWithTimeout(double seconds)
{
    stop();
    if (!startResolving()) {
        didNotResolve();
        return;
    }
    m_isResolving = true;
    const double milliseconds = std::isfinite(seconds) ? std::max(seconds, 0.0) * 1000.0 : 0.0;
    m_timeout.start(std::chrono::milliseconds(static_cast<qint64>(std::llround(milliseconds))));
}

void TRNetService::stop()
{
    m_timeout.stop();
    if (m_isResolving) {
        m_isResolving = false;
        stopResolving();
    }
}

void TRNetService::didResolve(const QString &hostName, quint16 port)
{
    stop();
    m_hostName = hostName;
    m_port = port;
    if (m_delegate) {
        m_delegate->netServiceDidResolveAddress(this);
    }
}

void TRNetService::didNotResolve()
{
    stop();
    if (m_delegate) {
        m_delegate->netServiceDidNotResolve(this);
    }
}
