#pragma once

// Hands callbacks from any thread to the main thread's event loop, in a way
// ThreadSanitizer can follow; behind TROperationQueue::runOnMainQueue.

#include <QObject>

#include <functional>

class TRMainQueue
{
public:
    // On the main thread, before the first post: sets up the hand-off.
    static void prepare();
    // Runs fn on the main thread's event loop, unless context is destroyed
    // before its turn comes. Safe to call from any thread.
    static void post(QObject *context, std::function<void()> fn);
};
