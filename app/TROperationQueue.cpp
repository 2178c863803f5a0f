#include "TROperationQueue.h"

TROperationQueue::TROperationQueue(const QString &name)
    : m_name(name)
{
    m_pool.setObjectName(name);
    m_pool.setMaxThreadCount(1);
}

TROperationQueue::~TROperationQueue()
{
    cancelAllOperations();
    waitUntilAllOperationsAreFinished();
}

void TROperationQueue::addOperation(Operation operation)
{
    QMutexLocker lock(&m_mutex);
    m_pending.push_back(std::move(operation));
    if (!m_running) {
        m_running = true;
        m_pool.start([this] { drain(); });
    }
}

void TROperationQueue::cancelAllOperations()
{
    QMutexLocker lock(&m_mutex);
    m_pending.clear();
}

void TROperationQueue::waitUntilAllOperationsAreFinished()
{
    QMutexLocker lock(&m_mutex);
    while (m_running) {
        m_idle.wait(&m_mutex);
    }
}

int TROperationQueue::operationCount() const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_pending.size()) + (m_executing ? 1 : 0);
}

void TROperationQueue::drain()
{
    QMutexLocker lock(&m_mutex);
    while (!m_pending.empty()) {
        Operation next = std::move(m_pending.front());
        m_pending.pop_front();
        m_executing = true;
        lock.unlock();
        next();
        lock.relock();
        m_executing = false;
    }
    m_running = false;
    m_idle.wakeAll();
}
