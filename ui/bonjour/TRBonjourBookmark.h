#pragma once

// A web server announced on the local network; its address is known once resolved.

#include "TRBookmark.h"
#include "TRNetService.h"
#include "TRNetServiceDelegate.h"

#include <functional>
#include <memory>

class TRBonjourBookmark : public TRBookmark, public TRNetServiceDelegate
{
public:
    static std::shared_ptr<TRBonjourBookmark> init(TRBookmarkKind kind, const QString &name,
                                                   const QUrl &url = {});
    ~TRBonjourBookmark() override;

    const TRNetServicePtr &netService() const { return m_netService; }
    void setNetService(const TRNetServicePtr &service) { m_netService = service; }

    // Run once when the next resolution succeeds.
    const std::function<void()> &resolveCompletionHandler() const
    {
        return m_resolveCompletionHandler;
    }
    void setResolveCompletionHandler(std::function<void()> handler)
    {
        m_resolveCompletionHandler = std::move(handler);
    }

    // Stores "http://<host>:<port>" as the URL, leaves the service and runs
    // the completion handler.
    void netServiceDidResolveAddress(TRNetService *service) override;

protected:
    TRBonjourBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url);

private:
    TRNetServicePtr m_netService;
    std::function<void()> m_resolveCompletionHandler;
};
