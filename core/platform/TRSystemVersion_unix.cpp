#include "TRSystemVersion.h"

bool TRSystemVersion::runningSystemIsSupported()
{
    // Every Linux system that builds against Qt 6 is recent enough.
    return true;
}
