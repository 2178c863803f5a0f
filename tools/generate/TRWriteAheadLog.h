#pragma once

// Makes a SQLite write-ahead log the same bytes on every run.

#include <QString>

namespace SQLite {
class Database;
}

namespace TRWriteAheadLog {

// SQLite draws the log's salt at random; it is replaced by a fixed one and
// the checksums that depend on it are made again. Without the shared-memory
// index (removed first), SQLite rebuilds its view of the log from the log
// alone. False when the log cannot be rewritten.
bool fixSalt(const QString &logPath, quint64 salt);

// Makes database a connection that neither checkpoints as the log grows nor
// when it closes, as a browser that is still running leaves it.
void keepInLog(SQLite::Database &database);
// After such a connection closed: the log of the database at path with a
// fixed salt, and no shared-memory index.
bool settleLog(const QString &databasePath, quint64 salt);

} // namespace TRWriteAheadLog
