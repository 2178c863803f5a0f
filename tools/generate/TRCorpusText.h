#pragma once

// Texts and addresses that every corpus holds, whatever its scale or seed:
// the odd cases a reader must survive.

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

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
// Pages of long, marked-up and foreign titles, a long address, and encoded
// and IPv6 hosts, as (address, title), that every history holds.
std::vector<std::pair<QByteArray, QString>> worldPages();

} // namespace TRCorpusText
