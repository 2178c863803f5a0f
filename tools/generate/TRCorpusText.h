#pragma once

// Texts and addresses that every corpus holds, whatever its scale or seed:
// the odd cases a reader must survive.

#include <QByteArray>
#include <QString>

namespace TRCorpusText {

// Over 60 characters, as menus shorten them.
QString longTitle();
// Over 300 characters.
QString veryLongTitle();
// Over 2,000 bytes.
QByteArray veryLongUrl();
// A ZWJ sequence and other emoji.
QString emojiTitle();
QString userEmail();

} // namespace TRCorpusText
