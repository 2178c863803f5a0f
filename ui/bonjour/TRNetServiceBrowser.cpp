#include "TRNetServiceBrowser.h"

#include "TRNetServiceBrowserDelegate.h"

void TRNetServiceBrowser::serviceReported(bool added, const QString &name, const QString &type,
                                          const QString &domain, bool moreComing)
{
    const Key key{name, type, domain};
    if (added) {
        Entry &entry = m_entries[key];
        if (entry.reports++ == 0) {
            entry.service = makeService(name, type, domain);
            m_pending.push_back({true, key, entry.service});
        }
    } else if (auto it = m_entries.find(key); it != m_entries.end()) {
        if (--it->second.reports == 0) {
            m_pending.push_back({false, key, it->second.service});
            m_entries.erase(it);
        }
    }
    if (!moreComing) {
        flush();
    }
}

void TRNetServiceBrowser::servicesLost()
{
    // Finds still held back were never told; the rest are now removals.
    m_pending.clear();
    for (const auto &[key, entry] : m_entries) {
        if (entry.announced) {
            m_pending.push_back({false, key, entry.service});
        }
    }
    m_entries.clear();
    flush();
}

void TRNetServiceBrowser::flush()
{
    // The delegate may report further services from its callbacks; those
    // belong to a batch of their own.
    std::vector<Event> events;
    events.swap(m_pending);
    for (const Event &event : events) {
        if (auto it = m_entries.find(event.key); event.found && it != m_entries.end()) {
            it->second.announced = true;
        }
    }
    for (std::size_t i = 0; i < events.size(); ++i) {
        const bool moreComing = i + 1 < events.size();
        if (!m_delegate) {
            continue;
        }
        if (events[i].found) {
            m_delegate->netServiceBrowserDidFindService(this, events[i].service, moreComing);
        } else {
            m_delegate->netServiceBrowserDidRemoveService(this, events[i].service, moreComing);
        }
    }
}
