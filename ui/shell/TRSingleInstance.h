#pragma once

// Keeps Trellis to one running instance per user: a lock file guards the
// start, and a local server lets a later start see that one is running.

#include <QLocalServer>
#include <QLockFile>
#include <QString>

class TRSingleInstance
{
public:
    // Both live in the user's runtime folder, or in folder when given.
    explicit TRSingleInstance(const QString &folder = {});

    TRSingleInstance(const TRSingleInstance &) = delete;
    TRSingleInstance &operator=(const TRSingleInstance &) = delete;

    // True when this process is now the only instance; false when another
    // one runs, which is then left alone.
    bool acquire();

private:
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer m_server;
};
