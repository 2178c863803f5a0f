#include "TRLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

// The XDG autostart entry: a desktop file in the user's autostart folder,
// which the desktop session runs at login.

namespace {

const QString entryFileName = QStringLiteral("com.kwtlabs.Trellis.desktop");

} // namespace

QString TRLoginItem::entryPath()
{
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configHome).filePath(QStringLiteral("autostart/") + entryFileName);
}

QString TRLoginItem::commandLine(const QString &executablePath)
{
    // An Exec argument with a reserved character must be double-quoted, and
    // inside the quotes '"', '`', '$' and '\' are escaped with a backslash.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = executablePath;
    bool needsQuotes = false;
    for (const QChar c : executablePath) {
        if (reserved.contains(c)) {
            needsQuotes = true;
            break;
        }
    }
    if (needsQuotes) {
        QString quoted;
        for (const QChar c : executablePath) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                quoted += u'\\';
            }
            quoted += c;
        }
        argument = u'"' + quoted + u'"';
    }
    // A literal '%' would start a field code.
    argument.replace(u'%', QStringLiteral("%%"));
    // The value is itself a string of the desktop file, where a backslash
    // is escaped once more.
    argument.replace(u'\\', QStringLiteral("\\\\"));
    return argument;
}

bool TRLoginItem::setEnabled(const QString &identifier, bool enabled)
{
    Q_UNUSED(identifier)
    const QString path = entryPath();
    if (!enabled) {
        return !QFileInfo::exists(path) || QFile::remove(path);
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    const QString contents = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Trellis\n"
                                            "Comment=Your web bookmarks in the tray\n"
                                            "Exec=%1\n"
                                            "Terminal=false\n"
                                            "NoDisplay=true\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(commandLine(QCoreApplication::applicationFilePath()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(contents.toUtf8());
    return file.commit();
}

bool TRLoginItem::isEnabled()
{
    return QFileInfo::exists(entryPath());
}
