#pragma once

// A named serial queue: operations run one at a time, in order, on a worker
// thread of its own. Cancelling drops the operations that have not started.

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QWaitCondition>

#include <deque>
#include <functional>

class TROperationQueue
{
public:
    using Operation = std::function<void()>;

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

    // Runs fn on the main thread's event loop, unless context is destroyed
    // before its turn comes.
    template <class Fn>
    static void runOnMainQueue(QObject *context, Fn &&fn)
    {
        QMetaObject::invokeMethod(context, std::forward<Fn>(fn), Qt::QueuedConnection);
    }

private:
    void drain();

    const QString m_name;
    QThreadPool m_pool;
    mutable QMutex m_mutex;
    QWaitCondition m_idle;
    std::deque<Operation> m_pending;
    // A drain task is scheduled or running on the pool.
    bool m_running = false;
    // An operation is running right now.
    bool m_executing = false;
};
