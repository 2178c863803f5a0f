#pragma once

// Reads a private copy of Safari's History.db into a packed history.

#include "TRHistoryStore.h"

#include <QString>

#include <memory>

class TRSafariHistoryDatabaseReader
{
public:
    // Every visit, in the database's newest-first order, packed; none when
    // it cannot be read, after a line on standard output when the query
    // fails. Builds new nodes only, on whatever thread calls it.
    static std::shared_ptr<TRHistoryStore> read(const QString &path);
};
