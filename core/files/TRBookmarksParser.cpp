#include "TRBookmarksParser.h"

#include "TRFileGrant.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <SQLiteCpp/SQLiteCpp.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string_view>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(Q_OS_LINUX) && defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::mutex overrideMutex;
QString &directoryOverride()
{
    static QString path;
    return path;
}

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

void TRBookmarksParser::writeLine(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::unique_ptr<SQLite::Database> TRBookmarksParser::openDatabaseCopy(const QString &path)
{
    try {
        auto database = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                           SQLite::OPEN_READWRITE);
        // A history is read newest first, which is a sort of every row: SQLite
        // may sort parts of it on two helper threads of its own.
        database->exec("PRAGMA threads = 2;");
        return database;
    } catch (const SQLite::Exception &) {
        return nullptr;
    }
}

QString TRBookmarksParser::columnText(const SQLite::Column &column)
{
    return column.isNull() ? QString() : QString::fromUtf8(column.getText(), column.getBytes());
}

std::optional<QString> TRBookmarksParser::resolveScopedURL(const QByteArray &grant)
{
    QString error;
    std::optional<QString> path = TRFileGrant::resolve(grant, &error);
    if (!path) {
        writeLine(QStringLiteral("Could not get scoped URL: ") + error);
    }
    return path;
}

std::optional<QString> TRBookmarksParser::copyScopedFile(const QString &fileName,
                                                         const std::optional<QByteArray> &grant)
{
    if (!grant) {
        return std::nullopt;
    }
    const std::optional<QString> source = resolveScopedURL(*grant);
    if (!source) {
        return std::nullopt;
    }
    const std::optional<QString> directory = applicationSupportDirectory();
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
                writeLine(QStringLiteral("Copy Error: ") + walError);
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
            writeLine(QStringLiteral("Copy Error: ") + error);
        }
        return target;
    }

    // No new copy: the old one goes too, so that the reader does not take it
    // for the current file.
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        writeLine(QStringLiteral("Could not remove: ") + fileName + QStringLiteral(" ") +
                  QStringLiteral("The file “%1” couldn’t be removed.").arg(fileName));
    }
    if (!error.isEmpty()) {
        writeLine(QStringLiteral("Copy Error: ") + error);
    }
    return target;
}

std::optional<QString> TRBookmarksParser::applicationSupportDirectory()
{
    QString path;
    {
        std::lock_guard lock(overrideMutex);
        path = directoryOverride();
    }
    if (path.isEmpty()) {
        path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    if (path.isEmpty() || !QDir().mkpath(path)) {
        return std::nullopt;
    }
    return path;
}

void TRBookmarksParser::setApplicationSupportDirectoryOverride(const QString &path)
{
    std::lock_guard lock(overrideMutex);
    directoryOverride() = path;
}

bool TRBookmarksParser::isPlainWebUrl(QByteArrayView text)
{
    qsizetype pos = 0;
    if (text.startsWith("https://")) {
        pos = 8;
    } else if (text.startsWith("http://")) {
        pos = 7;
    } else {
        return false;
    }
    // The host: dot-separated labels of lower-case letters, digits and
    // inner hyphens; no encoded (xn--) labels, which QUrl converts.
    const qsizetype hostStart = pos;
    qsizetype labelStart = pos;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '/' || c == '?' || c == '#') {
            break;
        }
        if (c == '.') {
            if (pos == labelStart || text[pos - 1] == '-') {
                return false;
            }
            labelStart = pos + 1;
            continue;
        }
        const bool letter = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && !(c == '-' && pos != labelStart)) {
            return false;
        }
        if (pos == labelStart + 3 && text.sliced(labelStart, 4) == "xn--") {
            return false;
        }
    }
    if (pos == hostStart || labelStart == pos || text[pos - 1] == '-') {
        return false;
    }
    // A host whose last label starts with a digit may be an IPv4 address,
    // which QUrl writes in its own way ("9" is 0.0.0.9).
    if (text[labelStart] < 'a' || text[labelStart] > 'z') {
        return false;
    }
    // Path, query and fragment: characters that stand for themselves in
    // every part; one fragment at most. Looked up in a table: this runs over
    // every address of a history.
    static constexpr auto plainTable = [] {
        std::array<bool, 256> table{};
        for (int c = 'a'; c <= 'z'; ++c) {
            table[static_cast<std::size_t>(c)] = true;
        }
        for (int c = 'A'; c <= 'Z'; ++c) {
            table[static_cast<std::size_t>(c)] = true;
        }
        for (int c = '0'; c <= '9'; ++c) {
            table[static_cast<std::size_t>(c)] = true;
        }
        for (char c : std::string_view("-._~/?=&+,;:@!*")) {
            table[static_cast<unsigned char>(c)] = true;
        }
        return table;
    }();
    bool inFragment = false;
    const auto *const bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (; pos < text.size(); ++pos) {
        const unsigned char c = bytes[pos];
        if (plainTable[c]) {
            continue;
        }
        if (c == '%') {
            // An escape QUrl keeps as it is: upper-case digits, and not one of
            // the characters it writes plainly (letters, digits, "-._~").
            const auto hex = [](unsigned char digit) {
                return digit >= '0' && digit <= '9'   ? digit - '0'
                       : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                                                      : -1;
            };
            if (pos + 2 >= text.size()) {
                return false;
            }
            const int high = hex(bytes[pos + 1]);
            const int low = hex(bytes[pos + 2]);
            if (high < 0 || low < 0) {
                return false;
            }
            const auto decoded = static_cast<unsigned char>(high * 16 + low);
            const bool unreserved = (decoded >= 'a' && decoded <= 'z') ||
                                    (decoded >= 'A' && decoded <= 'Z') ||
                                    (decoded >= '0' && decoded <= '9') || decoded == '-' ||
                                    decoded == '.' || decoded == '_' || decoded == '~';
            if (unreserved) {
                return false;
            }
            pos += 2;
            continue;
        }
        if (c != '#' || inFragment) {
            return false;
        }
        inFragment = true;
    }
    return true;
}

void TRBookmarksParser::useOneMemoryArena()
{
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
#endif
}

void TRBookmarksParser::releaseFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
