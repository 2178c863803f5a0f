#pragma once

// Writes Chrome's History database: the tables Chrome creates, filled row
// by row inside one transaction.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <memory>

class TRChromeHistoryWriter
{
public:
    // One row of the urls table; title and url may be null.
    struct Url
    {
        QVariant title;
        QVariant url;
        qint64 visitCount = 0;
        // Microseconds since 1601-01-01 UTC.
        qint64 lastVisitTime = 0;
        qint64 typedCount = 0;
        bool hidden = false;
    };
    // One row of the visits table.
    struct Visit
    {
        qint64 url = 0;
        qint64 time = 0;
        qint64 fromVisit = 0;
        // Chrome's page transition: the core type and its qualifier bits.
        qint64 transition = 0;
        qint64 duration = 0;
        bool knownToSync = false;
    };

    // Replaces any file at path with an empty History; throws
    // SQLite::Exception when it cannot.
    explicit TRChromeHistoryWriter(const QString &path);
    ~TRChromeHistoryWriter();
    TRChromeHistoryWriter(const TRChromeHistoryWriter &) = delete;
    TRChromeHistoryWriter &operator=(const TRChromeHistoryWriter &) = delete;

    // The row's id.
    qint64 addUrl(const Url &row);
    qint64 addVisit(const Visit &row);
    // Commits and closes the database; nothing is kept without it.
    void finish();

    // Chrome's time for a moment: microseconds since 1601-01-01 UTC.
    static qint64 time(const QDateTime &moment);
    static qint64 timeFromUnixMicroseconds(qint64 microseconds);

private:
    std::unique_ptr<SQLite::Database> m_database;
    std::unique_ptr<SQLite::Transaction> m_transaction;
    std::unique_ptr<SQLite::Statement> m_insertUrl;
    std::unique_ptr<SQLite::Statement> m_insertVisit;
};
