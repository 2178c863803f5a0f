#include "TROperationQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <vector>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The main queue: callbacks wait in a list guarded by a standard mutex, and a
// byte in a pipe wakes the main thread's event loop. Nothing allocated on a
// worker is freed by Qt on the main thread, so the hand-off is visible to
// ThreadSanitizer.
class MainQueue
{
public:
    MainQueue()
    {
        if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            qFatal("Could not create the main queue's pipe");
        }
        m_notifier =
            new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { drain(); });
    }

    void post(QObject *context, std::function<void()> fn)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({QPointer<QObject>(context), std::move(fn)});
        if (!m_wakePending) {
            m_wakePending = true;
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(m_pipe[1], &byte, 1);
        }
    }

private:
    struct Entry
    {
        QPointer<QObject> context;
        std::function<void()> fn;
    };

    void drain()
    {
        char buffer[64];
        while (::read(m_pipe[0], buffer, sizeof buffer) > 0) {
        }
        std::deque<Entry> entries;
        {
            std::lock_guard lock(m_mutex);
            entries.swap(m_entries);
            m_wakePending = false;
        }
        for (Entry &entry : entries) {
            if (entry.context) {
                entry.fn();
            }
        }
    }

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    std::mutex m_mutex;
    std::deque<Entry> m_entries;
    bool m_wakePending = false;
};

MainQueue &mainQueue()
{
    static MainQueue queue;
    return queue;
}
#endif

// Every live queue, for stopAll.
std::mutex registryMutex;
std::vector<TROperationQueue *> &registry()
{
    static std::vector<TROperationQueue *> queues;
    return queues;
}

thread_local const std::atomic<bool> *currentCancelFlag = nullptr;

} // namespace

TROperationQueue::TROperationQueue(const QString &name)
    : m_name(name)
{
    {
        std::lock_guard lock(registryMutex);
        registry().push_back(this);
    }
#ifdef Q_OS_UNIX
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    mainQueue();
#endif
    m_worker = std::thread([this] { run(); });
}

TROperationQueue::~TROperationQueue()
{
    {
        std::lock_guard lock(registryMutex);
        std::erase(registry(), this);
    }
    {
        std::lock_guard lock(m_mutex);
        m_pending.clear();
        m_stopping = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void TROperationQueue::addOperation(Operation operation)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(operation));
    }
    m_wake.notify_one();
}

void TROperationQueue::cancelAllOperations()
{
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    m_idle.notify_all();
}

void TROperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.empty() && !m_executing; });
}

int TROperationQueue::operationCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pending.size()) + (m_executing ? 1 : 0);
}

void TROperationQueue::stopAll()
{
    std::lock_guard registryLock(registryMutex);
    for (TROperationQueue *queue : registry()) {
        std::unique_lock lock(queue->m_mutex);
        queue->m_pending.clear();
        queue->m_cancelRunning = true;
        queue->m_idle.wait(lock, [queue] { return !queue->m_executing; });
    }
}

bool TROperationQueue::isCurrentOperationCancelled()
{
    return currentCancelFlag && currentCancelFlag->load(std::memory_order_relaxed);
}

void TROperationQueue::run()
{
#ifdef Q_OS_LINUX
    // Thread names are limited to 15 characters.
    pthread_setname_np(pthread_self(), m_name.left(15).toUtf8().constData());
#endif
    currentCancelFlag = &m_cancelRunning;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_stopping) {
            return;
        }
        Operation next = std::move(m_pending.front());
        m_pending.pop_front();
        m_executing = true;
        m_cancelRunning = false;
        lock.unlock();
        next();
        next = nullptr;
        lock.lock();
        m_executing = false;
        // Also when more wait: stopAll waits for the running one alone.
        m_idle.notify_all();
    }
}

void TROperationQueue::runOnMainQueue(QObject *context, std::function<void()> fn)
{
#ifdef Q_OS_UNIX
    mainQueue().post(context, std::move(fn));
#else
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
#endif
}
