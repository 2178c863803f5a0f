#pragma once

// Firefox's history in places.sqlite: a page's latest visit of each local
// day, newest first, as the pages it lists (embeds, redirects, downloads,
// framed links, reloads and hidden pages left out).

#include "TRHistoryStore.h"

#include <QString>
#include <QTimeZone>

#include <memory>

struct sqlite3;

namespace TRFirefoxHistoryReader {

// The visits of an open places database; null, with the reason in error,
// when it cannot be read.
std::shared_ptr<TRHistoryStore> read(sqlite3 *handle, const QTimeZone &zone, QString *error);

} // namespace TRFirefoxHistoryReader
