#pragma once

// Names the day of a visit the way history menus title their day groups:
// "Today", "Yesterday", then full dates, in the user's language and time zone.

#include "TRBookmark.h"

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
    // The user's locale, or a locale name such as "nl_NL".
    explicit TRDayFormatter(const QString &localeName = {});
    ~TRDayFormatter();

    TRDayFormatter(const TRDayFormatter &) = delete;
    TRDayFormatter &operator=(const TRDayFormatter &) = delete;

    // The label of the local calendar day of moment.
    QString label(const QDateTime &moment) const;
    QString label(QDate localDay) const;

    // History entries grouped by local day, newest day first, each group
    // named by its label and holding its entries newest first. Node is a
    // bookmark type with a lastVisitedDate and an init(kind, name).
    template <class Node>
    std::vector<std::shared_ptr<Node>> groupByDay(std::vector<std::shared_ptr<Node>> entries) const
    {
        const auto newerFirst = [](const auto &a, const auto &b) {
            return a->lastVisitedDate > b->lastVisitedDate;
        };
        // Readers mostly hand their rows over newest first already, and a
        // stable sort leaves a sorted list as it is: checking is enough then.
        if (!std::is_sorted(entries.begin(), entries.end(), newerFirst)) {
            std::stable_sort(entries.begin(), entries.end(), newerFirst);
        }
        std::vector<std::shared_ptr<Node>> days;
        QDate currentDay;
        QString currentLabel;
        // One zone for the whole walk, and one conversion to local time per
        // day rather than per visit: a visit inside the current day's span
        // of instants is of that day.
        const QTimeZone zone = QTimeZone::systemTimeZone();
        DaySpan span;
        for (const std::shared_ptr<Node> &entry : entries) {
            QDate day;
            if (entry->lastVisitedDate.isValid()) {
                const qint64 msecs = entry->lastVisitedDate.toMSecsSinceEpoch();
                if (!span.contains(msecs)) {
                    span = daySpan(msecs, zone);
                }
                day = span.day;
            }
            // Entries of one local day share a label, so it is made once a day.
            if (days.empty() || day != currentDay) {
                currentDay = day;
                const QString dayLabel = label(day);
                if (days.empty() || dayLabel != currentLabel) {
                    currentLabel = dayLabel;
                    days.push_back(Node::init(TRBookmarkKind::group, dayLabel));
                }
            }
            days.back()->addBookmark(entry);
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
