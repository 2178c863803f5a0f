#include "TRFirefoxCorpus.h"

#include "TRCorpusBookmarks.h"
#include "TRCorpusFavicons.h"
#include "TRCorpusHistory.h"
#include "TRCorpusManifest.h"
#include "TRCorpusText.h"
#include "TRFirefoxPlacesWriter.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Bookmarks = TRCorpusBookmarks;
using Page = TRCorpusHistory::Page;
using Writer = TRFirefoxPlacesWriter;

constexpr qint64 second = 1000000;
constexpr qint64 day = 86400 * second;
constexpr const char *base64Url =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Firefox's visit types.
constexpr int linkVisit = 1;
constexpr int typedVisit = 2;
constexpr int bookmarkVisit = 3;
constexpr int embedVisit = 4;
constexpr int permanentRedirectVisit = 5;
constexpr int temporaryRedirectVisit = 6;
constexpr int downloadVisit = 7;
constexpr int framedLinkVisit = 8;
constexpr int reloadVisit = 9;

// Visits that are no page the user went to: not counted in visit_count,
// and left out of a history as Firefox lists it.
bool isListed(int type)
{
    return type != embedVisit && type != downloadVisit && type != framedLinkVisit &&
           type != reloadVisit;
}

// What a fixed page stands for beyond its address and title.
enum class Role { ordinary, frame, embed, download, redirectSource };

// Pages Firefox does not list: frames, embeds and the sources of redirects.
bool isHidden(Role role)
{
    return role == Role::frame || role == Role::embed || role == Role::redirectSource;
}

struct OddPage
{
    Page page;
    Role role = Role::ordinary;
};

// Indexes of the fixed pages that the others refer to.
constexpr int appleIndex = 0;
constexpr int landingIndex = 1;

// The odd cases of a history: redirects (their sources hidden, as Firefox
// hides them), a framed advertisement and an embedded video (hidden), a
// download, local files, missing and empty titles, long and foreign
// titles, a long address, encoded and IPv6 hosts.
std::vector<OddPage> oddPages()
{
    const auto page = [](const QByteArray &url, const QString &title, double weight = 1,
                         Role role = Role::ordinary) {
        return OddPage{Page{{url, title, true, -1}, weight}, role};
    };
    const auto only = [&page](const QByteArray &url, int visits, Role role) {
        OddPage odd = page(url, {}, 1, role);
        odd.page.page.titled = false;
        odd.page.visits = visits;
        return odd;
    };
    OddPage permanent = only("http://apple.com/", 1, Role::redirectSource);
    permanent.page.redirectsTo = appleIndex;
    OddPage temporary = only("https://bit.ly/3xKq9Zp", 1, Role::redirectSource);
    temporary.page.redirectsTo = landingIndex;
    OddPage untitled = page("https://www.example.org/download?id=738609&format=zip", {});
    untitled.page.page.titled = false;
    std::vector<OddPage> pages{
        page("https://www.apple.com/", "Apple", 2),
        page("https://shop.example.com/spring-sale?utm_source=short-link",
             "Spring sale – Example Shop"),
        permanent,
        temporary,
        only("https://googleads.g.doubleclick.net/pagead/ads?client=ca-pub-4011&output=html&"
             "h=250&w=300",
             2, Role::frame),
        only("https://www.youtube.com/embed/dQw4w9WgXcQ?autoplay=0", 2, Role::embed),
        only("https://downloads.example.org/releases/setup-2.4.1.tar.gz", 1, Role::download),
        page("https://www.mozilla.org/en-US/firefox/central/", "Getting Started"),
        page("file:///home/alex/Sites/index.html", "index.html", 3),
        page("file:///home/alex/Downloads/Q3%20report%20(final).pdf", "Q3 report (final).pdf"),
        untitled,
        page("https://accounts.google.com/ServiceLogin?continue=https%3A%2F%2Fmail.google.com%2F",
             ""),
        page("http://localhost:3000/", "", 2),
    };
    for (const auto &[url, title] : TRCorpusText::worldPages()) {
        pages.push_back(page(url, title));
    }
    return pages;
}

// A separator is a leaf without an address; a query is a leaf whose
// address is a place: query.
Bookmarks::NodePtr separator()
{
    return Bookmarks::leaf(QString(), QByteArray());
}

bool isSeparator(const Bookmarks::Node &node)
{
    return !node.folder && node.url.isEmpty();
}

bool isQuery(const Bookmarks::Node &node)
{
    return !node.folder && node.url.startsWith("place:");
}

const QByteArray keywordUrl = "https://en.wikipedia.org/wiki/Special:Search?search=%s";

// The bookmarks a new profile has, and the odd cases: separators, saved
// searches, a bookmark without a title and one with an empty title,
// nested folders with an empty one at the bottom, addresses that are no
// web pages, foreign and long names, a keyword search.
void oddBookmarks(Bookmarks::Node &toolbar, Bookmarks::Node &menu, Bookmarks::Node &unfiled,
                  Bookmarks::Node &mobile)
{
    using B = Bookmarks;
    toolbar.children.push_back(
        B::leaf("Getting Started", "https://www.mozilla.org/en-US/firefox/central/"));
    toolbar.children.push_back(B::leaf("Most Visited", "place:sort=8&maxResults=10"));
    toolbar.children.push_back(separator());
    toolbar.children.push_back(B::folder(
        "Dev tools",
        B::leaf(TRCorpusText::emojiTitle(), "file:///home/alex/Documents/dev%20setup.html"),
        B::leaf("Qt Documentation", "https://doc.qt.io/qt-6/")));
    toolbar.children.push_back(B::leaf(QString(), "https://docs.google.com/"));
    menu.children.push_back(B::folder(
        "Mozilla Firefox",
        B::leaf("Get Help", "https://support.mozilla.org/en-US/products/firefox"),
        B::leaf("Customize Firefox", "https://support.mozilla.org/en-US/kb/customize-firefox"),
        B::leaf("Get Involved", "https://www.mozilla.org/en-US/contribute/"),
        B::leaf("About Us", "https://www.mozilla.org/en-US/about/")));
    menu.children.push_back(separator());
    menu.children.push_back(B::leaf("Recent Tags", "place:type=6&sort=14&maxResults=10"));
    menu.children.push_back(
        B::folder("Работа", B::leaf("Настройки", "about:preferences"),
                  B::leaf("Write to support", "mailto:support@example.com?subject=Hello%20there"),
                  B::leaf("Bookmarklet: word count",
                          "javascript:(function(){ alert(document.body.innerText.split(' ').length "
                          "+ ' words'); })();"),
                  separator(), B::leaf("Wikipedia search", keywordUrl)));
    menu.children.push_back(B::folder(
        "東京旅行", B::leaf("München – Offizielles Stadtportal", "https://xn--mnchen-3ya.de/"),
        B::leaf("Local dashboard", "http://[::1]:8080/dashboard")));
    unfiled.children.push_back(B::archiveFolder());
    unfiled.children.push_back(B::leaf("Public mirror", "ftp://ftp.example.org/pub/"));
    unfiled.children.push_back(
        B::leaf("Saved search: climbing", "place:terms=climbing&queryType=0&sort=0"));
    mobile.children.push_back(
        B::leaf("Order confirmation – Example Shop", TRCorpusText::veryLongUrl()));
    mobile.children.push_back(B::leaf("Gmail", "https://mail.google.com/"));
}

struct BookmarkCounts
{
    int bookmarks = 0;
    int folders = 0;
    int separators = 0;
    int queries = 0;
    int nullNames = 0;
    int emptyNames = 0;
};

void countBookmarks(const Bookmarks::Node &folder, BookmarkCounts &counts)
{
    for (const Bookmarks::NodePtr &child : folder.children) {
        if (child->folder) {
            ++counts.folders;
            countBookmarks(*child, counts);
        } else if (isSeparator(*child)) {
            ++counts.separators;
        } else if (isQuery(*child)) {
            ++counts.queries;
        } else {
            ++counts.bookmarks;
            counts.nullNames += child->title.isNull();
            counts.emptyNames += !child->title.isNull() && child->title.isEmpty();
        }
    }
}

// Pages of the bookmark trees, in the order they are met.
void collectUrls(const Bookmarks::Node &folder, QList<QByteArray> &urls)
{
    for (const Bookmarks::NodePtr &child : folder.children) {
        if (child->folder) {
            collectUrls(*child, urls);
        } else if (!child->url.isEmpty()) {
            urls.append(child->url);
        }
    }
}

} // namespace

TRFirefoxCorpus::TRFirefoxCorpus(const TRCorpusWeb &web, const TRCorpusScale &scale, quint64 seed,
                                 const QDateTime &now, bool leaveWal)
    : m_web(web)
    , m_scale(scale)
    , m_seed(seed)
    , m_now(now)
    , m_leaveWal(leaveWal)
{}

QString TRFirefoxCorpus::profileFolder() const
{
    TRCorpusRandom random(m_seed, 30);
    return QString::fromLatin1(random.token(8, "abcdefghijklmnopqrstuvwxyz0123456789")) +
           QStringLiteral(".default-release");
}

bool TRFirefoxCorpus::writeProfileLists(const QString &folder) const
{
    TRCorpusRandom random(m_seed, 31);
    // The install's hash names the Firefox that uses the profile; a first
    // start also leaves an older "default" profile behind, unused.
    const QByteArray install = random.token(16, "0123456789ABCDEF");
    const QByteArray legacy = random.token(8, "abcdefghijklmnopqrstuvwxyz0123456789") + ".default";
    const QByteArray profile = profileFolder().toLatin1();
    const QByteArray profiles = "[Install" + install + "]\nDefault=" + profile +
                                "\nLocked=1\n\n"
                                "[Profile1]\nName=default\nIsRelative=1\nPath=" +
                                legacy +
                                "\nDefault=1\n\n"
                                "[Profile0]\nName=default-release\nIsRelative=1\nPath=" +
                                profile +
                                "\n\n"
                                "[General]\nStartWithLastProfile=1\nVersion=2\n";
    const QByteArray installs = "[" + install + "]\nDefault=" + profile + "\nLocked=1\n";
    const QDir out(folder);
    out.mkpath(QString::fromLatin1(legacy));
    for (const auto &[name, bytes] :
         {std::pair{"profiles.ini", profiles}, std::pair{"installs.ini", installs}}) {
        QFile file(out.filePath(QLatin1StringView(name)));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            return false;
        }
    }
    return true;
}

QJsonObject TRFirefoxCorpus::write(const QString &folder) const
{
    QDir().mkpath(folder);
    if (!writeProfileLists(folder)) {
        return {};
    }
    const QString places =
        QDir(folder).filePath(profileFolder() + QStringLiteral("/places.sqlite"));
    const qint64 now = TRCorpusHistory::microseconds(m_now);

    // The bookmark trees first: a page's row counts the bookmarks that
    // point at it.
    TRCorpusRandom bookmarkRandom(m_seed, 32);
    const auto toolbar = Bookmarks::folder("toolbar");
    const auto menu = Bookmarks::folder("menu");
    const auto unfiled = Bookmarks::folder("unfiled");
    const auto mobile = Bookmarks::folder("mobile");
    oddBookmarks(*toolbar, *menu, *unfiled, *mobile);
    Bookmarks::grow({{toolbar.get(), 2}, {menu.get(), 3}, {unfiled.get(), 6}, {mobile.get(), 1}},
                    m_scale.bookmarks, m_scale.folders, m_scale.maxDepth, m_web,
                    TRCorpusWeb::Browser::firefox, bookmarkRandom);
    for (Bookmarks::Node *root : {toolbar.get(), menu.get(), unfiled.get(), mobile.get()}) {
        Bookmarks::date(*root, now, bookmarkRandom);
    }
    QList<QByteArray> bookmarkUrls;
    for (const Bookmarks::Node *root : {toolbar.get(), menu.get(), unfiled.get(), mobile.get()}) {
        collectUrls(*root, bookmarkUrls);
    }
    // Tags: a few words, each a folder below the tags root holding a
    // record per tagged page.
    const QStringList tagNames{"dev", "reading", "日本語", "recipes"};
    std::vector<std::vector<QByteArray>> tagged(static_cast<std::size_t>(tagNames.size()));
    for (const QByteArray &url : std::as_const(bookmarkUrls)) {
        if (!url.startsWith("place:") && bookmarkRandom.chance(0.08)) {
            tagged[bookmarkRandom.below(tagged.size())].push_back(url);
        }
    }
    tagged[0].push_back("https://doc.qt.io/qt-6/");
    tagged[2].push_back("https://xn--mnchen-3ya.de/");

    // The history: types by what each page is, and at random among the
    // ordinary ones.
    TRCorpusRandom random(m_seed, 33);
    std::vector<OddPage> odd = oddPages();
    std::vector<Page> fixed;
    for (const OddPage &each : odd) {
        fixed.push_back(each.page);
    }
    const TRCorpusHistory history(m_web, TRCorpusWeb::Browser::firefox, fixed,
                                  m_scale.firefoxPlaces, m_scale.visits, m_scale.days, m_now,
                                  random);
    const std::vector<Page> &pages = history.pages();
    const std::vector<TRCorpusHistory::Visit> &visits = history.visits();
    const auto roleOf = [&odd](std::size_t page) {
        return page < odd.size() ? odd[page].role : Role::ordinary;
    };
    std::vector<int> types(visits.size(), linkVisit);
    std::array<int, 10> typeCounts{};
    for (std::size_t i = 0; i < visits.size(); ++i) {
        const auto page = static_cast<std::size_t>(visits[i].page);
        const Page &previous = pages[static_cast<std::size_t>(visits[i > 0 ? i - 1 : i].page)];
        int type = linkVisit;
        if (roleOf(page) == Role::frame) {
            type = framedLinkVisit;
        } else if (roleOf(page) == Role::embed) {
            type = embedVisit;
        } else if (roleOf(page) == Role::download) {
            type = downloadVisit;
        } else if (i > 0 && previous.redirectsTo == static_cast<int>(page)) {
            type = previous.page.url.startsWith("http://") ? permanentRedirectVisit
                                                           : temporaryRedirectVisit;
        } else {
            const double draw = random.unit();
            if (draw < 0.1 || (pages[page].page.url.count('/') <= 3 && draw < 0.4)) {
                type = typedVisit;
            } else if (draw < 0.13) {
                type = bookmarkVisit;
            } else if (draw < 0.16) {
                type = reloadVisit;
            }
        }
        types[i] = type;
        ++typeCounts[static_cast<std::size_t>(type)];
    }
    // Every type at least once, however small the corpus: the newest
    // ordinary link visits take the missing ones.
    for (const int wanted : {typedVisit, bookmarkVisit, reloadVisit}) {
        for (std::size_t i = visits.size();
             typeCounts[static_cast<std::size_t>(wanted)] == 0 && i-- > 1;) {
            const auto page = static_cast<std::size_t>(visits[i].page);
            const bool redirected =
                pages[static_cast<std::size_t>(visits[i - 1].page)].redirectsTo >= 0;
            if (types[i] == linkVisit && roleOf(page) == Role::ordinary && !redirected &&
                pages[page].redirectsTo < 0 && typeCounts[linkVisit] > 1) {
                types[i] = wanted;
                --typeCounts[linkVisit];
                ++typeCounts[static_cast<std::size_t>(wanted)];
            }
        }
    }

    // What each page's row says of its visits.
    std::vector<qint64> counted(pages.size(), 0);
    std::vector<qint64> lastVisit(pages.size(), 0);
    std::vector<bool> typed(pages.size(), false);
    std::vector<std::pair<qint64, int>> pageDays;
    pageDays.reserve(visits.size());
    for (std::size_t i = 0; i < visits.size(); ++i) {
        const auto page = static_cast<std::size_t>(visits[i].page);
        typed[page] = typed[page] || types[i] == typedVisit;
        if (isListed(types[i])) {
            ++counted[page];
            lastVisit[page] = visits[i].time;
        }
        if (isListed(types[i]) && !isHidden(roleOf(page))) {
            pageDays.push_back({visits[i].time / day, static_cast<int>(page)});
        }
    }
    for (std::size_t page = 0; page < pages.size(); ++page) {
        if (lastVisit[page] == 0) {
            // Visits of no listed type still say when the page was seen.
            for (std::size_t i = visits.size(); i-- > 0 && lastVisit[page] == 0;) {
                lastVisit[page] = visits[i].page == static_cast<int>(page) ? visits[i].time : 0;
            }
        }
    }
    std::sort(pageDays.begin(), pageDays.end());
    pageDays.erase(std::unique(pageDays.begin(), pageDays.end()), pageDays.end());
    int daysWithEntries = 0;
    for (std::size_t i = 0; i < pageDays.size(); ++i) {
        daysWithEntries += i == 0 || pageDays[i].first != pageDays[i - 1].first;
    }

    QHash<QByteArray, qint64> foreign;
    for (const QByteArray &url : std::as_const(bookmarkUrls)) {
        ++foreign[url];
    }
    for (const std::vector<QByteArray> &urls : tagged) {
        for (const QByteArray &url : urls) {
            ++foreign[url];
        }
    }
    ++foreign[keywordUrl];

    Writer writer(places);
    const auto guid = [&random] {
        return random.token(12, base64Url);
    };
    // Rows are made at a page's first visit, then for the bookmarked pages
    // never visited.
    QHash<QByteArray, qint64> placeIds;
    std::vector<qint64> placeOf(pages.size(), 0);
    // The pages of moz_places in the order of their rows, for the icon store.
    TRCorpusFavicons::Pages iconPages;
    const qint64 recent = now - 90 * day;
    int hidden = 0;
    const auto frecency = [now](qint64 visitCount, bool wasTyped, qint64 bookmarks, qint64 last) {
        const double age = last > 0 ? static_cast<double>(now - last) / day : 365.0;
        return static_cast<qint64>(
            std::ceil((100.0 * visitCount * (wasTyped ? 2.0 : 1.0) + 140.0 * bookmarks) /
                      (1.0 + age / 30.0)));
    };
    std::vector<qint64> visitIds(visits.size(), 0);
    const auto writeVisits = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const auto index = static_cast<std::size_t>(visits[i].page);
            // A page bookmarked before its first visit has its row already.
            if (placeOf[index] == 0) {
                placeOf[index] = placeIds.value(pages[index].page.url);
            }
            if (placeOf[index] == 0) {
                const Page &page = pages[index];
                Writer::Place row;
                row.url = page.page.url;
                row.title = page.page.titled ? QVariant(page.page.title) : QVariant();
                row.visitCount = counted[index];
                row.hidden = isHidden(roleOf(index));
                row.typed = typed[index];
                row.lastVisit = lastVisit[index];
                row.foreignCount = foreign.value(page.page.url);
                row.frecency = row.hidden ? 0
                                          : frecency(counted[index], typed[index], row.foreignCount,
                                                     row.lastVisit);
                row.guid = guid();
                hidden += row.hidden;
                placeOf[index] = writer.addPlace(row);
                placeIds.insert(page.page.url, placeOf[index]);
                iconPages.add({row.url, row.foreignCount > 0, row.lastVisit >= recent, row.hidden});
            }
            // A link followed within minutes comes from the visit before; a
            // redirect's target from its source.
            const bool redirect =
                types[i] == permanentRedirectVisit || types[i] == temporaryRedirectVisit;
            const bool follows = (types[i] == linkVisit || redirect) && i > 0 &&
                                 visits[i].time - visits[i - 1].time < 600 * second;
            visitIds[i] =
                writer.addVisit({placeOf[index], visits[i].time, follows ? visitIds[i - 1] : 0,
                                 types[i], random.chance(0.05) ? 1 : 0});
        }
    };
    // With leaveWal the newest visits wait in the log, after everything else.
    const std::size_t inLog =
        m_leaveWal ? std::min(static_cast<std::size_t>(m_scale.walVisits), visits.size() / 4) : 0;
    const std::size_t split = visits.size() - inLog;
    writeVisits(0, split);
    const auto placeFor = [&](const QByteArray &url) {
        auto found = placeIds.constFind(url);
        if (found == placeIds.cend()) {
            Writer::Place row;
            row.url = url;
            row.foreignCount = foreign.value(url);
            row.frecency = url.startsWith("place:") ? 0 : frecency(0, false, row.foreignCount, 0);
            row.guid = guid();
            found = placeIds.insert(url, writer.addPlace(row));
            if (!url.startsWith("place:")) {
                iconPages.add({url, true, false, false});
            }
        }
        return *found;
    };

    // The roots as Firefox makes them, then each root's tree depth first.
    const qint64 created = now - 3 * 365 * day;
    const auto addFolder = [&](qint64 parent, int position, const QVariant &title,
                               const QByteArray &folderGuid, qint64 added) {
        return writer.addBookmark({2, 0, parent, position, title, added, added, folderGuid});
    };
    const qint64 root = addFolder(0, 0, QString(""), "root________", created);
    const std::array<std::pair<Bookmarks::Node *, QByteArray>, 5> roots{{
        {menu.get(), "menu________"},
        {toolbar.get(), "toolbar_____"},
        {nullptr, "tags________"},
        {unfiled.get(), "unfiled_____"},
        {mobile.get(), "mobile______"},
    }};
    const auto writeTree = [&](auto &&self, const Bookmarks::Node &node, qint64 id) -> void {
        int position = 0;
        for (const Bookmarks::NodePtr &child : node.children) {
            const QVariant title = child->title.isNull() ? QVariant() : QVariant(child->title);
            const qint64 modified = std::max(child->added, child->lastUsed);
            if (child->folder) {
                self(self, *child, addFolder(id, position++, title, guid(), child->added));
            } else if (isSeparator(*child)) {
                writer.addBookmark(
                    {3, 0, id, position++, QVariant(), child->added, child->added, guid()});
            } else {
                writer.addBookmark({1, placeFor(child->url), id, position++, title, child->added,
                                    modified, guid()});
            }
        }
    };
    qint64 tagsRoot = 0;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const auto &[tree, rootGuid] = roots[i];
        const QString name = QString::fromLatin1(rootGuid).remove(u'_');
        const qint64 id = addFolder(root, static_cast<int>(i), name, rootGuid, created);
        if (tree) {
            writeTree(writeTree, *tree, id);
        } else {
            tagsRoot = id;
        }
    }
    int taggedRecords = 0;
    for (qsizetype tag = 0; tag < tagNames.size(); ++tag) {
        const qint64 added = now - static_cast<qint64>(random.below(365ULL * day));
        const qint64 id = addFolder(tagsRoot, static_cast<int>(tag), tagNames[tag], guid(), added);
        int position = 0;
        for (const QByteArray &url : tagged[static_cast<std::size_t>(tag)]) {
            writer.addBookmark(
                {1, placeFor(url), id, position++, QVariant(), added, added, guid()});
            ++taggedRecords;
        }
    }
    writer.addKeyword("w", placeFor(keywordUrl));

    // A download's annotations, and the time spent on the newest pages.
    const auto download = static_cast<std::size_t>(
        std::find_if(odd.cbegin(), odd.cend(),
                     [](const OddPage &each) { return each.role == Role::download; }) -
        odd.cbegin());
    if (download < pages.size() && placeOf[download] > 0) {
        const qint64 finished = lastVisit[download];
        writer.addAnnotation(placeOf[download], "downloads/destinationFileURI",
                             "file:///home/alex/Downloads/setup-2.4.1.tar.gz", finished);
        writer.addAnnotation(placeOf[download], "downloads/metaData",
                             QStringLiteral("{\"state\":1,\"deleted\":false,\"endTime\":%1,"
                                            "\"fileSize\":48213377}")
                                 .arg(finished / 1000),
                             finished);
    }
    QHash<qint64, bool> interacted;
    for (std::size_t i = split; i-- > 0 && interacted.size() < 20;) {
        const auto page = static_cast<std::size_t>(visits[i].page);
        if (roleOf(page) == Role::ordinary && !interacted.contains(placeOf[page])) {
            interacted.insert(placeOf[page], true);
            writer.addInteraction(placeOf[page], visits[i].time,
                                  static_cast<qint64>(random.exponential(90.0 * second)),
                                  random.chance(0.3) ? random.between(1, 200) : 0);
        }
    }
    if (inLog > 0) {
        writer.keepInWriteAheadLog(random.next());
        writeVisits(split, visits.size());
    }
    writer.finish();
    const TRCorpusFavicons favicons(m_seed, now);
    const QJsonObject faviconsPart = favicons.writeFirefox(
        QDir(folder).filePath(profileFolder() + QStringLiteral("/favicons.sqlite")),
        iconPages.list());

    // What the reader should find: bookmarks below each shown root, and one
    // history entry per page and day (UTC here) of its listed visits.
    QJsonObject byRoot;
    BookmarkCounts total;
    for (const auto &[name, tree] : {std::pair{"toolbar", toolbar.get()},
                                     {"menu", menu.get()},
                                     {"unfiled", unfiled.get()},
                                     {"mobile", mobile.get()}}) {
        BookmarkCounts counts;
        countBookmarks(*tree, counts);
        byRoot.insert(QLatin1StringView(name), QJsonObject{{"bookmarks", counts.bookmarks},
                                                           {"folders", counts.folders},
                                                           {"separators", counts.separators}});
        total.bookmarks += counts.bookmarks;
        total.folders += counts.folders;
        total.separators += counts.separators;
        total.queries += counts.queries;
        total.nullNames += counts.nullNames;
        total.emptyNames += counts.emptyNames;
    }
    TRCorpusManifest::Tally tally;
    for (const Page &page : pages) {
        TRCorpusManifest::tally(page.page, tally);
    }
    QJsonObject visitTypes;
    for (int type = linkVisit; type <= reloadVisit; ++type) {
        visitTypes.insert(QString::number(type), typeCounts[static_cast<std::size_t>(type)]);
    }
    QJsonObject historyPart{{"places_visited", static_cast<int>(pages.size())},
                            {"places", static_cast<int>(placeIds.size())},
                            {"visits", static_cast<int>(visits.size())},
                            {"visits_in_wal", static_cast<int>(inLog)},
                            {"visits_by_type", visitTypes},
                            {"hidden_places", hidden},
                            {"history_items", static_cast<int>(pageDays.size())},
                            {"days_with_history_items", daysWithEntries},
                            {"distinct_hosts", tally.hosts.size()},
                            {"null_titles", tally.missingTitles},
                            {"empty_titles", tally.emptyTitles},
                            {"non_ascii_titles", tally.nonAsciiTitles},
                            {"file_urls", tally.fileUrls}};
    TRCorpusManifest::addVisitSpan(visits, historyPart);
    return {{"profile", profileFolder()},
            {"bookmarks", QJsonObject{{"bookmarks", total.bookmarks},
                                      {"folders", total.folders},
                                      {"separators", total.separators},
                                      {"queries", total.queries},
                                      {"null_names", total.nullNames},
                                      {"empty_names", total.emptyNames},
                                      {"tags", static_cast<int>(tagNames.size())},
                                      {"tagged_records", taggedRecords},
                                      {"keywords", 1},
                                      {"by_root", byRoot}}},
            {"history", historyPart},
            {"favicons", faviconsPart}};
}
