#pragma once

// One browser's history: the distinct pages it visited and its visits in
// time order, in sessions over the days before "now", busier by day than
// by night and on working days than at weekends.

#include "TRCorpusRandom.h"
#include "TRCorpusWeb.h"

#include <QDateTime>

#include <vector>

class TRCorpusHistory
{
public:
    struct Page
    {
        TRCorpusWeb::Page page;
        // How often it is drawn for visits beyond its first, relative to
        // the other pages.
        double weight = 1;
        // Visited exactly this often, when above 0.
        int visits = 0;
        // The index of a page that this one redirects to: each visit of this
        // one comes right before a visit of that one.
        int redirectsTo = -1;
    };
    struct Visit
    {
        // Microseconds since 1970 UTC; no two visits less than 2 ms apart.
        qint64 time = 0;
        int page = 0;
    };

    // fixed are the odd cases, always present, first; random pages of the
    // web make up the rest of pages. Every page is visited at least once,
    // so visits is at least pages.
    TRCorpusHistory(const TRCorpusWeb &web, TRCorpusWeb::Browser browser, std::vector<Page> fixed,
                    int pages, int visits, int days, const QDateTime &now, TRCorpusRandom &random);

    const std::vector<Page> &pages() const { return m_pages; }
    // Oldest first.
    const std::vector<Visit> &visits() const { return m_visits; }
    // How many visits each page has.
    const std::vector<int> &visitCounts() const { return m_visitCounts; }

    static qint64 microseconds(const QDateTime &moment);

private:
    std::vector<qint64> visitTimes(int visits, int days, const QDateTime &now,
                                   TRCorpusRandom &random) const;
    void pairRedirects();

    std::vector<Page> m_pages;
    std::vector<Visit> m_visits;
    std::vector<int> m_visitCounts;
};
