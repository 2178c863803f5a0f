#include "TRScriptedServiceBrowser.h"

namespace {
const QString httpType = QStringLiteral("_http._tcp.");
}

void TRScriptedServiceBrowser::searchForServices(const QString &type, const QString &domain)
{
    searches.push_back({type, domain});
}

void TRScriptedServiceBrowser::announce(const QString &name, bool moreComing, const QString &domain)
{
    serviceReported(true, name, httpType, domain, moreComing);
}

void TRScriptedServiceBrowser::withdraw(const QString &name, bool moreComing, const QString &domain)
{
    serviceReported(false, name, httpType, domain, moreComing);
}

std::shared_ptr<TRScriptedNetService> TRScriptedServiceBrowser::service(const QString &name) const
{
    for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) {
        if (auto made = it->lock(); made && made->name() == name) {
            return made;
        }
    }
    return nullptr;
}

TRNetServicePtr TRScriptedServiceBrowser::makeService(const QString &name, const QString &type,
                                                      const QString &domain)
{
    auto made = std::make_shared<TRScriptedNetService>(name, type, domain);
    m_made.push_back(made);
    return made;
}
