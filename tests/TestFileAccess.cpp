#include "TRFileGrant.h"
#include "TRPluginFilePicker.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRTestMain.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

using TRTestSupport::captureStdout;
using TRTestSupport::readFile;
using TRTestSupport::writeFile;

// Grants, private copies and the file picker, on real files in a temporary home.
class TestFileAccess : public QObject
{
    Q_OBJECT

    QTemporaryDir m_browser;

    QString privateFolder() const { return TRPrivateFolder::path().value_or(QString()); }

    // Bytes this process has handed to the kernel to write (wchar, which
    // counts copy_file_range too), or -1. What reaches the disk, write_bytes,
    // says less here: it counts whole folios (64 KiB on ext4) and nothing
    // for a page still waiting from an earlier write.
    static qint64 bytesWritten()
    {
        QFile io("/proc/self/io");
        const QList<QByteArray> lines =
            io.open(QIODevice::ReadOnly) ? io.readAll().split('\n') : QList<QByteArray>();
        for (const QByteArray &line : lines) {
            if (line.startsWith("wchar:")) {
                return line.mid(6).trimmed().toLongLong();
            }
        }
        return -1;
    }

    // The names that the inotify instance watch saw removed or renamed away;
    // closes it.
    static QStringList namesGone(int watch)
    {
        QByteArray events(1 << 16, Qt::Uninitialized);
        const qsizetype size = std::max<ssize_t>(::read(watch, events.data(), events.size()), 0);
        ::close(watch);
        QStringList names;
        for (qsizetype at = 0; at < size;) {
            inotify_event event;
            std::memcpy(&event, events.constData() + at, sizeof event);
            names << QString::fromLocal8Bit(events.constData() + at + sizeof event);
            at += qsizetype(sizeof event) + event.len;
        }
        return names;
    }

    enum class Change {
        none,
        tenPages,
        grown,
        shrunk,
        emptied,
        walAppears,
        walGoes,
        copyDeleted,
        spareMissing,
        spareDamaged,
        spareIsTheCopy,
        spareLeadsToTheCopy
    };

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

    // Every read sees the current file, its -wal companion alone beside it,
    // and writing it costs about what changed since the copy before; a
    // reader that opened the old copy still reads it whole.
    void copiesFollowTheirSourceWritingWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<qint64>("mostWritten");
        constexpr qint64 page = 4096;
        constexpr qint64 size = 4 << 20;
        QTest::newRow("unchanged") << Change::none << 0LL;
        QTest::newRow("ten pages changed") << Change::tenPages << 10 * page;
        QTest::newRow("grown") << Change::grown << 100000 + page;
        QTest::newRow("shrunk") << Change::shrunk << 0LL;
        QTest::newRow("emptied") << Change::emptied << 0LL;
        QTest::newRow("-wal appears") << Change::walAppears << 65536LL;
        QTest::newRow("-wal goes") << Change::walGoes << 0LL;
        // The spare becomes the copy, and a new spare is made in full.
        QTest::newRow("copy deleted") << Change::copyDeleted << size;
        QTest::newRow("spare missing") << Change::spareMissing << size;
        QTest::newRow("spare damaged") << Change::spareDamaged << size;
        QTest::newRow("spare is the copy") << Change::spareIsTheCopy << size;
        QTest::newRow("spare leads to the copy") << Change::spareLeadsToTheCopy << size;
    }

    void copiesFollowTheirSourceWritingWhatChanged()
    {
        QFETCH(Change, change);
        QFETCH(qint64, mostWritten);
        constexpr qsizetype page = 4096;
        const QString name = QStringLiteral("changing_%1").arg(int(change));
        const QString source = m_browser.filePath("Changing/" + name);
        QByteArray bytes(4 << 20, Qt::Uninitialized);
        QRandomGenerator(int(change))
            .fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        const QByteArray original = bytes;
        const QByteArray wal(65536, 'w');
        QVERIFY(writeFile(source, bytes));
        QVERIFY(change != Change::walGoes || writeFile(source + "-wal", wal));
        const QByteArray grant = *TRFileGrant::make(source);
        // Nothing to patch yet: all of it is written, and once more for the
        // spare that the next copy patches; which also shows that the count
        // counts.
        const qint64 beforeFirst = bytesWritten();
        const std::optional<QString> copy = TRPrivateCopy::make(name, grant);
        const qint64 first = bytesWritten() - beforeFirst;
        QCOMPARE(copy, QDir(privateFolder()).filePath(name));

        QFile reader(*copy);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(*copy + "-shm", "stale index"));
        const QStringList beside = QDir(privateFolder()).entryList({name + ".*"}, QDir::Files);
        switch (change) {
        case Change::tenPages:
            for (int i = 0; i < 10; ++i) {
                bytes[i * 97 * page + 100] = char(~bytes[i * 97 * page + 100]);
            }
            break;
        case Change::grown:
            bytes += QByteArray(100000, 'g');
            break;
        case Change::shrunk:
            bytes.truncate((3 << 20) + 100);
            break;
        case Change::emptied:
            bytes.clear();
            break;
        case Change::walAppears:
            QVERIFY(writeFile(source + "-wal", wal));
            break;
        case Change::walGoes:
            QVERIFY(QFile::remove(source + "-wal"));
            break;
        case Change::copyDeleted:
            QVERIFY(QFile::remove(*copy));
            break;
        case Change::spareMissing:
        case Change::spareDamaged:
        case Change::spareIsTheCopy:
        case Change::spareLeadsToTheCopy:
            QVERIFY(!beside.isEmpty());
            for (const QString &file : beside) {
                const QString path = QDir(privateFolder()).filePath(file);
                QVERIFY(QFile::remove(path));
                QVERIFY(change != Change::spareDamaged ||
                        writeFile(path, QByteArray(5 << 20, 'd')));
                QVERIFY(change != Change::spareIsTheCopy ||
                        ::link(qPrintable(*copy), qPrintable(path)) == 0);
                QVERIFY(change != Change::spareLeadsToTheCopy || QFile::link(*copy, path));
            }
            break;
        case Change::none:
            break;
        }
        QVERIFY(writeFile(source, bytes));

        // A reader looking at any moment finds a copy: its name is never
        // removed or renamed away, only replaced.
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(::inotify_add_watch(watch, qPrintable(privateFolder()),
                                    IN_DELETE | IN_MOVED_FROM) >= 0);
        const qint64 before = bytesWritten();
        QCOMPARE(TRPrivateCopy::make(name, grant), copy);
        const qint64 written = bytesWritten() - before;
        const QStringList gone = namesGone(watch);
        QVERIFY(!gone.isEmpty());
        QVERIFY2(!gone.contains(name), qPrintable(gone.join(u' ')));
        QCOMPARE(QFileInfo(*copy).size(), bytes.size());
        QVERIFY(readFile(*copy) == bytes);
        QCOMPARE(QFile::permissions(*copy), QFile::permissions(source));
        QCOMPARE(readFile(*copy + "-wal"), change == Change::walAppears ? wal : QByteArray());
        QCOMPARE(QFileInfo::exists(*copy + "-wal"), change == Change::walAppears);
        QVERIFY(!QFileInfo::exists(*copy + "-shm"));
        QCOMPARE(QDir(privateFolder()).entryList({name + "*.partial"}, QDir::Files), {});
        QVERIFY(reader.readAll() == original);

        if (beforeFirst < 0) {
            QSKIP("no count of bytes written in /proc/self/io");
        }
        QVERIFY2(first >= 2 * original.size(), qPrintable(QString::number(first)));
        QVERIFY2(written <= mostWritten, qPrintable(QString::number(written)));
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
