#pragma once

// A service browser whose daemon reports the test plays, one interface at a time.

#include "TRNetServiceBrowser.h"
#include "TRScriptedNetService.h"

#include <QPair>
#include <QString>

#include <memory>
#include <vector>

class TRScriptedServiceBrowser : public TRNetServiceBrowser
{
public:
    void searchForServices(const QString &type, const QString &domain) override;
    bool isDaemonAnswering() const override { return answering; }
    // Whether the daemon answers the search.
    bool answering = true;

    // One report of a service on one interface and family.
    void announce(const QString &name, bool moreComing, const QString &domain = "local.");
    void withdraw(const QString &name, bool moreComing, const QString &domain = "local.");
    // The daemon goes away.
    void loseDaemon() { servicesLost(); }

    // The newest service object made for this name.
    std::shared_ptr<TRScriptedNetService> service(const QString &name) const;

    // Every (type, domain) that browsing was started for.
    std::vector<QPair<QString, QString>> searches;

protected:
    TRNetServicePtr makeService(const QString &name, const QString &type,
                                const QString &domain) override;

private:
    std::vector<std::weak_ptr<TRScriptedNetService>> m_made;
};
