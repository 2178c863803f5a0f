#include "TRBrowserFiles.h"
#include "TRCoreTestMain.h"
#include "TRDayFormatter.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmark.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRPrivateFolder.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariHistoryDatabaseReader.h"
#include "TRSafariHistoryReader.h"
#include "TRSourceState.h"
#include "TRSourceWatcher.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <SQLiteCpp/SQLiteCpp.h>

using TRBrowserFiles::chromeTime;
using TRTestSupport::settle;
using TRTestSupport::update;
using TRTestSupport::writeFile;
using Chrome = TRGoogleChromeBookmarksParser;
using Safari = TRSafariBookmarksParser;

namespace {

TRFileState privateCopy(const QString &name)
{
    return TRFileState::of(QDir(TRPrivateFolder::path().value()).filePath(name));
}

QString dayNames(const TRBookmarkPtr &root)
{
    return TRTestSupport::names(root->bookmarks()).join(u'|');
}

// Reads the history at path whole and in part after each of a series of
// random changes (change makes one and says whether it deleted anything):
// the partial read gives what the whole one gives, or declines after a
// deletion, and mostly succeeds.
template <class Cursor, class Full, class Newer>
void checkPartialReads(const QString &path, Full full, Newer newer,
                       const std::function<bool(QRandomGenerator &)> &change)
{
    // Every entry in order, with its day, and the most visited: what
    // the menu would show.
    const auto describe = [](const TRHistoryStorePtr &store) {
        QStringList lines;
        const TRDayFormatter formatter;
        for (const auto &day : formatter.groupByDay<TRGoogleChromeBookmark>(store)) {
            lines << day->name();
            for (const TRBookmarkPtr &node : day->bookmarks()) {
                const auto entry = std::static_pointer_cast<TRGoogleChromeBookmark>(node);
                lines << entry->name() + ' ' + entry->url().toString() + ' ' +
                             QString::number(entry->visitCount) + ' ' +
                             entry->lastVisitedDate.toString(Qt::ISODateWithMs);
            }
        }
        for (std::size_t index : TRSafariHistoryReader::selectMostVisited(*store)) {
            lines << "most " + store->name(index) + QString::number(store->visitCount(index));
        }
        return lines;
    };
    Cursor cursor;
    TRHistoryStorePtr store = full(path, &cursor);
    QRandomGenerator random(7);
    int partial = 0;
    for (int step = 0; step < 80; ++step) {
        const bool deleted = change(random);
        Cursor next = cursor;
        const TRHistoryStorePtr merged = newer(path, store, next);
        Cursor fullCursor;
        const TRHistoryStorePtr whole = full(path, &fullCursor);
        QVERIFY(whole);
        if (merged) {
            QVERIFY2(!deleted, qPrintable(QString::number(step)));
            QCOMPARE(describe(merged), describe(whole));
            ++partial;
        }
        store = merged ? merged : whole;
        cursor = merged ? next : fullCursor;
    }
    QVERIFY2(partial >= 50, qPrintable(QString::number(partial)));
}

} // namespace

// Trellis stays in the tray all day: a refresh while nothing changed copies
// and reads nothing and leaves the trees as they were, a browser's write is
// seen by watching its folder, and a new day is named without a read.
class TestRefreshCost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_browser;

    QString file(const QString &name) const { return m_browser.filePath(name); }

private slots:
    void cleanup() { TRDayFormatter::setNowForTesting({}); }

    // Every way a browser changes a file shows in its state; reading it
    // again does not.
    void sourceStatesSeeEveryChange()
    {
        const QString path = file("states/History");
        QVERIFY(writeFile(path, "version one"));
        const QByteArray grant = TRFileGrant::make(path).value();
        TRSourceState last = TRSourceState::of(grant);
        QVERIFY(!last.isSettled());
        settle(path);
        last = TRSourceState::of(grant);
        QVERIFY(last.isSettled());
        QVERIFY(TRSourceState::of(grant) == last);

        QByteArray context;
        const auto renameOver = [](const QString &from, const QString &to) {
            return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
        };
        const std::vector<std::pair<const char *, std::function<void()>>> changes{
            {"written in place, same size",
             [&] {
                 QVERIFY(writeFile(path, "version two"));
             }},
            {"only the time",
             [&] {
                 settle(path);
             }},
            {"grown",
             [&] {
                 QFile out(path);
                 QVERIFY(out.open(QIODevice::Append));
                 QCOMPARE(out.write("more"), 4);
             }},
            {"replaced by a rename",
             [&] {
                 QVERIFY(writeFile(path + ".new", "version two more"));
                 QCOMPARE(renameOver(path + ".new", path), 0);
             }},
            {"a -wal beside it",
             [&] {
                 QVERIFY(writeFile(path + "-wal", "log"));
             }},
            {"another context",
             [&] {
                 context = "folder off";
             }},
            {"removed",
             [&] {
                 QVERIFY(QFile::remove(path));
             }},
        };
        for (const auto &[what, change] : changes) {
            change();
            const TRSourceState now = TRSourceState::of(grant, context);
            QVERIFY2(!(now == last), what);
            last = now;
        }
    }

    // Writes, renames and removals of the watched files are seen, coalesced
    // and spaced, the further the longer a read took; other files and reads
    // in flight hold the signal back.
    void watchersSeeWritesOnce()
    {
        constexpr int quietMs = 30;
        constexpr int spacingMs = 600;
        TRSourceWatcher watcher(nullptr, quietMs, spacingMs);
        QSignalSpy changed(&watcher, &TRSourceWatcher::changed);
        QVERIFY(writeFile(file("watched/History"), "h"));
        QVERIFY(writeFile(file("other/Bookmarks"), "b"));
        watcher.setFiles({file("watched/History"), file("other/Bookmarks")});
        QVERIFY(watcher.isWatching());

        QVERIFY(writeFile(file("watched/History-journal"), "not ours"));
        QVERIFY(writeFile(file("watched/Favicons"), "not ours"));
        QTest::qWait(3 * quietMs);
        QCOMPARE(changed.count(), 0);

        // One of each change, each after the last read's spacing.
        const std::vector<std::pair<const char *, std::function<void()>>> writes{
            {"in place",
             [&] {
                 QVERIFY(writeFile(file("watched/History"), "h2"));
             }},
            {"-wal",
             [&] {
                 QVERIFY(writeFile(file("watched/History-wal"), "w"));
             }},
            {"renamed into place",
             [&] {
                 QVERIFY(writeFile(file("other/Bookmarks.tmp"), "b2"));
                 QCOMPARE(::rename(QFile::encodeName(file("other/Bookmarks.tmp")).constData(),
                                   QFile::encodeName(file("other/Bookmarks")).constData()),
                          0);
             }},
            {"removed",
             [&] {
                 QVERIFY(QFile::remove(file("watched/History")));
             }},
        };
        QElapsedTimer sinceRead;
        for (const auto &[what, write] : writes) {
            watcher.readStarted();
            sinceRead.start();
            watcher.readFinished();
            write();
            QVERIFY2(changed.wait(5000), what);
            // Coarse timers may fire up to 5% early.
            QVERIFY2(sinceRead.elapsed() >= spacingMs * 9 / 10, what);
            QCOMPARE(changed.count(), 1);
            changed.clear();
        }

        // A browser writing on and on: one signal while a read is in flight,
        // given when it ends; none for writes the read itself saw.
        watcher.readStarted();
        for (int write = 0; write < 20; ++write) {
            QVERIFY(writeFile(file("watched/History-wal"), QByteArray::number(write)));
            QTest::qWait(5);
        }
        QTest::qWait(spacingMs);
        QCOMPARE(changed.count(), 0);
        watcher.readFinished();
        // That read was long, so the next waits ten times as long.
        QVERIFY(changed.wait(15000));
        watcher.readStarted();
        QVERIFY(writeFile(file("watched/History-wal"), "seen by the read"));
        QTest::qWait(3 * quietMs);
        watcher.readStarted();
        watcher.readFinished();
        QTest::qWait(spacingMs + 3 * quietMs);
        QCOMPARE(changed.count(), 1);

        // A long read spaces the next by ten times its length.
        changed.clear();
        watcher.readStarted();
        sinceRead.start();
        QTest::qWait(120);
        watcher.readFinished();
        QVERIFY(writeFile(file("watched/History-wal"), "after a long read"));
        QVERIFY(changed.wait(5000));
        QVERIFY(sinceRead.elapsed() >= 1200 * 9 / 10);

        // A folder that goes away ends its watch, and says so.
        changed.clear();
        QVERIFY(QDir(file("other")).removeRecursively());
        QVERIFY(changed.wait(5000));
        QVERIFY(!watcher.isWatching());
        watcher.setFiles({file("watched/History"), file("other/Bookmarks")});
        QVERIFY(!watcher.isWatching());
    }

    // Chrome: a refresh of files that did not change copies nothing and
    // keeps the trees; one new visit is read without the bookmarks.
    void chromeReadsOnlyWhatChanged()
    {
        const QString bookmarks = file("chrome/Bookmarks");
        const QString history = file("chrome/History");
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QList<TRBrowserFiles::ChromeRow> rows{
            {"Earlier", "https://earlier.example/", 1, chromeTime(now.addSecs(-60))}};
        QVERIFY(writeFile(bookmarks,
                          TRTestSupport::json("{'roots':{'other':{'type':'folder','name':'O',"
                                              "'children':[]}}}")));
        TRBrowserFiles::writeChromeHistory(history, rows);
        settle(bookmarks);
        settle(history);
        Chrome parser;
        parser.dataForBookmarks = TRFileGrant::make(bookmarks);
        parser.dataForHistory = TRFileGrant::make(history);
        QVERIFY(update(parser));
        QVERIFY(parser.lastUpdateChanged());
        const auto tree = parser.bookmarks().value(Chrome::BookmarkTypeKey::bookmarks);
        const auto days = parser.historyBookmark()->bookmarks();
        const TRFileState copy = privateCopy(Chrome::rawValue(Chrome::BookmarkDataKey::history));
        QVERIFY(copy.exists);

        QVERIFY(update(parser));
        QVERIFY(!parser.lastUpdateChanged());
        QCOMPARE(parser.bookmarks().value(Chrome::BookmarkTypeKey::bookmarks), tree);
        QCOMPARE(parser.historyBookmark()->bookmarks(), days);
        QCOMPARE(privateCopy(Chrome::rawValue(Chrome::BookmarkDataKey::history)), copy);
        QCOMPARE(parser.lastUpdateResult().history, Chrome::Outcome::read);

        rows.push_back({"Newest", "https://newest.example/", 1, chromeTime(now)});
        TRBrowserFiles::writeChromeHistory(history, rows);
        settle(history);
        QVERIFY(update(parser));
        QVERIFY(parser.lastUpdateChanged());
        QCOMPARE(parser.bookmarks().value(Chrome::BookmarkTypeKey::bookmarks), tree);
        const auto newest = parser.historyBookmark()->bookmarks().front()->bookmarks();
        QCOMPARE(newest.front()->name(), QString("Newest"));

        // Taken back: said once, then nothing changes again.
        parser.dataForBookmarks.reset();
        QVERIFY(update(parser));
        QVERIFY(parser.lastUpdateChanged());
        QCOMPARE(parser.lastUpdateResult().bookmarks, Chrome::Outcome::notGranted);
        QVERIFY(update(parser));
        QVERIFY(!parser.lastUpdateChanged());
    }

    // The account's bookmarks and the local ones change apart: the file that
    // changed is copied and read, the other one's copy stays as it was, and
    // the tree holds both files' roots again (a file that fails keeps its
    // last good ones; one taken back takes its roots along).
    void chromeBookmarksFilesChangeApart_data()
    {
        QTest::addColumn<QString>("file");
        // "rewritten", "broken" or "taken back".
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("roots");
        QTest::addColumn<QByteArray>("out");
        const QStringList both{"Account", "Local"};
        QTest::newRow("account rewritten")
            << "AccountBookmarks"
            << "rewritten" << QStringList{"Account 2", "Local"} << QByteArray();
        QTest::newRow("local rewritten")
            << "Bookmarks"
            << "rewritten" << QStringList{"Account", "Local 2"} << QByteArray();
        QTest::newRow("account broken")
            << "AccountBookmarks"
            << "broken" << both
            << QByteArray("Could not decode 'AccountBookmarksContainer': The data couldn’t be "
                          "read because it isn’t in the correct format.\n");
        QTest::newRow("local broken")
            << "Bookmarks"
            << "broken" << both
            << QByteArray("Could not decode 'BookmarksContainer': The data couldn’t be read "
                          "because it isn’t in the correct format.\n");
        QTest::newRow("account taken back") << "AccountBookmarks"
                                            << "taken back" << QStringList{"Local"} << QByteArray();
        QTest::newRow("local taken back") << "Bookmarks"
                                          << "taken back" << QStringList{"Account"} << QByteArray();
    }

    void chromeBookmarksFilesChangeApart()
    {
        QFETCH(QString, file);
        QFETCH(QString, change);
        QFETCH(QStringList, roots);
        QFETCH(QByteArray, out);
        QTemporaryDir profile;
        const auto root = [](const QByteArray &name) {
            return TRTestSupport::json(
                QByteArray("{'roots':{'bookmark_bar':{'type':'folder','name':'" + name +
                           "','children':[{'type':'url','name':'a','url':'https://a.example/'}]}}}")
                    .constData());
        };
        const QString account = profile.filePath("AccountBookmarks");
        const QString local = profile.filePath("Bookmarks");
        QVERIFY(writeFile(account, root("Account")));
        QVERIFY(writeFile(local, root("Local")));
        settle(account);
        settle(local);
        // A stem of its own: the copies are this row's alone.
        Chrome parser(QStringLiteral("change_") +
                      QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
        parser.dataForAccountBookmarks = TRFileGrant::make(account);
        parser.dataForBookmarks = TRFileGrant::make(local);
        QVERIFY(update(parser));
        const auto rootNames = [&parser] {
            const auto tree = parser.bookmarks().value(Chrome::BookmarkTypeKey::bookmarks);
            return tree ? TRTestSupport::names(tree->bookmarks()) : QStringList();
        };
        QCOMPARE(rootNames(), QStringList({"Account", "Local"}));
        const bool changesAccount = file == u"AccountBookmarks";
        const QString other =
            parser.copyName(changesAccount ? Chrome::BookmarkDataKey::bookmarks
                                           : Chrome::BookmarkDataKey::accountBookmarks);
        const TRFileState otherCopy = privateCopy(other);
        QVERIFY(otherCopy.exists);

        auto &grant = changesAccount ? parser.dataForAccountBookmarks : parser.dataForBookmarks;
        if (change == u"taken back") {
            grant.reset();
        } else {
            const QString path = profile.filePath(file);
            QVERIFY(writeFile(path, change == u"broken"
                                        ? QByteArray("{\"roots\":")
                                        : root(changesAccount ? "Account 2" : "Local 2")));
            settle(path);
        }
        QCOMPARE(TRTestSupport::captureStdout([&] { QVERIFY(update(parser)); }), out);
        QVERIFY(parser.lastUpdateChanged());
        QCOMPARE(rootNames(), roots);
        QCOMPARE(privateCopy(other), otherCopy);
        const Chrome::Outcome expected = change == u"rewritten" ? Chrome::Outcome::read
                                         : change == u"broken"  ? Chrome::Outcome::unreadable
                                                                : Chrome::Outcome::notGranted;
        const auto result = parser.lastUpdateResult();
        QCOMPARE(changesAccount ? result.accountBookmarks : result.bookmarks, expected);
        QCOMPARE(changesAccount ? result.bookmarks : result.accountBookmarks,
                 Chrome::Outcome::read);
        const auto tree = parser.bookmarks().value(Chrome::BookmarkTypeKey::bookmarks);

        // Nothing changed since: nothing is copied or said, the tree stays.
        QCOMPARE(TRTestSupport::captureStdout([&] { QVERIFY(update(parser)); }), QByteArray());
        QVERIFY(!parser.lastUpdateChanged());
        QCOMPARE(parser.bookmarks().value(Chrome::BookmarkTypeKey::bookmarks), tree);

        // The last file taken back takes the tree along.
        parser.dataForAccountBookmarks.reset();
        parser.dataForBookmarks.reset();
        QVERIFY(update(parser));
        QVERIFY(!parser.bookmarks().contains(Chrome::BookmarkTypeKey::bookmarks));
    }

    // Safari: each of the four files is read only when it changed, and the
    // bookmarks also when other folders are switched off.
    void safariReadsOnlyWhatChanged()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString bookmarks = file("safari/Bookmarks.plist");
        const QString history = file("safari/History.db");
        const QString topSites = file("safari/TopSites.plist");
        QVERIFY(TRBrowserFiles::writeSafariBookmarks(
            bookmarks,
            {TRBrowserFiles::safariFolder(
                "BookmarksBar",
                {TRBrowserFiles::safariFolder(
                    "Work", {TRBrowserFiles::safariLeaf("Wiki", "https://wiki/")}, "WORK")})}));
        TRBrowserFiles::writeSafariHistoryDatabase(
            history, {{"https://a.example/", "A", TRBrowserFiles::safariTime(now), 3}});
        QVERIFY(writeFile(topSites, TRBrowserFiles::safariTopSites({{"Top", "https://top/"}})));
        for (const QString &path : {bookmarks, history, topSites}) {
            settle(path);
        }
        Safari parser;
        parser.bookmarkDataForBookmarks = TRFileGrant::make(bookmarks);
        parser.bookmarkDataForHistory = TRFileGrant::make(history);
        parser.bookmarkDataForTopSites = TRFileGrant::make(topSites);
        QVERIFY(update(parser));
        QVERIFY(parser.lastParseChanged());
        const auto snapshot = [&parser] {
            QStringList trees;
            for (auto key :
                 {Safari::BookmarkTypeKey::bookmarksBar, Safari::BookmarkTypeKey::history,
                  Safari::BookmarkTypeKey::mostVisited, Safari::BookmarkTypeKey::topSites}) {
                const auto root = parser.bookmarks().value(key);
                trees << (root ? TRTestSupport::dump(root) : QString("none"));
            }
            return trees;
        };
        const QStringList first = snapshot();
        const auto bar = parser.root(Safari::BookmarkTypeKey::bookmarksBar)->bookmarks();
        const auto days = parser.root(Safari::BookmarkTypeKey::history)->bookmarks();

        QVERIFY(update(parser));
        QVERIFY(!parser.lastParseChanged());
        QCOMPARE(snapshot(), first);
        QCOMPARE(parser.root(Safari::BookmarkTypeKey::history)->bookmarks(), days);

        // A folder switched off: the bookmarks alone are read again.
        parser.disabledBookmarkUUIDs().insert("WORK");
        QVERIFY(update(parser));
        QVERIFY(parser.lastParseChanged());
        QVERIFY(parser.root(Safari::BookmarkTypeKey::bookmarksBar)->bookmarks() != bar);
        QCOMPARE(parser.root(Safari::BookmarkTypeKey::history)->bookmarks(), days);

        // Top sites taken back: their root goes, the others stay.
        parser.bookmarkDataForTopSites.reset();
        QVERIFY(update(parser));
        QVERIFY(parser.lastParseChanged());
        QVERIFY(!parser.bookmarks().contains(Safari::BookmarkTypeKey::topSites));
        QCOMPARE(parser.root(Safari::BookmarkTypeKey::history)->bookmarks(), days);
        QVERIFY(parser.bookmarks().contains(Safari::BookmarkTypeKey::mostVisited));
    }

    // A browser adds visits, visits addresses again, deletes some and
    // clears its history, at random: after every step, reading only what is
    // newer gives what a full read of the file gives, or declines where
    // something went.
    void partialReadsEqualFullReads()
    {
        // Chrome: one row per address, which a new visit moves forward.
        const QString chromePath = file("partial/History");
        const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-3);
        QList<TRBrowserFiles::ChromeRow> rows;
        QList<TRBrowserFiles::SafariVisit> visits;
        for (int row = 0; row < 200; ++row) {
            const QDateTime at = start.addSecs(row * 600);
            const QString url = QString("https://p%1.example/").arg(row % 150);
            rows.push_back({QString("Page %1").arg(row), QString(url + QString::number(row)),
                            1 + row % 5, chromeTime(at)});
            visits.push_back(
                {url, QString("Page %1").arg(row), TRBrowserFiles::safariTime(at), 1 + row % 5});
        }
        TRBrowserFiles::writeChromeHistory(chromePath, rows);
        SQLite::Database chrome(chromePath.toStdString(), SQLite::OPEN_READWRITE);
        qint64 chromeNow = chromeTime(start.addSecs(200 * 600));
        checkPartialReads<Chrome::HistoryCursor>(
            chromePath, &Chrome::readHistory, &Chrome::readNewerHistory,
            [&](QRandomGenerator &random) {
                const qint64 last =
                    chrome.execAndGet("SELECT ifnull(max(id), 0) FROM urls").getInt64();
                const std::string some =
                    std::to_string(1 + random.bounded(std::max<qint64>(last, 1)));
                const quint32 kind = random.bounded(100);
                chromeNow += 1000 + random.bounded(1000);
                const std::string now = std::to_string(chromeNow);
                if (kind < 55 || last == 0) {
                    chrome.exec("INSERT INTO urls(url, title, visit_count, last_visit_time) VALUES("
                                "'https://n" +
                                now + ".example/', 'New', 1, " + now + ")");
                } else if (kind < 88) {
                    chrome.exec("UPDATE urls SET visit_count = visit_count + 1, title = 'Again', "
                                "last_visit_time = " +
                                now + " WHERE id = " + some);
                } else {
                    return chrome.exec(kind < 97 ? "DELETE FROM urls WHERE id = " + some
                                                 : std::string("DELETE FROM urls")) > 0;
                }
                return false;
            });

        // Safari: one row per visit; a visit again moves its item's count on.
        const QString safariPath = file("partial/History.db");
        TRBrowserFiles::writeSafariHistoryDatabase(safariPath, visits);
        SQLite::Database safari(safariPath.toStdString(), SQLite::OPEN_READWRITE);
        double safariNow = TRBrowserFiles::safariTime(start.addSecs(200 * 600));
        using SafariReader = TRSafariHistoryDatabaseReader;
        checkPartialReads<SafariReader::Cursor>(
            safariPath, &SafariReader::read, &SafariReader::readNewer,
            [&](QRandomGenerator &random) {
                const auto last = [&](const char *table) {
                    return safari.execAndGet(std::string("SELECT ifnull(max(id), 0) FROM ") + table)
                        .getInt64();
                };
                const qint64 items = last("history_items");
                const std::string item =
                    std::to_string(1 + random.bounded(std::max<qint64>(items, 1)));
                const quint32 kind = random.bounded(100);
                safariNow += 1 + random.bounded(100) / 100.0;
                const std::string now = std::to_string(safariNow);
                if (kind < 45 || items == 0) {
                    safari.exec("INSERT INTO history_items(url, visit_count) VALUES('https://n" +
                                now + ".example/', 1)");
                    safari.exec("INSERT INTO history_visits(history_item, visit_time, title) "
                                "VALUES(last_insert_rowid(), " +
                                now + ", 'New')");
                } else if (kind < 88) {
                    if (safari.exec("UPDATE history_items SET visit_count = visit_count + 1 "
                                    "WHERE id = " +
                                    item) > 0) {
                        safari.exec("INSERT INTO history_visits(history_item, visit_time, title) "
                                    "VALUES(" +
                                    item + ", " + now + ", 'Again')");
                    }
                } else if (kind < 97) {
                    return safari.exec("DELETE FROM history_visits WHERE id = " +
                                       std::to_string(1 + random.bounded(std::max<qint64>(
                                                              last("history_visits"), 1)))) > 0;
                } else {
                    safari.exec("DELETE FROM history_visits");
                    return safari.exec("DELETE FROM history_items") > 0;
                }
                return false;
            });
    }

    // At midnight "Today" becomes "Yesterday" from the history already
    // read: no copy is made, and the most visited stay the same nodes.
    void aNewDayRenamesTheDaysWithoutARead()
    {
        const QDateTime now = QDateTime::currentDateTime();
        const QString chromeHistory = file("day/History");
        const QString safariHistory = file("day/History.db");
        TRBrowserFiles::writeChromeHistory(
            chromeHistory, {{"Visit", "https://visit.example/", 1, chromeTime(now.toUTC())}});
        TRBrowserFiles::writeSafariHistoryDatabase(
            safariHistory,
            {{"https://visit.example/", "Visit", TRBrowserFiles::safariTime(now.toUTC()), 2}});
        Chrome chrome;
        chrome.dataForHistory = TRFileGrant::make(chromeHistory);
        Safari safari;
        safari.bookmarkDataForHistory = TRFileGrant::make(safariHistory);
        QVERIFY(update(chrome));
        QVERIFY(update(safari));
        const auto safariRoot = safari.root(Safari::BookmarkTypeKey::history);
        QCOMPARE(dayNames(chrome.historyBookmark()), QString("Today"));
        QCOMPARE(dayNames(safariRoot), QString("Today"));
        const auto mostVisited = safari.root(Safari::BookmarkTypeKey::mostVisited)->bookmarks();
        QCOMPARE(mostVisited.size(), std::size_t(1));

        TRDayFormatter::setNowForTesting([now] { return now.addDays(1); });
        bool chromeDone = false;
        bool safariDone = false;
        chrome.regroupHistory([&] { chromeDone = true; });
        safari.regroupHistory([&] { safariDone = true; });
        QVERIFY(QTest::qWaitFor([&] { return chromeDone && safariDone; }, 10000));
        QCOMPARE(dayNames(chrome.historyBookmark()), QString("Yesterday"));
        QCOMPARE(dayNames(safariRoot), QString("Yesterday"));
        QCOMPARE(safariRoot->bookmarks().front()->bookmarks().front(), mostVisited.front());
    }
};

TRELLIS_CORE_TEST_MAIN(TestRefreshCost)
#include "TestRefreshCost.moc"
