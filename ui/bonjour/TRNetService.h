#pragma once

// One announced network service and the resolution of its host name and port.

#include <QString>
#include <QTimer>

#include <memory>

class TRNetServiceDelegate;

class TRNetService
{
public:
    TRNetService(const QString &name, const QString &type, const QString &domain);
    virtual ~TRNetService();

    TRNetService(const TRNetService &) = delete;
    TRNetService &operator=(const TRNetService &) = delete;

    const QString &name() const { return m_name; }
    const QString &type() const { return m_type; }
    const QString &domain() const { return m_domain; }

    // Empty until a resolution succeeds; then as the daemon reports it,
    // usually with a trailing dot ("host.local.").
    const QString &hostName() const { return m_hostName; }
    quint16 port() const { return m_port; }

    // Does not own the delegate.
    TRNetServiceDelegate *delegate() const { return m_delegate; }
    void setDelegate(TRNetServiceDelegate *delegate) { m_delegate = delegate; }

    // Starts resolving; a resolution under way starts over. The delegate
    // hears once of the result: the address, or a failure, which includes
    // running out of time.
    void resolveWithTimeout(double seconds);
    // Abandons a resolution under way without telling the delegate.
    void stop();
    bool isResolving() const { return m_isResolving; }

protected:
    // Asks the daemon to resolve; false when the request could not be made.
    virtual bool startResolving() = 0;
    // Forgets the request to the daemon; nothing is reported after it.
    virtual void stopResolving() = 0;

    // For implementations: the daemon's answers.
    void didResolve(const QString &hostName, quint16 port);
    void didNotResolve();

private:
    QString m_name;
    QString m_type;
    QString m_domain;
    QString m_hostName;
    quint16 m_port = 0;
    TRNetServiceDelegate *m_delegate = nullptr;
    bool m_isResolving = false;
    QTimer m_timeout;
};

using TRNetServicePtr = std::shared_ptr<TRNetService>;
