#pragma once

// The per-user settings store: stored values over an in-memory registration
// domain, with typed getters that convert the way the original store does.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

class QSettings;

class TRSettings
{
public:
    // The store of the current user (INI file "Trellis/Trellis.ini" under the
    // user's configuration folder on Linux, the native store elsewhere).
    TRSettings();
    // A store kept in the given INI file.
    explicit TRSettings(const QString &iniFilePath);
    ~TRSettings();

    TRSettings(const TRSettings &) = delete;
    TRSettings &operator=(const TRSettings &) = delete;

    // The process-wide store that every component reads and writes.
    static TRSettings &standard();

    // Merges the given values into the registration domain; later
    // registrations of a key replace earlier ones. Nothing is written to disk.
    void registerDefaults(const QVariantMap &defaults);

    // The stored value when there is one, else the registered one, else an
    // invalid QVariant.
    QVariant objectForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    std::optional<QString> stringForKey(const QString &key) const;
    std::optional<QByteArray> dataForKey(const QString &key) const;

    void setBool(const QString &key, bool value);
    void setInteger(const QString &key, qint64 value);
    void setString(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    void setObject(const QString &key, const QVariant &value);
    void removeObject(const QString &key);

    // Writes pending changes to disk; false when the file could not be written.
    bool synchronize();

    QString fileName() const;

    // Forgets stored and registered values alike; for tests that simulate a
    // fresh user.
    void resetForTesting();

    // The conversion rules, exposed for the readers of untyped values.
    static bool toBool(const QVariant &value);
    static qint64 toInteger(const QVariant &value);
    static std::optional<QString> toString(const QVariant &value);

private:
    // Parsers read their grants from worker threads.
    mutable std::mutex m_mutex;
    std::unique_ptr<QSettings> m_store;
    QVariantMap m_registered;
};
