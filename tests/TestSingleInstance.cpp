#include "TRSingleInstance.h"
#include "TRTestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>

// Starts the real application, as a user would, in this test's temporary home.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QString binary() const { return qEnvironmentVariable("TRELLIS_BINARY_DIR") + "/trellis"; }
    QString socketPath() const
    {
        return QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath("trellis.socket");
    }

    void start(QProcess &process)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // No session bus: the launcher check must stay quiet without one.
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        process.setProcessEnvironment(env);
        process.setProgram(binary());
        process.start();
        QVERIFY(process.waitForStarted(5000));
    }

    void stop(QProcess &process)
    {
        process.kill();
        process.waitForFinished(5000);
    }

private slots:
    void initTestCase() { QVERIFY2(QFile::exists(binary()), qPrintable(binary())); }

    void secondStartExitsAndLeavesTheFirstAlone()
    {
        QProcess first;
        start(first);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socketPath()), 10000);

        QProcess second;
        start(second);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());

        QTest::qWait(200);
        QCOMPARE(first.state(), QProcess::Running);
        stop(first);
    }

    // A crashed instance leaves its lock and socket behind; the next start
    // must take over rather than refuse forever.
    void startAfterACrashTakesOver()
    {
        QProcess crashed;
        start(crashed);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socketPath()), 10000);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(5000));
        QVERIFY(QFile::exists(socketPath()));

        QProcess next;
        start(next);
        QVERIFY(!next.waitForFinished(1500));
        QCOMPARE(next.state(), QProcess::Running);
        stop(next);
    }

    // Two guards in one folder: only the first acquires, and each later
    // start asks it once to come forward.
    void guardsInOneFolder()
    {
        QTemporaryDir folder;
        TRSingleInstance first(folder.path());
        int requests = 0;
        first.onActivationRequested = [&requests] {
            ++requests;
        };
        QVERIFY(first.acquire());
        TRSingleInstance second(folder.path());
        QVERIFY(!second.acquire());
        QTRY_COMPARE(requests, 1);
        QVERIFY(!TRSingleInstance(folder.path()).acquire());
        QTRY_COMPARE(requests, 2);
    }
};

TRELLIS_TEST_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
