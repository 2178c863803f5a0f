#pragma once

// Keeps Trellis to one running instance per user: a lock file guards the
// start, and a local server lets a later start find the running one and ask
// it to come forward or to open its find window.

#include <QLocalServer>
#include <QLockFile>
#include <QString>

#include <functional>

class TRSingleInstance
{
public:
    // Both live in the user's runtime folder, or in folder when given.
    explicit TRSingleInstance(const QString &folder = {});

    // What a later start asks of the running instance.
    enum class Request { activate, find };

    TRSingleInstance(const TRSingleInstance &) = delete;
    TRSingleInstance &operator=(const TRSingleInstance &) = delete;

    // True when this process is now the only instance; false when another
    // one runs, which has then been sent request.
    bool acquire(Request request = Request::activate);

    // Called in the running instance each time a later start asks it to
    // show itself, or to open the find window.
    std::function<void()> onActivationRequested;
    std::function<void()> onFindRequested;

private:
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer m_server;
};
