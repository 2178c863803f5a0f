#pragma once

// The two versions of each file that trellis-crash-writer alternates
// between, shared with the test that kills it.

#include <QByteArray>
#include <QSet>
#include <QString>

namespace TRCrashVersions {

// Switched-off folders: thousands of identifiers, so that writing the
// archive takes a while; the versions share none and differ in length.
inline QSet<QString> disabledFolders(int version)
{
    QSet<QString> identifiers;
    const int count = version == 0 ? 2000 : 2500;
    for (int i = 0; i < count; ++i) {
        identifiers.insert(QString::asprintf("%08X-%04X-4000-8000-%012X", i, version, i * 7919));
    }
    return identifiers;
}

// Settings: many keys, each value naming its version and key, and of a
// length that differs between the versions.
inline constexpr int settingsKeyCount = 500;
inline QString settingsKey(int index)
{
    return QStringLiteral("crash_%1_data").arg(index);
}
inline QByteArray settingsValue(int version, int index)
{
    return QByteArray::number(version) + ':' + QByteArray::number(index) + ':' +
           QByteArray(400 + 100 * version, char('a' + version));
}

} // namespace TRCrashVersions
