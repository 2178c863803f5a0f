#include "TRCoreTestMain.h"
#include "TRNotificationCenter.h"
#include "TROperationQueue.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <atomic>
#include <memory>

class TestInfrastructure : public QObject
{
    Q_OBJECT

private slots:
    void postReachesObserversOfThatNameInOrderWhileTheyAreThere()
    {
        TRNotificationCenter center;
        QObject first;
        QObject second;
        QStringList calls;
        center.addObserver(&first, "A", [&](const TRNotification &n) {
            calls << "first:" + n.name + ":" + n.userInfo.value("k").toString();
        });
        center.addObserver(&second, "A", [&](const TRNotification &) { calls << "second"; });
        center.addObserver(&second, "B", [&](const TRNotification &) { calls << "B"; });

        center.post("A", {{"k", "v"}});
        QCOMPARE(calls, QStringList({"first:A:v", "second"}));
        calls.clear();
        center.post("C");
        QVERIFY(calls.isEmpty());

        // A destroyed observer is forgotten; one removed by name stays for
        // the other names, one removed whole for none.
        auto destroyed = std::make_unique<QObject>();
        center.addObserver(destroyed.get(), "B", [&](const TRNotification &) { calls << "gone"; });
        destroyed.reset();
        center.removeObserver(&second, "A");
        center.post("A");
        center.post("B");
        QCOMPARE(calls, QStringList({"first:A:", "B"}));
        QCOMPARE(center.observerCount("B"), 1);
        center.removeObserver(&second);
        center.post("B");
        QCOMPARE(calls, QStringList({"first:A:", "B"}));
        QCOMPARE(center.observerCount("B"), 0);
    }

    // A handler that removes a later observer, or destroys it, keeps that one
    // from being called; one that adds an observer does not call it yet.
    void handlersMayChangeRegistrations()
    {
        TRNotificationCenter center;
        auto victim = std::make_unique<QObject>();
        QObject remover;
        QObject adder;
        QObject late;
        QStringList calls;
        center.addObserver(&remover, "A", [&](const TRNotification &) {
            calls << "remover";
            victim.reset();
        });
        center.addObserver(victim.get(), "A", [&](const TRNotification &) { calls << "victim"; });
        center.addObserver(&adder, "A", [&](const TRNotification &) {
            calls << "adder";
            center.addObserver(&late, "A", [&](const TRNotification &) { calls << "late"; });
        });
        center.post("A");
        QCOMPARE(calls, QStringList({"remover", "adder"}));
        calls.clear();
        center.removeObserver(&adder);
        center.post("A");
        QCOMPARE(calls, QStringList({"remover", "late"}));
    }

    void queueRunsOperationsSeriallyInOrderOffTheMainThread()
    {
        TROperationQueue queue("test queue");
        std::vector<int> order;
        std::atomic<int> concurrent{0};
        std::atomic<int> maxConcurrent{0};
        std::atomic<bool> onMainThread{false};
        QThread *mainThread = QThread::currentThread();
        for (int i = 0; i < 50; ++i) {
            queue.addOperation([&, i] {
                const int now = ++concurrent;
                maxConcurrent = std::max(maxConcurrent.load(), now);
                onMainThread = onMainThread || QThread::currentThread() == mainThread;
                order.push_back(i);
                QThread::usleep(100);
                --concurrent;
            });
        }
        queue.waitUntilAllOperationsAreFinished();
        QCOMPARE(order.size(), std::size_t(50));
        QVERIFY(std::is_sorted(order.begin(), order.end()));
        QCOMPARE(maxConcurrent.load(), 1);
        QVERIFY(!onMainThread);
        QCOMPARE(queue.operationCount(), 0);
    }

    void cancelDropsWhatHasNotStarted()
    {
        TROperationQueue queue("cancel queue");
        QSemaphore started;
        QSemaphore release;
        std::atomic<int> ran{0};
        queue.addOperation([&] {
            started.release();
            release.acquire();
            ++ran;
        });
        for (int i = 0; i < 5; ++i) {
            queue.addOperation([&] { ++ran; });
        }
        started.acquire();
        QCOMPARE(queue.operationCount(), 6);
        queue.cancelAllOperations();
        QCOMPARE(queue.operationCount(), 1);
        release.release();
        queue.waitUntilAllOperationsAreFinished();
        QCOMPARE(ran.load(), 1);

        // The queue keeps working after a cancel.
        queue.addOperation([&] { ++ran; });
        queue.waitUntilAllOperationsAreFinished();
        QCOMPARE(ran.load(), 2);
    }

    void destroyingTheQueueWaitsForTheRunningOperation()
    {
        std::atomic<bool> finished{false};
        std::atomic<int> ran{0};
        QSemaphore started;
        {
            TROperationQueue queue("short-lived queue");
            queue.addOperation([&] {
                started.release();
                QThread::msleep(50);
                finished = true;
            });
            queue.addOperation([&] { ++ran; });
            started.acquire();
        }
        QVERIFY(finished);
        QCOMPARE(ran.load(), 0);
    }

    // What the application does before it ends: every queue's running
    // operation is told to stop and waited for, and nothing else starts.
    void stopAllEndsRunningOperations()
    {
        TROperationQueue first("first queue");
        TROperationQueue second("second queue");
        QSemaphore started;
        std::atomic<int> stopped{0};
        std::atomic<int> ran{0};
        const auto untilCancelled = [&] {
            started.release();
            while (!TROperationQueue::isCurrentOperationCancelled()) {
                QThread::msleep(1);
            }
            ++stopped;
        };
        first.addOperation(untilCancelled);
        second.addOperation(untilCancelled);
        first.addOperation([&] { ++ran; });
        started.acquire(2);
        QVERIFY(!TROperationQueue::isCurrentOperationCancelled());

        TROperationQueue::stopAll();
        QCOMPARE(stopped.load(), 2);
        QCOMPARE(first.operationCount(), 0);
        QCOMPARE(second.operationCount(), 0);

        // The queues stay usable, and a new operation is not cancelled.
        std::atomic<bool> cancelledLater{true};
        first.addOperation([&] {
            cancelledLater = TROperationQueue::isCurrentOperationCancelled();
            ++ran;
        });
        first.waitUntilAllOperationsAreFinished();
        QCOMPARE(ran.load(), 1);
        QVERIFY(!cancelledLater);
    }

    // Results come back on the main thread, and never to a receiver that is
    // gone by then.
    void mainQueueHandOff()
    {
        TROperationQueue queue("hand-off queue");
        QObject receiver;
        auto doomed = std::make_unique<QObject>();
        QObject *doomedPtr = doomed.get();
        std::atomic<bool> deliveredOnMain{false};
        std::atomic<bool> deliveredToDoomed{false};
        QThread *mainThread = QThread::currentThread();
        queue.addOperation([&] {
            TROperationQueue::runOnMainQueue(
                &receiver, [&] { deliveredOnMain = QThread::currentThread() == mainThread; });
            TROperationQueue::runOnMainQueue(doomedPtr, [&] { deliveredToDoomed = true; });
        });
        queue.waitUntilAllOperationsAreFinished();
        doomed.reset();
        QTRY_VERIFY(deliveredOnMain);
        QCoreApplication::processEvents();
        QVERIFY(!deliveredToDoomed);
    }
};

TRELLIS_CORE_TEST_MAIN(TestInfrastructure)
#include "TestInfrastructure.moc"
