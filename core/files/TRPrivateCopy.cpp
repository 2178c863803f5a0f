#include "TRPrivateCopy.h"

#include "TRDiagnostics.h"
#include "TRFileCopy.h"
#include "TRFileGrant.h"
#include "TRPrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// Copies source to temporary, a file beside the copy it will replace, with
// the source's permissions as QFile::copy gives them. Returns an error text,
// empty on success.
QString copyToTemporary(const QString &source, const QString &temporary)
{
    // A leftover of an interrupted copy may carry a read-only source's
    // permissions; it is removed rather than opened.
    QFile::remove(temporary);
    if (!TRFileCopy::copyContents(source, temporary)) {
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
