#include "TRWebSearch.h"

#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QRegularExpression>

namespace TRWebSearch {

QString domainSuffix()
{
    const std::optional<QString> stored =
        TRSettings::standard().stringForKey(TRSettingsKeys::customGooglePrefix);
    return stored && !stored->isEmpty() ? *stored : QStringLiteral("com");
}

std::optional<QUrl> url(const QString &term, const QString &domainSuffix)
{
    // Host labels only: anything else would put the search somewhere else.
    static const QRegularExpression labels(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?"
                       "(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*$"));
    if (!labels.match(domainSuffix).hasMatch()) {
        return std::nullopt;
    }
    const QByteArray encoded = QUrl::toPercentEncoding(term, QByteArray(), "-._~");
    const QString text = QStringLiteral("https://www.google.") + domainSuffix +
                         QStringLiteral("/search?q=") + QString::fromLatin1(encoded) +
                         QStringLiteral("&hl=nl");
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host() != (QStringLiteral("www.google.") + domainSuffix).toLower()) {
        return std::nullopt;
    }
    return url;
}

} // namespace TRWebSearch
