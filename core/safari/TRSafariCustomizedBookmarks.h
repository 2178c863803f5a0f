#pragma once

// The store of the folders the user switched off: customized_bookmarks.plist
// in the private folder, a keyed archive of a set of identifiers.

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

class TRSafariCustomizedBookmarks
{
public:
    // Writes the set to the file; a failure is a line on standard output and
    // changes nothing else.
    static void save(const QSet<QString> &disabled);
    // The set the file holds; none unless it is a readable archive of a set
    // of strings.
    static std::optional<QSet<QString>> load();

    // The archive's bytes for a set of strings, and the set an archive holds.
    static QByteArray archiveStringSet(const QSet<QString> &strings);
    static std::optional<QSet<QString>> unarchiveStringSet(const QByteArray &archive);
};
