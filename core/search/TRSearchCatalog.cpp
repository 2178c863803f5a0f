#include "TRSearchCatalog.h"

#include "TRDayFormatter.h"

#include <QSet>

#include <algorithm>

TRSearchCatalog::TRSearchCatalog(std::vector<Source> sources)
    : m_sources(std::move(sources))
{
    std::erase_if(m_sources, [](const Source &source) { return !source.index; });
    // An index of a history's newer visits is searched with the older one
    // below it, under the same name; a page in both shows once.
    std::vector<Source> expanded;
    for (const Source &source : m_sources) {
        for (auto index = source.index; index; index = index->older()) {
            expanded.push_back({source.name, index, source.key});
        }
    }
    m_sources = std::move(expanded);
}

std::vector<TRSearchCatalog::Match> TRSearchCatalog::find(QStringView text, std::size_t limit) const
{
    const TRSearchIndex::Query query = TRSearchIndex::Query::parse(text);
    if (query.isEmpty() || limit == 0) {
        return {};
    }
    struct Found
    {
        TRSearchIndex::Hit hit;
        std::size_t source;
    };
    // Each source gives more than is shown, so that its matches found
    // elsewhere too still leave enough.
    const std::size_t perSource = limit * 3;
    std::vector<Found> found;
    for (std::size_t source = 0; source < m_sources.size(); ++source) {
        for (const TRSearchIndex::Hit &hit : m_sources[source].index->match(query, perSource)) {
            found.push_back({hit, source});
        }
    }
    // Equal hits keep the order of the sources, then of each source's own.
    std::stable_sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return TRSearchIndex::isBetter(a.hit, b.hit);
    });

    std::vector<Match> matches;
    QSet<QByteArray> shown;
    const TRDayFormatter days;
    for (const Found &each : found) {
        if (matches.size() >= limit) {
            break;
        }
        const Source &source = m_sources[each.source];
        const TRSearchIndex &index = *source.index;
        Match match;
        match.encodedUrl = index.encodedUrl(each.hit.entry).toByteArray();
        if (!match.encodedUrl.isEmpty()) {
            if (shown.contains(match.encodedUrl)) {
                continue;
            }
            shown.insert(match.encodedUrl);
        }
        match.name = index.name(each.hit.entry);
        const QString place = index.place(each.hit.entry, days);
        match.source =
            place.isEmpty() ? source.name : source.name + QStringLiteral(" \u00B7 ") + place;
        match.key = source.key;
        match.isHistory = each.hit.isHistory;
        matches.push_back(std::move(match));
    }
    return matches;
}

std::size_t TRSearchCatalog::size() const
{
    std::size_t entries = 0;
    for (const Source &source : m_sources) {
        entries += source.index->size();
    }
    return entries;
}

std::size_t TRSearchCatalog::memoryUsed() const
{
    std::size_t bytes = 0;
    for (const Source &source : m_sources) {
        bytes += source.index->memoryUsed();
    }
    return bytes;
}
