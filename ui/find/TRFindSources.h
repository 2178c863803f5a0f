#pragma once

// The search indexes of every enabled plugin's sources, for the find window.
// Plugins hand in theirs after each read; each change makes a new snapshot,
// so that a window searching the last one is never disturbed by the next.
// Main thread only.

#include "TRBookmark.h"
#include "TRSearchCatalog.h"

#include <functional>
#include <memory>
#include <vector>

class TRFindSources
{
public:
    struct Source
    {
        // "Brave · Work", "Bonjour".
        QString name;
        std::shared_ptr<const TRSearchIndex> index;
        // A root of the source's trees: a match shows the website icon this
        // tree has for its address. Null for none.
        TRBookmarkPtr iconRoot;
        // Opens a match; none posts it as a bookmark, as the menu does.
        std::function<void(const TRSearchCatalog::Match &)> open;
    };
    struct Snapshot
    {
        TRSearchCatalog catalog;
        // By a match's key.
        std::vector<Source> sources;
    };

    static TRFindSources &shared();

    // Replaces owner's sources; an empty list takes them away. Owners keep
    // the order in which they first came.
    void setSources(const void *owner, std::vector<Source> sources);
    std::shared_ptr<const Snapshot> snapshot() const { return m_snapshot; }

private:
    void rebuild();

    std::vector<std::pair<const void *, std::vector<Source>>> m_owners;
    std::shared_ptr<const Snapshot> m_snapshot = std::make_shared<Snapshot>();
};
