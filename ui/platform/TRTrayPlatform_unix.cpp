#include "TRTrayPlatform.h"

bool TRTrayPlatform::opensMenuOnAnyClick()
{
    // A left click on an XEmbed or StatusNotifierItem icon reaches the
    // application as an activation and opens nothing by itself.
    return false;
}
