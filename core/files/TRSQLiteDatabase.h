#pragma once

// Opens the private copy of a browser's SQLite file for reading.

#include <QString>

#include <memory>

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
};
