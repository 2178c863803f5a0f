#include "TRSafariHistoryReader.h"

#include "TRDayFormatter.h"
#include "TRSafariHistoryDatabaseReader.h"
#include "TRSafariHistoryListReader.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

constexpr int maximumMostVisited = 10;

} // namespace

std::shared_ptr<TRHistoryStore>
TRSafariHistoryReader::read(const QString &path, const QString &grantedPath,
                            TRSafariHistoryDatabaseReader::Cursor *cursor)
{
    const QString extension = QFileInfo(grantedPath).suffix().toLower();
    if (extension == u"plist") {
        return TRSafariHistoryListReader::read(path);
    }
    if (extension == u"db") {
        return TRSafariHistoryDatabaseReader::read(path, cursor);
    }
    return nullptr;
}

std::vector<TRSafariBookmarkPtr> TRSafariHistoryReader::groupByDay(
    const TRHistoryStorePtr &store, const TRDayFormatter &formatter,
    const std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> &made)
{
    return formatter.groupByDay<TRSafariBookmark>(store, made);
}

std::vector<std::size_t> TRSafariHistoryReader::selectMostVisited(const TRHistoryStore &store)
{
    // The visits in day order, each with its count; the order of equal
    // counts is that order, so the latest visit of a host wins: the order of
    // a stable sort by count.
    struct Candidate
    {
        qint64 visitCount;
        std::size_t index;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(store.size());
    for (std::size_t index = 0; index < store.size(); ++index) {
        if (!store.isHidden(index)) {
            candidates.push_back({store.visitCount(index), index});
        }
    }
    const auto before = [](const Candidate &a, const Candidate &b) {
        return a.visitCount != b.visitCount ? a.visitCount > b.visitCount : a.index < b.index;
    };
    // Ten hosts are nearly always found among the first few thousand
    // entries, so only a head of that order is sorted; a longer one when the
    // walk runs out of it.
    std::vector<std::size_t> selected;
    std::size_t head = std::min<std::size_t>(candidates.size(), 4096);
    std::size_t sorted = 0;
    QStringList hosts;
    while (selected.size() < maximumMostVisited && sorted < candidates.size()) {
        std::partial_sort(candidates.begin() + static_cast<std::ptrdiff_t>(sorted),
                          candidates.begin() + static_cast<std::ptrdiff_t>(head), candidates.end(),
                          before);
        for (; sorted < head && selected.size() < maximumMostVisited; ++sorted) {
            const std::size_t index = candidates[sorted].index;
            const QString host = QUrl::fromEncoded(store.encodedUrl(index).toByteArray()).host();
            if (host.isEmpty() || hosts.contains(host)) {
                continue;
            }
            hosts.append(host);
            selected.push_back(index);
        }
        head = std::min(candidates.size(), head * 2);
    }
    return selected;
}
