#pragma once

// Every source's search index at one moment, searched as one: the best
// matches of all of them, an address found in several shown once, from the
// source where it ranks best. A catalog never changes; a new index makes a
// new catalog, so a query typed while one is built answers from the last.

#include "TRSearchIndex.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TRSearchCatalog
{
public:
    struct Source
    {
        // Where its matches come from: "Brave · Work", "Bonjour".
        QString name;
        std::shared_ptr<const TRSearchIndex> index;
        // What the owner knows the source by.
        quintptr key = 0;
    };
    struct Match
    {
        QString name;
        QByteArray encodedUrl;
        // The source's name and the place in it: "Brave · Work · Bookmarks
        // bar › Recipes", "Firefox · History · Yesterday".
        QString source;
        quintptr key = 0;
        bool isHistory = false;
    };
    static constexpr std::size_t defaultLimit = 20;

    TRSearchCatalog() = default;
    explicit TRSearchCatalog(std::vector<Source> sources);

    // The best matches of text, best first.
    std::vector<Match> find(QStringView text, std::size_t limit = defaultLimit) const;

    const std::vector<Source> &sources() const { return m_sources; }
    // Entries of every source, and the bytes their indexes take.
    std::size_t size() const;
    std::size_t memoryUsed() const;

private:
    std::vector<Source> m_sources;
};
