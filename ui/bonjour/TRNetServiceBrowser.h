#pragma once

// Browses for network services and tells its delegate of each service once,
// however many interfaces and address families the daemon reports it on.

#include "TRNetService.h"

#include <QString>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

class TRNetServiceBrowserDelegate;

class TRNetServiceBrowser
{
public:
    TRNetServiceBrowser() = default;
    virtual ~TRNetServiceBrowser() = default;

    TRNetServiceBrowser(const TRNetServiceBrowser &) = delete;
    TRNetServiceBrowser &operator=(const TRNetServiceBrowser &) = delete;

    // Does not own the delegate.
    TRNetServiceBrowserDelegate *delegate() const { return m_delegate; }
    void setDelegate(TRNetServiceBrowserDelegate *delegate) { m_delegate = delegate; }

    // Starts browsing for services of this type ("_http._tcp.") in this
    // domain (empty: the default domain), and keeps browsing.
    virtual void searchForServices(const QString &type, const QString &domain) = 0;
    // Whether a daemon answers the search right now.
    virtual bool isDaemonAnswering() const { return true; }

protected:
    // For implementations: one report of the daemon, as it comes. added is
    // false for a withdrawal; moreComing says that further reports follow.
    void serviceReported(bool added, const QString &name, const QString &type,
                         const QString &domain, bool moreComing);
    // The daemon went away: every service known so far is gone. The
    // delegate hears of each removal; a fresh start reports them anew.
    void servicesLost();

    // A service object of the implementation's kind.
    virtual TRNetServicePtr makeService(const QString &name, const QString &type,
                                        const QString &domain) = 0;

private:
    using Key = std::tuple<QString, QString, QString>;
    struct Entry
    {
        TRNetServicePtr service;
        // Reports still standing: one per interface and address family.
        int reports = 0;
        // Whether the delegate has been told of the find.
        bool announced = false;
    };
    struct Event
    {
        bool found;
        Key key;
        TRNetServicePtr service;
    };

    // Tells the delegate what the batch changed, the last event without
    // "more coming", so that a batch ending on a coalesced report still ends.
    void flush();

    TRNetServiceBrowserDelegate *m_delegate = nullptr;
    std::map<Key, Entry> m_entries;
    std::vector<Event> m_pending;
};
