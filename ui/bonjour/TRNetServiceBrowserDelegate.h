#pragma once

// What the owner of a service browser hears: services appearing and going.

#include "TRNetService.h"

class TRNetServiceBrowser;

class TRNetServiceBrowserDelegate
{
public:
    virtual ~TRNetServiceBrowserDelegate() = default;

    // moreComing: further reports follow at once; the last of a batch says false.
    virtual void netServiceBrowserDidFindService(TRNetServiceBrowser *browser,
                                                 const TRNetServicePtr &service,
                                                 bool moreComing) = 0;
    virtual void netServiceBrowserDidRemoveService(TRNetServiceBrowser *browser,
                                                   const TRNetServicePtr &service,
                                                   bool moreComing) = 0;
};
