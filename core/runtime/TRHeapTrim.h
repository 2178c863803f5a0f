#pragma once

// Keeps the C library's heap small when whole trees are built on worker
// threads and freed a generation at a time.

class TRHeapTrim
{
public:
    // Before any thread starts: every thread allocates from one heap. The
    // parsers build their trees on worker threads, where the C library would
    // otherwise grow a heap of their own a page at a time, one system call
    // each, and keep what a parse frees apart from the main thread's heap.
    static void useOneMemoryArena();
    // Hands memory that freed trees left in the heap back to the system. The
    // C library keeps freed memory below memory still in use, and a refresh
    // frees a whole generation of trees at once.
    static void releaseFreeMemory();
};
