#pragma once

// Helpers shared by the tests of the data sources; core classes only.

#include "TRBookmark.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace TRTestSupport {

// What fn wrote to standard output.
QByteArray captureStdout(const std::function<void()> &fn);

// Writes bytes to path, creating folders; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
// The file's bytes, or empty when it cannot be read.
QByteArray readFile(const QString &path);
// Dates the file's last write two seconds back, as a file a browser wrote a
// while ago: a read right after a write is not trusted to have seen its
// last change, and the next refresh reads the file again.
void settle(const QString &path);

// A tree as one line: groups as name{children}, items as name(url).
QString dump(const TRBookmarkPtr &node);

// The names of nodes, in order.
template <typename Nodes>
QStringList names(const Nodes &nodes)
{
    QStringList result;
    for (const auto &node : nodes) {
        result << node->name();
    }
    return result;
}

// Runs one update of a parser and waits for its completion.
template <typename Parser>
bool update(Parser &parser)
{
    bool done = false;
    parser.updateBookmarks([&done] { done = true; });
    return QTest::qWaitFor([&done] { return done; }, 30000);
}

// JSON written with single quotes, which keeps fixtures readable.
QByteArray json(const char *text);

// What trellis-inspect prints for file, as a user runs it; null when it fails.
QJsonDocument inspect(const QString &command, const QString &file);
// Items and folders below a node of trellis-inspect's JSON.
std::pair<int, int> countBelow(const QJsonObject &node);

// The folder of real browser files, or empty when it is not there.
QString realDataDirectory();

// What happens to a granted file between two refreshes.
enum class Fault {
    deleted,
    // By other bytes (another version, or a file of another kind), renamed
    // into place as browsers save.
    replaced,
    // No read permission for anyone; see OrdinaryUser.
    unreadable,
    // A small real JPEG image under the file's name.
    jpeg,
    empty,
    directory,
    // A named pipe that nobody writes to: opening it to read waits for a
    // writer.
    namedPipe,
    // A SQLite database with tables of its own.
    otherDatabase,
    // The file's database held locked by another process, the same with
    // changes committed to its write-ahead log that are not yet in the file
    // itself, the folder of private copies read-only, and that folder
    // missing where it cannot be made.
    locked,
    lockedWithWriteAheadLog,
    privateFolderReadOnly,
    privateFolderUnavailable,
};

// One granted file of a source's fault table: its name, its second version
// and a file of another kind, what reading that (or a JPEG) says, what an
// empty file or a database of other tables says, and for a database the
// browser that holds it locked while it runs.
struct FaultRows
{
    QString name;
    QByteArray secondVersion;
    QByteArray otherKind;
    QByteArray otherKindOut = {};
    QByteArray noTablesOut = {};
    QString lockedBy = {};
    // The browser also keeps recent visits in its write-ahead log.
    bool logRow = false;
};
// The columns of a fault table: source, fault, replacement, out, readerFails.
void addFaultColumns();
// The rows of one granted file, each named after it.
void addFaultRows(const FaultRows &file);
// The private folder read-only (the refresh says before, then for each
// private copy and its file, in order, that the old copy stays and no new one
// is made) and unavailable (nothing is copied and nothing said).
void addPrivateFolderFaultRows(const QByteArray &before,
                               const QList<std::pair<QString, QString>> &copies);

// While one lives, files are opened with an ordinary user's rights. Root
// reads and writes whatever the permissions say, so a test run as root takes
// the identity of "nobody" (for every thread) and gets root back when this
// ends; an ordinary user stays who they are. "nobody" keeps root's
// supplementary groups.
class OrdinaryUser
{
public:
    OrdinaryUser();
    ~OrdinaryUser();
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

    // False when root could not become an ordinary user.
    bool isValid() const { return m_valid; }

private:
    bool m_valid = false;
    bool m_switched = false;
};

// Folders anyone may enter and read, and also write.
constexpr QFileDevice::Permissions openToAll =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
    QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
constexpr QFileDevice::Permissions writableByAll =
    openToAll | QFileDevice::WriteGroup | QFileDevice::WriteOther;

// A browser's folder and a folder of private copies for the fault cases,
// both open to the ordinary user a test run as root becomes, the second
// writable by all; while this lives, it is the parsers' private folder.
class FaultFolders
{
public:
    FaultFolders();
    ~FaultFolders();
    FaultFolders(const FaultFolders &) = delete;
    FaultFolders &operator=(const FaultFolders &) = delete;

    bool isValid() const { return m_valid; }

    // What a source's parser does in one fault-table row.
    struct Run
    {
        // One update of the parser.
        std::function<void()> refresh;
        // The parser's trees, and what they are when the file changed (every
        // file when empty) shows its new version or its reader fails.
        std::function<QStringList()> trees;
        std::function<QStringList(const QString &changed, bool showsNew, bool fails)> expected;
        // Gives every file its second version.
        std::function<void()> writeSecondVersions;
        // What a browser holding the database locked has committed (to its
        // log, for lockedWithWriteAheadLog) and run without committing.
        QByteArray committed = {};
        QByteArray uncommitted = {};
    };
    // Runs the current row of a fault table (see addFaultRows) once the
    // files' first versions are granted: they are read without a word; the
    // row's fault is brought about for the file at path (empty for the
    // private folder) and the refresh says the row's lines and keeps or
    // shows what the row says; put right and given their second versions,
    // every file is read again.
    void runRow(const QString &path, const Run &run);

    QTemporaryDir browser;
    QTemporaryDir support;

private:
    bool m_valid = false;
};

// Another process (the sqlite3 command-line tool) that runs committed on the
// database at path, then holds the database in exclusive locking mode inside
// an exclusive transaction that has run uncommitted and not committed it, as
// a running browser does. The transaction is rolled back and the tool ends
// when this goes.
class ExclusiveLock
{
public:
    ExclusiveLock(const QString &path, const QByteArray &committed, const QByteArray &uncommitted);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock &) = delete;
    ExclusiveLock &operator=(const ExclusiveLock &) = delete;

    // Why the lock is not held (the tool is missing, or another connection
    // could still read the database), or empty when it is.
    QString failure() const { return m_failure; }

private:
    QProcess m_process;
    QString m_failure;
};

} // namespace TRTestSupport

Q_DECLARE_METATYPE(TRTestSupport::Fault)
