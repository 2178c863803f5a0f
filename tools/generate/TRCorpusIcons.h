#pragma once

// The website icons of the corpus's web: which sites have one, under which
// addresses and in which sizes, and each icon's PNG, the same for every
// browser and for every run with the same seed.

#include <QByteArray>
#include <QHash>
#include <QList>

#include <optional>

class TRCorpusIcons
{
public:
    struct Icon
    {
        QByteArray url;
        // Chromium's icon_type: 1 a favicon, 2 a touch icon.
        int type = 1;
        // Ascending; 16 always there.
        QList<int> widths;
    };
    struct Site
    {
        // https://host/favicon.ico, or a PNG under /static.
        Icon icon;
        // A /favicon.ico beside a PNG icon: what Firefox keeps for the root.
        std::optional<Icon> root;
        // An apple-touch-icon that Chromium stores beside the favicon.
        std::optional<Icon> touch;
        // An icon of their own that some of the site's pages show.
        std::optional<Icon> section;
    };

    explicit TRCorpusIcons(quint64 seed);

    // The icons of a site, given as scheme and host ("https://example.com");
    // none for about one site in eight.
    std::optional<Site> site(const QByteArray &site) const;
    // The icon at url drawn width pixels square.
    QByteArray png(const QByteArray &url, int width) const;

    // Scheme and host of an encoded address as a URL parser reads them;
    // empty for an address without a host.
    static QByteArray siteOf(const QByteArray &address);

private:
    quint64 m_seed;
    // Both browsers store the same icons: each is drawn once.
    mutable QHash<QByteArray, QByteArray> m_pngs;
};
