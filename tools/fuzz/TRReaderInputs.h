#pragma once

// Runs one input through one reader of files that other programs write, the
// way the application reads that file, and then looks at everything the
// reader made: every node, every field, every child made on demand. The fuzz
// targets feed their inputs here; the test suite feeds the inputs that once
// found a fault, so both run the same code.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace TRReaderInputs {

// What a read gave: whether the reader took the file, and how many nodes it
// made from it, counting every folder and item below the roots.
struct Outcome
{
    bool read = false;
    qint64 nodes = 0;
};

using Reader = std::function<Outcome(const QByteArray &bytes)>;

Outcome chromeBookmarks(const QByteArray &bytes);
Outcome safariBookmarks(const QByteArray &bytes);
Outcome safariHistoryPropertyList(const QByteArray &bytes);
Outcome safariTopSites(const QByteArray &bytes);
Outcome safariLastSession(const QByteArray &bytes);
Outcome customizedBookmarks(const QByteArray &bytes);
// Firefox's places.sqlite: a node per root folder and below, per day and
// per history entry.
Outcome firefoxPlaces(const QByteArray &bytes);
// The bytes of a website icon as a store keeps them: read when they make an
// image of the menu's size; no nodes.
Outcome faviconImage(const QByteArray &bytes);
// A query typed into the find window (the first line) over an index of the
// other lines (name, tab, address), as bookmarks and as history: read when
// something matches; a node per match.
Outcome searchText(const QByteArray &bytes);
// A Chromium browser's "Local State": a node per profile it lists.
Outcome localState(const QByteArray &bytes);

// The reader of a target's name ("chrome-bookmarks", "safari-bookmarks",
// "safari-history-plist", "safari-topsites", "safari-lastsession",
// "customized-bookmarks", "local-state", "firefox-places", "favicon-image", "search"); empty for
// any other name.
Reader reader(const QString &name);

} // namespace TRReaderInputs
