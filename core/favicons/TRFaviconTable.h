#pragma once

// A browser's store of website icons, read into a lookup: the icon stored
// for a page's exact address, else the icon stored for its site (the same
// scheme and host). Built off the main thread from a private copy of the
// store; the image bytes are kept as stored and decoded by whoever shows
// them. Addresses are kept as 64-bit hashes in sorted arrays, so a table of
// hundreds of thousands of pages costs a few megabytes.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TRFaviconTable
{
public:
    // Chromium's Favicons, or Firefox's favicons.sqlite.
    enum class Store { chromium, firefox };

    // An icon larger than this is refused unread: no site needs one, and a
    // damaged store must not make Trellis decode megabytes per item.
    static constexpr qint64 largestIcon = 1024 * 1024;

    // The table of the store at path, choosing for each icon the bitmap
    // closest to, and not smaller than, pixels wide (else the largest);
    // none, with a reason in error, when the store cannot be read.
    static std::shared_ptr<const TRFaviconTable> read(const QString &path, Store store, int pixels,
                                                      QString *error = nullptr);

    // The image bytes for a page, given as its encoded address: its own
    // icon, else its site's; empty when the store has neither.
    QByteArray iconFor(const QByteArray &address) const;
    // Which icon that is, for decoding each icon once; -1 for none.
    qint32 iconIndexFor(const QByteArray &address) const;
    // The bytes of an icon, valid as long as the table.
    QByteArrayView icon(qint32 index) const;

    std::size_t iconCount() const { return m_iconEnds.size(); }
    std::size_t pageCount() const { return m_pages.hashes.size(); }

    // The key of a site: scheme and host of an encoded address; empty for
    // an address without a host.
    static QByteArray siteOf(const QByteArray &address);
    static quint64 hashOf(QByteArrayView text);
    // The hash of siteOf(address), made without copying for a plain
    // address; none for an address without a host. front tells whether the
    // address is the site's front page, its site and "/".
    static std::optional<quint64> siteHashOf(QByteArrayView address, bool *front = nullptr);

private:
    using Entries = std::vector<std::pair<quint64, qint32>>;
    // Hashes in order and their icons, apart: a pair would take a third
    // more for its padding.
    struct Lookup
    {
        std::vector<quint64> hashes;
        std::vector<qint32> icons;
        qint32 find(quint64 hash) const;
    };
    // Sorted by hash; of equal hashes the first added stays.
    static Lookup settle(Entries &entries);

    Lookup m_pages;
    Lookup m_sites;
    // Every icon's bytes in one block, each ending where m_iconEnds says: a
    // block of its own per icon would cost a third more.
    QByteArray m_iconBytes;
    std::vector<qsizetype> m_iconEnds;

    friend class TRFaviconTableBuilder;
};
