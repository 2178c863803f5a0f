#pragma once

// Browsers' files made from rows and trees: the pieces the corpus is written
// with, and what tests build their own small files from.

#include "TRChromeHistoryWriter.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <utility>

namespace TRBrowserFiles {

// One row of Chrome's urls table: title and url may be null.
using ChromeRow = TRChromeHistoryWriter::Url;
// A Chrome History database at path holding rows, replacing any file there.
void writeChromeHistory(const QString &path, const QList<ChromeRow> &rows);
QByteArray chromeHistory(const QList<ChromeRow> &rows);
// Chrome's time for a moment: microseconds since 1601-01-01 UTC.
qint64 chromeTime(const QDateTime &moment);

// Chrome's Bookmarks with the given pages (title, address) in the bookmark
// bar, laid out and checksummed as Chrome writes it; the same pages give the
// same file.
using Page = std::pair<QString, QString>;
QByteArray chromeBookmarks(const QList<Page> &bar);

// The "Local State" of a Chromium browser listing the given profiles, each a
// folder and the name the browser shows, in the order of its profile menu:
// compact, keys sorted, as Chrome writes it; profile.info_cache maps each
// folder to its entry and profile.profiles_order keeps the order. Without
// profiles it has no profile section (as Opera's).
QByteArray chromiumLocalState(const QList<std::pair<QString, QString>> &profiles);

// Safari's Bookmarks.plist: a folder, a bookmark (without an identifier
// given, "LEAF-" and its title), and a file of the given top-level children.
QVariantMap safariFolder(const QString &title, const QVariantList &children,
                         const QString &uuid = {});
QVariantMap safariLeaf(const QString &title, const QString &url, const QString &uuid = {});
bool writeSafariBookmarks(const QString &path, const QVariantList &children, bool xml = false);
QByteArray safariBookmarks(const QVariantList &children, bool xml = false);

// One visit of Safari's history. A damaged file's cells may be null, or
// text where a number belongs: time is a moment, seconds since 2001-01-01
// UTC as a number or a text, or null.
struct SafariVisit
{
    QVariant url;
    QVariant title;
    QVariant time;
    int visitCount = 1;
};
// Safari's time for a moment: seconds since 2001-01-01 UTC.
double safariTime(const QDateTime &moment);
// A History.db of Safari's two tables, replacing any file there and making
// its folder; the visits of one address share an item, which keeps the
// first visit's count. Unlike Safari's schema, a visit's time may be null.
void writeSafariHistoryDatabase(const QString &path, const QList<SafariVisit> &visits);
QByteArray safariHistoryDatabase(const QList<SafariVisit> &visits);
// History.plist, TopSites.plist and LastSession.plist in binary form; a
// site or tab is a title and an address.
QByteArray safariHistoryList(const QList<SafariVisit> &visits);
QByteArray safariTopSites(const QList<Page> &sites);
QByteArray safariLastSession(const QList<Page> &tabs);

// Firefox's places.sqlite: pages, their visits and the bookmark records, in
// the tables and columns Firefox writes. Ids start at 1 in list order.
struct FirefoxPlace
{
    QVariant url;
    QVariant title;
    int visitCount = 1;
    bool hidden = false;
};
struct FirefoxVisit
{
    // The page's id, its place in the list counted from 1.
    qint64 place = 1;
    // Microseconds since 1970 UTC.
    qint64 time = 0;
    // 1 a link; 4 embed, 7 download, 8 framed link, 9 reload among others.
    int type = 1;
};
struct FirefoxBookmark
{
    qint64 id = 0;
    // 1 bookmark, 2 folder, 3 separator.
    int type = 1;
    qint64 parent = 0;
    int position = 0;
    QVariant title;
    // The page's id for a bookmark; 0 for none.
    qint64 place = 0;
    QString guid = {};
};
// Firefox's root folders as it makes them: root 1, menu 2, toolbar 3, tags
// 4, other 5, mobile 6.
QList<FirefoxBookmark> firefoxRoots();
// Firefox's time for a moment: microseconds since 1970 UTC.
qint64 firefoxTime(const QDateTime &moment);
// A places.sqlite in WAL mode at path, replacing any file there. With
// walVisits, those visits are added afterwards and left in the -wal file,
// not yet checkpointed into the main one.
void writeFirefoxPlaces(const QString &path, const QList<FirefoxPlace> &places,
                        const QList<FirefoxVisit> &visits, const QList<FirefoxBookmark> &bookmarks,
                        const QList<FirefoxVisit> &walVisits = {});

// Files that are not what their name says: a small JPEG, and an SQLite
// database of other tables (false when it cannot be made).
QByteArray jpeg();
bool writeOtherDatabase(const QString &path);

} // namespace TRBrowserFiles
