#include "TRFileCopy.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens path for reading when it is a regular file. Anything else under a
// granted file's name never ends a copy: opening a named pipe waits for a
// writer that may never come, and a device such as /dev/zero has no end. So
// the file is opened without waiting and what was opened is looked at
// before a byte is read.
bool openRegularFile(const QString &path, QFile &file)
{
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
}

} // namespace

// The kernel copies (copy_file_range: nothing passes through this process,
// and file systems that share extents share them).
bool TRFileCopy::copyContents(const QString &source, const QString &target)
{
    QFile in;
    QFile out(target);
    if (!openRegularFile(source, in) ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
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
