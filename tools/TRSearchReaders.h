#pragma once

// The readers that trellis-inspect find and the search benchmark run on the
// files they are given: one reader per browser, as a profile has, so that
// the index knows which bookmarks the same browser's history visited.

#include "TRFirefoxPlacesParser.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRSafariBookmarksParser.h"
#include "TRSearchCatalog.h"

#include <memory>

struct TRSearchReaders
{
    std::unique_ptr<TRGoogleChromeBookmarksParser> chrome;
    std::unique_ptr<TRFirefoxPlacesParser> firefox;
    std::unique_ptr<TRSafariBookmarksParser> safari;

    // Grants the file of a kind (chrome-bookmarks, chrome-history,
    // firefox-bookmarks, firefox-history, safari-bookmarks, safari-history,
    // safari-topsites, safari-lastsession) to its browser's reader; false
    // for another kind.
    bool grant(const QString &kind, const QByteArray &grant);
    // Runs each reader's read to its end.
    void readAll();
    bool isEmpty() const { return !chrome && !firefox && !safari; }
    // The readers' indexes, named after their browsers.
    TRSearchCatalog catalog() const;
};
