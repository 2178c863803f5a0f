#pragma once

// What a profile holds, told before the user grants it: how many bookmarks
// and on how many days the history has visits. Read from throwaway copies,
// since a running browser keeps its history locked; run off the main thread.

#include <QtGlobal>

#include <optional>

struct TRBrowserProfile;

struct TRProfileSummary
{
    // None for a file that is missing or cannot be read.
    std::optional<qint64> bookmarks;
    std::optional<qint64> historyDays;

    static TRProfileSummary of(const TRBrowserProfile &profile);
};
