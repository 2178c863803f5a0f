#include "TRSafariUrl.h"

#include <algorithm>

QUrl TRSafariUrl::strict(const QString &text)
{
    const bool printableAscii = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f;
    });
    if (!printableAscii || text.isEmpty()) {
        return {};
    }
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

QUrl TRSafariUrl::fromText(const QString &text, bool byteFallback)
{
    if (text.isEmpty()) {
        return {};
    }
    if (text.startsWith(QLatin1StringView("file://"))) {
        // Parsed as a file URL, so file:///a%20b names the file "a b".
        const QUrl url(text, QUrl::TolerantMode);
        return url.isValid() && url.isLocalFile() ? url : QUrl();
    }
    const QUrl parsed = strict(text);
    if (!parsed.isEmpty()) {
        return parsed;
    }
    if (!byteFallback) {
        return {};
    }
    // The raw bytes as a URL reference: what the strict parser refuses is
    // percent-encoded rather than lost.
    const QUrl tolerant = QUrl::fromEncoded(text.toUtf8(), QUrl::TolerantMode);
    return tolerant.isValid() ? tolerant : QUrl();
}
