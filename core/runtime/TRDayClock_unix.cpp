#include "TRDayClock.h"

#include "TRFolderWatch.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QTimeZone>

#include <sys/timerfd.h>
#include <unistd.h>

namespace {

// The zone's name and its offset now: either changes when the user moves to
// another zone, and the offset also when the name is not to be had.
QByteArray zoneNow()
{
    return QTimeZone::systemTimeZoneId() + ' ' +
           QByteArray::number(QDateTime::currentDateTime().offsetFromUtc());
}

} // namespace

// One timer on the wall clock at the next local midnight. Armed with
// TFD_TIMER_CANCEL_ON_SET it also wakes when the clock is set, and
// /etc/localtime is watched for a new time zone; a timer on the monotonic
// clock would miss both.
struct TRDayClock::Private
{
    int handle = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    TRFolderWatch zoneWatch;
    QDate day;
    QByteArray zone;
};

TRDayClock &TRDayClock::shared()
{
    static TRDayClock *clock = new TRDayClock;
    return *clock;
}

TRDayClock::TRDayClock()
    : d(std::make_unique<Private>())
{
    d->day = QDate::currentDate();
    d->zone = zoneNow();
    d->handle = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (d->handle >= 0) {
        d->notifier = std::make_unique<QSocketNotifier>(d->handle, QSocketNotifier::Read);
        connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
            // Expired, or cancelled by a set clock (ECANCELED): either way
            // the day is looked at and the timer armed again.
            quint64 expirations = 0;
            [[maybe_unused]] const ssize_t got =
                ::read(d->handle, &expirations, sizeof expirations);
            check();
        });
    }
    d->zoneWatch.watch(QStringLiteral("/etc"));
    connect(&d->zoneWatch, &TRFolderWatch::changed, this,
            [this](const QString &, const QString &name) {
                if (name == u"localtime" || name == u"timezone") {
                    check();
                }
            });
    arm();
}

TRDayClock::~TRDayClock()
{
    d->notifier.reset();
    if (d->handle >= 0) {
        ::close(d->handle);
    }
}

void TRDayClock::arm()
{
    if (d->handle < 0) {
        return;
    }
    // The first instant of tomorrow in the local zone; where a change of
    // daylight saving time skips midnight, the first instant after it.
    const QDateTime next = QDateTime(QDate::currentDate().addDays(1), QTime(0, 0));
    itimerspec when = {};
    const qint64 msecs = next.toMSecsSinceEpoch();
    when.it_value.tv_sec = static_cast<time_t>(msecs / 1000);
    when.it_value.tv_nsec = static_cast<long>(msecs % 1000) * 1000000;
    ::timerfd_settime(d->handle, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

void TRDayClock::check()
{
    arm();
    const QDate day = QDate::currentDate();
    const QByteArray zone = zoneNow();
    if (day != d->day || zone != d->zone) {
        d->day = day;
        d->zone = zone;
        emit dayChanged();
    }
}
