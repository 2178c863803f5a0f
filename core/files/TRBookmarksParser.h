#pragma once

// What every source parser shares: turning a stored grant into a fresh
// private copy of the granted file, which is all a parser ever reads.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace SQLite {
class Column;
class Database;
} // namespace SQLite

class TRBookmarksParser
{
public:
    virtual ~TRBookmarksParser() = default;

    // The granted file's path; none, after a line on standard output, when
    // the grant cannot be resolved.
    static std::optional<QString> resolveScopedURL(const QByteArray &grant);

    // Copies the granted file to fileName in the private folder and returns
    // the copy's path. None when there is no grant, it cannot be resolved or
    // there is no private folder. The copy is written under a temporary name
    // and renamed over the old one, which stays until then (and goes when no
    // new copy can be made); a SQLite file's -wal companion travels with it.
    static std::optional<QString> copyScopedFile(const QString &fileName,
                                                 const std::optional<QByteArray> &grant);

    // The folder of private copies, created when missing; none when it
    // cannot be had.
    static std::optional<QString> applicationSupportDirectory();

    // Writes one diagnostic line to standard output.
    static void writeLine(const QString &line);

    // Opens a private copy of a SQLite file; none when it cannot be opened.
    // Read-write without create: a missing copy must not leave an empty
    // database behind, and SQLite needs write access to read a WAL file.
    static std::unique_ptr<SQLite::Database> openDatabaseCopy(const QString &path);
    // A text column as a string; empty for NULL.
    static QString columnText(const SQLite::Column &column);

    // Whether text is an http or https address that QUrl would give back
    // unchanged in its fully encoded form: lower-case host of plain labels,
    // no port, no user, and only characters that need no encoding or escapes
    // that QUrl keeps as they are. Such text can be kept as it stands, without parsing it; for
    // anything else this is false and the text must be parsed.
    static bool isPlainWebUrl(QByteArrayView text);

    // Puts the private copies somewhere else, for tools that must not touch
    // the application's own copies; an empty path restores the default.
    static void setApplicationSupportDirectoryOverride(const QString &path);

    // Before any thread starts: every thread allocates from one heap. The
    // parsers build their trees on worker threads, where the C library would
    // otherwise grow a heap of their own a page at a time, one system call
    // each, and keep what a parse frees apart from the main thread's heap.
    static void useOneMemoryArena();
    // Hands memory that freed trees left in the heap back to the system. The
    // C library keeps freed memory below memory still in use, and a refresh
    // frees a whole generation of trees at once.
    static void releaseFreeMemory();
};
