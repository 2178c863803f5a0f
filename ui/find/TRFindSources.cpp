#include "TRFindSources.h"

#include <algorithm>

TRFindSources &TRFindSources::shared()
{
    static TRFindSources sources;
    return sources;
}

void TRFindSources::setSources(const void *owner, std::vector<Source> sources)
{
    const auto known = std::find_if(m_owners.begin(), m_owners.end(),
                                    [owner](const auto &each) { return each.first == owner; });
    if (sources.empty()) {
        if (known == m_owners.end()) {
            return;
        }
        m_owners.erase(known);
    } else if (known == m_owners.end()) {
        m_owners.emplace_back(owner, std::move(sources));
    } else {
        known->second = std::move(sources);
    }
    rebuild();
}

void TRFindSources::rebuild()
{
    auto snapshot = std::make_shared<Snapshot>();
    std::vector<TRSearchCatalog::Source> searched;
    for (const auto &[owner, sources] : m_owners) {
        for (const Source &source : sources) {
            if (!source.index) {
                continue;
            }
            searched.push_back({source.name, source.index, snapshot->sources.size()});
            snapshot->sources.push_back(source);
        }
    }
    snapshot->catalog = TRSearchCatalog(std::move(searched));
    m_snapshot = std::move(snapshot);
}
