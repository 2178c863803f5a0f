#pragma once

// Opens the private copy of a browser's SQLite file for reading.

#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

namespace SQLite {
class Database;
} // namespace SQLite

class TRSQLiteDatabase
{
public:
    // The copy at path; none when it cannot be opened. Read-write without
    // create: a missing copy must not leave an empty database behind, and
    // SQLite needs write access to read a WAL file.
    static std::unique_ptr<SQLite::Database> openCopy(const QString &path);
    // The first column of the first row of sql, given its one parameter
    // where it has one; none when the query fails or returns no row.
    static std::optional<qint64> queryInteger(sqlite3 *handle, const char *sql,
                                              qint64 parameter = 0);
};
