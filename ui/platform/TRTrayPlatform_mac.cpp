#include "TRTrayPlatform.h"

bool TRTrayPlatform::opensMenuOnAnyClick()
{
    return true;
}
