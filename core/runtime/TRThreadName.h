#pragma once

// Names the calling thread for debuggers and process listings.

#include <QString>

class TRThreadName
{
public:
    static void setCurrent(const QString &name);
};
