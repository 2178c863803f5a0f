#pragma once

// A network service whose resolutions the test answers.

#include "TRNetService.h"

class TRScriptedNetService : public TRNetService
{
public:
    using TRNetService::TRNetService;
    ~TRScriptedNetService() override;

    // The daemon's answers to the open request.
    void answer(const QString &hostName, quint16 port);
    void fail();

    // Requests made so far, and whether one is open now.
    int resolveRequests = 0;
    bool requestOpen = false;
    // What the next request gets from the daemon.
    bool acceptsRequests = true;

protected:
    bool startResolving() override;
    void stopResolving() override;
};
