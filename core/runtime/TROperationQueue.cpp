#include "TROperationQueue.h"

#include "TRMainQueue.h"
#include "TRThreadName.h"

#include <vector>

namespace {

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
    TRMainQueue::prepare();
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
    TRThreadName::setCurrent(m_name);
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
    TRMainQueue::post(context, std::move(fn));
}
