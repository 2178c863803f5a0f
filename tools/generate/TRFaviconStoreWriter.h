#pragma once

// Writes a browser's store of website icons: Chromium's Favicons or
// Firefox's favicons.sqlite, with the tables and indexes each browser makes.

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace TRFaviconStoreWriter {

struct Icon
{
    QByteArray url;
    // Chromium's icon_type.
    int type = 1;
    // Firefox's root flag: the site's /favicon.ico.
    bool root = false;
    // Width and PNG, narrowest first.
    std::vector<std::pair<int, QByteArray>> bitmaps;
};

struct Store
{
    std::vector<Icon> icons;
    // A page's address and the index of its icon in icons, in the order
    // the browser met them.
    std::vector<std::pair<QByteArray, int>> mappings;
    // When the icons were fetched, microseconds since 1970 UTC.
    qint64 updated = 0;
};

// Each replaces any file at path (and its companions); they throw
// SQLite::Exception when the database fails. Row ids follow the order of
// icons, their bitmaps and mappings.
void writeChromium(const QString &path, const Store &store);
// One moz_icons row per icon and width, one moz_pages_w_icons row per page,
// tied to every width of its icon; left in WAL mode.
void writeFirefox(const QString &path, const Store &store);

} // namespace TRFaviconStoreWriter
