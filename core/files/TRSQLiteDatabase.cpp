#include "TRSQLiteDatabase.h"

#include <QFile>

#include <SQLiteCpp/SQLiteCpp.h>

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
