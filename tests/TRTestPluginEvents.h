#pragma once

// Records what plugins announce: each rebuild of a submenu, and each request
// to show something.

#include "TRUIManager.h"

#include <QList>
#include <QObject>

class TRTestPluginEvents : public QObject
{
public:
    TRTestPluginEvents();

    void reset();

    int rebuilds = 0;
    QList<TRUIManager::BrowserActionType> shown;
};
