#pragma once

// A node of Safari's bookmark, history, top sites or last session trees.

#include "TRBookmark.h"
#include "TRPackedBookmarks.h"

#include <QDateTime>
#include <QVariantMap>

#include <optional>

class TRSafariBookmark : public TRBookmark
{
public:
    enum class Tag {
        generic = 0,
        history = 1,
        topSites = 2,
        lastSession = 3,
        readingList = 4,
        bookmarksBar = 5,
        bookmarksMenu = 6,
        mostVisited = 7,
    };
    static std::optional<Tag> tagFromRawValue(qint64 rawValue);

    static std::shared_ptr<TRSafariBookmark> init(TRBookmarkKind kind, const QString &name,
                                                  const QUrl &url = {});
    // A node whose visit time is known: it skips reading the clock, which a
    // history of a million visits would otherwise do a million times.
    static std::shared_ptr<TRSafariBookmark> init(TRBookmarkKind kind, const QString &name,
                                                  const QUrl &url, const QDateTime &visitDate);

    Tag tag = Tag::generic;
    // A visit's time where the file has one; otherwise the node's creation.
    QDateTime lastVisitedDate;
    qint64 visitCount = 0;
    std::optional<QDateTime> nextFaviconDataRefresh;

    // A folder switched on or off takes every folder below it along; its
    // bookmarks keep their own state.
    void setEnabled(bool enabled) override;

    // The groups among the children, in order; recursive puts each group's
    // own groups right after it, parents before descendants.
    std::vector<std::shared_ptr<TRSafariBookmark>> childGroups(bool recursive) const;

    // The keyed form of the node: its own fields, without children, parent,
    // privacy or pinning.
    QVariantMap encode() const;
    // A node from its keyed form; none when "kind" is missing or unknown.
    static std::shared_ptr<TRSafariBookmark> decode(const QVariantMap &coded);

    // The fields of this type, for folders kept packed until opened.
    // A history entry's visits; a bookmark's date is when it was made, not
    // a visit, unless the browser counted visits to it.
    void visits(qint64 &count, qint64 &lastVisit) const override;

    void packFields(TRPackWriter &writer) const;
    void unpackFields(TRPackReader &reader);

protected:
    TRSafariBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url);
    TRSafariBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url,
                     const QDateTime &visitDate);

private:
    void collectChildGroups(bool recursive, int depth,
                            std::vector<std::shared_ptr<TRSafariBookmark>> &groups) const;

    // Guards against a tree that holds itself, which would recurse without end.
    bool m_isSettingEnabled = false;
};

using TRSafariBookmarkPtr = std::shared_ptr<TRSafariBookmark>;
