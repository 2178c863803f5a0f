#include "TRPrivateCopy.h"

#include "TRDiagnostics.h"
#include "TRFileCopy.h"
#include "TRFileGrant.h"
#include "TRPrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <unistd.h>

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

// As copyToTemporary, but most bytes are usually in place already: the spare,
// an older copy, or a temporary that an interrupted call left (half patched,
// or complete) is patched where it differs from source. Its contents never
// matter for what the copy holds, only for how much is written.
QString patchToTemporary(const QString &source, const QString &temporary, const QString &spare)
{
    if (!QFileInfo::exists(temporary)) {
        ::rename(QFile::encodeName(spare).constData(), QFile::encodeName(temporary).constData());
    }
    if (TRFileCopy::updateContents(source, temporary)) {
        QFile::setPermissions(temporary, QFile::permissions(source));
        return {};
    }
    return copyToTemporary(source, temporary);
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

// As moveIntoPlace, and the old copy stays as the spare that the next call
// patches. It takes the spare's name as a second name before the new copy
// takes its first, so the copy's name always names a complete file; where
// there is no old copy, or the file system has no second names, the next
// call copies in full.
QString rotateIntoPlace(const QString &temporary, const QString &target, const QString &spare)
{
    QFile::remove(spare);
    ::link(QFile::encodeName(target).constData(), QFile::encodeName(spare).constData());
    const QString error = moveIntoPlace(temporary, target);
    // The old copy may carry a read-only source's permissions.
    if (error.isEmpty()) {
        QFile::setPermissions(spare, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return error;
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
    const QString spare = target + QStringLiteral(".spare");
    const QString temporary = target + QStringLiteral(".partial");
    const QString temporaryWal = targetWal + QStringLiteral(".partial");

    // Everything is copied beside the old copy before anything replaces it.
    // Visits not yet checkpointed live in the -wal file, which comes along.
    const bool began = TRFileGrant::beginAccess(*source);
    QString error;
    bool hasWal = false;
    if (began) {
        error = patchToTemporary(*source, temporary, spare);
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
        error = rotateIntoPlace(temporary, target, spare);
        // A first copy has no old one to become the spare. One is made now,
        // so that the next change, often a browser's first write after
        // Trellis starts, is patched too rather than copied in full again.
        if (error.isEmpty() && !QFileInfo::exists(spare) &&
            copyToTemporary(target, spare).isEmpty()) {
            QFile::setPermissions(spare, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
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
    // for the current file, and so does the spare, which may never be needed
    // again.
    QFile::remove(spare);
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
