#include "TRHeapTrim.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX) && defined(__GLIBC__)
#include <malloc.h>
#endif

void TRHeapTrim::useOneMemoryArena()
{
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
#endif
}

void TRHeapTrim::releaseFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
