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
    // With cursor, what the read saw goes there.
    struct Cursor
    {
        qint64 schemaVersion = -1;
        // The newest visit row read, and how many there were up to it.
        qint64 lastVisit = 0;
        qint64 visits = 0;
        qint64 newestTime = 0;
        // Some visit had no time (it is dated at each read) or came older
        // than one read before: only a whole read places it.
        bool needsWholeRead = false;
    };
    static std::shared_ptr<TRHistoryStore> read(const QString &path, Cursor *cursor = nullptr);
    // The history of previous (as read from the same file before, and
    // described by cursor) with the visits added since: new visits first,
    // and the counts of the addresses they visited again moved on. None when
    // the file changed otherwise (visits deleted, another schema, a visit
    // older than the newest read or without a time) or the new part has
    // grown large: then only a full read gives the right store. Cursor moves
    // on with a store.
    static std::shared_ptr<TRHistoryStore>
    readNewer(const QString &path, const TRHistoryStorePtr &previous, Cursor &cursor);
};
