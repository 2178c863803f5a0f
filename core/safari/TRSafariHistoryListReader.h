#pragma once

// Reads a private copy of Safari's History.plist into a packed history.

#include "TRHistoryStore.h"

#include <QString>

#include <memory>

class TRSafariHistoryListReader
{
public:
    // Every entry of the file's "WebHistoryDates", newest first (in list
    // order where times are equal); none when the file is not such a list.
    static std::shared_ptr<TRHistoryStore> read(const QString &path);
};
