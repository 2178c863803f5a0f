#include "TRCoreTestMain.h"
#include "TRCrashVersions.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariCustomizedBookmarks.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>

#include <array>
#include <chrono>
#include <csignal>
#include <thread>

using TRTestSupport::writeFile;

namespace {

#ifdef __SANITIZE_ADDRESS__
// A writer starts and saves several times slower under AddressSanitizer;
// fewer kills keep the run short.
constexpr int killsPerFile = 100;
#else
constexpr int killsPerFile = 300;
#endif

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// bytes as a history that gained a few visits: a few pages changed, a few
// added.
QByteArray withNewVisits(QByteArray bytes)
{
    for (qsizetype page = 3; page < bytes.size() / 4096; page += 101) {
        bytes[page * 4096 + 17] = char(~bytes[page * 4096 + 17]);
    }
    return bytes + randomBytes(3 * 4096, 4);
}

} // namespace

// The files Trellis writes itself survive a writer killed at any moment:
// trellis-crash-writer runs the product's own save in a loop, alternating
// between two versions, and is killed with SIGKILL at a random point,
// hundreds of times per file. What is left must be one version or the
// other, complete, and the next writer, meeting whatever the last one left
// behind, must still save.
class TestCrashSafeWrites : public QObject
{
    Q_OBJECT

    QTemporaryDir m_browser;
    std::array<QSet<QString>, 2> m_folders{TRCrashVersions::disabledFolders(0),
                                           TRCrashVersions::disabledFolders(1)};
    // Pairs of databases of several megabytes. The first: one with a -wal
    // companion and a larger one without, wholly different; copying the
    // second must not leave the first one's -wal. The second: a history
    // before and after it gained a few visits, so that most of a copy's
    // time goes to finding the pages that changed.
    std::array<std::array<QByteArray, 2>, 2> m_databases{
        {{randomBytes(4 << 20, 1), randomBytes(6 << 20, 2)},
         {randomBytes(6 << 20, 5), withNewVisits(randomBytes(6 << 20, 5))}}};
    QByteArray m_wal = randomBytes(1 << 20, 3);

    static QString dataFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    static QString settingsFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/Trellis");
    }

    static QString database(int pair, int version)
    {
        return QStringLiteral("History%1.db").arg(pair * 2 + version);
    }

    // The version a writer's file holds, or -1 with the reason in why.
    int versionOnDisk(const QString &mode, int pair, QString *why) const
    {
        if (mode == u"customized") {
            const auto bytes = readFile(dataFolder() + "/customized_bookmarks.plist");
            const auto folders =
                bytes ? TRSafariCustomizedBookmarks::unarchiveStringSet(*bytes) : std::nullopt;
            if (folders == m_folders[0] || folders == m_folders[1]) {
                return folders == m_folders[0] ? 0 : 1;
            }
            *why = !bytes    ? QStringLiteral("no file")
                   : folders ? QStringLiteral("a set of %1 identifiers").arg(folders->size())
                             : QStringLiteral("%1 bytes that are no archive").arg(bytes->size());
            return -1;
        }
        if (mode == u"copy") {
            const QString copy = dataFolder() + "/history_data";
            const auto bytes = readFile(copy);
            const auto &databases = m_databases[pair];
            const int version = bytes == databases[0] ? 0 : bytes == databases[1] ? 1 : -1;
            const auto wal = readFile(copy + "-wal");
            if (version < 0) {
                *why = bytes ? QStringLiteral("a copy of %1 bytes").arg(bytes->size())
                             : QStringLiteral("no copy");
            } else if (wal && (pair != 0 || version == 1 || *wal != m_wal)) {
                // SQLite would replay it over a database it does not belong to.
                *why = QStringLiteral("a -wal of %1 bytes beside version %2")
                           .arg(wal->size())
                           .arg(version);
                return -1;
            }
            return version;
        }
        // A QSettings of its own: a TRSettings would clear what the killed
        // writer left behind before the next writer meets it. Only reading,
        // it makes no file where there is none.
        const QString path = settingsFolder() + "/Trellis.ini";
        const QSettings settings(path, QSettings::IniFormat);
        const auto value = [&settings](int index) {
            return settings.value(TRCrashVersions::settingsKey(index)).toByteArray();
        };
        // The first key's value begins with the version that every key must hold.
        const int version = value(0).startsWith("1:") ? 1 : 0;
        for (int i = 0; i < TRCrashVersions::settingsKeyCount; ++i) {
            if (value(i) != TRCrashVersions::settingsValue(version, i)) {
                *why = !QFileInfo::exists(path)
                           ? QStringLiteral("no file")
                           : QStringLiteral("key %1 is not of version %2").arg(i).arg(version);
                return -1;
            }
        }
        return version;
    }

private slots:
    void initTestCase()
    {
        for (int pair : {0, 1}) {
            for (int version : {0, 1}) {
                QVERIFY(writeFile(m_browser.filePath(database(pair, version)),
                                  m_databases[pair][version]));
            }
        }
        QVERIFY(writeFile(m_browser.filePath(database(0, 0) + "-wal"), m_wal));
    }

    void killedWritersLeaveOneCompleteVersion_data()
    {
        QTest::addColumn<QString>("mode");
        // Of a private copy: the pair of databases.
        QTest::addColumn<int>("pair");
        // Where a write in progress leaves its traces, and their names.
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("traces");
        // Whether many kills must land in a write. Not so for the archive:
        // building it takes nearly all of a save, writing it a sliver.
        QTest::addColumn<bool>("oftenInAWrite");
        QTest::newRow("customized bookmarks")
            << "customized" << -1 << dataFolder() << "customized_bookmarks.plist.partial" << false;
        // The spare beside the copy is no trace: it stays between writes.
        QTest::newRow("private copy with -wal")
            << "copy" << 0 << dataFolder() << "history_data*.partial" << true;
        QTest::newRow("private copy, a few pages apart")
            << "copy" << 1 << dataFolder() << "history_data*.partial" << true;
        // QSettings holds a lock file while it writes.
        QTest::newRow("settings") << "settings" << -1 << settingsFolder() << "Trellis.ini.lock"
                                  << true;
    }

    void killedWritersLeaveOneCompleteVersion()
    {
        QFETCH(QString, mode);
        QFETCH(int, pair);
        QFETCH(QString, folder);
        QFETCH(QString, traces);
        QFETCH(bool, oftenInAWrite);
        QStringList arguments{mode};
        if (mode == u"copy") {
            arguments << m_browser.filePath(database(pair, 0))
                      << m_browser.filePath(database(pair, 1));
        }
        std::array<int, 2> seen{};
        int interrupted = 0;
        for (int kill = 0; kill < killsPerFile; ++kill) {
            QProcess writer;
            writer.start(QStringLiteral(TRELLIS_CRASH_WRITER_PATH), arguments);
            // Well within the 30 s after which QSettings gives up on a lock
            // that a killed writer left behind.
            while (!writer.canReadLine() && writer.waitForReadyRead(10000)) {
            }
            QVERIFY2(writer.canReadLine(),
                     qPrintable("writer not ready after " + QString::number(kill) +
                                " kills: " + QString::fromUtf8(writer.readAllStandardError())));
            // Anywhere in the next two saves or so.
            const QList<QByteArray> ready = writer.readLine().trimmed().split(' ');
            QCOMPARE(ready.value(0), QByteArray("ready"));
            const int delay = QRandomGenerator::global()->bounded(2 * ready.value(1).toInt() + 1);
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            ::kill(writer.processId(), SIGKILL);
            QVERIFY(writer.waitForFinished(30000));
            // Killed, not ended by a failure of its own, and with no failure message.
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     writer.readAllStandardError().constData());
            QCOMPARE(writer.readAllStandardOutput(), QByteArray());

            interrupted += !QDir(folder).entryList({traces}, QDir::Files | QDir::Hidden).isEmpty();
            QString why;
            const int version = versionOnDisk(mode, pair, &why);
            QVERIFY2(
                version >= 0,
                qPrintable(QString("kill %1, %2 µs after ready: ").arg(kill).arg(delay) + why));
            ++seen[version];
        }
        qInfo("%d kills: version 0 left %d times, version 1 %d times, in mid-write %d times",
              killsPerFile, seen[0], seen[1], interrupted);
        // Otherwise the kills proved little.
        QVERIFY(seen[0] > 0 && seen[1] > 0);
        QVERIFY(!oftenInAWrite || interrupted >= killsPerFile / 10);
    }
};

TRELLIS_CORE_TEST_MAIN(TestCrashSafeWrites)
#include "TestCrashSafeWrites.moc"
