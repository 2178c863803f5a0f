#include "TRFileCopy.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens path, for reading or for both reading and writing, when it is a
// regular file, and fills status when given. Anything else under a granted
// file's name never ends a copy: opening a named pipe waits for a writer that
// may never come, and a device such as /dev/zero has no end. So the file is
// opened without waiting and what was opened is looked at before a byte is
// read.
bool openRegularFile(const QString &path, QIODevice::OpenMode mode, QFile &file,
                     struct stat *status = nullptr)
{
    // What is written to is never reached through a symbolic link, which
    // would lead to a file of another name.
    const int access = mode.testFlag(QIODevice::WriteOnly) ? O_RDWR | O_NOFOLLOW : O_RDONLY;
    const int handle = ::open(QFile::encodeName(path).constData(), access | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        return false;
    }
    struct stat found = {};
    if (::fstat(handle, &found) != 0 || !S_ISREG(found.st_mode) ||
        !file.open(handle, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return false;
    }
    if (status) {
        *status = found;
    }
    return true;
}

// Reads size bytes at offset, fewer only at the file's end; -1 on failure.
qint64 readAt(int handle, char *data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t count = ::pread(handle, data + done, size - done, offset + done);
        if (count > 0) {
            done += count;
        } else if (count == 0) {
            break;
        } else if (errno != EINTR) {
            return -1;
        }
    }
    return done;
}

bool writeAt(int handle, const char *data, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t count = ::pwrite(handle, data, size, offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        data += count;
        size -= count;
        offset += count;
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
    if (!openRegularFile(source, QIODevice::ReadOnly, in) ||
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

// Both files are read a chunk at a time and compared page by page; each run
// of pages that differ is written with one call, and nothing else is.
bool TRFileCopy::updateContents(const QString &source, const QString &target)
{
    QFile in;
    QFile out;
    struct stat status = {};
    if (!openRegularFile(source, QIODevice::ReadOnly, in) ||
        !openRegularFile(target, QIODevice::ReadWrite, out, &status) || status.st_nlink != 1) {
        return false;
    }
    constexpr qint64 chunk = 1 << 20;
    constexpr qint64 page = 4096;
    QByteArray wanted(chunk, Qt::Uninitialized);
    QByteArray present(chunk, Qt::Uninitialized);
    qint64 offset = 0;
    for (;;) {
        const qint64 count = readAt(in.handle(), wanted.data(), chunk, offset);
        const qint64 have = count > 0 ? readAt(out.handle(), present.data(), count, offset) : 0;
        if (count < 0 || have < 0) {
            return false;
        }
        if (count == 0) {
            break;
        }
        const auto differs = [&](qint64 start) {
            const qint64 length = std::min(page, count - start);
            return start + length > have || std::memcmp(wanted.constData() + start,
                                                        present.constData() + start, length) != 0;
        };
        qint64 start = 0;
        while (start < count) {
            if (!differs(start)) {
                start += page;
                continue;
            }
            qint64 end = start + page;
            while (end < count && differs(end)) {
                end += page;
            }
            end = std::min(end, count);
            if (!writeAt(out.handle(), wanted.constData() + start, end - start, offset + start)) {
                return false;
            }
            start = end;
        }
        offset += count;
    }
    return status.st_size <= offset || ::ftruncate(out.handle(), offset) == 0;
}
