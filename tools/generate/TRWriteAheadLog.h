#pragma once

// Makes a SQLite write-ahead log the same bytes on every run.

#include <QString>

namespace TRWriteAheadLog {

// SQLite draws the log's salt at random; it is replaced by a fixed one and
// the checksums that depend on it are made again. Without the shared-memory
// index (removed first), SQLite rebuilds its view of the log from the log
// alone. False when the log cannot be rewritten.
bool fixSalt(const QString &logPath, quint64 salt);

} // namespace TRWriteAheadLog
