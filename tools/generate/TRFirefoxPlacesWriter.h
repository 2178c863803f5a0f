#pragma once

// Writes Firefox's places.sqlite: the moz_ tables and indexes of a recent
// Firefox, filled row by row inside one transaction, left in WAL mode.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <memory>
#include <vector>

class TRFirefoxPlacesWriter
{
public:
    // One row of moz_places; the host, hash and origin are derived from url.
    struct Place
    {
        QByteArray url;
        // Null for a page that gave none.
        QVariant title;
        qint64 visitCount = 0;
        bool hidden = false;
        bool typed = false;
        qint64 frecency = -1;
        // Microseconds since 1970 UTC; 0 for never visited (NULL).
        qint64 lastVisit = 0;
        // Bookmarks and keywords pointing at the page.
        qint64 foreignCount = 0;
        QByteArray guid;
    };
    // One row of moz_historyvisits.
    struct Visit
    {
        qint64 place = 0;
        // Microseconds since 1970 UTC.
        qint64 time = 0;
        qint64 fromVisit = 0;
        int type = 1;
        // 0 organic, 1 synced from another device.
        int source = 0;
    };
    // One row of moz_bookmarks.
    struct Bookmark
    {
        // 1 bookmark, 2 folder, 3 separator.
        int type = 1;
        // The page of a bookmark; 0 for none (NULL).
        qint64 place = 0;
        qint64 parent = 0;
        int position = 0;
        QVariant title;
        qint64 added = 0;
        qint64 modified = 0;
        QByteArray guid;
    };

    // Replaces any places.sqlite at path, and its companions; throws
    // SQLite::Exception when it cannot.
    explicit TRFirefoxPlacesWriter(const QString &path);
    ~TRFirefoxPlacesWriter();
    TRFirefoxPlacesWriter(const TRFirefoxPlacesWriter &) = delete;
    TRFirefoxPlacesWriter &operator=(const TRFirefoxPlacesWriter &) = delete;

    // The row's id.
    qint64 addPlace(const Place &place);
    qint64 addVisit(const Visit &visit);
    qint64 addBookmark(const Bookmark &bookmark);
    void addKeyword(const QByteArray &keyword, qint64 place);
    // An annotation of a page, such as a download's destination.
    void addAnnotation(qint64 place, const QByteArray &name, const QString &content, qint64 time);
    // What Firefox records of the user's time on a page.
    void addInteraction(qint64 place, qint64 created, qint64 viewTime, qint64 keyPresses);
    // Commits what was added, and checkpoints it into the database file;
    // what is added from now on stays in places.sqlite-wal, as when Firefox
    // is still running. salt fixes the log's random salt, so that the same
    // corpus gives the same bytes.
    void keepInWriteAheadLog(quint64 salt);
    // Commits, records the statistics Firefox keeps, switches the file to
    // WAL mode and closes it.
    void finish();

    // Firefox's hash of an address: the scheme's hash in the high 16 bits
    // beside the whole address's hash.
    static qint64 urlHash(const QByteArray &url);
    // "moc.elpmaxe.www." for www.example.com, as moz_places keeps hosts.
    static QByteArray reversedHost(const QByteArray &host);

private:
    void open();
    void prepare();
    qint64 originOf(const QByteArray &url, qint64 frecency);
    // Records the origins' frecency and commits.
    void commit();

    QString m_path;
    quint64 m_salt = 0;
    bool m_inLog = false;
    std::unique_ptr<SQLite::Database> m_database;
    std::unique_ptr<SQLite::Transaction> m_transaction;
    std::unique_ptr<SQLite::Statement> m_insertOrigin;
    std::unique_ptr<SQLite::Statement> m_insertPlace;
    std::unique_ptr<SQLite::Statement> m_insertVisit;
    std::unique_ptr<SQLite::Statement> m_insertBookmark;
    // Each origin's row id by prefix and host, and the sum of its pages'
    // frecency in the order of the rows.
    QHash<QByteArray, qint64> m_originIds;
    std::vector<qint64> m_originFrecency;
    std::vector<qint64> m_originRecorded;
    QHash<QByteArray, qint64> m_annotationNames;
};
