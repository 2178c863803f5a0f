#include "TRHeapTrim.h"

// C libraries other than glibc offer neither; their heaps are left as they are.

void TRHeapTrim::useOneMemoryArena()
{}

void TRHeapTrim::releaseFreeMemory()
{}
