#pragma once

// Names the day of a visit the way history menus title their day groups:
// "Today", "Yesterday", then full dates, in the interface's language and the
// user's time zone.

#include "TRBookmark.h"
#include "TRHistoryStore.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class TRDayFormatter
{
public:
    // The locale of the interface's language (TRLanguage), or a locale name
    // such as "nl_NL".
    explicit TRDayFormatter(const QString &localeName = {});
    ~TRDayFormatter();

    TRDayFormatter(const TRDayFormatter &) = delete;
    TRDayFormatter &operator=(const TRDayFormatter &) = delete;

    // The label of the local calendar day of moment.
    QString label(const QDateTime &moment) const;
    QString label(QDate localDay) const;

    // The visits of a store (newest first) as runs of one label each:
    // visits of one local day, or of days that share a label.
    struct DayRun
    {
        QString label;
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    std::vector<DayRun> dayRuns(const TRHistoryStore &store) const;

    // The visits of a store grouped by local day, newest day first, each
    // group named by its label and making its visits' nodes (type Node)
    // when first opened. Nodes already made for some visits are handed to
    // their day to be used again.
    template <class Node>
    std::vector<std::shared_ptr<Node>>
    groupByDay(const TRHistoryStorePtr &store,
               const std::vector<std::pair<std::size_t, std::shared_ptr<Node>>> &made = {}) const
    {
        std::vector<std::shared_ptr<Node>> days;
        for (const DayRun &run : dayRuns(*store)) {
            auto source = std::make_shared<TRHistoryDaySource<Node>>(store, run.begin, run.end);
            for (const auto &[index, node] : made) {
                if (run.begin <= index && index < run.end) {
                    source->reuse(index, node);
                }
            }
            auto day = Node::init(TRBookmarkKind::group, run.label);
            day->setChildSource(std::move(source));
            days.push_back(std::move(day));
        }
        return days;
    }

    // A local calendar day as the instants it covers, in milliseconds since
    // 1970: from its first instant up to, not including, the next day's.
    struct DaySpan
    {
        QDate day;
        qint64 start = 0;
        qint64 end = 0;
        bool contains(qint64 msecs) const { return start <= msecs && msecs < end; }
    };
    // The local day of an instant in zone. The span is empty when the day's
    // bounds cannot be had, so that the next instant is converted on its own.
    static DaySpan daySpan(qint64 msecs, const QTimeZone &zone);

    // Replaces "now" for tests; an empty function restores the clock.
    static void setNowForTesting(std::function<QDateTime()> now);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
