#pragma once

// Says when a source's granted files have changed and it is time to read
// them again: soon after a browser writes, but never once per write. A
// browser in use commits its history every few seconds; the reads that
// follow are coalesced, one at a time and some seconds apart.

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class TRFolderWatch;

class TRSourceWatcher : public QObject
{
    Q_OBJECT

public:
    // How long a change waits for the writes that come with it, and the
    // least time between the starts of two reads.
    static constexpr int defaultQuietMs = 500;
    static constexpr int defaultSpacingMs = 10000;
    // A long read spaces the next further: while a browser keeps writing,
    // reading its files takes at most this share of the time (a full read
    // of a million visits takes seconds).
    static constexpr int readShareDivisor = 10;

    // With no times given, the defaults or those set for testing.
    explicit TRSourceWatcher(QObject *parent = nullptr, int quietMs = 0, int spacingMs = 0);
    ~TRSourceWatcher() override;

    // The files to watch, with their -wal companions; watching starts anew
    // when they differ from the last ones or a folder was lost meanwhile.
    void setFiles(const QStringList &paths);
    // Whether every file's folder is watched; where not, the owner's own
    // refresh rate is all that finds a change.
    bool isWatching() const { return m_watching; }

    // Replaces the default times of watchers made later, for tests; zeros
    // restore them.
    static void setTimingForTesting(int quietMs, int spacingMs);

    // The owner says when a read starts and ends, whatever started it: a
    // change seen before a read starts is part of that read.
    void readStarted();
    void readFinished();

signals:
    // Time to read: something changed since the last read started.
    void changed();

private:
    void noteChange(const QString &folder, const QString &name);
    void schedule();
    void fire();

    TRFolderWatch *m_watch;
    int m_quietMs;
    int m_spacingMs;
    // The spacing after the last read, longer when that read was long.
    qint64 m_nextSpacingMs;
    // Per folder, the names in it that matter.
    QHash<QString, QSet<QString>> m_names;
    bool m_watching = false;
    bool m_dirty = false;
    bool m_inFlight = false;
    QElapsedTimer m_lastStart;
    QTimer m_timer;
};
