#include "TRHeapTrim.h"

#include <malloc.h>

void TRHeapTrim::useOneMemoryArena()
{
    mallopt(M_ARENA_MAX, 1);
}

void TRHeapTrim::releaseFreeMemory()
{
    malloc_trim(0);
}
