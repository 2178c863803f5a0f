#pragma once

// The address of a web search for a term, shared by the built-in browser's
// search field and the find window.

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

} // namespace TRWebSearch
