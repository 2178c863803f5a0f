#pragma once

// A home folder with Chromium browsers in it, installed natively, as Flatpak
// and as Snap, each with a "Local State" and small profiles: what browser
// discovery is tested and timed on.

#include <QList>
#include <QString>

namespace TRChromiumHome {

struct Profile
{
    QString folder;
    QString name;
    bool accountBookmarks = false;
};

struct Browser
{
    // The configuration folder, relative to the home.
    QString root;
    // In the order of the browser's profile menu, which is not the order
    // of the folders' names.
    QList<Profile> profiles;
};

// How many browsers a home can hold, each in a folder of its own.
int maxBrowsers();

// The browsers of a home of the given size, in a fixed order that mixes
// the three kinds of installation: Chrome, Chromium's Flatpak, Chromium's
// Snap, Brave, Edge's Flatpak, Vivaldi's Snap, then the rest. The first
// profile of the first browser also keeps bookmarks of its account.
QList<Browser> layout(int browsers, int profiles);

// Writes each browser's Local State and each profile's Bookmarks, History,
// Favicons (and AccountBookmarks) under home; false with error set when a file cannot
// be written. The same layout gives the same files.
bool write(const QString &home, const QList<Browser> &browsers, QString *error);

} // namespace TRChromiumHome
