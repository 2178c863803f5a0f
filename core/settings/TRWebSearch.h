#pragma once

// What typed text asks for, an address or a web search, and the address of
// that search: shared by the built-in browser's fields and the find window.

#include <QString>
#include <QUrl>

#include <optional>

namespace TRWebSearch {

// The stored custom domain suffix; "com" when none is stored or the stored
// one is empty (a cleared field), so that searching still works.
QString domainSuffix();

// The search address of term at www.google.<domainSuffix>; none for a
// suffix that is not a plain run of host labels.
std::optional<QUrl> url(const QString &term, const QString &domainSuffix);

// The address typed text names: with its scheme as given, else a host with a
// dot, an IPv6 address or localhost, with http:// (browsers move to https
// themselves, and a server of the local network often has only http). None
// for words, which are a search.
std::optional<QUrl> typedAddress(const QString &text);

} // namespace TRWebSearch
