#include "TRSQLiteDatabase.h"

#include <QFile>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

std::unique_ptr<SQLite::Database> TRSQLiteDatabase::openCopy(const QString &path)
{
    try {
        auto database = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                           SQLite::OPEN_READWRITE);
        // A history is read newest first, which is a sort of every row: SQLite
        // may sort parts of it on two helper threads of its own.
        database->exec("PRAGMA threads = 2;");
        return database;
    } catch (const SQLite::Exception &) {
        return nullptr;
    }
}

std::optional<qint64> TRSQLiteDatabase::queryInteger(sqlite3 *handle, const char *sql,
                                                     qint64 parameter)
{
    sqlite3_stmt *statement = nullptr;
    std::optional<qint64> value;
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) == SQLITE_OK &&
        (sqlite3_bind_parameter_count(statement) == 0 ||
         sqlite3_bind_int64(statement, 1, parameter) == SQLITE_OK) &&
        sqlite3_step(statement) == SQLITE_ROW) {
        value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return value;
}

TRSQLiteDatabase::Statement TRSQLiteDatabase::prepare(sqlite3 *handle, const char *sql)
{
    sqlite3_stmt *prepared = nullptr;
    if (sqlite3_prepare_v2(handle, sql, -1, &prepared, nullptr) != SQLITE_OK) {
        sqlite3_finalize(prepared);
        prepared = nullptr;
    }
    return Statement(prepared, sqlite3_finalize);
}

QByteArrayView TRSQLiteDatabase::textOf(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? QByteArrayView(text, sqlite3_column_bytes(statement, column)) : QByteArrayView();
}

QByteArrayView TRSQLiteDatabase::blobOf(sqlite3_stmt *statement, int column)
{
    const auto *data = static_cast<const char *>(sqlite3_column_blob(statement, column));
    return data ? QByteArrayView(data, sqlite3_column_bytes(statement, column)) : QByteArrayView();
}
