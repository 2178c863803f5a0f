#pragma once

// Finds the browsers of a home folder (the Chromium browsers, and Firefox
// through TRFirefoxDiscovery) and their profiles by the browsers' own
// configuration folders, so that a user grants them with one click instead
// of looking for hidden files through a dialog. Reads only small files (the
// browser's "Local State", Firefox's profile lists); never opens a database.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// One profile of a browser: its folder and the files found in it.
struct TRBrowserProfile
{
    // Absolute path of the profile's folder (for Opera, the browser's own
    // folder, which holds the files itself).
    QString folder;
    // The name the browser shows for it ("Work", "Person 1"); the folder's
    // own name when the browser's list does not name it.
    QString name;
    // Absolute paths of the files present; none for a missing one.
    std::optional<QString> bookmarks;
    std::optional<QString> accountBookmarks;
    std::optional<QString> history;
    std::optional<QString> favicons;

    bool hasData() const { return bookmarks || accountBookmarks || history; }
};

// One installation of a browser: native, Flatpak or Snap.
struct TRBrowserInstallation
{
    // Stable identifier, also the stem of the browser's settings keys:
    // "chrome", "chrome-beta", "chrome-unstable", "chromium", "brave",
    // "edge", "vivaldi", "opera"; a Flatpak or Snap installation adds
    // "-flatpak" or "-snap" ("chromium-flatpak").
    QString id;
    // The name the menu shows: "Google Chrome", "Chromium", "Brave",
    // "Microsoft Edge", "Vivaldi", "Opera"; " (Flatpak)" or " (Snap)" added
    // for those installations.
    QString displayName;
    // Absolute path of the configuration folder (the one holding "Local
    // State").
    QString root;
    // In the order of the browser's own profile list; only profiles holding
    // at least one of Bookmarks, AccountBookmarks or History.
    std::vector<TRBrowserProfile> profiles;
};

namespace TRBrowserDiscovery {

// Where to look: the home folder and the XDG configuration folder (empty:
// $XDG_CONFIG_HOME, or home/.config when that is unset or relative).
struct Places
{
    QString home;
    QString configHome;
};
// The current user's.
Places currentPlaces();

// Every browser installation found under places whose configuration folder
// exists, in the order the menu uses: Chrome, Chrome Beta, Chrome Unstable,
// Chromium, Brave, Edge, Vivaldi, Opera, Firefox, each native first, then
// Flatpak, then Snap. A browser without profiles is still listed (it is installed).
// A profile folder reached twice (a symbolic link shared by two browsers)
// is listed once, under the first browser; paths are given as found under
// each browser's folder, not resolved. An unreadable or odd "Local
// State" prints one line naming it and falls back to a scan of the folder.
std::vector<TRBrowserInstallation> discover(const Places &places = currentPlaces());

// The profiles of one configuration folder, as discover() lists them
// (without the check for folders shared with other browsers). A profile kept
// in root itself (Opera's) is named rootName, or the folder's own name when
// that is empty.
std::vector<TRBrowserProfile> profiles(const QString &root, const QString &rootName = {});

// One profile as "Local State" lists it: its folder, relative to the
// configuration folder and never leaving it, and its name cleaned for a menu
// (empty when the list gives none).
struct ListedProfile
{
    QString folder;
    QString name;
};
// The profiles a "Local State" file lists, in the browser's order (its
// profiles_order, else the folders sorted as people count: "Default",
// "Profile 1", "Profile 2", "Profile 10"). None when bytes are not a JSON
// object, with error saying why; empty when it lists no profile.
std::optional<std::vector<ListedProfile>> profilesFromLocalState(const QByteArray &bytes,
                                                                 QString *error = nullptr);

// The installation of the given id under places, if its folder exists.
std::optional<TRBrowserInstallation> browser(const QString &id,
                                             const Places &places = currentPlaces());

// Whether the installation of the given id has its configuration folder;
// looks at folders only, reads no file.
bool isInstalled(const QString &id, const Places &places = currentPlaces());

// A name fit for a menu: no control or direction characters (line breaks
// become spaces), at most 100 characters.
QString cleanName(const QString &name);

// The ids of every installation discover() knows, in its order.
std::vector<QString> knownIds();
// The display name of an id ("Brave (Flatpak)"); empty for an unknown id.
QString displayName(const QString &id);

} // namespace TRBrowserDiscovery
