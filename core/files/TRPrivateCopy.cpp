#include "TRPrivateCopy.h"

#include "TRDiagnostics.h"
#include "TRFileGrant.h"
#include "TRPrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Opens path for reading when it is a regular file. Anything else under a
// granted file's name never ends a copy: opening a named pipe waits for a
// writer that may never come, and a device such as /dev/zero has no end. So
// the file is opened without waiting and what was opened is looked at
// before a byte is read.
bool openRegularFile(const QString &path, QFile &file)
{
#ifdef Q_OS_UNIX
    const int handle =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        return false;
    }
    struct stat status = {};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(handle, QIODevice::ReadOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#endif
}

// Copies the bytes of source into target, which is created or emptied.
// QFile::copy would also force every byte to the disk before returning,
// which for a history of a few hundred megabytes takes longer than reading
// it; a private copy is made again for every read and needs no such
// durability. On Linux the kernel copies (copy_file_range: nothing passes
// through this process, and file systems that share extents share them).
bool copyContents(const QString &source, const QString &target)
{
    QFile in;
    QFile out(target);
    if (!openRegularFile(source, in) ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
#ifdef Q_OS_LINUX
    bool copied = false;
    for (;;) {
        const ssize_t count =
            ::copy_file_range(in.handle(), nullptr, out.handle(), nullptr, 1 << 30, 0);
        if (count > 0) {
            copied = true;
        } else if (count == 0) {
            return true;
        } else if (errno != EINTR) {
            // A kernel or file system that cannot copy by itself says so
            // before the first byte; the loop below does it then.
            if (copied ||
                (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)) {
                return false;
            }
            break;
        }
    }
#endif
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 count = in.read(buffer.data(), buffer.size());
        if (count < 0) {
            return false;
        }
        if (count == 0) {
            return true;
        }
        if (out.write(buffer.constData(), count) != count) {
            return false;
        }
    }
}

// Copies source to temporary, a file beside the copy it will replace, with
// the source's permissions as QFile::copy gives them. Returns an error text,
// empty on success.
QString copyToTemporary(const QString &source, const QString &temporary)
{
    // A leftover of an interrupted copy may carry a read-only source's
    // permissions; it is removed rather than opened.
    QFile::remove(temporary);
    if (!copyContents(source, temporary)) {
        QFile::remove(temporary);
        return QStringLiteral("The file “%1” couldn’t be copied.")
            .arg(QFileInfo(source).fileName());
    }
    // As QFile::copy does, a copy whose permissions cannot be set is kept.
    QFile::setPermissions(temporary, QFile::permissions(source));
    return {};
}

// Renames temporary over target. The rename replaces the old copy in one
// step: a reader, or a process killed at any point, sees the old copy or
// the new one, never none and never half of one.
QString moveIntoPlace(const QString &temporary, const QString &target)
{
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) !=
        0) {
        QFile::remove(temporary);
        return QStringLiteral("The file “%1” couldn’t be moved into place.")
            .arg(QFileInfo(target).fileName());
    }
    return {};
}

} // namespace

std::optional<QString> TRPrivateCopy::resolveGrant(const QByteArray &grant)
{
    QString error;
    std::optional<QString> path = TRFileGrant::resolve(grant, &error);
    if (!path) {
        TRDiagnostics::writeLine(QStringLiteral("Could not get scoped URL: ") + error);
    }
    return path;
}

std::optional<QString> TRPrivateCopy::make(const QString &fileName,
                                           const std::optional<QByteArray> &grant)
{
    if (!grant) {
        return std::nullopt;
    }
    const std::optional<QString> source = resolveGrant(*grant);
    if (!source) {
        return std::nullopt;
    }
    const std::optional<QString> directory = TRPrivateFolder::path();
    if (!directory) {
        return std::nullopt;
    }
    const QString target = QDir(*directory).filePath(fileName);

    const QString targetWal = target + QStringLiteral("-wal");
    const QString temporary = target + QStringLiteral(".partial");
    const QString temporaryWal = targetWal + QStringLiteral(".partial");

    // Everything is copied beside the old copy before anything replaces it.
    // Visits not yet checkpointed live in the -wal file, which comes along.
    const bool began = TRFileGrant::beginAccess(*source);
    QString error;
    bool hasWal = false;
    if (began) {
        error = copyToTemporary(*source, temporary);
        const QString sourceWal = *source + QStringLiteral("-wal");
        if (error.isEmpty() && QFileInfo::exists(sourceWal)) {
            const QString walError = copyToTemporary(sourceWal, temporaryWal);
            hasWal = walError.isEmpty();
            if (!hasWal) {
                TRDiagnostics::writeLine(QStringLiteral("Copy Error: ") + walError);
            }
        }
    }
    TRFileGrant::endAccess(*source);
    if (!hasWal) {
        QFile::remove(temporaryWal);
    }

    // The -shm index is rebuilt by SQLite. The old -wal goes before the new
    // main file arrives, so that a -wal never lies beside a main file it does
    // not belong to; an interruption in between leaves a main file alone,
    // which SQLite reads as it stands.
    QFile::remove(target + QStringLiteral("-shm"));
    QFile::remove(targetWal);
    if (began && error.isEmpty()) {
        error = moveIntoPlace(temporary, target);
        if (hasWal && error.isEmpty()) {
            error = moveIntoPlace(temporaryWal, targetWal);
        } else if (hasWal) {
            QFile::remove(temporaryWal);
        }
        if (!error.isEmpty()) {
            TRDiagnostics::writeLine(QStringLiteral("Copy Error: ") + error);
        }
        return target;
    }

    // No new copy: the old one goes too, so that the reader does not take it
    // for the current file.
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        TRDiagnostics::writeLine(
            QStringLiteral("Could not remove: ") + fileName + QStringLiteral(" ") +
            QStringLiteral("The file “%1” couldn’t be removed.").arg(fileName));
    }
    if (!error.isEmpty()) {
        TRDiagnostics::writeLine(QStringLiteral("Copy Error: ") + error);
    }
    return target;
}
