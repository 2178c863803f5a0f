#pragma once

// A profile reader's part that reads the browser's icon store into a
// table, on the reader's queue, beside the bookmarks and history. The store
// is copied and read again only when it changed (and, while it keeps
// changing, at most every ten minutes) or the icon size did. A
// store that cannot be read says so in one line on standard output and, as
// the trees do, keeps the last table read; without one, items show the
// generic icon.

#include "TRFaviconTable.h"
#include "TRSourceState.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class TRFaviconStoreReader
{
public:
    // What the next read reads: no grant, or no pixels, reads nothing.
    struct Request
    {
        std::optional<QByteArray> grant;
        int pixels = 0;
    };

    // What a read found; settle it once the read it belongs to is kept.
    struct Result
    {
        // Whether table replaces the last one: a new table, or none for
        // icons switched off or the store taken back.
        bool changed = false;
        std::shared_ptr<const TRFaviconTable> table;
        // The state the read saw, or none to forget the last; unset when
        // nothing was looked at.
        std::optional<std::optional<TRSourceState>> state;
    };

    // How long a store that changed waits before it is read again: ten
    // minutes, unless a test says otherwise.
    static void setRereadSpacing(qint64 nanoseconds);

    // copyName names the private copy; fileName is the store's name as the
    // browser names it, for the line about a store that cannot be read.
    TRFaviconStoreReader(QString copyName, QString fileName, TRFaviconTable::Store store);

    // On the queue.
    Result read(const Request &request) const;
    void settle(const Result &result);

private:
    QString m_copyName;
    QString m_fileName;
    TRFaviconTable::Store m_store;
    // The state of the store as last read; none when nothing was read.
    std::optional<TRSourceState> m_state;
};
