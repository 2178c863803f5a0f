#pragma once

// Reads Safari's bookmarks, history, top sites and last session from private
// copies of the granted files, on a serial queue of its own, into long-lived
// root groups that the plugin and the customisation pane show.

#include "TRBookmarksParser.h"
#include "TRSafariBookmark.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TRDayFormatter;
class TROperationQueue;

class TRSafariBookmarksParser : public QObject, public TRBookmarksParser
{
    Q_OBJECT

public:
    // The kinds of granted file.
    enum class BookmarkDataKey { bookmarks, topSites, history, lastSession };
    // The settings key of a grant, which is also its private copy's name.
    static QString rawValue(BookmarkDataKey key);
    static std::optional<BookmarkDataKey> bookmarkDataKey(const QString &rawValue);
    // What the file picker offers for each kind, in order.
    static QStringList allowedFileTypes(BookmarkDataKey key);
    static QStringList allowedFileNames(BookmarkDataKey key);

    // The roots of the result map.
    enum class BookmarkTypeKey {
        topSites,
        history,
        mostVisited,
        lastSession,
        readingList,
        user,
        bookmarksBar,
        bookmarksMenu,
    };
    static QString rawValue(BookmarkTypeKey key);
    static std::optional<BookmarkTypeKey> bookmarkTypeKey(const QString &rawValue);

    // The readers, for the parser, tests and tools. None of them touches a
    // parser's trees; each builds new nodes only.

    // Every visit of a History.db, in the database's newest-first order;
    // empty when it cannot be read, after a line on standard output when the
    // query fails.
    static std::vector<TRSafariBookmarkPtr> readHistoryDatabase(const QString &path);
    // Every entry of a History.plist's "WebHistoryDates", in list order.
    static std::vector<TRSafariBookmarkPtr> readHistoryPropertyList(const QString &path);
    // The copy at path read as the kind of history that grantedPath's
    // extension names ("db" or "plist").
    static std::vector<TRSafariBookmarkPtr> readHistory(const QString &path,
                                                        const QString &grantedPath);
    // Day groups, newest day first, each holding its visits newest first.
    static std::vector<TRSafariBookmarkPtr>
    groupHistoryByDay(std::vector<TRSafariBookmarkPtr> entries, const TRDayFormatter &formatter);
    // The most visited entry of each of the ten most visited hosts, highest
    // count first: the same nodes that the day groups hold.
    static std::vector<TRSafariBookmarkPtr>
    selectMostVisited(const std::vector<TRSafariBookmarkPtr> &dayGroups);
    // The entries of a TopSites.plist; none when it is not one.
    static std::optional<std::vector<TRSafariBookmarkPtr>> readTopSites(const QString &path);
    // Pinned tabs, then every window's tabs; none when the file is no
    // property-list dictionary.
    static std::optional<std::vector<TRSafariBookmarkPtr>> readLastSession(const QString &path);
    // A tab of a last session; none without a usable "TabURL".
    static TRSafariBookmarkPtr makeTabBookmark(const QVariantMap &tab, bool pinned);

    // A URL from a text of Safari's files: file:// texts as file URLs, others
    // strictly; with byteFallback, a text the strict parser refuses is taken
    // tolerantly as raw bytes. Empty when nothing usable comes of it.
    static QUrl urlFromText(const QString &text, bool byteFallback);
};
