#pragma once

// A named serial queue: operations run one at a time, in order, on a worker
// thread of its own. Cancelling drops the operations that have not started.
//
// Synchronisation uses the standard library's primitives, which
// ThreadSanitizer understands, rather than Qt's, which it cannot see into.

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TROperationQueue
{
public:
    using Operation = std::function<void()>;

    // Create queues on the main thread: the first one also prepares the
    // main queue's hand-off.
    explicit TROperationQueue(const QString &name);
    // Drops what has not started and waits for the running operation.
    ~TROperationQueue();

    TROperationQueue(const TROperationQueue &) = delete;
    TROperationQueue &operator=(const TROperationQueue &) = delete;

    QString name() const { return m_name; }

    void addOperation(Operation operation);
    // Drops every operation that has not started; a running one finishes.
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();
    // Operations waiting or running.
    int operationCount() const;

    // Drops what has not started in every queue of the process, asks each
    // running operation to stop and waits for it; the queues stay usable.
    // Run before the application ends: an operation still running while the
    // process exits would use libraries that are being torn down.
    static void stopAll();
    // Whether the operation running on this thread was asked to stop; long
    // operations look now and then and return early, their work unused.
    static bool isCurrentOperationCancelled();

    // Runs fn on the main thread's event loop, unless context is destroyed
    // before its turn comes. Safe to call from any thread.
    static void runOnMainQueue(QObject *context, std::function<void()> fn);

private:
    void run();

    const QString m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Operation> m_pending;
    bool m_executing = false;
    bool m_stopping = false;
    std::atomic<bool> m_cancelRunning = false;
    std::thread m_worker;
};
