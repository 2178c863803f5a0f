#pragma once

// Reads a private copy of Safari's TopSites.plist.

#include "TRSafariBookmark.h"

#include <QString>

#include <optional>
#include <vector>

class TRSafariTopSitesReader
{
public:
    // The entries of the file, as new nodes; none when it is not a list of
    // top sites.
    static std::optional<std::vector<TRSafariBookmarkPtr>> read(const QString &path);
};
