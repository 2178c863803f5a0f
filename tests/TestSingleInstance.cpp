#include "TRSingleInstance.h"
#include "TRTestMain.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
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

    void start(QProcess &process, const QStringList &arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // No session bus: the launcher check must stay quiet without one.
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        process.setProcessEnvironment(env);
        process.setProgram(binary());
        process.setArguments(arguments);
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

    // Whatever a later start asks for, it leaves at once and quietly; the
    // first start keeps running whether or not it was asked to find.
    void secondStartExitsAndLeavesTheFirstAlone_data()
    {
        QTest::addColumn<QStringList>("firstArguments");
        QTest::addColumn<QStringList>("secondArguments");
        QTest::newRow("activate") << QStringList() << QStringList();
        QTest::newRow("find") << QStringList() << QStringList{"--find"};
        QTest::newRow("first asked to find") << QStringList{"--find"} << QStringList{"--find"};
    }

    void secondStartExitsAndLeavesTheFirstAlone()
    {
        QFETCH(QStringList, firstArguments);
        QFETCH(QStringList, secondArguments);
        // The socket left by the row before would pass for this one's.
        QFile::remove(socketPath());
        QProcess first;
        start(first, firstArguments);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socketPath()), 10000);

        QProcess second;
        start(second, secondArguments);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());

        QTest::qWait(200);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(first.readAllStandardOutput(), QByteArray());
        stop(first);
    }

    // Qt's own options are taken before ours; anything unknown ends the
    // start with a message instead of running.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--find";
        QTest::newRow("help with Qt's options") << QStringList{"--help-all"} << 0 << "--find";
        QTest::newRow("version after Qt's own option")
            << QStringList{"-platform", "offscreen", "--version"} << 0 << "Trellis ";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 1 << "bogus";
        QTest::newRow("value for a flag") << QStringList{"--find=yes"} << 1 << "find";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QProcess process;
        start(process, arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        // Errors go to standard error, everything else to standard output.
        const QByteArray said =
            exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
        QVERIFY2(said.contains(says.toUtf8()), said.constData());
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

    // What the running instance does with each line a later start may send.
    void requests_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("activations");
        QTest::addColumn<int>("finds");
        QTest::newRow("activate") << QByteArray("activate\n") << 1 << 0;
        QTest::newRow("find") << QByteArray("find\n") << 0 << 1;
        QTest::newRow("find without its end") << QByteArray("find") << 0 << 0;
        QTest::newRow("unknown request") << QByteArray("quit\n") << 0 << 0;
        QTest::newRow("find and more") << QByteArray("find now\n") << 0 << 0;
        QTest::newRow("binary") << QByteArray::fromHex("00ff0166696e640a") << 0 << 0;
        QTest::newRow("long line") << QByteArray(4096, 'f') + "\n" << 0 << 0;
    }

    void requests()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, activations);
        QFETCH(int, finds);
        QTemporaryDir folder;
        TRSingleInstance running(folder.path());
        int activated = 0;
        int found = 0;
        running.onActivationRequested = [&activated] {
            ++activated;
        };
        running.onFindRequested = [&found] {
            ++found;
        };
        QVERIFY(running.acquire());

        QLocalSocket later;
        later.connectToServer(folder.filePath("trellis.socket"));
        QVERIFY(later.waitForConnected(2000));
        later.write(line);
        later.waitForBytesWritten(2000);
        later.disconnectFromServer();
        // A whole request afterwards: once it has come, the line above was
        // read too.
        QVERIFY(!TRSingleInstance(folder.path()).acquire(TRSingleInstance::Request::find));
        QTRY_COMPARE(found, finds + 1);
        QTest::qWait(50);
        QCOMPARE(activated, activations);
        QCOMPARE(found, finds + 1);
    }
};

TRELLIS_TEST_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
