#include "TRNotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

TRNotificationCenter &TRNotificationCenter::defaultCenter()
{
    static TRNotificationCenter center;
    return center;
}

void TRNotificationCenter::addObserver(QObject *observer, const QString &name, Handler handler)
{
    Q_ASSERT(observer);
    Q_ASSERT(!QCoreApplication::instance() ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
    m_observers[name].push_back(Entry{m_nextId++, observer, observer, std::move(handler)});
    if (!m_destroyWatches.contains(observer)) {
        m_destroyWatches.insert(observer,
                                QObject::connect(observer, &QObject::destroyed, observer,
                                                 [this, observer] { removeObserver(observer); }));
    }
}

void TRNotificationCenter::removeObserver(const QObject *observer, const QString &name)
{
    bool remainsAnywhere = false;
    for (auto it = m_observers.begin(); it != m_observers.end();) {
        auto &entries = it.value();
        if (name.isEmpty() || it.key() == name) {
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [observer](const Entry &e) { return e.key == observer; }),
                          entries.end());
        }
        remainsAnywhere = remainsAnywhere ||
                          std::any_of(entries.cbegin(), entries.cend(),
                                      [observer](const Entry &e) { return e.key == observer; });
        it = entries.empty() ? m_observers.erase(it) : std::next(it);
    }
    if (!remainsAnywhere) {
        const auto watch = m_destroyWatches.constFind(observer);
        if (watch != m_destroyWatches.cend()) {
            QObject::disconnect(watch.value());
            m_destroyWatches.erase(watch);
        }
    }
}

void TRNotificationCenter::post(const QString &name, const QVariantMap &userInfo)
{
    Q_ASSERT(!QCoreApplication::instance() ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
    const auto found = m_observers.constFind(name);
    if (found == m_observers.cend()) {
        return;
    }
    // Handlers may change the registrations, so walk a copy and skip those
    // that were removed meanwhile.
    const std::vector<Entry> snapshot = found.value();
    const TRNotification notification{name, userInfo};
    for (const Entry &entry : snapshot) {
        if (entry.observer && contains(name, entry.id)) {
            entry.handler(notification);
        }
    }
}

int TRNotificationCenter::observerCount(const QString &name) const
{
    const auto found = m_observers.constFind(name);
    return found == m_observers.cend() ? 0 : static_cast<int>(found.value().size());
}

bool TRNotificationCenter::contains(const QString &name, quint64 id) const
{
    const auto found = m_observers.constFind(name);
    if (found == m_observers.cend()) {
        return false;
    }
    const auto &entries = found.value();
    return std::any_of(entries.cbegin(), entries.cend(),
                       [id](const Entry &e) { return e.id == id; });
}
