#include "TRSafariCorpus.h"

#include "TRBrowserFiles.h"
#include "TRCorpusBookmarks.h"
#include "TRCorpusManifest.h"
#include "TRCorpusText.h"
#include "TRPropertyListWriter.h"
#include "TRSafariHistoryWriter.h"

#include <QDir>
#include <QJsonArray>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

using Bookmarks = TRCorpusBookmarks;
using Page = TRCorpusHistory::Page;
using Writer = TRPropertyListWriter;
using TRBrowserFiles::safariFolder;
using TRBrowserFiles::safariLeaf;

constexpr qint64 day = 86400LL * 1000000;

QString searchUrl(const QString &query)
{
    return QStringLiteral("https://www.google.com/search?client=safari&rls=en&q=") +
           QString::fromLatin1(TRCorpusWeb::formEncoded(query)) +
           QStringLiteral("&ie=UTF-8&oe=UTF-8");
}

// The fixed bookmarks: folders nested four deep with an empty one beside
// them, feeds, a local file, foreign and long titles.
void oddBookmarks(Bookmarks::Node &bar, Bookmarks::Node &menu, Bookmarks::Node &top)
{
    using B = Bookmarks;
    bar.children.push_back(B::folder(
        "JavaScript",
        B::leaf(
            "Wikipedia",
            "feed://en.wikipedia.org/w/api.php?action=featuredfeed&feed=featured&feedformat=rss"),
        B::leaf("東京の天気 - 日本気象協会 tenki.jp",
                "https://tenki.jp/forecast/3/16/4410/13101/")));
    bar.children.push_back(B::leaf("Google", "https://www.google.com/"));
    bar.children.push_back(B::leaf("Gmail", "https://mail.google.com/"));
    menu.children.push_back(B::leaf(TRCorpusText::longTitle(),
                                    "https://blog.db-internals.example.com/wal-checkpoints"));
    menu.children.push_back(B::folder(
        "Podcasts",
        B::folder(
            "News",
            B::folder("Climbing",
                      B::folder("Reference",
                                B::leaf("Hacker News", "https://news.ycombinator.com/"),
                                B::leaf("Array.prototype.flatMap() - JavaScript | MDN",
                                        "https://developer.mozilla.org/en-US/docs/Web/JavaScript/"
                                        "Reference/Global_Objects/Array/flatMap"),
                                B::leaf(TRCorpusText::emojiTitle(),
                                        "file:///Users/alex/Documents/dev%20setup.html"),
                                B::leaf("Погода в Москве", "https://yandex.ru/pogoda/moscow"),
                                B::leaf("BBC News - World",
                                        "feed://feeds.bbci.co.uk/news/world/rss.xml")),
                      B::leaf("The Verge", "feed://www.theverge.com/rss/index.xml"),
                      B::leaf("مرحبا بالعالم — שלום עולם", "https://www.aljazeera.net/")),
            B::leaf("Inbox (1614) - " + TRCorpusText::userEmail() + " - Gmail",
                    "https://mail.google.com/mail/u/0/#inbox")),
        B::folder("Podcasts")));
    top.children.push_back(B::folder("Été 2023", B::leaf("Google", "https://www.google.com/")));
    top.children.push_back(
        B::leaf("Straße – Wikipedia", "https://de.wikipedia.org/wiki/Stra%C3%9Fe"));
}

QVariantMap plistNode(const Bookmarks::Node &node, TRCorpusRandom &random)
{
    if (!node.folder) {
        return safariLeaf(node.title, QString::fromUtf8(node.url), random.uuid());
    }
    QVariantList children;
    for (const auto &child : node.children) {
        children.append(plistNode(*child, random));
    }
    return safariFolder(node.title, children, random.uuid());
}

QJsonObject rootCounts(const Bookmarks::Node &root)
{
    const Bookmarks::Counts counts = Bookmarks::count(root);
    return {{"children", counts.children},
            {"bookmarks", counts.bookmarks},
            {"folders", counts.folders}};
}

// The odd cases of a history: raw spaces, brackets and letters outside
// ASCII in addresses, a local file, a redirect, a failed load, missing and
// empty titles, a long address, encoded and IPv6 hosts.
std::vector<Page> oddPages()
{
    const auto page = [](const QByteArray &url, const QString &title, double weight = 1) {
        return Page{{url, title, true, -1}, weight};
    };
    Page redirect = page("http://apple.com/", {});
    redirect.page.titled = false;
    redirect.visits = 1;
    redirect.redirectsTo = 5;
    Page failed = page("https://intranet.acme-corp.example/timesheets", {});
    failed.page.titled = false;
    failed.visits = 1;
    return {
        page("https://blog.db-internals.example.com/wal-checkpoints", TRCorpusText::longTitle(), 2),
        page("https://de.wikipedia.org/wiki/Straße", "Straße – Wikipedia", 3),
        page("https://www.example.com/files/annual report 2023.pdf", "annual report 2023.pdf"),
        page("https://intranet.acme-corp.example/find?q=a|b&tags[]=dev&filter={open}&range=^2&"
             "note=`x`",
             "Find – Intranet"),
        page("file:///Users/alex/Sites/index.html", "index.html", 2),
        page("https://www.apple.com/", "Apple", 2),
        redirect,
        failed,
        page(TRCorpusText::veryLongUrl(), "Order confirmation – Example Shop"),
        page("https://xn--mnchen-3ya.de/", "München – Offizielles Stadtportal"),
        page("http://[::1]:8080/dashboard", "Local dashboard"),
        page("https://www.example.net/blank", ""),
        page("http://localhost:8000/", ""),
        page("https://ru.wikipedia.org/wiki/%D0%9C%D0%BE%D1%81%D0%BA%D0%B2%D0%B0",
             "Москва — Википедия"),
        page("https://news.yahoo.co.jp/articles/1101878673d9ea9e5a03b106ed2de538972d72c0",
             "東京で桜が満開　平年より早く（共同通信） - Yahoo!ニュース"),
        page("https://www.aljazeera.net/news/2024/4/28/economy", "الاقتصاد العالمي في أسبوع"),
        page("https://www.haaretz.co.il/news/2024-04-29", "חדשות היום - הארץ"),
        page("https://photos.example.com/albums/family-2023",
             "👨‍👩‍👧 Family photos 2023 📸"),
        page("https://handbook.example.net/desktop-apps/complete-guide",
             TRCorpusText::veryLongTitle()),
        page("https://forum.example.net/t/escaping-in-titles/42",
             "Title with <angle> brackets & \"quotes\" - Example Forum"),
    };
}

// What Safari's address bar completes a host from: the name without
// "www." and without its public suffix.
QVariant domainExpansion(const QString &host)
{
    if (host.isEmpty() || host.contains(u':') || host == u"localhost") {
        return {};
    }
    QString name = host.startsWith(QLatin1StringView("www.")) ? host.mid(4) : host;
    for (const char *suffix : {".co.uk", ".co.jp", ".co.il"}) {
        if (name.endsWith(QLatin1StringView(suffix))) {
            return name.chopped(static_cast<qsizetype>(std::strlen(suffix)));
        }
    }
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? QVariant(name.left(dot)) : QVariant();
}

QVariantMap tab(const QString &title, const QString &url, int identifier, bool pinned,
                qint64 lastVisit, TRCorpusRandom &random)
{
    QVariantMap state{{"IsAppTab", pinned},
                      {"LastVisitTime", TRSafariHistoryWriter::timeFromUnixMicroseconds(lastVisit)},
                      {"SessionState", random.bytes(random.between(40, 90))},
                      {"TabIdentifier", identifier},
                      {"TabURL", url},
                      {"TabUUID", random.uuid()}};
    if (!title.isNull()) {
        state.insert("TabTitle", title);
    }
    return state;
}

} // namespace

TRSafariCorpus::TRSafariCorpus(const TRCorpusWeb &web, const TRCorpusScale &scale, quint64 seed,
                               const QDateTime &now, bool leaveWal)
    : m_web(web)
    , m_scale(scale)
    , m_seed(seed)
    , m_now(now)
    , m_leaveWal(leaveWal)
{}

QJsonObject TRSafariCorpus::write(const QString &folder) const
{
    QDir().mkpath(folder);
    const QDir safari(folder);
    TRCorpusRandom random(m_seed, 21);
    const TRCorpusHistory history(m_web, TRCorpusWeb::Browser::safari, oddPages(),
                                  m_scale.safariItems, m_scale.visits, m_scale.days, m_now, random);
    return {{"bookmarks", writeBookmarks(safari.filePath("Bookmarks.plist"))},
            {"history_db", writeHistoryDatabase(safari.filePath("History.db"), history)},
            {"history_plist", writeHistoryPropertyList(safari.filePath("History.plist"), history)},
            {"top_sites", writeTopSites(safari.filePath("TopSites.plist"))},
            {"last_session", writeLastSession(safari.filePath("LastSession.plist"))}};
}

QJsonObject TRSafariCorpus::writeBookmarks(const QString &path) const
{
    TRCorpusRandom random(m_seed, 20);
    const auto bar = Bookmarks::folder("BookmarksBar");
    const auto menu = Bookmarks::folder("BookmarksMenu");
    const auto top = Bookmarks::folder(QString());
    oddBookmarks(*bar, *menu, *top);
    Bookmarks::grow({{bar.get(), 1}, {menu.get(), 6}, {top.get(), 3}}, m_scale.bookmarks,
                    m_scale.folders, m_scale.maxDepth, m_web, TRCorpusWeb::Browser::safari, random);

    // The reading list: its fixed three, then pages of the web.
    const auto readingList = Bookmarks::folder("com.apple.ReadingList");
    readingList->children.push_back(Bookmarks::leaf("GitHub", "https://github.com/"));
    readingList->children.push_back(Bookmarks::leaf("الاقتصاد الاقتصاد - Google Search",
                                                    searchUrl("الاقتصاد الاقتصاد").toUtf8()));
    readingList->children.push_back(Bookmarks::leaf(
        "1855 in aviation - Wikipedia", "https://en.wikipedia.org/wiki/1855_in_aviation"));
    std::vector<QString> siteNames{"GitHub", "Google", "Wikipedia"};
    while (static_cast<int>(readingList->children.size()) < m_scale.readingList) {
        const int host = m_web.drawHost(random);
        const TRCorpusWeb::Page page = m_web.page(host, TRCorpusWeb::Browser::safari, random);
        readingList->children.push_back(Bookmarks::leaf(page.title, page.url));
        siteNames.push_back(m_web.siteName(host));
    }

    QVariantList children{QVariantMap{{"Title", "History"},
                                      {"WebBookmarkIdentifier", "History"},
                                      {"WebBookmarkType", "WebBookmarkTypeProxy"},
                                      {"WebBookmarkUUID", random.uuid()}},
                          plistNode(*bar, random), plistNode(*menu, random)};
    const qint64 now = TRCorpusHistory::microseconds(m_now);
    QVariantList readingItems;
    for (std::size_t i = 0; i < readingList->children.size(); ++i) {
        const Bookmarks::Node &item = *readingList->children[i];
        QVariantMap leaf = plistNode(item, random);
        const qint64 added = now - static_cast<qint64>(random.below(200 * day));
        QVariantMap reading{{"DateAdded", QDateTime::fromMSecsSinceEpoch(added / 1000, Qt::UTC)},
                            {"PreviewText", QString(m_web.headline(random) + u'.')}};
        if (random.chance(0.4)) {
            reading.insert(
                "DateLastViewed",
                QDateTime::fromMSecsSinceEpoch(
                    (added + static_cast<qint64>(random.below(20 * day))) / 1000, Qt::UTC));
        }
        leaf.insert("ReadingList", reading);
        leaf.insert("ReadingListNonSync",
                    QVariantMap{{"neverFetchMetadata", false}, {"siteName", siteNames[i]}});
        if (random.chance(0.5)) {
            const QString host = TRCorpusManifest::host(item.url);
            leaf.insert("imageURL", QString("https://" + host + "/images/" +
                                            QString::fromLatin1(random.bytes(8).toHex()) + ".jpg"));
        }
        readingItems.append(leaf);
    }
    QVariantMap readingFolder = safariFolder("com.apple.ReadingList", readingItems, random.uuid());
    readingFolder.insert("ShouldOmitFromUI", true);
    children.append(readingFolder);
    for (const auto &child : top->children) {
        children.append(plistNode(*child, random));
    }
    const QVariantMap file{{"Children", children},
                           {"Title", QString()},
                           {"WebBookmarkFileVersion", 1},
                           {"WebBookmarkType", "WebBookmarkTypeList"},
                           {"WebBookmarkUUID", random.uuid()}};
    Writer::writeFile(path, Writer::bytes(file, Writer::Format::binary));

    TRCorpusManifest::Tally tally;
    int bookmarks = 0;
    int folders = 0;
    int emptyFolders = 0;
    int maxDepth = 0;
    for (const Bookmarks::Node *root : {bar.get(), menu.get(), top.get()}) {
        const Bookmarks::Counts counts = Bookmarks::count(*root);
        bookmarks += counts.bookmarks;
        folders += counts.folders;
        emptyFolders += counts.emptyFolders;
        maxDepth = std::max(maxDepth, counts.maxDepth);
        TRCorpusManifest::tally(*root, tally);
    }
    return {{"bookmarks", bookmarks},
            {"folders", folders},
            {"reading_list_items", static_cast<int>(readingList->children.size())},
            {"proxies", 1},
            {"empty_folders", emptyFolders},
            {"max_depth", maxDepth},
            {"distinct_hosts", tally.hosts.size()},
            {"bookmarks_bar", rootCounts(*bar)},
            {"bookmarks_menu", rootCounts(*menu)},
            {"user_top_level", rootCounts(*top)},
            {"feed_urls", tally.feedUrls},
            {"non_ascii_titles", tally.nonAsciiTitles},
            {"titles_over_60_chars", tally.longTitles},
            {"empty_titles", tally.emptyTitles}};
}

QJsonObject TRSafariCorpus::writeHistoryDatabase(const QString &path,
                                                 const TRCorpusHistory &history) const
{
    TRCorpusRandom random(m_seed, 22);
    const std::vector<Page> &pages = history.pages();
    const std::vector<TRCorpusHistory::Visit> &visits = history.visits();
    const std::vector<int> &counts = history.visitCounts();
    // The newest visits wait in the log; the items seen before them are in
    // the file with the counts they had then.
    const std::size_t inLog =
        m_leaveWal ? std::min(static_cast<std::size_t>(m_scale.walVisits), visits.size() / 4) : 0;
    const std::size_t split = visits.size() - inLog;
    std::vector<qint64> countsBefore(pages.size(), 0);
    for (std::size_t i = 0; i < split; ++i) {
        ++countsBefore[static_cast<std::size_t>(visits[i].page)];
    }
    std::vector<QString> hosts(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        hosts[i] = TRCorpusManifest::host(pages[i].page.url);
    }

    TRSafariHistoryWriter writer(path);
    std::vector<qint64> itemIds(pages.size(), 0);
    std::vector<bool> updated(pages.size(), false);
    std::vector<bool> failedLast(pages.size(), false);
    qint64 redirectVisit = 0;
    int nullTitles = 0;
    int failedLoads = 0;
    int synced = 0;
    int itemsInFile = 0;
    for (std::size_t i = 0; i < visits.size(); ++i) {
        if (i == split && inLog > 0) {
            writer.keepInWriteAheadLog(random.next());
            itemsInFile = static_cast<int>(
                std::count_if(itemIds.begin(), itemIds.end(), [](qint64 id) { return id > 0; }));
        }
        const auto index = static_cast<std::size_t>(visits[i].page);
        const Page &page = pages[index];
        if (itemIds[index] == 0) {
            itemIds[index] = writer.addItem({QString::fromUtf8(page.page.url),
                                             i < split ? countsBefore[index] : counts[index],
                                             domainExpansion(hosts[index])});
            updated[index] = i >= split;
        } else if (i >= split && !updated[index]) {
            writer.setVisitCount(itemIds[index], counts[index]);
            updated[index] = true;
        }
        TRSafariHistoryWriter::Visit visit;
        visit.item = itemIds[index];
        visit.time = TRSafariHistoryWriter::timeFromUnixMicroseconds(visits[i].time);
        // Now and then a page fails to load, and has no title then.
        visit.loadSuccessful =
            page.page.titled || page.redirectsTo >= 0 ? !random.chance(0.004) : false;
        const bool titled = page.page.titled && visit.loadSuccessful;
        visit.title = titled ? QVariant(page.page.title) : QVariant();
        visit.origin = random.chance(0.12) ? 1 : 0;
        if (page.redirectsTo < 0 && redirectVisit > 0) {
            visit.redirectSource = redirectVisit;
        }
        const qint64 id = writer.addVisit(visit);
        if (visit.redirectSource > 0) {
            writer.setRedirectDestination(redirectVisit, id);
            redirectVisit = 0;
        }
        if (page.redirectsTo >= 0) {
            redirectVisit = id;
        }
        failedLast[index] = !visit.loadSuccessful;
        nullTitles += !titled;
        failedLoads += !visit.loadSuccessful;
        synced += visit.origin;
    }
    writer.finish();
    if (inLog == 0) {
        itemsInFile = static_cast<int>(pages.size());
    }

    // Most Visited as a reader selects it: the visits newest first, stably
    // ordered by their item's count, the first of each host.
    std::vector<std::size_t> order(visits.size());
    std::iota(order.begin(), order.end(), 0);
    std::reverse(order.begin(), order.end());
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return counts[static_cast<std::size_t>(visits[a].page)] >
               counts[static_cast<std::size_t>(visits[b].page)];
    });
    QJsonArray mostVisited;
    QStringList seen;
    for (std::size_t i = 0; i < order.size() && mostVisited.size() < 10; ++i) {
        const auto index = static_cast<std::size_t>(visits[order[i]].page);
        if (hosts[index].isEmpty() || seen.contains(hosts[index])) {
            continue;
        }
        seen << hosts[index];
        mostVisited.append(QUrl::fromPercentEncoding(pages[index].page.url));
    }

    TRCorpusManifest::Tally tally;
    for (const Page &page : pages) {
        TRCorpusManifest::tally(page.page, tally);
    }
    QJsonObject result{{"history_items", static_cast<int>(pages.size())},
                       {"visits", static_cast<int>(visits.size())},
                       {"visits_in_main_file", static_cast<int>(split)},
                       {"visits_in_wal", static_cast<int>(inLog)},
                       {"history_items_in_main_file", itemsInFile},
                       {"distinct_hosts", tally.hosts.size()},
                       {"null_title_visits", nullTitles},
                       {"failed_loads", failedLoads},
                       {"redirects", 1},
                       {"synced_visits", synced},
                       {"empty_title_items", tally.emptyTitles},
                       {"file_urls", tally.fileUrls},
                       {"most_visited", mostVisited}};
    TRCorpusManifest::addVisitSpan(visits, result);
    return result;
}

QJsonObject TRSafariCorpus::writeHistoryPropertyList(const QString &path,
                                                     const TRCorpusHistory &history) const
{
    // One entry per address, newest first, built as nodes: a large history
    // has hundreds of thousands.
    const std::vector<Page> &pages = history.pages();
    const std::vector<TRCorpusHistory::Visit> &visits = history.visits();
    std::vector<qint64> last(pages.size(), 0);
    for (const TRCorpusHistory::Visit &visit : visits) {
        last[static_cast<std::size_t>(visit.page)] = visit.time;
    }
    std::vector<std::size_t> order(pages.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return last[a] > last[b]; });
    Writer::Node dates = Writer::array();
    int withoutTitle = 0;
    for (const std::size_t index : order) {
        const Page &page = pages[index];
        Writer::Node entry = Writer::dictionary();
        Writer::set(entry, "", Writer::string(QString::fromUtf8(page.page.url)));
        if (page.page.titled) {
            Writer::set(entry, "title", Writer::string(page.page.title));
        } else {
            ++withoutTitle;
        }
        Writer::set(entry, "visitCount",
                    Writer::release(Writer::fromVariant(history.visitCounts()[index])));
        Writer::set(entry, "lastVisitedDate",
                    Writer::string(QString::number(
                        TRSafariHistoryWriter::timeFromUnixMicroseconds(last[index]), 'f', 1)));
        // Visits on the days it was visited, the last day only.
        Writer::set(entry, "D",
                    Writer::release(Writer::fromVariant(
                        QVariantList{std::min(history.visitCounts()[index], 3)})));
        if (page.redirectsTo >= 0) {
            Writer::set(entry, "redirectURLs",
                        Writer::release(Writer::fromVariant(QVariantList{QString::fromUtf8(
                            pages[static_cast<std::size_t>(page.redirectsTo)].page.url)})));
        }
        if (!page.page.titled && page.redirectsTo < 0) {
            Writer::set(entry, "lastVisitWasFailure", Writer::release(Writer::fromVariant(true)));
        }
        Writer::append(dates, entry.release());
    }
    const Writer::Node root = Writer::dictionary();
    Writer::set(root, "WebHistoryDates", dates.release());
    Writer::set(root, "WebHistoryFileVersion", Writer::release(Writer::fromVariant(1)));
    Writer::writeFile(path, Writer::bytes(root, Writer::Format::binary));
    // A reader groups the entries by the day of their last visit.
    std::vector<qint64> days;
    for (const qint64 time : last) {
        days.push_back(time / day);
    }
    std::sort(days.begin(), days.end());
    return {
        {"entries", static_cast<int>(pages.size())},
        {"entries_without_title", withoutTitle},
        {"days_spanned", static_cast<int>(std::unique(days.begin(), days.end()) - days.begin())}};
}

QJsonObject TRSafariCorpus::writeTopSites(const QString &path) const
{
    TRCorpusRandom random(m_seed, 23);
    QVariantList sites{
        QVariantMap{{"TopSiteIsBuiltIn", true},
                    {"TopSiteTitle", "Apple"},
                    {"TopSiteURLString", "https://www.apple.com/"}},
        QVariantMap{{"TopSiteTitle", "Google"}, {"TopSiteURLString", "https://www.google.com/"}},
        QVariantMap{{"TopSiteURLString", "https://mail.google.com/"}},
        QVariantMap{{"TopSiteTitle", "YouTube"}, {"TopSiteURLString", "https://www.youtube.com/"}},
        QVariantMap{{"TopSiteTitle", "Wikipedia, the free encyclopedia"},
                    {"TopSiteURLString", "https://en.wikipedia.org/"}}};
    // Then the most visited sites not there yet.
    for (int host = 0; sites.size() < m_scale.topSites && host < m_web.hostCount(); ++host) {
        const TRCorpusWeb::Page page = m_web.rootPage(host);
        const bool listed = std::any_of(sites.cbegin(), sites.cend(), [&](const QVariant &site) {
            return site.toMap().value("TopSiteURLString").toString().toUtf8() == page.url;
        });
        if (!listed) {
            sites.append(QVariantMap{{"TopSiteTitle", page.title},
                                     {"TopSiteURLString", QString::fromUtf8(page.url)}});
        }
    }
    const QVariantList banned = m_scale.topSites > 5
                                    ? QVariantList{QStringLiteral("https://www.facebook.com/")}
                                    : QVariantList();
    const QVariantMap root{
        {"BannedURLStrings", banned},
        {"DisplayedSitesLastModified", m_now.addDays(-2).addSecs(-random.between(0, 7200))},
        {"TopSites", sites}};
    Writer::writeFile(path, Writer::bytes(root, Writer::Format::binary));
    return {{"top_sites", static_cast<int>(sites.size())}, {"without_title", 1}, {"built_in", 1}};
}

QJsonObject TRSafariCorpus::writeLastSession(const QString &path) const
{
    TRCorpusRandom random(m_seed, 24);
    const qint64 now = TRCorpusHistory::microseconds(m_now);
    int identifier = 0;
    const auto recently = [&] {
        return now - static_cast<qint64>(random.below(3 * day));
    };
    const auto makeTab = [&](const QString &title, const QString &url, bool pinned) {
        return tab(title, url, ++identifier, pinned, recently(), random);
    };

    QVariantList pinned{makeTab("Gmail", "https://mail.google.com/", true)};
    for (int host = 1; pinned.size() < m_scale.pinnedTabs; ++host) {
        const TRCorpusWeb::Page page = m_web.rootPage(host);
        pinned.append(makeTab(page.title, QString::fromUtf8(page.url), true));
    }
    // The first window's tabs, one of them without a title; the last window
    // is private; the ones between hold pages of the web.
    std::vector<QVariantList> windows{
        {makeTab("Wikipedia, the free encyclopedia", "https://en.wikipedia.org/", false),
         makeTab("Hacker News", "https://news.ycombinator.com/", false),
         makeTab(QString(), "https://news.ycombinator.com/item?id=40211234", false)}};
    for (int i = 2; i < m_scale.windows; ++i) {
        QVariantList tabs;
        for (int n = random.between(2, 6); n > 0; --n) {
            const TRCorpusWeb::Page page =
                m_web.page(m_web.drawHost(random), TRCorpusWeb::Browser::safari, random);
            tabs.append(makeTab(page.title, QString::fromUtf8(page.url), false));
        }
        windows.push_back(tabs);
    }
    windows.push_back(
        {makeTab("macos decode tutorial - Google Search", searchUrl("macos decode tutorial"),
                 false),
         makeTab("C++ vs Objective-C - Google Search", searchUrl("C++ vs Objective-C"), false)});
    QVariantList sessionWindows;
    int tabs = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        tabs += static_cast<int>(windows[i].size());
        const QString frame = QStringLiteral("{{%1, %2}, {%3, %4}}")
                                  .arg(random.between(0, 300))
                                  .arg(random.between(25, 200))
                                  .arg(random.between(900, 1600))
                                  .arg(random.between(700, 1000));
        sessionWindows.append(QVariantMap{{"IsMiniaturized", false},
                                          {"IsPopupWindow", false},
                                          {"IsPrivateWindow", i + 1 == windows.size()},
                                          {"SelectedTabIndex", 0},
                                          {"TabStates", windows[i]},
                                          {"WindowContentRect", frame},
                                          {"WindowUUID", random.uuid()}});
    }
    const QVariantMap root{{"SessionPinnedTabs", pinned},
                           {"SessionVersion", "1.0"},
                           {"SessionWindows", sessionWindows}};
    Writer::writeFile(path, Writer::bytes(root, Writer::Format::binary));
    const int privateTabs = static_cast<int>(windows.back().size());
    return {{"windows", static_cast<int>(windows.size())},
            {"private_windows", 1},
            {"tabs", tabs},
            {"private_tabs", privateTabs},
            {"pinned_tabs", static_cast<int>(pinned.size())},
            {"tabs_without_title", 1},
            {"items_in_last_session", tabs + static_cast<int>(pinned.size())}};
}
