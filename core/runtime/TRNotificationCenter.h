#pragma once

// Posts notifications by name, synchronously, to the observers registered for
// that name. An observer is tied to a QObject and forgotten when it is destroyed.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

struct TRNotification
{
    QString name;
    QVariantMap userInfo;
};

class TRNotificationCenter
{
public:
    using Handler = std::function<void(const TRNotification &)>;

    TRNotificationCenter() = default;
    TRNotificationCenter(const TRNotificationCenter &) = delete;
    TRNotificationCenter &operator=(const TRNotificationCenter &) = delete;

    // The centre every component of the application talks through.
    static TRNotificationCenter &defaultCenter();

    // Calls handler for every later post of name, from any sender, until
    // observer is destroyed or removed.
    void addObserver(QObject *observer, const QString &name, Handler handler);
    // Removes the observer's registrations for name, or all of them when name
    // is empty.
    void removeObserver(const QObject *observer, const QString &name = {});
    // Runs the handlers registered for name, in the order of registration. A
    // handler may add or remove observers; those removed before their turn
    // are not called, those added are called from the next post on.
    void post(const QString &name, const QVariantMap &userInfo = {});

    int observerCount(const QString &name) const;

private:
    struct Entry
    {
        quint64 id;
        QPointer<QObject> observer;
        const QObject *key;
        Handler handler;
    };

    bool contains(const QString &name, quint64 id) const;

    QHash<QString, std::vector<Entry>> m_observers;
    QHash<const QObject *, QMetaObject::Connection> m_destroyWatches;
    quint64 m_nextId = 1;
};
