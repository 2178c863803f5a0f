#pragma once

// Safari's history as the parser shows it: read from whichever file the
// user granted, grouped by day, with the most visited sites picked out.

#include "TRHistoryStore.h"
#include "TRSafariBookmark.h"
#include "TRSafariHistoryDatabaseReader.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

class TRDayFormatter;

class TRSafariHistoryReader
{
public:
    // The copy at path read as the kind of history that grantedPath's
    // extension names ("db" or "plist"); for a database, what the read saw
    // goes to cursor.
    static std::shared_ptr<TRHistoryStore>
    read(const QString &path, const QString &grantedPath,
         TRSafariHistoryDatabaseReader::Cursor *cursor = nullptr);
    // Day groups, newest day first, each making its visits (newest first)
    // when first opened; nodes already made for some visits (the most
    // visited) are the ones their day then holds.
    static std::vector<TRSafariBookmarkPtr>
    groupByDay(const TRHistoryStorePtr &store, const TRDayFormatter &formatter,
               const std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> &made = {});
    // The visit of each of the ten most visited hosts that has the host's
    // highest count and among those the latest visit, highest count first.
    static std::vector<std::size_t> selectMostVisited(const TRHistoryStore &store);
};
