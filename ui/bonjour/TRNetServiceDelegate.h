#pragma once

// What the owner of a resolution hears from a network service.

class TRNetService;

class TRNetServiceDelegate
{
public:
    virtual ~TRNetServiceDelegate() = default;

    // The service's host name and port are known now.
    virtual void netServiceDidResolveAddress(TRNetService *service) = 0;
    // The resolution failed or ran out of time; the service stays unresolved.
    virtual void netServiceDidNotResolve(TRNetService *service) { (void)service; }
};
