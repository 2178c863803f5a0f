#pragma once

// Turns the address texts of Safari's files into URLs, as strictly as
// Safari itself reads them.

#include <QString>
#include <QUrl>

class TRSafariUrl
{
public:
    // A URL from a text of Safari's files: file:// texts as file URLs, others
    // strictly; with byteFallback, a text the strict parser refuses is taken
    // tolerantly as raw bytes. Empty when nothing usable comes of it.
    static QUrl fromText(const QString &text, bool byteFallback);

    // Strict as the platform's parser is: printable ASCII only, so no spaces
    // and no raw non-ASCII letters. Empty when the text is no such URL.
    static QUrl strict(const QString &text);
};
