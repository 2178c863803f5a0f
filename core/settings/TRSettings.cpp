#include "TRSettings.h"

#include "TRSettingsFile.h"

#include <QSettings>

#include <limits>

namespace {

// Reads a leading decimal integer the way NSString's integerValue does:
// leading white space, an optional sign, digits up to the first other
// character; nothing numeric reads as 0 and overflow saturates.
qint64 leadingInteger(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (; i < n && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        const int digit = text.at(i).unicode() - u'0';
        if (value > (max - digit) / 10) {
            return negative ? std::numeric_limits<qint64>::min() : max;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

TRSettings::TRSettings()
    : m_store(TRSettingsFile::openUserStore())
{
    TRSettingsFile::removeOwnerlessLock(m_store->fileName());
}

TRSettings::TRSettings(const QString &iniFilePath)
    : m_store(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
    TRSettingsFile::removeOwnerlessLock(m_store->fileName());
}

TRSettings::~TRSettings() = default;

TRSettings &TRSettings::standard()
{
    static TRSettings settings;
    return settings;
}

void TRSettings::registerDefaults(const QVariantMap &defaults)
{
    std::lock_guard lock(m_mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        m_registered.insert(it.key(), it.value());
    }
}

QVariant TRSettings::objectForKey(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    const QVariant stored = m_store->value(key);
    if (stored.isValid()) {
        return stored;
    }
    return m_registered.value(key);
}

bool TRSettings::boolForKey(const QString &key) const
{
    return toBool(objectForKey(key));
}

qint64 TRSettings::integerForKey(const QString &key) const
{
    return toInteger(objectForKey(key));
}

std::optional<QString> TRSettings::stringForKey(const QString &key) const
{
    return toString(objectForKey(key));
}

std::optional<QByteArray> TRSettings::dataForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray();
    }
    return std::nullopt;
}

void TRSettings::setBool(const QString &key, bool value)
{
    // Stored as 1 or 0 so that the string getter reads "1" and "0", as it
    // does for the registered general defaults.
    setObject(key, value ? 1 : 0);
}

void TRSettings::setInteger(const QString &key, qint64 value)
{
    setObject(key, value);
}

void TRSettings::setString(const QString &key, const QString &value)
{
    setObject(key, value);
}

void TRSettings::setData(const QString &key, const QByteArray &value)
{
    setObject(key, value);
}

void TRSettings::setObject(const QString &key, const QVariant &value)
{
    std::lock_guard lock(m_mutex);
    if (value.isValid()) {
        m_store->setValue(key, value);
    } else {
        m_store->remove(key);
    }
}

void TRSettings::removeObject(const QString &key)
{
    std::lock_guard lock(m_mutex);
    m_store->remove(key);
}

bool TRSettings::synchronize()
{
    std::lock_guard lock(m_mutex);
    m_store->sync();
    return m_store->status() == QSettings::NoError;
}

QString TRSettings::fileName() const
{
    std::lock_guard lock(m_mutex);
    return m_store->fileName();
}

void TRSettings::resetForTesting()
{
    std::lock_guard lock(m_mutex);
    m_store->clear();
    m_store->sync();
    m_registered.clear();
}

bool TRSettings::toBool(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (isNumber(value)) {
        return value.toDouble() != 0.0;
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(u"yes", Qt::CaseInsensitive) == 0 ||
            text.compare(u"true", Qt::CaseInsensitive) == 0) {
            return true;
        }
        return leadingInteger(text) != 0;
    }
    return false;
}

qint64 TRSettings::toInteger(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? 1 : 0;
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (!(d == d)) {
            return 0;
        }
        if (d >= 9.2e18) {
            return std::numeric_limits<qint64>::max();
        }
        if (d <= -9.2e18) {
            return std::numeric_limits<qint64>::min();
        }
        return static_cast<qint64>(d);
    }
    if (isNumber(value)) {
        return value.toLongLong();
    }
    if (value.typeId() == QMetaType::QString) {
        return leadingInteger(value.toString());
    }
    return 0;
}

std::optional<QString> TRSettings::toString(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        return value.toString();
    }
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    }
    if (isNumber(value)) {
        return value.toString();
    }
    return std::nullopt;
}
