#pragma once

// Opens the private copy of a browser's SQLite file for reading.

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

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

    // A prepared statement, finalized when it goes; null when sql does not
    // prepare (sqlite3_errmsg says why).
    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)>;
    static Statement prepare(sqlite3 *handle, const char *sql);
    // A blob column of the current row as stored, valid until the next
    // step; null for NULL or an empty blob.
    static QByteArrayView blobOf(sqlite3_stmt *statement, int column);
    // A column of the current row as UTF-8 text, valid until the next step;
    // null for NULL.
    static QByteArrayView textOf(sqlite3_stmt *statement, int column);
};
