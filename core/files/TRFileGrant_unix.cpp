#include "TRFileGrant.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>

#include <sys/stat.h>

// The block holds a magic number, a version, the file's canonical path and
// its identity (device and inode) when it was granted. Browsers replace
// their files by renaming new ones into place, so the identity is kept for
// the record but not required to match.
namespace {

constexpr quint32 magic = 0x54524731; // "TRG1"
constexpr quint16 version = 1;

} // namespace

std::optional<QByteArray> TRFileGrant::make(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isFile()) {
        return std::nullopt;
    }
    struct stat status = {};
    if (::stat(QFile::encodeName(canonical).constData(), &status) != 0) {
        return std::nullopt;
    }
    QByteArray grant;
    QDataStream stream(&grant, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << magic << version << canonical << quint64(status.st_dev) << quint64(status.st_ino);
    return grant;
}

std::optional<QString> TRFileGrant::resolve(const QByteArray &grant, QString *error)
{
    QDataStream stream(grant);
    stream.setVersion(QDataStream::Qt_6_0);
    quint32 readMagic = 0;
    quint16 readVersion = 0;
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
    stream >> readMagic >> readVersion >> path >> device >> inode;
    if (stream.status() != QDataStream::Ok || readMagic != magic || readVersion != version ||
        path.isEmpty()) {
        if (error) {
            *error = QStringLiteral("The file access data is not in the correct format.");
        }
        return std::nullopt;
    }
    if (!QFileInfo::exists(path)) {
        if (error) {
            *error = QStringLiteral("The file “%1” couldn’t be opened because there is no such "
                                    "file.")
                         .arg(QFileInfo(path).fileName());
        }
        return std::nullopt;
    }
    return path;
}

bool TRFileGrant::beginAccess(const QString &path)
{
    return QFileInfo(path).isReadable();
}

void TRFileGrant::endAccess(const QString &)
{
    // Linux grants need no scope to be closed.
}
