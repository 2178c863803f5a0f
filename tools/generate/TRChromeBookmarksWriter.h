#pragma once

// Writes Chrome's Bookmarks file: the JSON that Chrome's own writer lays out
// (sorted keys, three-space indents, lists on their parent's line), with
// string ids in order of creation, GUIDs and the checksum Chrome computes.

#include "TRCorpusBookmarks.h"
#include "TRCorpusRandom.h"

#include <QByteArray>
#include <QCryptographicHash>

class TRChromeBookmarksWriter
{
public:
    explicit TRChromeBookmarksWriter(TRCorpusRandom &random);

    // The file for the three roots: the bookmark bar, other bookmarks and
    // the mobile ("synced") bookmarks.
    QByteArray write(const TRCorpusBookmarks::Node &bar, const TRCorpusBookmarks::Node &other,
                     const TRCorpusBookmarks::Node &synced);
    // The checksum of the last file written, as hex.
    QByteArray checksum() const { return m_checksum; }

    // Text as a JSON string the way Chrome escapes it.
    static QByteArray quoted(const QString &text);

private:
    void writeNode(const TRCorpusBookmarks::Node &node, int depth, const QByteArray &guid);
    void key(int depth, const char *name);
    void timeValue(qint64 microseconds);

    TRCorpusRandom &m_random;
    QByteArray m_out;
    QCryptographicHash m_hash{QCryptographicHash::Md5};
    QByteArray m_checksum;
    std::vector<std::pair<const TRCorpusBookmarks::Node *, int>> m_ids;
};
