#include "TRFaviconTable.h"

#include "TRSQLiteDatabase.h"

#include <QHash>
#include <QUrl>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>

namespace {

using Statement = TRSQLiteDatabase::Statement;

Statement prepare(sqlite3 *handle, const char *sql)
{
    return TRSQLiteDatabase::prepare(handle, sql);
}

QByteArray bytesOf(sqlite3_stmt *statement, int column)
{
    return TRSQLiteDatabase::blobOf(statement, column).toByteArray();
}

// The bitmap of an icon that shows best at pixels: the narrowest not
// narrower, else the widest.
struct Choice
{
    qint64 row = 0;
    qint64 width = -1;

    void offer(qint64 candidateRow, qint64 candidateWidth, int pixels)
    {
        const bool fits = candidateWidth >= pixels;
        const bool chosenFits = width >= pixels;
        if (width < 0 || (fits && (!chosenFits || candidateWidth < width)) ||
            (!fits && !chosenFits && candidateWidth > width)) {
            row = candidateRow;
            width = candidateWidth;
        }
    }
};

} // namespace

// Fills a table from the rows of a store.
class TRFaviconTableBuilder
{
public:
    explicit TRFaviconTableBuilder(int pixels)
        : m_pixels(pixels)
        , m_table(std::make_shared<TRFaviconTable>())
    {}

    // A bitmap of the icon group (one icon in several sizes).
    void offerBitmap(qint64 group, qint64 row, qint64 width, qint64 bytes)
    {
        if (bytes > 0 && bytes <= TRFaviconTable::largestIcon) {
            m_choices[group].offer(row, width, m_pixels);
        }
    }

    // Reads the chosen bitmaps' bytes with a statement taking the row.
    bool loadBitmaps(sqlite3_stmt *select)
    {
        for (auto it = m_choices.cbegin(); it != m_choices.cend(); ++it) {
            sqlite3_reset(select);
            sqlite3_bind_int64(select, 1, it.value().row);
            if (sqlite3_step(select) != SQLITE_ROW) {
                continue;
            }
            m_groupIndex.insert(it.key(), static_cast<qint32>(m_table->m_iconEnds.size()));
            m_table->m_iconBytes.append(TRSQLiteDatabase::blobOf(select, 0));
            m_table->m_iconEnds.push_back(m_table->m_iconBytes.size());
        }
        return true;
    }

    void reservePages(qint64 count)
    {
        m_pages.reserve(static_cast<std::size_t>(std::clamp<qint64>(count, 0, 1 << 24)));
    }

    // A page or site, by the hash of its address, of the icon group.
    void addPage(quint64 page, qint64 group)
    {
        const auto index = m_groupIndex.constFind(group);
        if (index != m_groupIndex.cend()) {
            m_pages.emplace_back(page, *index);
        }
    }

    void addSite(quint64 site, qint64 group)
    {
        const auto index = m_groupIndex.constFind(group);
        if (index != m_groupIndex.cend()) {
            m_sites.emplace_back(site, *index);
        }
    }

    std::shared_ptr<const TRFaviconTable> finish()
    {
        m_table->m_pages = TRFaviconTable::settle(m_pages);
        m_table->m_sites = TRFaviconTable::settle(m_sites);
        m_table->m_iconBytes.squeeze();
        return std::move(m_table);
    }

private:
    int m_pixels;
    std::shared_ptr<TRFaviconTable> m_table;
    QHash<qint64, Choice> m_choices;
    QHash<qint64, qint32> m_groupIndex;
    TRFaviconTable::Entries m_pages;
    TRFaviconTable::Entries m_sites;
};

namespace {

// Whether a statement failed to prepare, with SQLite's reason in error: the
// first missing table is the one named.
bool failed(sqlite3 *handle, const Statement &statement, QString &error)
{
    if (!statement) {
        error = QString::fromUtf8(sqlite3_errmsg(handle));
    }
    return !statement;
}

// Chromium's icon_type of a favicon proper, before touch and manifest icons.
constexpr qint64 favicon = 1;

bool readChromium(sqlite3 *handle, TRFaviconTableBuilder &builder, QString &error)
{
    const Statement bitmaps =
        prepare(handle, "SELECT icon_id, id, width, length(image_data) FROM favicon_bitmaps");
    if (failed(handle, bitmaps, error)) {
        return false;
    }
    const Statement bytes = prepare(handle, "SELECT image_data FROM favicon_bitmaps WHERE id = ?");
    const Statement icons = prepare(handle, "SELECT id, icon_type FROM favicons");
    // In the table's own order, which is that of its ids: sorting hundreds
    // of thousands of addresses in SQL would cost more than the rest.
    const Statement pages = prepare(handle, "SELECT page_url, icon_id FROM icon_mapping");
    if (failed(handle, bytes, error) || failed(handle, icons, error) ||
        failed(handle, pages, error)) {
        return false;
    }
    while (sqlite3_step(bitmaps.get()) == SQLITE_ROW) {
        builder.offerBitmap(
            sqlite3_column_int64(bitmaps.get(), 0), sqlite3_column_int64(bitmaps.get(), 1),
            sqlite3_column_int64(bitmaps.get(), 2), sqlite3_column_int64(bitmaps.get(), 3));
    }
    builder.loadBitmaps(bytes.get());
    QHash<qint64, qint64> typeOfIcon;
    while (sqlite3_step(icons.get()) == SQLITE_ROW) {
        typeOfIcon.insert(sqlite3_column_int64(icons.get(), 0),
                          sqlite3_column_int64(icons.get(), 1));
    }
    builder.reservePages(
        TRSQLiteDatabase::queryInteger(handle, "SELECT max(id) FROM icon_mapping").value_or(0));
    // A page's first mapping is the one kept, favicons proper before touch
    // and manifest icons; a site's own front page names its icon before any
    // other page of it. Favicons are nearly every mapping: those are taken
    // as they come, the few others kept aside and taken after, by type.
    struct Mapping
    {
        qint64 type;
        qint64 icon;
        quint64 page;
        std::optional<quint64> site;
        bool front;
    };
    std::vector<Mapping> otherTypes;
    std::vector<std::pair<quint64, qint64>> otherPagesOfSites;
    while (sqlite3_step(pages.get()) == SQLITE_ROW) {
        const qint64 icon = sqlite3_column_int64(pages.get(), 1);
        const auto type = typeOfIcon.constFind(icon);
        if (type == typeOfIcon.cend()) {
            continue;
        }
        const QByteArrayView address = TRSQLiteDatabase::blobOf(pages.get(), 0);
        bool front = false;
        const std::optional<quint64> site = TRFaviconTable::siteHashOf(address, &front);
        if (*type != favicon) {
            otherTypes.push_back({*type, icon, TRFaviconTable::hashOf(address), site, front});
            continue;
        }
        builder.addPage(TRFaviconTable::hashOf(address), icon);
        if (site && front) {
            builder.addSite(*site, icon);
        } else if (site) {
            otherPagesOfSites.emplace_back(*site, icon);
        }
    }
    std::stable_sort(otherTypes.begin(), otherTypes.end(),
                     [](const Mapping &a, const Mapping &b) { return a.type < b.type; });
    for (const Mapping &mapping : otherTypes) {
        builder.addPage(mapping.page, mapping.icon);
        if (mapping.site && mapping.front) {
            builder.addSite(*mapping.site, mapping.icon);
        }
    }
    for (const Mapping &mapping : otherTypes) {
        if (mapping.site && !mapping.front) {
            otherPagesOfSites.emplace_back(*mapping.site, mapping.icon);
        }
    }
    for (const auto &[site, icon] : otherPagesOfSites) {
        builder.addSite(site, icon);
    }
    return true;
}

bool readFirefox(sqlite3 *handle, TRFaviconTableBuilder &builder, QString &error)
{
    const Statement icons = prepare(
        handle, "SELECT id, icon_url, width, length(data), root FROM moz_icons ORDER BY id");
    if (failed(handle, icons, error)) {
        return false;
    }
    const Statement bytes = prepare(handle, "SELECT data FROM moz_icons WHERE id = ?");
    const Statement pages =
        prepare(handle, "SELECT p.page_url, t.icon_id FROM moz_icons_to_pages t JOIN "
                        "moz_pages_w_icons p ON p.id = t.page_id ORDER BY t.page_id, t.icon_id");
    if (failed(handle, bytes, error) || failed(handle, pages, error)) {
        return false;
    }
    // One icon in several widths shares its address; the group is its first
    // row. Grouped here: the store has no index on the address.
    QHash<QByteArray, qint64> groupOfAddress;
    QHash<qint64, qint64> groupOfRow;
    std::vector<std::pair<quint64, qint64>> roots;
    while (sqlite3_step(icons.get()) == SQLITE_ROW) {
        const qint64 row = sqlite3_column_int64(icons.get(), 0);
        const QByteArray address = bytesOf(icons.get(), 1);
        const auto known = groupOfAddress.constFind(address);
        const qint64 group =
            known != groupOfAddress.cend() ? *known : *groupOfAddress.insert(address, row);
        groupOfRow.insert(row, group);
        builder.offerBitmap(group, row, sqlite3_column_int64(icons.get(), 2),
                            sqlite3_column_int64(icons.get(), 3));
        // A site's icon is the one Firefox keeps for its root.
        if (const auto site = TRFaviconTable::siteHashOf(address);
            site && sqlite3_column_int64(icons.get(), 4) == 1) {
            roots.emplace_back(*site, group);
        }
    }
    builder.loadBitmaps(bytes.get());
    while (sqlite3_step(pages.get()) == SQLITE_ROW) {
        const auto group = groupOfRow.constFind(sqlite3_column_int64(pages.get(), 1));
        if (group != groupOfRow.cend()) {
            builder.addPage(TRFaviconTable::hashOf(TRSQLiteDatabase::blobOf(pages.get(), 0)),
                            *group);
        }
    }
    for (const auto &[site, group] : roots) {
        builder.addSite(site, group);
    }
    return true;
}

} // namespace

std::shared_ptr<const TRFaviconTable> TRFaviconTable::read(const QString &path, Store store,
                                                           int pixels, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error) {
            *error = reason;
        }
        return nullptr;
    };
    std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database) {
        return fail(QStringLiteral("The data couldn’t be read because it is missing."));
    }
    TRFaviconTableBuilder builder(pixels);
    QString reason;
    // One transaction: otherwise each of the thousands of lookups of a
    // bitmap takes and gives back the file's lock, a few system calls each.
    sqlite3 *handle = database->getHandle();
    // The copy is Trellis's own and read once: mapped, its pages are read
    // in place rather than copied through SQLite's cache.
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    const bool read = store == Store::chromium ? readChromium(handle, builder, reason)
                                               : readFirefox(handle, builder, reason);
    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!read) {
        return fail(reason);
    }
    return builder.finish();
}

namespace {

constexpr quint64 hashStart = 14695981039346656037ULL;

// FNV-1a, on from hash: stable across runs and platforms, unlike qHash's
// seed, and the same whether a text is hashed whole or in parts.
quint64 hashOn(quint64 hash, QByteArrayView text, bool lower = false)
{
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(lower && c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

// The parts of a plain address: an ASCII scheme and a host of letters,
// digits, dots and dashes, as most addresses are. Those are cut here, as QUrl
// would cut them, at a fraction of its cost on a store of hundreds of
// thousands of pages; anything else is left to QUrl.
struct PlainSite
{
    QByteArrayView scheme;
    QByteArrayView host;
    // What follows the host and its port.
    QByteArrayView rest;
    bool hasPort = false;
    bool isLower = true;
};

std::optional<PlainSite> plainSite(QByteArrayView address)
{
    const qsizetype separator = address.indexOf("://");
    if (separator <= 0) {
        return std::nullopt;
    }
    const qsizetype hostStart = separator + 3;
    qsizetype end = hostStart;
    while (end < address.size() && address[end] != '/' && address[end] != '?' &&
           address[end] != '#') {
        ++end;
    }
    PlainSite site{address.first(separator), address.sliced(hostStart, end - hostStart),
                   address.sliced(end)};
    // A user name goes to QUrl, which knows where it ends.
    if (site.host.contains('@')) {
        return std::nullopt;
    }
    if (const qsizetype port = site.host.lastIndexOf(':'); port >= 0) {
        site.host = site.host.first(port);
        site.hasPort = true;
    }
    bool plain = !site.host.isEmpty() && site.host.front() != '.';
    for (const QByteArrayView part : {site.scheme, site.host}) {
        for (const char c : part) {
            site.isLower = site.isLower && !(c >= 'A' && c <= 'Z');
            plain = plain &&
                    ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '.' || c == '-' || (c == '+' && part.data() == site.scheme.data()));
        }
    }
    return plain ? std::optional(site) : std::nullopt;
}

} // namespace

QByteArray TRFaviconTable::siteOf(const QByteArray &address)
{
    if (const auto plain = plainSite(address)) {
        return (plain->scheme.toByteArray() + "://" + plain->host.toByteArray()).toLower();
    }
    const QUrl url = QUrl::fromEncoded(address);
    if (!url.isValid() || url.host().isEmpty()) {
        return {};
    }
    return url.scheme().toLatin1() + "://" + url.host(QUrl::FullyEncoded).toLatin1();
}

std::optional<quint64> TRFaviconTable::siteHashOf(QByteArrayView address, bool *front)
{
    if (const auto plain = plainSite(address)) {
        if (front) {
            *front = plain->rest == "/" && !plain->hasPort && plain->isLower;
        }
        return hashOn(hashOn(hashOn(hashStart, plain->scheme, true), "://"), plain->host, true);
    }
    const QByteArray site = siteOf(address.toByteArray());
    if (site.isEmpty()) {
        return std::nullopt;
    }
    if (front) {
        *front = address == QByteArray(site + '/');
    }
    return hashOf(site);
}

TRFaviconTable::Lookup TRFaviconTable::settle(Entries &entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const auto &a, const auto &b) { return a.first == b.first; }),
                  entries.end());
    Lookup lookup;
    lookup.hashes.reserve(entries.size());
    lookup.icons.reserve(entries.size());
    for (const auto &[hash, icon] : entries) {
        lookup.hashes.push_back(hash);
        lookup.icons.push_back(icon);
    }
    Entries().swap(entries);
    return lookup;
}

qint32 TRFaviconTable::Lookup::find(quint64 hash) const
{
    const auto it = std::lower_bound(hashes.cbegin(), hashes.cend(), hash);
    return it != hashes.cend() && *it == hash
               ? icons[static_cast<std::size_t>(it - hashes.cbegin())]
               : -1;
}

QByteArrayView TRFaviconTable::icon(qint32 index) const
{
    const auto at = static_cast<std::size_t>(index);
    const qsizetype start = at == 0 ? 0 : m_iconEnds[at - 1];
    return QByteArrayView(m_iconBytes).sliced(start, m_iconEnds[at] - start);
}

quint64 TRFaviconTable::hashOf(QByteArrayView text)
{
    return hashOn(hashStart, text);
}

qint32 TRFaviconTable::iconIndexFor(const QByteArray &address) const
{
    const qint32 own = m_pages.find(hashOf(address));
    if (own >= 0) {
        return own;
    }
    const std::optional<quint64> site = siteHashOf(address);
    return site ? m_sites.find(*site) : -1;
}

QByteArray TRFaviconTable::iconFor(const QByteArray &address) const
{
    const qint32 index = iconIndexFor(address);
    return index >= 0 ? icon(index).toByteArray() : QByteArray();
}
