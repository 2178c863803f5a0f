#include "TRTestSupport.h"

#include "TRBookmarksParser.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <cstdio>
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

QString TRTestSupport::realDataDirectory()
{
    const QString path = qEnvironmentVariable("TRELLIS_REALDATA_DIR");
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QString();
}

QString TRTestSupport::corpusUnavailableReason()
{
    const QString generator = qEnvironmentVariable("TRELLIS_CORPUS_GENERATOR");
    if (generator.isEmpty() || !QFileInfo::exists(generator)) {
        return QStringLiteral("the corpus generator (shared/corpus/make_corpus.py) is not beside "
                              "the repository");
    }
    return {};
}

bool TRTestSupport::makeCorpus(const QString &folder, const QString &scale,
                               const QStringList &options)
{
    if (!corpusUnavailableReason().isEmpty()) {
        return false;
    }
    QProcess generator;
    generator.start(QStringLiteral("python3"),
                    QStringList{qEnvironmentVariable("TRELLIS_CORPUS_GENERATOR"),
                                QStringLiteral("--out"), folder, QStringLiteral("--scale"), scale,
                                QStringLiteral("--now"), QStringLiteral("2024-05-01T12:00:00Z"),
                                QStringLiteral("--quiet")} +
                        options);
    return generator.waitForFinished(300000) && generator.exitStatus() == QProcess::NormalExit &&
           generator.exitCode() == 0;
}

bool TRTestSupport::applyFault(Fault fault, const QString &path, const QByteArray &replacement)
{
    switch (fault) {
    case Fault::deleted:
        return QFile::remove(path);
    case Fault::replaced: {
        const QString next = path + QStringLiteral(".next");
        return writeFile(next, replacement) && ::rename(QFile::encodeName(next).constData(),
                                                        QFile::encodeName(path).constData()) == 0;
    }
    case Fault::unreadable:
        return QFile::setPermissions(path, QFileDevice::Permissions());
    case Fault::jpeg: {
        const QByteArray jpeg = jpegBytes();
        return !jpeg.isEmpty() && writeFile(path, jpeg);
    }
    case Fault::empty:
        return writeFile(path, QByteArray());
    case Fault::directory:
        return QFile::remove(path) && QDir().mkdir(path);
    case Fault::namedPipe:
        return QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    case Fault::otherDatabase:
        return makeOtherDatabase(path);
    case Fault::locked:
    case Fault::lockedWithWriteAheadLog:
    case Fault::privateFolderReadOnly:
    case Fault::privateFolderUnavailable:
        break;
    }
    return false;
}

void TRTestSupport::clearFault(const QString &path)
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

QByteArray TRTestSupport::jpegBytes()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 80, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "JPG") ? bytes : QByteArray();
}

bool TRTestSupport::makeOtherDatabase(const QString &path)
{
    QFile::remove(path);
    try {
        SQLite::Database db(QFile::encodeName(path).toStdString(),
                            SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)");
        db.exec("INSERT INTO notes(text) VALUES ('not a browser file')");
        return true;
    } catch (const SQLite::Exception &) {
        return false;
    }
}

TRTestSupport::FaultFolders::FaultFolders()
{
    m_valid = browser.isValid() && support.isValid() &&
              QFile::setPermissions(browser.path(), openToAll) &&
              QFile::setPermissions(support.path(), writableByAll);
    TRBookmarksParser::setApplicationSupportDirectoryOverride(support.path());
}

bool TRTestSupport::FaultFolders::apply(Fault fault, const QString &path,
                                        const QByteArray &replacement)
{
    const auto readOnly = openToAll & ~QFileDevice::WriteOwner;
    switch (fault) {
    case Fault::privateFolderReadOnly:
        return QFile::setPermissions(support.path(), readOnly);
    case Fault::privateFolderUnavailable:
        // Somewhere new, below a folder where nothing can be made; once that
        // is put right, the folder is made there.
        TRBookmarksParser::setApplicationSupportDirectoryOverride(
            support.filePath(QStringLiteral("moved/Trellis")));
        return QFile::setPermissions(support.path(), readOnly);
    default:
        return applyFault(fault, path, replacement);
    }
}

bool TRTestSupport::FaultFolders::needsOrdinaryUser(Fault fault)
{
    return fault == Fault::unreadable || fault == Fault::privateFolderReadOnly ||
           fault == Fault::privateFolderUnavailable;
}

TRTestSupport::FaultFolders::~FaultFolders()
{
    // A case may have taken the write permission away.
    QFile::setPermissions(support.path(), writableByAll);
    TRBookmarksParser::setApplicationSupportDirectoryOverride({});
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
    m_process.write(".timeout 10000\n" + committed + "\nPRAGMA locking_mode=EXCLUSIVE;\nBEGIN " +
                    "EXCLUSIVE;\n" + uncommitted + "\n");
    m_process.waitForBytesWritten(10000);
    // The lock is taken when another connection can no longer read.
    const QDeadlineTimer deadline(10000);
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
