#include "TRCorpusHistory.h"

#include "TRCorpusWeights.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr qint64 second = 1000000;
constexpr qint64 day = 86400 * second;
// Visits are at least this far apart: no two share a millisecond.
constexpr qint64 spacing = 2000;

// Relative activity in each hour of the day (UTC stands for the user's own
// time): low at night, peaks late in the morning, the afternoon and evening.
constexpr std::array<double, 24> hourly{0.2, 0.1, 0.05, 0.05, 0.05, 0.1, 0.3, 0.8,
                                        1.2, 1.5, 1.8,  1.9,  1.5,  1.4, 1.6, 1.7,
                                        1.6, 1.4, 1.2,  1.3,  1.6,  1.7, 1.2, 0.6};

} // namespace

qint64 TRCorpusHistory::microseconds(const QDateTime &moment)
{
    return moment.toMSecsSinceEpoch() * 1000;
}

TRCorpusHistory::TRCorpusHistory(const TRCorpusWeb &web, TRCorpusWeb::Browser browser,
                                 std::vector<Page> fixed, int pages, int visits, int days,
                                 const QDateTime &now, TRCorpusRandom &random)
    : m_pages(std::move(fixed))
{
    // The pages: the odd cases, then pages of hosts drawn by popularity;
    // a host's front page is the most visited of its pages. Addresses that
    // differ only in what is percent-encoded are one page to a reader.
    QSet<QByteArray> urls;
    for (const Page &page : m_pages) {
        urls.insert(QByteArray::fromPercentEncoding(page.page.url));
    }
    std::vector<bool> hasRoot(static_cast<std::size_t>(web.hostCount()), false);
    int attempts = 0;
    while (static_cast<int>(m_pages.size()) < pages && attempts++ < pages * 20) {
        const int host = web.drawHost(random);
        const bool root = !hasRoot[static_cast<std::size_t>(host)] && random.chance(0.6);
        Page page{root ? web.rootPage(host) : web.page(host, browser, random)};
        const QByteArray key = QByteArray::fromPercentEncoding(page.page.url);
        if (urls.contains(key)) {
            continue;
        }
        hasRoot[static_cast<std::size_t>(host)] = hasRoot[static_cast<std::size_t>(host)] || root;
        urls.insert(key);
        page.weight = web.popularity(host) * (root ? 20.0 : 1.0) * (0.2 + 1.6 * random.unit());
        m_pages.push_back(std::move(page));
    }
    m_pages.resize(std::min(m_pages.size(), static_cast<std::size_t>(std::max(pages, 1))));

    // Every page once (or as often as it must be), the rest by weight.
    std::vector<int> assigned;
    assigned.reserve(static_cast<std::size_t>(std::max(visits, pages)));
    TRCorpusWeights weights;
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        const Page &page = m_pages[i];
        for (int n = std::max(page.visits, 1); n > 0; --n) {
            assigned.push_back(static_cast<int>(i));
        }
        // Pages visited only before another are drawn with that one.
        weights.add(page.visits > 0 || page.redirectsTo >= 0 ? 0.0 : page.weight);
    }
    while (static_cast<int>(assigned.size()) < visits && !weights.isEmpty()) {
        assigned.push_back(static_cast<int>(weights.draw(random)));
    }
    random.shuffle(assigned);

    const std::vector<qint64> times =
        visitTimes(static_cast<int>(assigned.size()), days, now, random);
    m_visits.reserve(assigned.size());
    for (std::size_t i = 0; i < assigned.size(); ++i) {
        m_visits.push_back({times[i], assigned[i]});
    }
    pairRedirects();
    m_visitCounts.assign(m_pages.size(), 0);
    for (const Visit &visit : m_visits) {
        ++m_visitCounts[static_cast<std::size_t>(visit.page)];
    }
}

std::vector<qint64> TRCorpusHistory::visitTimes(int visits, int days, const QDateTime &now,
                                                TRCorpusRandom &random) const
{
    const qint64 end = microseconds(now) - 60 * second;
    const qint64 today = microseconds(QDateTime(now.toUTC().date(), QTime(0, 0), Qt::UTC));

    // How busy each day is; now and then a day without any browsing, though
    // never among the last three.
    std::vector<double> weights(static_cast<std::size_t>(days));
    int active = 0;
    for (int back = 0; back < days; ++back) {
        const int weekday = now.toUTC().date().addDays(-back).dayOfWeek();
        double weight = (weekday == 6   ? 0.6
                         : weekday == 7 ? 0.5
                                        : 1.0) *
                        (0.6 + 0.8 * random.unit());
        if (back >= 3 && days > 7 && random.chance(0.04)) {
            weight = 0;
        }
        if (back == 0) {
            weight *= std::clamp(static_cast<double>(end - today) / day, 0.05, 1.0);
        }
        weights[static_cast<std::size_t>(back)] = weight;
        active += weight > 0;
    }
    // Each active day gets a visit when there are enough, the rest goes by
    // weight, largest remainders first.
    std::vector<int> counts(weights.size(), 0);
    int left = visits;
    if (visits >= active) {
        for (std::size_t i = 0; i < weights.size(); ++i) {
            counts[i] = weights[i] > 0;
        }
        left -= active;
    }
    double total = 0;
    for (const double weight : weights) {
        total += weight;
    }
    std::vector<std::pair<double, std::size_t>> remainders;
    int given = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        const double share = left * weights[i] / total;
        counts[i] += static_cast<int>(share);
        given += static_cast<int>(share);
        remainders.push_back({share - std::floor(share), i});
    }
    std::stable_sort(remainders.begin(), remainders.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    for (std::size_t i = 0; given < left; ++i, ++given) {
        ++counts[remainders[i % remainders.size()].second];
    }

    TRCorpusWeights hours;
    for (const double weight : hourly) {
        hours.add(weight);
    }
    std::vector<qint64> times;
    times.reserve(static_cast<std::size_t>(visits));
    for (int back = days - 1; back >= 0; --back) {
        const int count = counts[static_cast<std::size_t>(back)];
        if (count == 0) {
            continue;
        }
        const qint64 start = today - back * day;
        const qint64 stop = std::min(start + day, end);
        std::vector<qint64> moments;
        moments.reserve(static_cast<std::size_t>(count));
        // Sessions of a dozen visits on average, each visit some seconds to
        // minutes after the one before.
        const int sessions = std::max(1, static_cast<int>(std::lround(count / 12.0)));
        std::vector<qint64> clocks;
        for (int i = 0; i < sessions; ++i) {
            qint64 moment = stop;
            for (int tries = 0; tries < 50 && moment >= stop; ++tries) {
                moment = start + static_cast<qint64>(hours.draw(random)) * 3600 * second +
                         static_cast<qint64>(random.below(3600 * second));
            }
            clocks.push_back(std::min(moment, stop - 1));
        }
        for (int i = 0; i < count; ++i) {
            qint64 &clock = clocks[static_cast<std::size_t>(random.below(clocks.size()))];
            clock += static_cast<qint64>(random.exponential(45.0 * second)) + second / 2;
            moments.push_back(
                clock < stop
                    ? clock
                    : stop - 1 - static_cast<qint64>(random.below(static_cast<quint64>(day / 4))));
        }
        std::sort(moments.begin(), moments.end());
        for (std::size_t i = 1; i < moments.size(); ++i) {
            moments[i] = std::max(moments[i], moments[i - 1] + spacing);
        }
        // Pushed past the day's end: pulled back from the end instead.
        for (std::size_t i = moments.size(); i-- > 0;) {
            const qint64 limit = i + 1 < moments.size() ? moments[i + 1] - spacing : stop - 1;
            moments[i] = std::min(moments[i], limit);
        }
        times.insert(times.end(), moments.begin(), moments.end());
    }
    return times;
}

void TRCorpusHistory::pairRedirects()
{
    if (m_visits.size() < 2) {
        return;
    }
    for (std::size_t i = 0; i < m_visits.size(); ++i) {
        const int target = m_pages[static_cast<std::size_t>(m_visits[i].page)].redirectsTo;
        if (target < 0) {
            continue;
        }
        // The source needs a visit after it to become the target's.
        if (i + 1 == m_visits.size()) {
            std::swap(m_visits[i].page, m_visits[i - 1].page);
            --i;
        }
        Visit &next = m_visits[i + 1];
        if (next.page != target) {
            for (Visit &other : m_visits) {
                if (other.page == target && &other != &next) {
                    std::swap(other.page, next.page);
                    break;
                }
            }
        }
        // A redirect answers within a moment.
        const qint64 earliest = i > 0 ? m_visits[i - 1].time + spacing : next.time - second;
        m_visits[i].time = std::max(earliest, next.time - 150000);
    }
}
