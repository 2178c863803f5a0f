#pragma once

// Names the day of a visit the way history menus title their day groups:
// "Today", "Yesterday", then full dates, in the user's language and time zone.

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

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

    // Replaces "now" for tests; an empty function restores the clock.
    static void setNowForTesting(std::function<QDateTime()> now);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
