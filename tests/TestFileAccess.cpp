#include "TRFileGrant.h"
#include "TRPluginFilePicker.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRTestMain.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QFile>

using TRTestSupport::captureStdout;
using TRTestSupport::readFile;
using TRTestSupport::writeFile;

// Grants, private copies and the file picker, on real files in a temporary home.
class TestFileAccess : public QObject
{
    Q_OBJECT

    QTemporaryDir m_browser;

    QString privateFolder() const { return TRPrivateFolder::path().value_or(QString()); }

private slots:
    void grantsResolveToTheirFile()
    {
        const QString path = m_browser.filePath("Profile/Bookmarks");
        QVERIFY(writeFile(path, "{}"));
        const std::optional<QByteArray> grant = TRFileGrant::make(path);
        QVERIFY(grant);
        QString error;
        QCOMPARE(TRFileGrant::resolve(*grant, &error),
                 std::optional(QFileInfo(path).canonicalFilePath()));

        // A browser that saves by renaming a new file into place keeps the grant.
        QVERIFY(writeFile(path + ".new", "{\"new\":1}"));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(path + ".new", path));
        QVERIFY(TRFileGrant::resolve(*grant, &error));

        // Folders and missing files cannot be granted.
        QVERIFY(!TRFileGrant::make(m_browser.path()));
        QVERIFY(!TRFileGrant::make(m_browser.filePath("missing")));
    }

    void brokenGrantsFailWithAMessage_data()
    {
        QTest::addColumn<QByteArray>("grant");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x01\x02garbage", 9);
        QTest::newRow("truncated")
            << TRFileGrant::make(QCoreApplication::applicationFilePath())->left(12);
    }

    void brokenGrantsFailWithAMessage()
    {
        QFETCH(QByteArray, grant);
        std::optional<QString> resolved;
        const QByteArray out =
            captureStdout([&] { resolved = TRPrivateCopy::resolveGrant(grant); });
        QVERIFY(!resolved);
        QVERIFY(out.startsWith("Could not get scoped URL: "));
        QVERIFY2(out.contains("not in the correct format"), out.constData());
        QCOMPARE(out.count('\n'), 1);
    }

    void noGrantTouchesNoFile()
    {
        const QString target = QDir(privateFolder()).filePath("untouched_data");
        QVERIFY(writeFile(target, "previous"));
        QVERIFY(!TRPrivateCopy::make("untouched_data", std::nullopt));
        QCOMPARE(readFile(target), QByteArray("previous"));
    }

    // Every read sees the current file: the old copy is replaced, and no
    // temporary file is left beside it.
    void copiesReplaceThePreviousCopy()
    {
        const QString source = m_browser.filePath("Profile/History");
        QVERIFY(writeFile(source, "first"));
        const QByteArray grant = *TRFileGrant::make(source);
        const std::optional<QString> copy = TRPrivateCopy::make("history_copy", grant);
        QVERIFY(copy);
        QCOMPARE(*copy, QDir(privateFolder()).filePath("history_copy"));
        QCOMPARE(readFile(*copy), QByteArray("first"));

        QVERIFY(writeFile(source, "second, longer"));
        QCOMPARE(TRPrivateCopy::make("history_copy", grant), copy);
        QCOMPARE(readFile(*copy), QByteArray("second, longer"));
        QCOMPARE(QDir(privateFolder()).entryList({"history_copy*"}, QDir::Files),
                 QStringList({"history_copy"}));
    }

    // A SQLite file's -wal companion comes along, and a stale one goes.
    void walCompanionTravelsWithTheCopy()
    {
        const QString source = m_browser.filePath("Safari/History.db");
        QVERIFY(writeFile(source, "main"));
        QVERIFY(writeFile(source + "-wal", "recent visits"));
        const QByteArray grant = *TRFileGrant::make(source);
        const QString copy = *TRPrivateCopy::make("wal_copy", grant);
        QCOMPARE(readFile(copy + "-wal"), QByteArray("recent visits"));

        QVERIFY(writeFile(copy + "-shm", "stale index"));
        QVERIFY(QFile::remove(source + "-wal"));
        TRPrivateCopy::make("wal_copy", grant);
        QVERIFY(QFileInfo::exists(copy));
        QVERIFY(!QFileInfo::exists(copy + "-wal"));
        QVERIFY(!QFileInfo::exists(copy + "-shm"));
    }

    void pickerValidatesNames_data()
    {
        QTest::addColumn<QStringList>("allowed");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("any name") << QStringList() << "whatever.txt" << true;
        QTest::newRow("exact") << QStringList{"History"} << "History" << true;
        QTest::newRow("lower case") << QStringList{"History"} << "history" << false;
        QTest::newRow("extension added") << QStringList{"History"} << "History.db" << false;
        QTest::newRow("space never matches a plain space")
            << QStringList{"My File"} << "My File" << false;
        QTest::newRow("space as written in a URL") << QStringList{"My%20File"} << "My File" << true;
        QTest::newRow("one of several")
            << QStringList{"Bookmarks", "History"} << "Bookmarks" << true;
    }

    void pickerValidatesNames()
    {
        QFETCH(QStringList, allowed);
        QFETCH(QString, file);
        QFETCH(bool, accepted);
        TRPluginFilePicker picker({m_browser.path(), {}, allowed});
        QCOMPARE(picker.validate(m_browser.filePath(file)), accepted);
    }

    void pickerAnswersOnce_data()
    {
        QTest::addColumn<QString>("choice"); // empty: cancel
        QTest::addColumn<int>("expected");   // -1: a grant, else the error
        QTest::newRow("cancel") << "" << int(TRPluginFilePickerError::invalidSelection);
        QTest::newRow("refused name") << "Other" << int(TRPluginFilePickerError::invalidSelection);
        QTest::newRow("no such file")
            << "Missing/History" << int(TRPluginFilePickerError::invalidFile);
        QTest::newRow("granted") << "Profile/History" << -1;
    }

    void pickerAnswersOnce()
    {
        QFETCH(QString, choice);
        QFETCH(int, expected);
        QVERIFY(writeFile(m_browser.filePath("Profile/History"), "h"));
        QVERIFY(writeFile(m_browser.filePath("Other"), "o"));
        TRPluginFilePicker picker({m_browser.path(), {}, {"History"}});
        QList<TRPluginFilePicker::Result> results;
        TRPluginFilePicker::setNextFileNameForTesting(
            choice.isEmpty() ? std::nullopt : std::optional(m_browser.filePath(choice)));
        picker.show([&](const TRPluginFilePicker::Result &result) { results << result; });
        QCOMPARE(results.size(), 1);
        if (expected < 0) {
            const auto *grant = std::get_if<QByteArray>(&results.first());
            QVERIFY(grant);
            QString error;
            QCOMPARE(TRFileGrant::resolve(*grant, &error),
                     std::optional(QFileInfo(m_browser.filePath(choice)).canonicalFilePath()));
        } else {
            QCOMPARE(int(std::get<TRPluginFilePickerError>(results.first())), expected);
        }
    }
};

TRELLIS_TEST_MAIN(TestFileAccess)
#include "TestFileAccess.moc"
