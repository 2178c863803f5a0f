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
        std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
            return a->lastVisitedDate > b->lastVisitedDate;
        });
        std::vector<std::shared_ptr<Node>> days;
        QDate currentDay;
        QString currentLabel;
        // One zone for the whole walk: converting each visit to local time
        // would look the zone up again, a system call, once per visit.
        const QTimeZone zone = QTimeZone::systemTimeZone();
        for (const std::shared_ptr<Node> &entry : entries) {
            // Entries of one local day share a label, so it is made once a day.
            const QDate day = entry->lastVisitedDate.toTimeZone(zone).date();
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

    // Replaces "now" for tests; an empty function restores the clock.
    static void setNowForTesting(std::function<QDateTime()> now);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
