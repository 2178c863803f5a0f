#pragma once

// Writes Safari's History.db: Safari's tables in write-ahead-log mode,
// filled row by row inside one transaction. What is added after
// keepInWriteAheadLog() stays in History.db-wal, not yet checkpointed into
// the database file, as when Safari is still running.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <memory>

class TRSafariHistoryWriter
{
public:
    struct Item
    {
        QString url;
        qint64 visitCount = 0;
        // What the address bar completes the address from, such as
        // "youtube" for www.youtube.com; null for none.
        QVariant domainExpansion;
    };
    struct Visit
    {
        qint64 item = 0;
        // Seconds since 2001-01-01 UTC.
        double time = 0;
        // Null for a visit whose page gave no title.
        QVariant title;
        bool loadSuccessful = true;
        // Visits of a redirect: the visit redirected from, and to.
        qint64 redirectSource = 0;
        qint64 redirectDestination = 0;
        // 1 for a visit synced from another device.
        int origin = 0;
    };

    // Replaces any History.db at path, and its companions; throws
    // SQLite::Exception when it cannot.
    explicit TRSafariHistoryWriter(const QString &path);
    ~TRSafariHistoryWriter();
    TRSafariHistoryWriter(const TRSafariHistoryWriter &) = delete;
    TRSafariHistoryWriter &operator=(const TRSafariHistoryWriter &) = delete;

    // The row's id.
    qint64 addItem(const Item &item);
    void setVisitCount(qint64 item, qint64 count);
    qint64 addVisit(const Visit &visit);
    void setRedirectDestination(qint64 visit, qint64 destination);

    // Commits what was added and checkpoints it into the database file;
    // what is added from now on stays in the log. salt fixes the log's
    // random salt, so that the same corpus gives the same bytes.
    void keepInWriteAheadLog(quint64 salt);
    // Commits and closes.
    void finish();

    // Safari's time for a moment: seconds since 2001-01-01 UTC.
    static double time(const QDateTime &moment);
    static double timeFromUnixMicroseconds(qint64 microseconds);

private:
    void open();
    void prepare();

    QString m_path;
    quint64 m_salt = 0;
    bool m_inLog = false;
    std::unique_ptr<SQLite::Database> m_database;
    std::unique_ptr<SQLite::Transaction> m_transaction;
    std::unique_ptr<SQLite::Statement> m_insertItem;
    std::unique_ptr<SQLite::Statement> m_updateItem;
    std::unique_ptr<SQLite::Statement> m_insertVisit;
    std::unique_ptr<SQLite::Statement> m_updateVisit;
};
