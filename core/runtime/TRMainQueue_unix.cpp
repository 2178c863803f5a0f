#include "TRMainQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <deque>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace {

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

} // namespace

void TRMainQueue::prepare()
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    mainQueue();
}

void TRMainQueue::post(QObject *context, std::function<void()> fn)
{
    mainQueue().post(context, std::move(fn));
}
