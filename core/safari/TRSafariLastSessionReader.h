#pragma once

// Reads a private copy of Safari's LastSession.plist: the tabs that were
// open when Safari last quit.

#include "TRSafariBookmark.h"

#include <QString>

#include <optional>
#include <vector>

class TRSafariLastSessionReader
{
public:
    // Pinned tabs, then every window's tabs, as new nodes; none when the
    // file is no property-list dictionary.
    static std::optional<std::vector<TRSafariBookmarkPtr>> read(const QString &path);
};
