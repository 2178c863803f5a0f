#include "TRSettingsFile.h"

#include <QFile>
#include <QSettings>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<QSettings> TRSettingsFile::openUserStore()
{
    // An INI file, "Trellis/Trellis.ini" under the user's configuration folder.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Trellis"), QStringLiteral("Trellis"));
}

// The owner of a live lock holds flock() on it from the moment it is
// created, so an empty lock that flock() can take has no owner.
void TRSettingsFile::removeOwnerlessLock(const QString &settingsFile)
{
    const QByteArray lock = QFile::encodeName(settingsFile + QStringLiteral(".lock"));
    const int fd = ::open(lock.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat status = {};
    if (::fstat(fd, &status) == 0 && status.st_size == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::unlink(lock.constData());
    }
    ::close(fd);
}
