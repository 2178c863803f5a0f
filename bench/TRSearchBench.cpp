// Measures the search over browser files as the readers read them: the
// build of each reader's index, the bytes of the catalog per entry, and what
// every keystroke of a set of queries costs.
//
//   trellis-search-bench [--runs N] [--rounds N] --source KIND FILE ...
//       KIND as trellis-inspect find takes it (chrome-bookmarks,
//       chrome-history, firefox-bookmarks, firefox-history, safari-bookmarks,
//       safari-history, safari-topsites, safari-lastsession). Prints one
//       JSON object: each reader's index build (collecting its trees' items
//       and building the index from them and its history store, as its
//       queue does after a read) in milliseconds, the median of N runs; the
//       catalog's entries and bytes; and catalog.find for every prefix of
//       each query, each the median of N rounds, in milliseconds. A build is
//       timed on the clock and in the thread's CPU time.

#include "TRFileGrant.h"
#include "TRHeapTrim.h"
#include "TRPrivateFolder.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariBookmarksReader.h"
#include "TRSearchCatalog.h"
#include "TRSearchReaders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include <time.h>

namespace {

// Common words of the corpus's titles and hosts, a letter alone (the most
// entries one keystroke can match), accents, another script, and a query
// that matches nothing: each is typed one character at a time.
const QStringList queries{
    QStringLiteral("github"),
    QStringLiteral("issue"),
    QStringLiteral("wiki"),
    QStringLiteral("youtube"),
    QStringLiteral("a"),
    QStringLiteral("s"),
    QStringLiteral("google search"),
    QStringLiteral("café budget"),
    QStringLiteral("museo fútbol año"),
    QStringLiteral("volcano orchestra remote"),
    QStringLiteral("open island market camera"),
    QStringLiteral("история"),
    QStringLiteral("stackoverflow"),
    QStringLiteral("zqxjvw"),
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double millisecondsOf(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The calling thread's CPU time: on a busy machine, what a build costs
// apart from waiting for a core.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// What a reader's queue hands its index keeper after a read: the item sets
// in slot order, and the history store.
struct Made
{
    std::vector<std::vector<TRSearchIndex::Tree>> sets;
    TRHistoryStorePtr history;
};

// The trees of a Chromium or Firefox reader: one container of the root
// folders.
template <class Parser>
Made madeBy(const Parser &parser)
{
    Made made;
    const auto bookmarks = parser.bookmarks().value(Parser::BookmarkTypeKey::bookmarks);
    made.sets.push_back(bookmarks ? std::vector<TRSearchIndex::Tree>{{bookmarks, {}}}
                                  : std::vector<TRSearchIndex::Tree>{});
    made.history = parser.historyStore();
    return made;
}

// Safari's: the bookmark roots, then top sites, then the last session, each
// a list of nodes under its root's title.
Made madeBy(const TRSafariBookmarksParser &parser)
{
    using Key = TRSafariBookmarksParser::BookmarkTypeKey;
    Made made;
    std::vector<TRSearchIndex::Tree> roots;
    for (Key key : TRSafariBookmarksReader::roots) {
        if (const TRSafariBookmarkPtr root = parser.bookmarks().value(key)) {
            roots.push_back({nullptr, TRSafariBookmarksParser::rootTitle(key), root->bookmarks()});
        }
    }
    made.sets.push_back(std::move(roots));
    for (Key key : {Key::topSites, Key::lastSession}) {
        std::vector<TRSearchIndex::Tree> listed;
        if (const TRSafariBookmarkPtr root = parser.bookmarks().value(key)) {
            listed.push_back({nullptr, TRSafariBookmarksParser::rootTitle(key), root->bookmarks()});
        }
        made.sets.push_back(std::move(listed));
    }
    made.history = parser.historyStore();
    return made;
}

// The build of one reader's index, as its keeper does it after a read that
// made every tree anew, the median of runs; fails when the index is not the
// one the reader built.
std::optional<QJsonObject> timeBuild(const Made &made, const TRSearchIndex &built, int runs)
{
    std::vector<double> collectTimes;
    std::vector<double> buildTimes;
    std::vector<double> totals;
    std::vector<double> cpuTimes;
    std::size_t entries = 0;
    std::size_t items = 0;
    for (int run = 0; run < runs; ++run) {
        const double cpuStart = threadCpuMilliseconds();
        QElapsedTimer timer;
        timer.start();
        std::vector<std::shared_ptr<const TRSearchIndex::Items>> sets;
        for (const auto &trees : made.sets) {
            sets.push_back(TRSearchIndex::Items::collect(trees));
        }
        const double collected = millisecondsOf(timer);
        items = 0;
        for (const auto &set : sets) {
            items += set->size();
        }
        const auto index =
            TRSearchIndex::build(std::move(sets), made.history, QStringLiteral("History"),
                                 QDateTime::currentMSecsSinceEpoch());
        const double total = millisecondsOf(timer);
        cpuTimes.push_back(threadCpuMilliseconds() - cpuStart);
        entries = index->size();
        collectTimes.push_back(collected);
        buildTimes.push_back(total - collected);
        totals.push_back(total);
    }
    if (entries != built.size()) {
        std::fprintf(stderr, "the index built here has %zu entries, the reader's %zu\n", entries,
                     built.size());
        return std::nullopt;
    }
    return QJsonObject{
        {QStringLiteral("ms"), median(totals)},
        {QStringLiteral("cpu_ms"), median(cpuTimes)},
        {QStringLiteral("collect_ms"), median(collectTimes)},
        {QStringLiteral("index_ms"), median(buildTimes)},
        {QStringLiteral("items"), qint64(items)},
        {QStringLiteral("history_rows"), qint64(made.history ? made.history->size() : 0)},
        {QStringLiteral("entries"), qint64(entries)},
        {QStringLiteral("bytes"), qint64(built.memoryUsed())},
    };
}

// Every prefix of every query, typed one character at a time.
QJsonObject timeKeystrokes(const TRSearchCatalog &catalog, int rounds)
{
    // The first query of a process pays for what is made once.
    catalog.find(u"warm up");
    std::vector<double> perKeystroke;
    std::vector<std::pair<double, QString>> slowest;
    double worst = 0;
    double worstSample = 0;
    QString worstPrefix;
    QJsonArray perQuery;
    for (const QString &query : queries) {
        double queryWorst = 0;
        std::size_t found = 0;
        for (qsizetype typed = 1; typed <= query.size(); ++typed) {
            const QStringView prefix = QStringView(query).first(typed);
            std::vector<double> times;
            for (int round = 0; round < rounds; ++round) {
                QElapsedTimer timer;
                timer.start();
                found = catalog.find(prefix).size();
                times.push_back(millisecondsOf(timer));
            }
            worstSample = std::max(worstSample, *std::max_element(times.cbegin(), times.cend()));
            const double ms = median(times);
            perKeystroke.push_back(ms);
            slowest.emplace_back(ms, prefix.toString());
            queryWorst = std::max(queryWorst, ms);
            if (ms > worst) {
                worst = ms;
                worstPrefix = prefix.toString();
            }
        }
        perQuery.append(QJsonObject{{QStringLiteral("query"), query},
                                    {QStringLiteral("worst_ms"), queryWorst},
                                    {QStringLiteral("matches"), qint64(found)}});
    }
    // The keystrokes that cost most, which tell where a query's time goes.
    std::sort(slowest.begin(), slowest.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    QJsonArray slowestFive;
    for (std::size_t at = 0; at < std::min<std::size_t>(5, slowest.size()); ++at) {
        slowestFive.append(QJsonObject{{QStringLiteral("prefix"), slowest[at].second},
                                       {QStringLiteral("ms"), slowest[at].first}});
    }
    return QJsonObject{
        {QStringLiteral("keystrokes"), qint64(perKeystroke.size())},
        {QStringLiteral("slowest"), slowestFive},
        {QStringLiteral("median_ms"), median(perKeystroke)},
        {QStringLiteral("worst_ms"), worst},
        {QStringLiteral("worst_prefix"), worstPrefix},
        {QStringLiteral("worst_single_ms"), worstSample},
        {QStringLiteral("queries"), perQuery},
    };
}

int usage()
{
    std::fputs("usage: trellis-search-bench [--runs N] [--rounds N] --source KIND FILE ...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the application does, so that the reads cost what they cost there.
    TRHeapTrim::useOneMemoryArena();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));
    const QStringList arguments = QCoreApplication::arguments();
    int runs = 5;
    int rounds = 5;
    TRSearchReaders readers;
    for (qsizetype at = 1; at < arguments.size();) {
        const QString &option = arguments.at(at);
        if ((option == u"--runs" || option == u"--rounds") && at + 1 < arguments.size()) {
            (option == u"--runs" ? runs : rounds) = std::max(1, arguments.at(at + 1).toInt());
            at += 2;
        } else if (option == u"--source" && at + 2 < arguments.size()) {
            const QString &file = arguments.at(at + 2);
            const std::optional<QByteArray> grant = TRFileGrant::make(file);
            if (!grant) {
                std::fprintf(stderr, "trellis-search-bench: cannot open %s\n", qPrintable(file));
                return 1;
            }
            if (!readers.grant(arguments.at(at + 1), *grant)) {
                return usage();
            }
            at += 3;
        } else {
            return usage();
        }
    }
    if (readers.isEmpty()) {
        return usage();
    }
    // The private copies go to a folder of the tool's own.
    QTemporaryDir copies;
    if (!copies.isValid()) {
        std::fputs("trellis-search-bench: cannot create a temporary folder\n", stderr);
        return 1;
    }
    TRPrivateFolder::setOverride(copies.path());
    readers.readAll();

    QJsonObject builds;
    std::vector<TRSearchCatalog::Source> sources;
    double sum = 0;
    double largest = 0;
    QString largestName;
    const auto measure = [&](const QString &name, const auto *parser) {
        if (!parser) {
            return true;
        }
        const std::shared_ptr<const TRSearchIndex> built = parser->searchIndex();
        if (!built) {
            std::fprintf(stderr, "%s: the reader made no index\n", qPrintable(name));
            return false;
        }
        const std::optional<QJsonObject> figures = timeBuild(madeBy(*parser), *built, runs);
        if (!figures) {
            return false;
        }
        builds.insert(name, *figures);
        const double ms = figures->value(QStringLiteral("ms")).toDouble();
        sum += ms;
        if (ms >= largest) {
            largest = ms;
            largestName = name;
        }
        sources.push_back({name, built});
        return true;
    };
    if (!measure(QStringLiteral("Chrome"), readers.chrome.get()) ||
        !measure(QStringLiteral("Firefox"), readers.firefox.get()) ||
        !measure(QStringLiteral("Safari"), readers.safari.get())) {
        return 1;
    }
    const TRSearchCatalog catalog(std::move(sources));
    const auto entries = qint64(catalog.size());
    const auto bytes = qint64(catalog.memoryUsed());

    const QJsonObject result{
        {QStringLiteral("runs"), runs},
        {QStringLiteral("rounds"), rounds},
        {QStringLiteral("build"), QJsonObject{{QStringLiteral("largest_ms"), largest},
                                              {QStringLiteral("largest"), largestName},
                                              {QStringLiteral("sum_ms"), sum},
                                              {QStringLiteral("readers"), builds}}},
        {QStringLiteral("memory"),
         QJsonObject{{QStringLiteral("entries"), entries},
                     {QStringLiteral("bytes"), bytes},
                     {QStringLiteral("bytes_per_entry"),
                      entries > 0 ? double(bytes) / double(entries) : 0.0}}},
        {QStringLiteral("find"), timeKeystrokes(catalog, rounds)},
    };
    const QByteArray text = QJsonDocument(result).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return 0;
}
