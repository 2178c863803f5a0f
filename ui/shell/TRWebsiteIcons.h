#pragma once

// The website icons of the trees on show, for the menus and the built-in
// browser's outline. A plugin attaches the icon table its reader built to
// the roots of the trees read with it; a node finds its table through its
// topmost ancestor. An icon is decoded the first time an item shows it, once
// for all items of the same icon, and kept until its table is replaced or
// its trees go. Main thread only.

#include "TRBookmark.h"
#include "TRFaviconTable.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <vector>

class TRWebsiteIcons
{
public:
    // The size of the icons chosen from a store: the menu's icon size on the
    // densest screen.
    static int pixels();

    // Shows table's icons for the nodes below roots; a null table shows
    // none. storeName names the store in the line printed for an icon that
    // does not decode.
    static void attach(const std::vector<TRBookmarkPtr> &roots,
                       std::shared_ptr<const TRFaviconTable> table, const QString &storeName);

    // The icon stored for node's page, else for its site; a null icon for a
    // group, a node of a tree without icons, or an icon that does not decode.
    static QIcon iconFor(const TRBookmark &node);

    // How many icons have been decoded for the trees still attached.
    static int decodedCount();
};
