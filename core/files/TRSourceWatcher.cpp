#include "TRSourceWatcher.h"

#include "TRFolderWatch.h"

#include <QFileInfo>

#include <algorithm>

namespace {

int testQuietMs = 0;
int testSpacingMs = 0;

} // namespace

TRSourceWatcher::TRSourceWatcher(QObject *parent, int quietMs, int spacingMs)
    : QObject(parent)
    , m_watch(new TRFolderWatch(this))
    , m_quietMs(quietMs       ? quietMs
                : testQuietMs ? testQuietMs
                              : defaultQuietMs)
    , m_spacingMs(spacingMs       ? spacingMs
                  : testSpacingMs ? testSpacingMs
                                  : defaultSpacingMs)
    , m_nextSpacingMs(m_spacingMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TRSourceWatcher::fire);
    connect(m_watch, &TRFolderWatch::changed, this, &TRSourceWatcher::noteChange);
}

TRSourceWatcher::~TRSourceWatcher() = default;

void TRSourceWatcher::setTimingForTesting(int quietMs, int spacingMs)
{
    testQuietMs = quietMs;
    testSpacingMs = spacingMs;
}

void TRSourceWatcher::setFiles(const QStringList &paths)
{
    QHash<QString, QSet<QString>> names;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        QSet<QString> &inFolder = names[info.absolutePath()];
        inFolder.insert(info.fileName());
        inFolder.insert(info.fileName() + QStringLiteral("-wal"));
    }
    if (names == m_names && m_watching) {
        return;
    }
    m_watch->clear();
    m_names = names;
    m_watching = !m_names.isEmpty();
    for (auto it = m_names.cbegin(); it != m_names.cend(); ++it) {
        m_watching = m_watch->watch(it.key()) && m_watching;
    }
}

void TRSourceWatcher::readStarted()
{
    m_inFlight = true;
    m_dirty = false;
    m_timer.stop();
    m_lastStart.start();
}

void TRSourceWatcher::readFinished()
{
    m_inFlight = false;
    if (m_lastStart.isValid()) {
        m_nextSpacingMs = std::max<qint64>(m_spacingMs, m_lastStart.elapsed() * readShareDivisor);
    }
    if (m_dirty) {
        schedule();
    }
}

void TRSourceWatcher::noteChange(const QString &folder, const QString &name)
{
    if (name.isEmpty()) {
        // The folder went: its files are gone or elsewhere, which a read
        // shows, and it is watched again when the files are set next.
        m_watching = false;
    } else if (!m_names.value(folder).contains(name)) {
        return;
    }
    m_dirty = true;
    schedule();
}

void TRSourceWatcher::schedule()
{
    // A read in flight is followed by the next when it ends; a timer already
    // running keeps its time, so that writes in a row cannot put it off.
    if (m_inFlight || m_timer.isActive()) {
        return;
    }
    const qint64 sinceStart = m_lastStart.isValid() ? m_lastStart.elapsed() : m_nextSpacingMs;
    m_timer.start(static_cast<int>(std::max<qint64>(m_quietMs, m_nextSpacingMs - sinceStart)));
}

void TRSourceWatcher::fire()
{
    if (m_dirty && !m_inFlight) {
        emit changed();
    }
}
