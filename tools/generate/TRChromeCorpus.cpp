#include "TRChromeCorpus.h"

#include "TRChromeBookmarksWriter.h"
#include "TRChromeHistoryWriter.h"
#include "TRCorpusBookmarks.h"
#include "TRCorpusHistory.h"
#include "TRCorpusManifest.h"
#include "TRCorpusText.h"
#include "TRPropertyListWriter.h"

#include <QDir>
#include <QJsonArray>

#include <algorithm>

namespace {

using Bookmarks = TRCorpusBookmarks;
using Page = TRCorpusHistory::Page;

// Chrome's page transitions: the core types and the qualifier bits.
constexpr qint64 linkTransition = 0;
constexpr qint64 typedTransition = 1;
constexpr qint64 bookmarkTransition = 2;
constexpr qint64 subframeTransition = 3;
constexpr qint64 formTransition = 7;
constexpr qint64 reloadTransition = 8;
constexpr qint64 fromAddressBar = 0x02000000;
constexpr qint64 chainStartAndEnd = 0x30000000;

// The odd cases of a history: local files, missing and empty titles, a
// frame of an advertisement that Chrome hides, long and foreign titles, a
// long address, encoded and IPv6 hosts.
std::vector<Page> oddPages()
{
    const auto page = [](const QByteArray &url, const QString &title, double weight = 1) {
        return Page{{url, title, true, -1}, weight};
    };
    Page untitled = page("https://www.example.org/download?id=738609&format=zip", {});
    untitled.page.titled = false;
    Page frame = page("https://googleads.g.doubleclick.net/pagead/ads?client=ca-pub-4011&"
                      "output=html&h=250&w=300",
                      {});
    frame.visits = 2;
    std::vector<Page> pages{
        page("file:///Users/alex/Sites/index.html", "index.html", 3),
        page("file:///Users/alex/Downloads/Q3%20report%20(final).pdf", "Q3 report (final).pdf"),
        untitled,
        page("https://accounts.google.com/ServiceLogin?continue=https%3A%2F%2Fmail.google.com%2F",
             ""),
        page("http://localhost:3000/", "", 2),
        frame,
    };
    for (const auto &[url, title] : TRCorpusText::worldPages()) {
        pages.push_back(page(url, title));
    }
    return pages;
}

// The fixed bookmarks: odd names and addresses, nested folders with an
// empty one at the bottom.
void oddBookmarks(Bookmarks::Node &bar, Bookmarks::Node &other, Bookmarks::Node &synced)
{
    using B = Bookmarks;
    bar.children.push_back(B::folder(
        "Dev tools",
        B::leaf(TRCorpusText::emojiTitle(), "file:///Users/alex/Documents/dev%20setup.html"),
        B::leaf("Qt Documentation", "https://doc.qt.io/qt-6/")));
    bar.children.push_back(B::leaf("Google Docs", "https://docs.google.com/"));
    bar.children.push_back(B::leaf("Reddit - Dive into anything", "https://www.reddit.com/"));
    other.children.push_back(B::archiveFolder());
    other.children.push_back(
        B::folder("Работа", B::leaf("Настройки", "chrome://settings/"),
                  B::leaf("Write to support", "mailto:support@example.com?subject=Hello%20there"),
                  B::leaf("Bookmarklet: word count",
                          "javascript:(function(){ alert(document.body.innerText.split(' ').length "
                          "+ ' words'); })();")));
    other.children.push_back(B::folder(
        "東京旅行", B::leaf("München – Offizielles Stadtportal", "https://xn--mnchen-3ya.de/"),
        B::leaf("Local dashboard", "http://[::1]:8080/dashboard")));
    other.children.push_back(B::leaf("Public mirror", "ftp://ftp.example.org/pub/"));
    synced.children.push_back(
        B::leaf("Order confirmation – Example Shop", TRCorpusText::veryLongUrl()));
    synced.children.push_back(B::leaf("Gmail", "https://mail.google.com/"));
}

void collectPages(const Bookmarks::Node &folder, TRCorpusFavicons::Pages &pages)
{
    for (const auto &child : folder.children) {
        if (child->folder) {
            collectPages(*child, pages);
        } else {
            pages.add({child->url, true, false, false});
        }
    }
}

QJsonObject rootCounts(const Bookmarks::Node &root)
{
    const Bookmarks::Counts counts = Bookmarks::count(root);
    return {{"children", counts.children},
            {"bookmarks", counts.bookmarks},
            {"folders", counts.folders}};
}

} // namespace

TRChromeCorpus::TRChromeCorpus(const TRCorpusWeb &web, const TRCorpusScale &scale, quint64 seed,
                               const QDateTime &now)
    : m_web(web)
    , m_scale(scale)
    , m_seed(seed)
    , m_now(now)
{}

QJsonObject TRChromeCorpus::write(const QString &profile) const
{
    QDir().mkpath(profile);
    const QDir folder(profile);
    // The history's pages first: Chrome maps icons as pages load.
    TRCorpusFavicons::Pages pages;
    QJsonObject history = writeHistory(folder.filePath("History"), pages);
    QJsonObject bookmarks = writeBookmarks(folder.filePath("Bookmarks"), pages);
    const TRCorpusFavicons favicons(m_seed, TRCorpusHistory::microseconds(m_now));
    return {{"bookmarks", bookmarks},
            {"history", history},
            {"favicons", favicons.writeChromium(folder.filePath("Favicons"), pages.list())}};
}

QJsonObject TRChromeCorpus::writeBookmarks(const QString &path,
                                           TRCorpusFavicons::Pages &pages) const
{
    TRCorpusRandom random(m_seed, 10);
    const auto bar = Bookmarks::folder("Bookmarks bar");
    const auto other = Bookmarks::folder("Other bookmarks");
    const auto synced = Bookmarks::folder("Mobile bookmarks");
    oddBookmarks(*bar, *other, *synced);
    Bookmarks::grow({{bar.get(), 2}, {other.get(), 6}, {synced.get(), 1}}, m_scale.bookmarks,
                    m_scale.folders, m_scale.maxDepth, m_web, TRCorpusWeb::Browser::chrome, random);
    const qint64 now = TRCorpusHistory::microseconds(m_now);
    for (Bookmarks::Node *root : {bar.get(), other.get(), synced.get()}) {
        Bookmarks::date(*root, now, random);
    }
    TRChromeBookmarksWriter writer(random);
    if (!TRPropertyListWriter::writeFile(path, writer.write(*bar, *other, *synced))) {
        return {};
    }

    TRCorpusManifest::Tally tally;
    int bookmarks = 0;
    int folders = 0;
    int emptyFolders = 0;
    int maxDepth = 0;
    for (const Bookmarks::Node *root : {bar.get(), other.get(), synced.get()}) {
        const Bookmarks::Counts counts = Bookmarks::count(*root);
        bookmarks += counts.bookmarks;
        folders += counts.folders;
        emptyFolders += counts.emptyFolders;
        maxDepth = std::max(maxDepth, counts.maxDepth);
        TRCorpusManifest::tally(*root, tally);
        collectPages(*root, pages);
    }
    return {{"bookmarks", bookmarks},
            {"folders", folders},
            {"root_folders", 3},
            {"empty_folders", emptyFolders},
            {"max_depth", maxDepth},
            {"distinct_hosts", tally.hosts.size()},
            {"by_root", QJsonObject{{"bookmark_bar", rootCounts(*bar)},
                                    {"other", rootCounts(*other)},
                                    {"synced", rootCounts(*synced)}}},
            {"non_ascii_names", tally.nonAsciiTitles},
            {"names_over_60_chars", tally.longTitles},
            {"empty_names", tally.emptyTitles},
            {"non_http_urls", tally.nonWebUrls},
            {"checksum", QString::fromLatin1(writer.checksum())}};
}

QJsonObject TRChromeCorpus::writeHistory(const QString &path,
                                         TRCorpusFavicons::Pages &iconPages) const
{
    TRCorpusRandom random(m_seed, 11);
    const TRCorpusHistory history(m_web, TRCorpusWeb::Browser::chrome, oddPages(),
                                  m_scale.chromeUrls, m_scale.visits, m_scale.days, m_now, random);
    const std::vector<Page> &pages = history.pages();
    const std::vector<TRCorpusHistory::Visit> &visits = history.visits();
    // Rows are made at a page's first visit; a hidden frame is never typed.
    std::vector<qint64> lastVisit(pages.size(), 0);
    std::vector<qint64> typedCount(pages.size(), 0);
    std::vector<qint64> transitions(visits.size());
    for (std::size_t i = 0; i < visits.size(); ++i) {
        const auto page = static_cast<std::size_t>(visits[i].page);
        const bool frame = pages[page].page.url.startsWith("https://googleads.");
        const double draw = random.unit();
        qint64 core = linkTransition;
        if (frame) {
            core = subframeTransition;
        } else if (draw < 0.1 || (pages[page].page.url.count('/') <= 3 && draw < 0.4)) {
            core = typedTransition;
        } else if (draw < 0.13) {
            core = bookmarkTransition;
        } else if (draw < 0.15) {
            core = reloadTransition;
        } else if (draw < 0.17) {
            core = formTransition;
        }
        transitions[i] = core | chainStartAndEnd | (core == typedTransition ? fromAddressBar : 0);
        lastVisit[page] = visits[i].time;
        typedCount[page] += core == typedTransition;
    }

    TRChromeHistoryWriter writer(path);
    std::vector<qint64> urlIds(pages.size(), 0);
    qint64 previousVisit = 0;
    qint64 previousTime = 0;
    for (std::size_t i = 0; i < visits.size(); ++i) {
        const auto index = static_cast<std::size_t>(visits[i].page);
        const Page &page = pages[index];
        if (urlIds[index] == 0) {
            TRChromeHistoryWriter::Url row;
            row.url = QString::fromUtf8(page.page.url);
            row.title = page.page.titled ? QVariant(page.page.title) : QVariant();
            row.visitCount = history.visitCounts()[index];
            row.typedCount = typedCount[index];
            row.lastVisitTime = TRChromeHistoryWriter::timeFromUnixMicroseconds(lastVisit[index]);
            row.hidden = (transitions[i] & 0xFF) == subframeTransition;
            urlIds[index] = writer.addUrl(row);
        }
        // A link followed within minutes comes from the visit before.
        const bool follows = (transitions[i] & 0xFF) == linkTransition && previousVisit > 0 &&
                             visits[i].time - previousTime < 600LL * 1000000;
        previousVisit = writer.addVisit(
            {urlIds[index], TRChromeHistoryWriter::timeFromUnixMicroseconds(visits[i].time),
             follows ? previousVisit : 0, transitions[i],
             static_cast<qint64>(random.exponential(60e6)), random.chance(0.3)});
        previousTime = visits[i].time;
    }
    writer.finish();

    TRCorpusManifest::Tally tally;
    int hidden = 0;
    int typedUrls = 0;
    const qint64 recent = TRCorpusHistory::microseconds(m_now) - 90LL * 86400 * 1000000;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        TRCorpusManifest::tally(pages[i].page, tally);
        const bool frame = pages[i].page.url.startsWith("https://googleads.");
        hidden += frame ? 1 : 0;
        typedUrls += typedCount[i] > 0;
        iconPages.add({pages[i].page.url, false, lastVisit[i] >= recent, frame});
    }
    QJsonObject result{{"urls", static_cast<int>(pages.size())},
                       {"visits", static_cast<int>(visits.size())},
                       {"distinct_hosts", tally.hosts.size()},
                       {"null_titles", tally.missingTitles},
                       {"empty_titles", tally.emptyTitles},
                       {"file_urls", tally.fileUrls},
                       {"hidden_urls", hidden},
                       {"typed_urls", typedUrls}};
    TRCorpusManifest::addVisitSpan(visits, result);
    return result;
}
