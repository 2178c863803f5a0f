#pragma once

// Keeps Trellis to one running instance per user: a lock file guards the
// start, and a local server lets a later start find the running one and ask
// it to come forward.

#include <QLocalServer>
#include <QLockFile>
#include <QString>

#include <functional>

class TRSingleInstance
{
public:
    // Both live in the user's runtime folder, or in folder when given.
    explicit TRSingleInstance(const QString &folder = {});

    TRSingleInstance(const TRSingleInstance &) = delete;
    TRSingleInstance &operator=(const TRSingleInstance &) = delete;

    // True when this process is now the only instance; false when another
    // one runs, which has then been asked to show itself.
    bool acquire();

    // Called in the running instance each time a later start asks it to
    // show itself.
    std::function<void()> onActivationRequested;

private:
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer m_server;
};
