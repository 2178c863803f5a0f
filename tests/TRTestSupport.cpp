#include "TRTestSupport.h"

#include "TRBrowserFiles.h"
#include "TRPrivateFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray TRTestSupport::captureStdout(const std::function<void()> &fn)
{
    std::fflush(stdout);
    QTemporaryFile capture;
    if (!capture.open()) {
        return {};
    }
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(capture.handle(), STDOUT_FILENO);
    fn();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

bool TRTestSupport::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray TRTestSupport::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TRTestSupport::settle(const QString &path)
{
    const qint64 past = QDateTime::currentMSecsSinceEpoch() - 2000;
    const timespec times[2] = {{past / 1000, (past % 1000) * 1000000},
                               {past / 1000, (past % 1000) * 1000000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

QString TRTestSupport::dump(const TRBookmarkPtr &node)
{
    if (node->kind() == TRBookmarkKind::group) {
        QStringList children;
        for (const auto &child : node->bookmarks()) {
            children << dump(child);
        }
        return node->name() + "{" + children.join("|") + "}";
    }
    return node->name() + "(" + node->url().toString() + ")";
}

QByteArray TRTestSupport::json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

QJsonDocument TRTestSupport::inspect(const QString &command, const QString &file)
{
    QProcess process;
    process.start(qEnvironmentVariable("TRELLIS_BINARY_DIR") + "/trellis-inspect", {command, file});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        return {};
    }
    return QJsonDocument::fromJson(process.readAllStandardOutput());
}

std::pair<int, int> TRTestSupport::countBelow(const QJsonObject &node)
{
    int items = 0;
    int folders = 0;
    for (const QJsonValue &child : node["children"].toArray()) {
        if (child["kind"] == "item") {
            ++items;
        } else {
            ++folders;
            const auto [i, f] = countBelow(child.toObject());
            items += i;
            folders += f;
        }
    }
    return {items, folders};
}

QString TRTestSupport::realDataDirectory()
{
    const QString path = qEnvironmentVariable("TRELLIS_REALDATA_DIR");
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QString();
}

namespace {

using TRTestSupport::Fault;

// Brings fault about for the file at path (replaced: with replacement) or
// for the private folder support; false when it could not be done.
bool applyFault(Fault fault, const QString &path, const QByteArray &replacement,
                const QString &support)
{
    const auto readOnly = TRTestSupport::openToAll & ~QFileDevice::WriteOwner;
    switch (fault) {
    case Fault::deleted:
        return QFile::remove(path);
    case Fault::replaced: {
        // Renamed into place, as browsers save.
        const QString next = path + QStringLiteral(".next");
        return TRTestSupport::writeFile(next, replacement) &&
               ::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()) ==
                   0;
    }
    case Fault::unreadable:
        return QFile::setPermissions(path, QFileDevice::Permissions());
    case Fault::jpeg:
        return TRTestSupport::writeFile(path, TRBrowserFiles::jpeg());
    case Fault::empty:
        return TRTestSupport::writeFile(path, QByteArray());
    case Fault::directory:
        return QFile::remove(path) && QDir().mkdir(path);
    case Fault::namedPipe:
        return QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    case Fault::otherDatabase:
        return TRBrowserFiles::writeOtherDatabase(path);
    case Fault::privateFolderUnavailable:
        // Somewhere new, below a folder where nothing can be made; once that
        // is put right, the folder is made there.
        TRPrivateFolder::setOverride(support + QStringLiteral("/moved/Trellis"));
        return QFile::setPermissions(support, readOnly);
    case Fault::privateFolderReadOnly:
        return QFile::setPermissions(support, readOnly);
    case Fault::locked:
    case Fault::lockedWithWriteAheadLog:
        break;
    }
    return false;
}

// Takes away what a fault left at path (a folder, a pipe, missing
// permissions), so that a file can be written there again.
void clearFault(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        QDir(path).removeRecursively();
    } else if (info.exists() && !info.isFile()) {
        QFile::remove(path);
    } else if (info.exists()) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
}

} // namespace

TRTestSupport::FaultFolders::FaultFolders()
{
    m_valid = browser.isValid() && support.isValid() &&
              QFile::setPermissions(browser.path(), openToAll) &&
              QFile::setPermissions(support.path(), writableByAll);
    TRPrivateFolder::setOverride(support.path());
}

void TRTestSupport::FaultFolders::runRow(const QString &path, const Run &run)
{
    QFETCH(QString, source);
    QFETCH(Fault, fault);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, out);
    QFETCH(bool, readerFails);
    const auto refresh = [&run] {
        return captureStdout(run.refresh);
    };
    QCOMPARE(refresh(), QByteArray());
    QCOMPARE(run.trees(), run.expected({}, false, false));

    std::unique_ptr<ExclusiveLock> lock;
    if (fault == Fault::locked || fault == Fault::lockedWithWriteAheadLog) {
        // The second version in place, or committed to the log and left there.
        const bool inLog = fault == Fault::lockedWithWriteAheadLog;
        QVERIFY(inLog || applyFault(Fault::replaced, path, replacement, {}));
        lock = std::make_unique<ExclusiveLock>(path, inLog ? run.committed : QByteArray(),
                                               run.uncommitted);
        if (!lock->failure().isEmpty()) {
            QSKIP(qPrintable(lock->failure()));
        }
        QVERIFY(!inLog || QFileInfo(path + "-wal").size() > 0);
    } else {
        QVERIFY(applyFault(fault, path, replacement, support.path()));
    }
    const QByteArray written = captureStdout([&] {
        // Root reads what permissions forbid.
        std::optional<OrdinaryUser> user;
        if (fault == Fault::unreadable || fault == Fault::privateFolderReadOnly ||
            fault == Fault::privateFolderUnavailable) {
            user.emplace();
            QVERIFY(user->isValid());
        }
        run.refresh();
    });
    QCOMPARE(written, out);
    QCOMPARE(run.trees(), run.expected(source, !readerFails && !source.isEmpty(), readerFails));

    // Put right, the files are read again.
    lock.reset();
    if (!path.isEmpty()) {
        // Closed, the tool took its log into the file.
        QVERIFY(!QFileInfo::exists(path + "-wal"));
        clearFault(path);
    }
    QVERIFY(QFile::setPermissions(support.path(), writableByAll));
    run.writeSecondVersions();
    QCOMPARE(refresh(), QByteArray());
    QCOMPARE(run.trees(), run.expected({}, true, false));
}

void TRTestSupport::addFaultColumns()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("out");
    // Otherwise the file's new version shows, or for the private folder the
    // first versions stay.
    QTest::addColumn<bool>("readerFails");
}

void TRTestSupport::addFaultRows(const FaultRows &file)
{
    const QString &name = file.name;
    const auto row = [&name](const QString &what) -> QTestData & {
        return QTest::newRow(qPrintable(name + u' ' + what));
    };
    const QByteArray notCopied =
        ("Copy Error: The file “" + name + "” couldn’t be copied.\n").toUtf8();
    row("deleted") << name << Fault::deleted << QByteArray()
                   << ("Could not get scoped URL: The file “" + name +
                       "” couldn’t be opened because there is no such file.\n")
                          .toUtf8()
                   << true;
    row("replaced by another version")
        << name << Fault::replaced << file.secondVersion << QByteArray() << false;
    row("replaced by a file of another kind")
        << name << Fault::replaced << file.otherKind << file.otherKindOut << true;
    row("unreadable") << name << Fault::unreadable << QByteArray() << QByteArray() << true;
    if (!file.lockedBy.isEmpty()) {
        // What the browser committed is read through the copy, the rest is not.
        row("locked by " + file.lockedBy)
            << name << Fault::locked << file.secondVersion << QByteArray() << false;
    }
    if (file.logRow) {
        row("locked by " + file.lockedBy + ", recent visits in its log")
            << name << Fault::lockedWithWriteAheadLog << QByteArray() << QByteArray() << false;
    }
    row("a JPEG") << name << Fault::jpeg << QByteArray() << file.otherKindOut << true;
    row("empty") << name << Fault::empty << QByteArray() << file.noTablesOut << true;
    row("a folder") << name << Fault::directory << QByteArray() << notCopied << true;
    row("a named pipe") << name << Fault::namedPipe << QByteArray() << notCopied << true;
    row("a database of other tables")
        << name << Fault::otherDatabase << QByteArray() << file.noTablesOut << true;
}

void TRTestSupport::addPrivateFolderFaultRows(const QByteArray &before,
                                              const QList<std::pair<QString, QString>> &copies)
{
    QString readOnly = QString::fromUtf8(before);
    for (const auto &[copy, name] : copies) {
        readOnly += "Could not remove: " + copy + " The file “" + copy +
                    "” couldn’t be removed.\nCopy Error: The file “" + name +
                    "” couldn’t be copied.\n";
    }
    QTest::newRow("private folder read-only")
        << QString() << Fault::privateFolderReadOnly << QByteArray() << readOnly.toUtf8() << false;
    QTest::newRow("private folder unavailable")
        << QString() << Fault::privateFolderUnavailable << QByteArray() << QByteArray() << true;
}

TRTestSupport::FaultFolders::~FaultFolders()
{
    // A case may have taken the write permission away.
    QFile::setPermissions(support.path(), writableByAll);
    TRPrivateFolder::setOverride({});
}

TRTestSupport::OrdinaryUser::OrdinaryUser()
{
    if (::geteuid() != 0) {
        m_valid = true;
        return;
    }
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody || nobody->pw_uid == 0) {
        return;
    }
    // Real and effective identities both, as access() goes by the real one;
    // the saved one stays root's, which lets root come back. The group
    // first: once the user is not root it cannot change groups.
    if (::setresgid(nobody->pw_gid, nobody->pw_gid, 0) != 0) {
        return;
    }
    if (::setresuid(nobody->pw_uid, nobody->pw_uid, 0) != 0) {
        [[maybe_unused]] const int restored = ::setresgid(0, 0, 0);
        return;
    }
    m_valid = m_switched = true;
}

TRTestSupport::OrdinaryUser::~OrdinaryUser()
{
    if (m_switched) {
        [[maybe_unused]] const int user = ::setresuid(0, 0, 0);
        [[maybe_unused]] const int group = ::setresgid(0, 0, 0);
    }
}

TRTestSupport::ExclusiveLock::ExclusiveLock(const QString &path, const QByteArray &committed,
                                            const QByteArray &uncommitted)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (tool.isEmpty()) {
        m_failure = QStringLiteral("the sqlite3 command-line tool is not installed");
        return;
    }
    m_process.start(tool, {path});
    if (!m_process.waitForStarted(10000)) {
        m_failure = QStringLiteral("sqlite3 did not start");
        return;
    }
    // A probe reading at the moment the tool begins makes it wait, not fail.
    // The marker says that committed is done: a probe before then could be
    // kept out by the change of journal mode and take it for the lock.
    m_process.write(".timeout 10000\n" + committed + "\n.print committed-done\n" +
                    "PRAGMA locking_mode=EXCLUSIVE;\nBEGIN EXCLUSIVE;\n" + uncommitted + "\n");
    m_process.waitForBytesWritten(10000);
    const QDeadlineTimer deadline(10000);
    QByteArray out;
    while (!out.contains("committed-done") && !deadline.hasExpired() &&
           m_process.waitForReadyRead(int(deadline.remainingTime()))) {
        out += m_process.readAllStandardOutput();
    }
    // The lock is taken when another connection can no longer read.
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        try {
            SQLite::Database probe(QFile::encodeName(path).toStdString(), SQLite::OPEN_READONLY);
            probe.execAndGet("SELECT count(*) FROM sqlite_master");
        } catch (const SQLite::Exception &error) {
            if (error.getErrorCode() == SQLITE_BUSY) {
                return;
            }
        }
        QThread::msleep(20);
    }
    m_failure = QStringLiteral("sqlite3 did not lock the database: ") +
                QString::fromUtf8(m_process.readAllStandardError());
}

TRTestSupport::ExclusiveLock::~ExclusiveLock()
{
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    // At the end of its input the tool rolls back and closes the database,
    // leaving no journal behind.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}
