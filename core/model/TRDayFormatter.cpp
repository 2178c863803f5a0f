#include "TRDayFormatter.h"
#include "TRLanguage.h"

#include <QTimeZone>

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <mutex>

namespace {

std::mutex nowMutex;
std::function<QDateTime()> &nowOverride()
{
    static std::function<QDateTime()> now;
    return now;
}

QDateTime now()
{
    std::lock_guard lock(nowMutex);
    return nowOverride() ? nowOverride()() : QDateTime::currentDateTime();
}

// A menu title starts with a capital even where the language's own data
// leaves a day name in lower case ("gestern", "mercredi").
QString toTitle(const icu::UnicodeString &text)
{
    QString title(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
    if (!title.isEmpty() && title.at(0).isLower()) {
        title.replace(0, 1, title.at(0).toUpper());
    }
    return title;
}

} // namespace

struct TRDayFormatter::Private
{
    std::unique_ptr<icu::DateFormat> relative;
    std::unique_ptr<icu::DateFormat> full;
};

TRDayFormatter::TRDayFormatter(const QString &localeName)
    : d(std::make_unique<Private>())
{
    const QString name = localeName.isEmpty() ? TRLanguage::localeName() : localeName;
    const icu::Locale locale(name.toLatin1().constData());
    d->relative.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kFullRelative, locale));
    d->full.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kFull, locale));
    UErrorCode status = U_ZERO_ERROR;
    // Day names stand alone as menu titles, so they start with a capital.
    for (icu::DateFormat *format : {d->relative.get(), d->full.get()}) {
        if (format) {
            format->setContext(UDISPCTX_CAPITALIZATION_FOR_STANDALONE, status);
        }
    }
}

TRDayFormatter::~TRDayFormatter() = default;

QString TRDayFormatter::label(const QDateTime &moment) const
{
    return label(moment.toLocalTime().date());
}

QString TRDayFormatter::label(QDate localDay) const
{
    if (!d->relative || !d->full || !localDay.isValid()) {
        return localDay.toString(Qt::ISODate);
    }
    const QDate today = now().date();
    const qint64 offset = today.daysTo(localDay);
    icu::UnicodeString text;
    if (offset >= -1 && offset <= 1) {
        // ICU words the days around its own clock; give it the matching day
        // around the real today so that a replaced "now" still reads right.
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(status));
        if (U_SUCCESS(status)) {
            calendar->setTime(icu::Calendar::getNow(), status);
            calendar->add(UCAL_DATE, static_cast<int32_t>(offset), status);
            const UDate day = calendar->getTime(status);
            if (U_SUCCESS(status)) {
                d->relative->format(day, text);
                return toTitle(text);
            }
        }
    }
    // Noon of the day, local time: far from either midnight.
    const QDateTime noon(localDay, QTime(12, 0), QTimeZone::systemTimeZone());
    d->full->format(static_cast<UDate>(noon.toMSecsSinceEpoch()), text);
    return toTitle(text);
}

TRDayFormatter::DaySpan TRDayFormatter::daySpan(qint64 msecs, const QTimeZone &zone)
{
    DaySpan span;
    span.day = QDateTime::fromMSecsSinceEpoch(msecs, zone).date();
    if (!span.day.isValid()) {
        return span;
    }
    // startOfDay knows days that do not begin at midnight (a clock change
    // at 00:00), so the span is exactly the instants with this local date.
    const QDateTime start = span.day.startOfDay(zone);
    const QDateTime end = span.day.addDays(1).startOfDay(zone);
    if (start.isValid() && end.isValid()) {
        span.start = start.toMSecsSinceEpoch();
        span.end = end.toMSecsSinceEpoch();
    }
    if (!span.contains(msecs)) {
        span.start = span.end = 0;
    }
    return span;
}

void TRDayFormatter::setNowForTesting(std::function<QDateTime()> replacement)
{
    std::lock_guard lock(nowMutex);
    nowOverride() = std::move(replacement);
}

std::vector<TRDayFormatter::DayRun> TRDayFormatter::dayRuns(const TRHistoryStore &store) const
{
    std::vector<DayRun> runs;
    QDate currentDay;
    // One zone for the whole walk, and one conversion to local time per day
    // rather than per visit: a visit inside the current day's span of
    // instants is of that day.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    DaySpan span;
    for (std::size_t index = 0; index < store.size(); ++index) {
        if (store.isHidden(index)) {
            continue;
        }
        const qint64 time = store.visit(index).time;
        QDate day;
        if (time != TRHistoryStore::noTime) {
            if (!span.contains(time)) {
                span = daySpan(time, zone);
            }
            day = span.day;
        }
        // Visits of one local day share a label, so it is made once a day.
        if (runs.empty() || day != currentDay) {
            currentDay = day;
            QString dayLabel = label(day);
            if (runs.empty() || dayLabel != runs.back().label) {
                runs.push_back({std::move(dayLabel), index, index});
            }
        }
        runs.back().end = index + 1;
    }
    return runs;
}
