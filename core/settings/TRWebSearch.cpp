#include "TRWebSearch.h"

#include "TRPlainAddress.h"
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

std::optional<QUrl> typedAddress(const QString &text)
{
    // Most pasted addresses are plain and need no guessing.
    const QByteArray bytes = text.toUtf8();
    if (TRPlainAddress::isPlain(bytes)) {
        return QUrl::fromEncoded(bytes);
    }
    static const QRegularExpression space(QStringLiteral("\\s"));
    if (text.isEmpty() || text.contains(space)) {
        return std::nullopt;
    }
    // A scheme the user typed ("file:///", "about:blank") is taken as given;
    // "localhost:3000" is a host and port, not a scheme.
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*://|about:)"));
    if (scheme.match(text).hasMatch()) {
        const QUrl url = QUrl::fromUserInput(text);
        return url.isValid() ? std::optional<QUrl>(url) : std::nullopt;
    }
    const QUrl url(QStringLiteral("http://") + text);
    const QString host = url.host();
    if (!url.isValid() ||
        (host != QStringLiteral("localhost") && !host.contains(u'.') && !host.contains(u':'))) {
        return std::nullopt;
    }
    return url;
}

} // namespace TRWebSearch
