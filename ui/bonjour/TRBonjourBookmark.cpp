#include "TRBonjourBookmark.h"

std::shared_ptr<TRBonjourBookmark> TRBonjourBookmark::init(TRBookmarkKind kind, const QString &name,
                                                           const QUrl &url)
{
    return makeShared<TRBonjourBookmark>(kind, name, url);
}

TRBonjourBookmark::TRBonjourBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url)
    : TRBookmark(kind, name, url)
{}

TRBonjourBookmark::~TRBonjourBookmark()
{
    // The service may outlive this bookmark; it must not call back into it.
    if (m_netService && m_netService->delegate() == this) {
        m_netService->setDelegate(nullptr);
    }
}

void TRBonjourBookmark::netServiceDidResolveAddress(TRNetService *service)
{
    if (!service) {
        return;
    }
    if (!service->hostName().isEmpty()) {
        // The host name as the daemon reports it, trailing dot included; the
        // TXT record's path is not consulted.
        const QString text = QStringLiteral("http://") + service->hostName() + QStringLiteral(":") +
                             QString::number(service->port());
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && !url.host().isEmpty()) {
            setUrl(url);
        }
    }
    if (service->delegate() == this) {
        service->setDelegate(nullptr);
    }
    if (m_resolveCompletionHandler) {
        const std::function<void()> handler = std::move(m_resolveCompletionHandler);
        m_resolveCompletionHandler = nullptr;
        handler();
    }
}
