#include "TRCorpusScale.h"

#include <algorithm>
#include <array>

namespace {

// tiny is a handful of everything, every odd case included; large is the
// benchmark's corpus, a heavy user's year.
const std::array<TRCorpusScale, 4> scales{{
    {"tiny", 15, 7, 4, 3, 50, 35, 38, 3, 16, 2, 1, 5, 5, 36},
    {"small", 300, 24, 5, 12, 5000, 2000, 1800, 30, 200, 3, 2, 12, 25, 1900},
    {"medium", 5000, 330, 7, 120, 100000, 39000, 34000, 120, 2500, 4, 3, 24, 300, 36000},
    {"large", 50000, 2800, 9, 600, 1000000, 370777, 305000, 365, 12000, 6, 4, 24, 2000, 340000},
}};

int scaled(int value, int from, int to)
{
    return static_cast<int>(static_cast<qint64>(value) * to / std::max(from, 1));
}

} // namespace

std::optional<TRCorpusScale> TRCorpusScale::named(const QString &name)
{
    for (const TRCorpusScale &scale : scales) {
        if (scale.name == name) {
            return scale;
        }
    }
    return std::nullopt;
}

QStringList TRCorpusScale::names()
{
    QStringList result;
    for (const TRCorpusScale &scale : scales) {
        result << scale.name;
    }
    return result;
}

TRCorpusScale TRCorpusScale::withVisits(int count) const
{
    TRCorpusScale result = *this;
    result.visits = std::max(count, 1);
    result.chromeUrls = std::max(scaled(chromeUrls, visits, result.visits), 1);
    result.safariItems = std::max(scaled(safariItems, visits, result.visits), 1);
    result.firefoxPlaces = std::max(scaled(firefoxPlaces, visits, result.visits), 1);
    // At most a quarter of the visits wait in the log.
    result.walVisits = std::min(walVisits, result.visits / 4);
    return result;
}

TRCorpusScale TRCorpusScale::withDays(int count) const
{
    TRCorpusScale result = *this;
    result.days = std::max(count, 1);
    return result;
}
