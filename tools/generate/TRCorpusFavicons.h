#pragma once

// The website icon store of a browser profile in the corpus: which of the
// profile's pages map to which of their sites' icons, written as Chromium's
// Favicons or Firefox's favicons.sqlite, and what a reader of it should
// find: the counts, and for a page of each kind (its own icon, only its
// site's, none) the icon chosen at 16 pixels.

#include "TRCorpusIcons.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>

#include <vector>

class TRCorpusFavicons
{
public:
    struct Page
    {
        QByteArray url;
        bool bookmarked = false;
        // Visited in the last 90 days.
        bool recent = false;
        // Never shown, such as an advertisement's frame: never given an icon.
        bool hidden = false;
    };

    // Pages of one address made one, their marks combined.
    class Pages
    {
    public:
        void add(const Page &page);
        const std::vector<Page> &list() const { return m_pages; }

    private:
        std::vector<Page> m_pages;
        QHash<QByteArray, std::size_t> m_index;
    };

    TRCorpusFavicons(quint64 seed, qint64 now);

    // Each writes the store for pages at path and returns the manifest's
    // part; they throw SQLite::Exception when the database fails.
    QJsonObject writeChromium(const QString &path, const std::vector<Page> &pages) const;
    QJsonObject writeFirefox(const QString &path, const std::vector<Page> &pages) const;

private:
    quint64 m_seed;
    qint64 m_now;
    TRCorpusIcons m_icons;
};
