#include "TRBookmarksParser.h"

#include "TRFileGrant.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdio>
#include <mutex>

namespace {

std::mutex overrideMutex;
QString &directoryOverride()
{
    static QString path;
    return path;
}

// Copies source to target through a temporary file in the target's folder,
// so that a reader never sees half a copy. Returns an error text, empty on
// success.
QString copyAtomically(const QString &source, const QString &target)
{
    const QString temporary = target + QStringLiteral(".partial");
    QFile::remove(temporary);
    if (!QFile::copy(source, temporary)) {
        QFile::remove(temporary);
        return QStringLiteral("The file “%1” couldn’t be copied.")
            .arg(QFileInfo(source).fileName());
    }
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
        return std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                  SQLite::OPEN_READWRITE);
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

    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        writeLine(QStringLiteral("Could not remove: ") + fileName + QStringLiteral(" ") +
                  QStringLiteral("The file “%1” couldn’t be removed.").arg(fileName));
    }
    if (TRFileGrant::beginAccess(*source)) {
        const QString error = copyAtomically(*source, target);
        if (!error.isEmpty()) {
            writeLine(QStringLiteral("Copy Error: ") + error);
        }
        // Visits not yet checkpointed live in the -wal file: it comes along,
        // and a stale one from an earlier copy goes. The -shm index is
        // rebuilt by SQLite from the two.
        const QString sourceWal = *source + QStringLiteral("-wal");
        const QString targetWal = target + QStringLiteral("-wal");
        QFile::remove(target + QStringLiteral("-shm"));
        QFile::remove(targetWal);
        if (error.isEmpty() && QFileInfo::exists(sourceWal)) {
            const QString walError = copyAtomically(sourceWal, targetWal);
            if (!walError.isEmpty()) {
                writeLine(QStringLiteral("Copy Error: ") + walError);
            }
        }
    }
    TRFileGrant::endAccess(*source);
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
