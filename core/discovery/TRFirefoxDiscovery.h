#pragma once

// Finds the Firefox installations of a home and their profiles from
// Firefox's own lists, profiles.ini and installs.ini. A profile's bookmarks
// and history are both in places.sqlite, its icons in favicons.sqlite.

#include "TRBrowserDiscovery.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace TRFirefoxDiscovery {

// Firefox native, then Flatpak, then Snap ("firefox", "firefox-flatpak",
// "firefox-snap"), each whose folder exists. A profile folder reached twice
// is listed once. An unreadable profiles.ini prints one line naming it, and
// the installation is listed without profiles.
std::vector<TRBrowserInstallation>
discover(const TRBrowserDiscovery::Places &places = TRBrowserDiscovery::currentPlaces());

// Where each installation Firefox may have keeps its profiles, whether
// there or not: its id, its name ("Firefox (Snap)") and its folder.
struct Installation
{
    QString id;
    QString name;
    QString root;
};
std::vector<Installation> installations(const TRBrowserDiscovery::Places &places);

// The installation of the given id, if its folder exists.
std::optional<TRBrowserInstallation> browser(const QString &id,
                                             const TRBrowserDiscovery::Places &places);

// One profile as profiles.ini lists it: its folder, absolute (relative
// paths taken from root, never leaving it), and its name.
struct ListedProfile
{
    QString folder;
    QString name;
};
// The profiles that profiles.ini lists: the installation's default first
// (installs.ini's, else profiles.ini's install section, else the profile
// marked Default=1), then the others by name. None when the text is no list
// of profiles, with error saying why.
std::optional<std::vector<ListedProfile>> profilesFromIni(const QByteArray &profilesIni,
                                                          const QByteArray &installsIni,
                                                          const QString &root,
                                                          QString *error = nullptr);

} // namespace TRFirefoxDiscovery
