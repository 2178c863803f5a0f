#pragma once

// Browsers' files made from rows and trees: the pieces the corpus is written
// with, and what tests build their own small files from.

#include "TRChromeHistoryWriter.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace TRBrowserFiles {

// One row of Chrome's urls table: title and url may be null.
using ChromeRow = TRChromeHistoryWriter::Url;
// A Chrome History database at path holding rows, replacing any file there.
void writeChromeHistory(const QString &path, const QList<ChromeRow> &rows);
// Chrome's time for a moment: microseconds since 1601-01-01 UTC.
qint64 chromeTime(const QDateTime &moment);

// Safari's Bookmarks.plist: a folder, a bookmark (without an identifier
// given, "LEAF-" and its title), and a file of the given top-level children.
QVariantMap safariFolder(const QString &title, const QVariantList &children,
                         const QString &uuid = {});
QVariantMap safariLeaf(const QString &title, const QString &url, const QString &uuid = {});
bool writeSafariBookmarks(const QString &path, const QVariantList &children, bool xml = false);

} // namespace TRBrowserFiles
