#include "TRPrivateFolder.h"

#include <QDir>
#include <QStandardPaths>

#include <mutex>

namespace {

std::mutex overrideMutex;
QString &directoryOverride()
{
    static QString path;
    return path;
}

} // namespace

std::optional<QString> TRPrivateFolder::path()
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

void TRPrivateFolder::setOverride(const QString &path)
{
    std::lock_guard lock(overrideMutex);
    directoryOverride() = path;
}
