#include "TRScriptedNetService.h"

TRScriptedNetService::~TRScriptedNetService()
{
    stop();
}

void TRScriptedNetService::answer(const QString &hostName, quint16 port)
{
    if (requestOpen) {
        didResolve(hostName, port);
    }
}

void TRScriptedNetService::fail()
{
    if (requestOpen) {
        didNotResolve();
    }
}

bool TRScriptedNetService::startResolving()
{
    ++resolveRequests;
    requestOpen = acceptsRequests;
    return acceptsRequests;
}

void TRScriptedNetService::stopResolving()
{
    requestOpen = false;
}
