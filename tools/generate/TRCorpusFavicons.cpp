#include "TRCorpusFavicons.h"

#include "TRCorpusRandom.h"
#include "TRFaviconStoreWriter.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonValue>
#include <QSet>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

using Store = TRFaviconStoreWriter::Store;
using Page = TRCorpusFavicons::Page;

// A page given an icon: indexes into the pages and the store's icons.
struct Mapping
{
    std::size_t page = 0;
    int icon = 0;
};

// The store's icons, each added once with its bitmaps.
class IconList
{
public:
    IconList(const TRCorpusIcons &icons, Store &store)
        : m_icons(icons)
        , m_store(store)
    {}

    int add(const TRCorpusIcons::Icon &icon, bool root)
    {
        if (const auto found = m_index.constFind(icon.url); found != m_index.cend()) {
            return *found;
        }
        TRFaviconStoreWriter::Icon row{icon.url, icon.type, root, {}};
        for (const int width : icon.widths) {
            row.bitmaps.emplace_back(width, m_icons.png(icon.url, width));
        }
        m_store.icons.push_back(std::move(row));
        const int index = static_cast<int>(m_store.icons.size() - 1);
        m_index.insert(icon.url, index);
        return index;
    }

private:
    const TRCorpusIcons &m_icons;
    Store &m_store;
    QHash<QByteArray, int> m_index;
};

// The icons a site has, looked up once per site.
class Sites
{
public:
    explicit Sites(const TRCorpusIcons &icons)
        : m_icons(icons)
    {}

    const std::optional<TRCorpusIcons::Site> &of(const QByteArray &site)
    {
        auto found = m_sites.find(site);
        if (found == m_sites.end()) {
            found = m_sites.insert(site, m_icons.site(site));
        }
        return *found;
    }

private:
    const TRCorpusIcons &m_icons;
    QHash<QByteArray, std::optional<TRCorpusIcons::Site>> m_sites;
};

// What a reader of the store shows: the icon of each mapped page, and of
// each site that has a fallback.
struct Lookup
{
    QHash<QByteArray, int> pages;
    QHash<QByteArray, int> sites;
};

// Chromium: a page's favicons before its touch icons, then in the order
// they were mapped; a site's front page names the site's icon before its
// other pages do.
Lookup chromiumLookup(const Store &store)
{
    std::vector<std::size_t> order(store.mappings.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&store](std::size_t a, std::size_t b) {
        return store.icons[std::size_t(store.mappings[a].second)].type <
               store.icons[std::size_t(store.mappings[b].second)].type;
    });
    Lookup lookup;
    for (const bool front : {true, false}) {
        for (const std::size_t i : order) {
            const auto &[page, icon] = store.mappings[i];
            if (front) {
                lookup.pages.insert(page, lookup.pages.value(page, icon));
            }
            const QByteArray site = TRCorpusIcons::siteOf(page);
            if (!site.isEmpty() && (page == site + '/') == front && !lookup.sites.contains(site)) {
                lookup.sites.insert(site, icon);
            }
        }
    }
    return lookup;
}

// Firefox: a page's own icon, else the first root icon of its site.
Lookup firefoxLookup(const Store &store)
{
    Lookup lookup;
    for (const auto &[page, icon] : store.mappings) {
        lookup.pages.insert(page, lookup.pages.value(page, icon));
    }
    for (std::size_t i = 0; i < store.icons.size(); ++i) {
        const QByteArray site = TRCorpusIcons::siteOf(store.icons[i].url);
        if (store.icons[i].root && !lookup.sites.contains(site)) {
            lookup.sites.insert(site, int(i));
        }
    }
    return lookup;
}

// The bitmap shown at 16 pixels: the narrowest not narrower, else the widest.
QJsonObject shownAt16(const TRFaviconStoreWriter::Icon &icon)
{
    const auto &bitmaps = icon.bitmaps;
    auto chosen = std::find_if(bitmaps.cbegin(), bitmaps.cend(),
                               [](const auto &bitmap) { return bitmap.first >= 16; });
    if (chosen == bitmaps.cend()) {
        chosen = bitmaps.cend() - 1;
    }
    return {{"width", chosen->first},
            {"height", chosen->first},
            {"sha256",
             QString::fromLatin1(
                 QCryptographicHash::hash(chosen->second, QCryptographicHash::Sha256).toHex())}};
}

enum class Kind { exact, siteOnly, none };

Kind kindOf(const Lookup &lookup, const QByteArray &url)
{
    if (lookup.pages.contains(url)) {
        return Kind::exact;
    }
    const QByteArray site = TRCorpusIcons::siteOf(url);
    return !site.isEmpty() && lookup.sites.contains(site) ? Kind::siteOnly : Kind::none;
}

Store storeOf(const Store &icons, const std::vector<Page> &pages,
              const std::vector<Mapping> &mappings)
{
    Store store = icons;
    for (const Mapping &mapping : mappings) {
        store.mappings.emplace_back(pages[mapping.page].url, mapping.icon);
    }
    return store;
}

// Without a page that has only its site's icon, the first mapped page whose
// site the reader falls back to even without it loses its own.
void ensureSiteOnly(std::vector<Mapping> &mappings, const std::vector<Page> &pages,
                    const Store &icons, bool chromium)
{
    const Store store = storeOf(icons, pages, mappings);
    const Lookup lookup = chromium ? chromiumLookup(store) : firefoxLookup(store);
    if (std::any_of(pages.cbegin(), pages.cend(), [&lookup](const Page &page) {
            return kindOf(lookup, page.url) == Kind::siteOnly;
        })) {
        return;
    }
    for (const Mapping &candidate : mappings) {
        const QByteArray site = TRCorpusIcons::siteOf(pages[candidate.page].url);
        const bool fallback =
            chromium ? std::any_of(mappings.cbegin(), mappings.cend(),
                                   [&](const Mapping &other) {
                                       return other.page != candidate.page &&
                                              TRCorpusIcons::siteOf(pages[other.page].url) == site;
                                   })
                     : lookup.sites.contains(site);
        if (fallback) {
            const std::size_t page = candidate.page;
            mappings.erase(std::remove_if(mappings.begin(), mappings.end(),
                                          [page](const Mapping &m) { return m.page == page; }),
                           mappings.end());
            return;
        }
    }
}

// The counts and a page of each kind, with the icon the reader shows for
// it; of each kind a page that prefer names is taken first.
QJsonObject manifest(const Store &store, const Lookup &lookup, const std::vector<Page> &pages,
                     const std::function<bool(Kind, const Page &)> &prefer)
{
    int exact = 0;
    int siteOnly = 0;
    std::optional<std::size_t> samples[3];
    std::size_t bitmaps = 0;
    for (const auto &icon : store.icons) {
        bitmaps += icon.bitmaps.size();
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Kind kind = kindOf(lookup, pages[i].url);
        exact += kind == Kind::exact;
        siteOnly += kind == Kind::siteOnly;
        std::optional<std::size_t> &sample = samples[int(kind)];
        if (!sample || (!prefer(kind, pages[*sample]) && prefer(kind, pages[i]))) {
            sample = i;
        }
    }
    QJsonObject result{{"pages", int(pages.size())},
                       {"pages_with_exact_icon", exact},
                       {"pages_with_site_icon_only", siteOnly},
                       {"icons", int(store.icons.size())},
                       {"bitmaps", int(bitmaps)}};
    const char *names[] = {"sample_exact", "sample_site_only", "sample_none"};
    for (const Kind kind : {Kind::exact, Kind::siteOnly, Kind::none}) {
        const std::optional<std::size_t> &sample = samples[int(kind)];
        if (!sample) {
            continue;
        }
        const QByteArray &url = pages[*sample].url;
        QJsonValue expected = QJsonValue::Null;
        if (kind != Kind::none) {
            const int icon = kind == Kind::exact ? lookup.pages.value(url)
                                                 : lookup.sites.value(TRCorpusIcons::siteOf(url));
            expected = shownAt16(store.icons[std::size_t(icon)]);
        }
        result.insert(QLatin1StringView(names[int(kind)]),
                      QJsonObject{{"address", QString::fromUtf8(url)}, {"expected", expected}});
    }
    return result;
}

bool isWeb(const QByteArray &url)
{
    return url.startsWith("http://") || url.startsWith("https://");
}

} // namespace

void TRCorpusFavicons::Pages::add(const Page &page)
{
    const auto found = m_index.constFind(page.url);
    if (found == m_index.cend()) {
        m_index.insert(page.url, m_pages.size());
        m_pages.push_back(page);
        return;
    }
    Page &known = m_pages[*found];
    known.bookmarked = known.bookmarked || page.bookmarked;
    known.recent = known.recent || page.recent;
    known.hidden = known.hidden && page.hidden;
}

TRCorpusFavicons::TRCorpusFavicons(quint64 seed, qint64 now)
    : m_seed(seed)
    , m_now(now)
    , m_icons(seed)
{}

QJsonObject TRCorpusFavicons::writeChromium(const QString &path,
                                            const std::vector<Page> &pages) const
{
    TRCorpusRandom random(m_seed, 40);
    Store icons;
    icons.updated = m_now;
    IconList list(m_icons, icons);
    Sites sites(m_icons);
    std::vector<Mapping> mappings;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Page &page = pages[i];
        const QByteArray site = TRCorpusIcons::siteOf(page.url);
        const auto &icon = sites.of(site);
        // A site's front page always has its icon; a page seen lately or
        // kept as a bookmark mostly; one Chrome dropped as old seldom.
        const bool front = page.url == site + '/';
        const double keep = front             ? 1.0
                            : page.hidden     ? 0.0
                            : page.bookmarked ? 0.95
                            : page.recent     ? 0.85
                                              : 0.2;
        const double draw = random.unit();
        if (!icon || !isWeb(page.url) || draw >= keep) {
            continue;
        }
        const bool section = !front && icon->section && random.chance(0.5);
        mappings.push_back({i, list.add(section ? *icon->section : icon->icon, false)});
        if (front && icon->touch) {
            mappings.push_back({i, list.add(*icon->touch, false)});
        }
    }
    ensureSiteOnly(mappings, pages, icons, true);
    const Store store = storeOf(icons, pages, mappings);
    TRFaviconStoreWriter::writeChromium(path, store);

    // A page of each kind whose answer depends most on the reader's order:
    // one with a touch icon beside its favicon, one whose site shows
    // another icon on some pages.
    QHash<QByteArray, int> touched;
    QHash<QByteArray, QSet<int>> siteIcons;
    for (const auto &[url, icon] : store.mappings) {
        touched[url] += store.icons[std::size_t(icon)].type == 2;
        siteIcons[TRCorpusIcons::siteOf(url)].insert(icon);
    }
    return manifest(store, chromiumLookup(store), pages, [&](Kind kind, const Page &page) {
        switch (kind) {
        case Kind::exact:
            return touched.value(page.url) > 0;
        case Kind::siteOnly:
            return siteIcons.value(TRCorpusIcons::siteOf(page.url)).size() > 1;
        case Kind::none:
            return isWeb(page.url);
        }
        return false;
    });
}

QJsonObject TRCorpusFavicons::writeFirefox(const QString &path,
                                           const std::vector<Page> &pages) const
{
    TRCorpusRandom random(m_seed, 41);
    Store icons;
    icons.updated = m_now;
    IconList list(m_icons, icons);
    Sites sites(m_icons);
    // Whether a site's pages map to its icon, or only its root icon stands
    // for all of them.
    QHash<QByteArray, bool> mapsPages;
    std::vector<Mapping> mappings;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Page &page = pages[i];
        const QByteArray site = TRCorpusIcons::siteOf(page.url);
        const auto &icon = sites.of(site);
        if (!icon || !isWeb(page.url)) {
            continue;
        }
        auto maps = mapsPages.constFind(site);
        if (maps == mapsPages.cend()) {
            const bool atRoot = icon->icon.url.endsWith("/favicon.ico");
            maps = mapsPages.insert(site, !atRoot || random.chance(0.5));
            list.add(icon->icon, atRoot);
            if (icon->root) {
                list.add(*icon->root, true);
            }
        }
        if (*maps && !page.hidden && random.chance(0.9)) {
            mappings.push_back({i, list.add(icon->icon, false)});
        }
    }
    ensureSiteOnly(mappings, pages, icons, false);
    const Store store = storeOf(icons, pages, mappings);
    TRFaviconStoreWriter::writeFirefox(path, store);
    return manifest(store, firefoxLookup(store), pages, [](Kind kind, const Page &page) {
        return kind == Kind::none ? isWeb(page.url) : !page.hidden;
    });
}
