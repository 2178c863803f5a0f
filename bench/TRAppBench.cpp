// Measures the application as a user meets it, on the browser files of a
// corpus folder, with settings and private copies in a scratch home.
//
//   trellis-bench-app menu CORPUS [ROUNDS]
//       every source granted; after the first parses: the status menu's
//       rebuild, the Safari and Chrome History submenus' first level and one
//       day's submenu, each the median of ROUNDS, in milliseconds, and
//       Chrome's day also the first time, when its icons are decoded
//
// With TRELLIS_BENCH_ICONS=1 in the environment, "Show website icons" is on
// in every mode that grants the corpus, and Chrome's Favicons is granted.
//   trellis-bench-app startup START_NS [HOME]
//       the application's own start-up, in HOME (as written by the home
//       mode) or a fresh one; prints the milliseconds from START_NS
//       (CLOCK_REALTIME, taken just before this process was started) to the
//       tray icon being shown
//   trellis-bench-app home CORPUS FOLDER
//       writes a home folder in which every source is granted, at the
//       default refresh rate, for running the real application idle
//   trellis-bench-app refresh CORPUS [ROUNDS]
//       on a copy of the corpus's histories: a full read, a refresh with
//       nothing changed (median of ROUNDS), a refresh after ten new visits in
//       each history (time and bytes written), and the time from a
//       browser's write to the menu holding the new visit
//   trellis-bench-app copy HISTORY [ROUNDS]
//       the private copy of a scratch copy of the Chrome History HISTORY
//       after ten new visits, after ten changed pages, and in full as when
//       no older copy lies beside it: the milliseconds of the copy, the
//       bytes handed to the kernel to write and the bytes of the pages it
//       dirtied, each the median of ROUNDS
//   trellis-bench-app discover HOME [ROUNDS]
//       browser discovery in the home folder HOME (its configuration folder
//       HOME/.config): the first run and the median of ROUNDS, in
//       milliseconds, with the browsers and profiles it found

#include "AppDelegate.h"
#include "TRBrowserDiscovery.h"
#include "TRBrowserPlugin.h"
#include "TRBrowserSettings.h"
#include "TRFileCopy.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRGoogleChromePlugin.h"
#include "TRHeapTrim.h"
#include "TRMenuController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariPlugin.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRWebsiteIcons.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Points HOME and the XDG folders at folder, before anything reads them.
void useHome(const QString &folder)
{
    qputenv("HOME", folder.toUtf8());
    qputenv("XDG_CONFIG_HOME", (folder + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (folder + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CACHE_HOME", (folder + QStringLiteral("/.cache")).toUtf8());
    QDir().mkpath(folder + QStringLiteral("/run"));
    QFile::setPermissions(folder + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (folder + QStringLiteral("/run")).toUtf8());
}

void setUpApplication(QApplication &)
{
    QApplication::setApplicationName(QStringLiteral("Trellis"));
    QApplication::setOrganizationDomain(QStringLiteral("kwtlabs.com"));
    QApplication::setQuitOnLastWindowClosed(false);
}

// Grants every file of the corpus and switches every section on. The
// refresh timers are at the default rate, as a user has them, or with
// longest at their longest interval, so that nothing but what is measured
// runs.
bool grantCorpus(const QString &corpus, bool longest)
{
    TRSettings &settings = TRSettings::standard();
    const QList<std::pair<QString, QString>> grants{
        {TRSettingsKeys::bookmarksData, QStringLiteral("safari/Bookmarks.plist")},
        {TRSettingsKeys::topSitesData, QStringLiteral("safari/TopSites.plist")},
        {TRSettingsKeys::historyData, QStringLiteral("safari/History.db")},
        {TRSettingsKeys::lastSessionData, QStringLiteral("safari/LastSession.plist")},
        {TRSettingsKeys::googleChromeBookmarksData, QStringLiteral("chrome/Default/Bookmarks")},
        {TRSettingsKeys::googleChromeHistoryData, QStringLiteral("chrome/Default/History")},
    };
    const bool icons = qgetenv("TRELLIS_BENCH_ICONS") == "1";
    settings.setBool(TRSettingsKeys::useFavIcons, icons);
    if (icons) {
        const auto grant = TRFileGrant::make(QDir(corpus).filePath("chrome/Default/Favicons"));
        if (!grant) {
            std::fputs("cannot grant chrome/Default/Favicons\n", stderr);
            return false;
        }
        settings.setData(
            TRBrowserSettings::dataKey(TRBrowserSettings(QStringLiteral("chrome")).mainStem(),
                                       TRBrowserSettings::File::favicons),
            *grant);
    }
    for (const auto &[key, file] : grants) {
        const std::optional<QByteArray> grant = TRFileGrant::make(QDir(corpus).filePath(file));
        if (!grant) {
            std::fprintf(stderr, "cannot grant %s\n", qPrintable(file));
            return false;
        }
        settings.setData(key, *grant);
    }
    for (const QString &key :
         {TRSettingsKeys::allowHistory, TRSettingsKeys::allowMostVisitedItems,
          TRSettingsKeys::allowTopSites, TRSettingsKeys::allowLastSession,
          TRSettingsKeys::allowReadingList, TRSettingsKeys::showItemCount,
          TRSettingsKeys::showVisitCount, TRSettingsKeys::hasBookmarksData,
          TRSettingsKeys::hasTopSitesData, TRSettingsKeys::hasHistoryData,
          TRSettingsKeys::hasLastSessionData, TRSettingsKeys::googleChromeAllowBookmarks,
          TRSettingsKeys::googleChromeAllowHistory}) {
        settings.setBool(key, true);
    }
    settings.setBool(TRSettingsKeys::firstRun, false);
    if (longest) {
        settings.setInteger(TRSettingsKeys::updateRateIndex, 4);
    }
    return settings.synchronize();
}

QAction *findItem(const QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == title) {
            return action;
        }
    }
    return nullptr;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Milliseconds that fn takes, the median of rounds.
template <class Fn>
double timeMedian(int rounds, Fn fn)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        // Deleting what the previous round made is part of the cost.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return median(times);
}

struct HistoryTimes
{
    std::vector<double> firstLevel;
    std::vector<double> day;
    qint64 days = 0;
};

// Opens a source's History submenu and its first day, each from a fresh
// menu: a submenu is filled on its first showing, so each round rebuilds the
// source's menu from the parsed trees. rebuild gives the rebuilt menu. A
// menu without History at its top (a browser of several profiles) is timed
// only when required, and otherwise left out.
bool timeHistory(const std::function<QMenu *()> &rebuild, int rounds, bool required,
                 HistoryTimes &times)
{
    for (int i = 0; i < rounds; ++i) {
        QMenu *menu = rebuild();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QAction *historyItem = findItem(menu, QStringLiteral("History"));
        if (!historyItem || !historyItem->menu()) {
            if (!required) {
                return true;
            }
            std::fputs("no History submenu\n", stderr);
            return false;
        }
        QMenu *history = historyItem->menu();
        QElapsedTimer timer;
        timer.start();
        emit history->aboutToShow();
        times.firstLevel.push_back(double(timer.nsecsElapsed()) / 1e6);
        times.days = history->actions().size();
        QAction *firstDay = history->actions().value(0);
        if (!firstDay || !firstDay->menu()) {
            std::fputs("no day in the History submenu\n", stderr);
            return false;
        }
        timer.restart();
        emit firstDay->menu()->aboutToShow();
        times.day.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return true;
}

int benchMenu(int argc, char *argv[])
{
    // With a home of browsers, every profile of every browser there is
    // granted too, beside the corpus's files.
    QTemporaryDir scratch;
    const QString browsersHome = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    useHome(browsersHome.isEmpty() ? scratch.path() : browsersHome);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    const QString corpus = QString::fromLocal8Bit(argv[2]);
    const int rounds = argc > 3 ? std::max(1, QByteArray(argv[3]).toInt()) : 20;
    if (!grantCorpus(corpus, true)) {
        return 1;
    }
    // Safari and Chrome each announce their first rebuild, and so does every
    // other browser installed.
    int expected = 2;
    for (const TRBrowserInstallation &browser : TRBrowserDiscovery::discover()) {
        const TRBrowserSettings keys(browser.id);
        for (const TRBrowserProfile &profile : browser.profiles) {
            keys.use(TRSettings::standard(), profile);
        }
        expected += browser.id == QStringLiteral("chrome") ? 0 : 1;
    }
    TRSettings::standard().synchronize();

    int updates = 0;
    QObject observer;
    TRNotificationCenter::defaultCenter().addObserver(&observer,
                                                      TRNotificationNames::pluginDidUpdate,
                                                      [&updates, expected](const TRNotification &) {
                                                          if (++updates == expected) {
                                                              QCoreApplication::quit();
                                                          }
                                                      });
    AppDelegate delegate;
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    QApplication::exec();

    TRMenuController *menu = delegate.menuController();
    // A rebuild takes some tens of microseconds: many rounds steady the median.
    const double rebuild = timeMedian(std::max(rounds, 500), [menu] { menu->updateMenu(); });

    TRSafariPlugin *safari = nullptr;
    TRBrowserPlugin *chrome = nullptr;
    for (const auto &plugin : delegate.pluginManager()->plugins()) {
        safari = safari ? safari : dynamic_cast<TRSafariPlugin *>(plugin.get());
        auto *browser = dynamic_cast<TRBrowserPlugin *>(plugin.get());
        if (!chrome && browser && browser->settings().browserId() == QStringLiteral("chrome")) {
            chrome = browser;
        }
    }
    HistoryTimes safariTimes;
    HistoryTimes chromeTimes;
    if ((safari && !timeHistory(
                       [safari] {
                           safari->rebuildMenu();
                           return safari->menuItem()->menu();
                       },
                       rounds, true, safariTimes)) ||
        // Chrome's days show the website icons when they are on: the first
        // round decodes them, the others find them decoded.
        (chrome && !timeHistory(
                       [chrome] {
                           chrome->rebuildMenu();
                           return chrome->parentMenu();
                       },
                       rounds, false, chromeTimes))) {
        return 1;
    }
    const double historyFirstLevel = median(safariTimes.firstLevel);
    const double day = median(safariTimes.day);
    const qint64 days = safariTimes.days;
    std::printf("status menu rebuild: %.3f ms\n", rebuild);
    std::printf("status menu entries: %lld\n",
                static_cast<long long>(menu->statusItemMenu()->actions().size()));
    std::printf("Safari History submenu, first level: %.3f ms (%lld entries)\n", historyFirstLevel,
                static_cast<long long>(days));
    std::printf("Safari History, one day's submenu: %.3f ms\n", day);
    if (!chromeTimes.day.empty()) {
        std::printf("Chrome History submenu, first level: %.3f ms\n",
                    median(chromeTimes.firstLevel));
        std::printf("Chrome History, one day's submenu: %.3f ms\n", median(chromeTimes.day));
        std::printf("Chrome History, one day's submenu, first time: %.3f ms\n",
                    chromeTimes.day.front());
    }
    std::printf("website icons decoded: %d\n", TRWebsiteIcons::decodedCount());
    return 0;
}

// A counter of /proc/self/io: wchar, the bytes handed to write calls
// (copy_file_range included), or write_bytes, those of the pages dirtied.
qint64 ioCounter(const QByteArray &name)
{
    QFile io(QStringLiteral("/proc/self/io"));
    const QList<QByteArray> lines =
        io.open(QIODevice::ReadOnly) ? io.readAll().split('\n') : QList<QByteArray>();
    for (const QByteArray &line : lines) {
        if (line.startsWith(name) && line.indexOf(':') == name.size()) {
            return line.mid(name.size() + 1).trimmed().toLongLong();
        }
    }
    return -1;
}

// Ten visits to pages of the history, as a browser records them.
void addTenVisits(const QString &history)
{
    SQLite::Database database(QFile::encodeName(history).toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(database);
    for (int i = 0; i < 10; ++i) {
        database.exec("INSERT INTO visits(url, visit_time, transition) SELECT "
                      "1 + abs(random()) % (SELECT max(id) FROM urls), "
                      "(SELECT max(visit_time) FROM visits) + 1000000, 1");
        database.exec("UPDATE urls SET visit_count = visit_count + 1, last_visit_time = "
                      "(SELECT max(visit_time) FROM visits) WHERE id = "
                      "(SELECT url FROM visits WHERE id = last_insert_rowid())");
    }
    transaction.commit();
}

int benchCopy(int argc, char *argv[])
{
    QTemporaryDir home;
    useHome(home.path());
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));
    const int rounds = argc > 3 ? std::max(1, QByteArray(argv[3]).toInt()) : 5;
    const QString history = home.filePath(QStringLiteral("History"));
    const std::optional<QByteArray> grant =
        TRFileCopy::copyContents(QString::fromLocal8Bit(argv[2]), history)
            ? TRFileGrant::make(history)
            : std::nullopt;
    // The first copy has no older one beside it; the second has.
    const QString name = QStringLiteral("google_chrome_history_data");
    if (!grant || !TRPrivateCopy::make(name, grant) || !TRPrivateCopy::make(name, grant)) {
        std::fputs("cannot copy the history\n", stderr);
        return 1;
    }
    // A byte of each of ten pages spread over the file; SQLite does not open
    // it again after this.
    const auto changeTenPages = [&history](int round) {
        QFile file(history);
        const qint64 pages = file.size() / 4096;
        char byte = 0;
        for (int i = 0; i < 10 && file.open(QIODevice::ReadWrite); ++i) {
            const qint64 at = (i * pages / 10 + round % std::max<qint64>(pages / 10, 1)) * 4096;
            if (file.seek(at) && file.getChar(&byte) && file.seek(at)) {
                file.putChar(char(~byte));
            }
            file.close();
        }
    };
    const auto measure = [&](const char *what, const std::function<void(int)> &change, bool full) {
        std::vector<double> times;
        std::vector<double> handed;
        std::vector<double> dirtied;
        for (int i = 0; i < rounds; ++i) {
            change(i);
            const QDir folder(*TRPrivateFolder::path());
            if (full) {
                QFile::remove(folder.filePath(name + QStringLiteral(".spare")));
            }
            // Pages still waiting to be written would take a new write unseen.
            for (const QString &file : folder.entryList(QDir::Files)) {
                const int handle = ::open(QFile::encodeName(folder.filePath(file)).constData(),
                                          O_RDONLY | O_CLOEXEC);
                ::fdatasync(handle);
                ::close(handle);
            }
            const qint64 wchar = ioCounter("wchar");
            const qint64 writeBytes = ioCounter("write_bytes");
            QElapsedTimer timer;
            timer.start();
            TRPrivateCopy::make(name, grant);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            handed.push_back(double(ioCounter("wchar") - wchar));
            dirtied.push_back(double(ioCounter("write_bytes") - writeBytes));
        }
        std::printf("%s: %.3f ms, %.0f bytes written, %.0f bytes of pages dirtied, %lld bytes "
                    "in the file\n",
                    what, median(times), median(handed), median(dirtied),
                    static_cast<long long>(QFileInfo(history).size()));
    };
    measure(
        "private copy after ten new visits", [&history](int) { addTenVisits(history); }, false);
    measure("private copy after ten changed pages", changeTenPages, false);
    measure("private copy in full", changeTenPages, true);
    return 0;
}

int benchDiscover(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString home = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const TRBrowserDiscovery::Places places{home, home + QStringLiteral("/.config")};
    const int rounds = argc > 3 ? std::max(1, QByteArray(argv[3]).toInt()) : 50;
    std::size_t browsers = 0;
    std::size_t profiles = 0;
    const auto discover = [&] {
        const std::vector<TRBrowserInstallation> found = TRBrowserDiscovery::discover(places);
        browsers = found.size();
        profiles = 0;
        for (const TRBrowserInstallation &browser : found) {
            profiles += browser.profiles.size();
        }
    };
    const double first = timeMedian(1, discover);
    const double typical = timeMedian(rounds, discover);
    std::printf("discovery: %.3f ms (first %.3f ms), %zu browsers, %zu profiles\n", typical, first,
                browsers, profiles);
    return browsers > 0 ? 0 : 1;
}

int benchStartup(int argc, char *argv[])
{
    const qint64 started = QByteArray(argv[2]).toLongLong();
    QTemporaryDir scratch;
    useHome(argc > 3 ? QString::fromLocal8Bit(argv[3]) : scratch.path());
    AppDelegate::prepareGraphics();
    QApplication app(argc, argv);
    setUpApplication(app);
    TRSettings::standard().setBool(TRSettingsKeys::firstRun, false);
    AppDelegate delegate;
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    // Checked as soon as the event loop runs the launch and after it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&delegate, started] {
        if (delegate.menuController() && delegate.menuController()->statusItem() &&
            delegate.menuController()->statusItem()->isVisible()) {
            const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
            std::printf("start to tray icon: %.1f ms\n", double(now - started) / 1e6);
            QCoreApplication::quit();
        }
    });
    poll.start(0);
    return QApplication::exec();
}

int writeHome(int argc, char *argv[])
{
    const QString folder = QString::fromLocal8Bit(argv[3]);
    useHome(folder);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    return grantCorpus(QString::fromLocal8Bit(argv[2]), false) ? 0 : 1;
}

// Adds count visits of new addresses to both histories, as the browsers do:
// one transaction each, Safari's into its write-ahead log.
void addVisits(const QString &corpus, int count, const QString &title)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    SQLite::Database chrome(QDir(corpus).filePath("chrome/Default/History").toStdString(),
                            SQLite::OPEN_READWRITE);
    SQLite::Transaction chromeWrite(chrome);
    SQLite::Database safari(QDir(corpus).filePath("safari/History.db").toStdString(),
                            SQLite::OPEN_READWRITE);
    SQLite::Transaction safariWrite(safari);
    for (int i = 0; i < count; ++i) {
        const std::string url =
            "https://new.example/" + std::to_string(now) + "/" + std::to_string(i);
        const std::string name = title.toStdString() + (i == count - 1 ? "" : std::to_string(i));
        const qint64 chromeTime = (now + 11644473600000LL) * 1000 + i;
        SQLite::Statement url_(chrome, "INSERT INTO urls(url, title, visit_count, typed_count, "
                                       "last_visit_time, hidden) VALUES(?, ?, 1, 0, ?, 0)");
        url_.bind(1, url);
        url_.bind(2, name);
        url_.bind(3, static_cast<int64_t>(chromeTime));
        url_.exec();
        SQLite::Statement visit(chrome, "INSERT INTO visits(url, visit_time, transition) "
                                        "VALUES(last_insert_rowid(), ?, 0)");
        visit.bind(1, static_cast<int64_t>(chromeTime));
        visit.exec();
        SQLite::Statement item(safari, "INSERT INTO history_items(url, visit_count, "
                                       "daily_visit_counts, should_recompute_derived_visit_counts, "
                                       "visit_count_score) VALUES(?, 1, X'', 0, 0)");
        item.bind(1, url);
        item.exec();
        SQLite::Statement safariVisit(safari,
                                      "INSERT INTO history_visits(history_item, "
                                      "visit_time, title) VALUES(last_insert_rowid(), ?, ?)");
        safariVisit.bind(1, double(now - 978307200000LL) / 1000 + i * 1e-3);
        safariVisit.bind(2, name);
        safariVisit.exec();
    }
    chromeWrite.commit();
    safariWrite.commit();
}

// The name of the newest visit in a history root.
QString newestVisit(const TRBookmarkPtr &root)
{
    if (!root || root->bookmarks().empty()) {
        return {};
    }
    const auto day = root->bookmarks().front()->bookmarks();
    return day.empty() ? QString() : day.front()->name();
}

// Milliseconds until one update of parser completes.
template <class Parser>
double timeUpdate(Parser &parser)
{
    QElapsedTimer timer;
    timer.start();
    bool done = false;
    parser.updateBookmarks([&done] { done = true; });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

int benchRefresh(int argc, char *argv[])
{
    QTemporaryDir home;
    useHome(home.path());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    const int rounds = argc > 3 ? std::max(1, QByteArray(argv[3]).toInt()) : 20;
    // The browsers' files are written to, so a copy of them is.
    const QString corpus = home.filePath(QStringLiteral("corpus"));
    for (const QString &file :
         {QStringLiteral("safari/Bookmarks.plist"), QStringLiteral("safari/TopSites.plist"),
          QStringLiteral("safari/History.db"), QStringLiteral("safari/LastSession.plist"),
          QStringLiteral("chrome/Default/Bookmarks"), QStringLiteral("chrome/Default/History")}) {
        QDir().mkpath(QFileInfo(QDir(corpus).filePath(file)).path());
        if (!QFile::copy(QDir(QString::fromLocal8Bit(argv[2])).filePath(file),
                         QDir(corpus).filePath(file))) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(file));
            return 1;
        }
    }
    if (!grantCorpus(corpus, false)) {
        return 1;
    }
    // Files written a moment ago are read again at the next look, to be sure.
    QThread::msleep(200);
    TRGoogleChromeBookmarksParser &chrome = TRGoogleChromeBookmarksParser::shared();
    TRSafariBookmarksParser &safari = TRSafariBookmarksParser::shared();
    const TRSettings &settings = TRSettings::standard();
    chrome.dataForBookmarks = settings.dataForKey(TRSettingsKeys::googleChromeBookmarksData);
    chrome.dataForHistory = settings.dataForKey(TRSettingsKeys::googleChromeHistoryData);
    safari.bookmarkDataForBookmarks = settings.dataForKey(TRSettingsKeys::bookmarksData);
    safari.bookmarkDataForTopSites = settings.dataForKey(TRSettingsKeys::topSitesData);
    safari.bookmarkDataForHistory = settings.dataForKey(TRSettingsKeys::historyData);
    safari.bookmarkDataForLastSession = settings.dataForKey(TRSettingsKeys::lastSessionData);

    const double chromeFull = timeUpdate(chrome);
    const double safariFull = timeUpdate(safari);
    std::vector<double> unchanged;
    for (int i = 0; i < rounds; ++i) {
        unchanged.push_back(timeUpdate(chrome) + timeUpdate(safari));
    }
    addVisits(corpus, 10, QStringLiteral("Ten new visits"));
    QThread::msleep(200);
    const qint64 before = ioCounter("write_bytes");
    const double chromeTen = timeUpdate(chrome);
    const double safariTen = timeUpdate(safari);
    const qint64 written = ioCounter("write_bytes") - before;
    if (newestVisit(chrome.historyBookmark()) != u"Ten new visits" ||
        newestVisit(safari.root(TRSafariBookmarksParser::BookmarkTypeKey::history)) !=
            u"Ten new visits") {
        std::fputs("the new visits were not read\n", stderr);
        return 1;
    }
    std::printf("full read: Chrome %.1f ms, Safari %.1f ms\n", chromeFull, safariFull);
    std::printf("refresh with nothing changed: %.3f ms\n", median(unchanged));
    std::printf("refresh after ten new visits: Chrome %.1f ms, Safari %.1f ms, %.2f MB written\n",
                chromeTen, safariTen, double(written) / 1e6);

    // The plugins watch the files: a visit reaches their menus by itself.
    // Reads of one source are spaced, so the write comes once the plugins'
    // first reads are that far behind.
    TRGoogleChromePlugin chromePlugin(&chrome);
    TRSafariPlugin safariPlugin(&safari);
    chromePlugin.update();
    QElapsedTimer sinceRead;
    sinceRead.start();
    while (sinceRead.elapsed() < TRSourceWatcher::defaultSpacingMs + 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(20);
    }
    addVisits(corpus, 1, QStringLiteral("Just visited"));
    QElapsedTimer latency;
    latency.start();
    std::optional<double> chromeSeen;
    std::optional<double> safariSeen;
    while ((!chromeSeen || !safariSeen) && latency.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double now = double(latency.nsecsElapsed()) / 1e6;
        if (!chromeSeen && newestVisit(chrome.historyBookmark()) == u"Just visited") {
            chromeSeen = now;
        }
        if (!safariSeen &&
            newestVisit(safari.root(TRSafariBookmarksParser::BookmarkTypeKey::history)) ==
                u"Just visited") {
            safariSeen = now;
        }
    }
    std::printf("write to menu: Chrome %.0f ms, Safari %.0f ms\n", chromeSeen.value_or(-1),
                safariSeen.value_or(-1));
    return chromeSeen && safariSeen ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    TRHeapTrim::useOneMemoryArena();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "menu" && argc >= 3) {
        return benchMenu(argc, argv);
    }
    if (mode == "startup" && argc >= 3) {
        return benchStartup(argc, argv);
    }
    if (mode == "home" && argc >= 4) {
        return writeHome(argc, argv);
    }
    if (mode == "refresh" && argc >= 3) {
        return benchRefresh(argc, argv);
    }
    if (mode == "copy" && argc >= 3) {
        return benchCopy(argc, argv);
    }
    if (mode == "discover" && argc >= 3) {
        return benchDiscover(argc, argv);
    }
    std::fputs("usage: trellis-bench-app menu CORPUS [ROUNDS [BROWSERS_HOME]]\n"
               "       trellis-bench-app startup START_NS [HOME]\n"
               "       trellis-bench-app home CORPUS FOLDER\n"
               "       trellis-bench-app refresh CORPUS [ROUNDS]\n"
               "       trellis-bench-app copy HISTORY [ROUNDS]\n"
               "       trellis-bench-app discover HOME [ROUNDS]\n",
               stderr);
    return 2;
}
