<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Welcome</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis has no direct access to local files. Would you like to configure the plugins now so that you see some bookmarks?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Later</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBonjourPlugin</name>
    <message>
        <source>No web servers found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Avahi is not running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bonjour</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBonjourPluginConfigurationViewController</name>
    <message>
        <source>Web servers on your local network</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printers, routers, cameras and other devices often announce a web page of their own on the local network. The Bonjour menu lists every such page as it appears and removes it when it goes away. Choosing one finds the device&apos;s address and opens its page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is nothing to set up: the list fills itself while Trellis runs.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Avahi is not running. Start it with: sudo systemctl enable --now avahi-daemon</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBookmarkMenuBuilder</name>
    <message>
        <source>Show all %1...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserBookmarksViewController</name>
    <message>
        <source>Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows only the bookmarks whose name or address contains the text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserNavigationViews</name>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search the web</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open in the default browser and close this window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The address of the page. Words that are not an address search the web.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open in the default browser</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserPlugin</name>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No %1 files granted yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn’t read “%1”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No bookmarks or history</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserPluginConfigurationViewController</name>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Bookmarks File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose History File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Up All Browsers...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis reads %1’s bookmarks and history from private copies of the files you grant here. Grant each profile once; the browser may keep running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not granted yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Granted: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Granted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks and history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose places.sqlite...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserSetupWindowController</name>
    <message>
        <source>Set Up Browsers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis found these browsers. The menu shows the bookmarks and history of the profiles you tick; Trellis reads private copies of their files and never changes them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No browser profiles were found. Choose a browser&apos;s files in the Plugins window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use these</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show website icons</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the icons your browsers already keep for the sites you visit. Nothing is fetched from the network.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserViewController</name>
    <message>
        <source>Browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserWebViewController</name>
    <message>
        <source>Web page</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRBrowserWindowController</name>
    <message>
        <source>Full Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to search the given term!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis found no web browser to open this page in.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Navigation</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRFindShortcut</name>
    <message>
        <source>Find bookmarks and history</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRFindWindowController</name>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks, history, services</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searches the bookmarks and history of every browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Matches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open “%1”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search the web for “%1”</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>TRFirefoxPlacesParser</name>
    <message>
        <source>Bookmarks Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks Menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mobile Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRGoogleChromeBookmarksParser</name>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRMenuController</name>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plugins...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Trellis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your web bookmarks from Safari, Chrome and the local network, one click away.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis is waiting for a system tray.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis shows its menu as an icon in the system tray, and this desktop has none running. The icon appears as soon as a tray starts.

GNOME: install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).
KDE Plasma: add the System Tray widget to a panel.
XFCE: add the Status Tray plugin to a panel.
Other desktops: start a tray such as trayer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Trellis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginEnabledTableViewCell</name>
    <message>
        <source>Show %1 in the menu</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginFilePicker</name>
    <message>
        <source>The file “%1” couldn’t be opened because the file name is invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the file named %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> or </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginManagerPluginContentViewController</name>
    <message>
        <source>Select a plugin to see its settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginManagerPluginListViewController</name>
    <message>
        <source>Plugins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plugin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unnamed Plugin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: off</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginManagerWindowController</name>
    <message>
        <source>Plugins</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginMenuNotice</name>
    <message>
        <source>Set up %1...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPluginNameTableViewCell</name>
    <message>
        <source>Unnamed Plugin</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPreferencesCustomSearchViewController</name>
    <message>
        <source>Use a custom domain for web searches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web searches from the browser window go to Google under this domain, for example co.uk for www.google.co.uk or de for www.google.de.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>for example co.uk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type a domain ending such as co.uk: letters, digits and hyphens, with dots between the parts.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPreferencesGeneralViewController</name>
    <message>
        <source>Menu icon:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update menu:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open bookmarks in the default browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every %1 hours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every minute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every %1 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show website icons</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the icons your browsers already keep for the sites you visit. Nothing is fetched from the network.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRPreferencesWindowController</name>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sections</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRSafariBookmarksParser</name>
    <message>
        <source>Top Sites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Most Visited</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last Session</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks Menu</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRSafariPlugin</name>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Bookmarks...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Bookmarks!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Safari files granted yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRSafariPluginBookmarksCustomizationViewController</name>
    <message>
        <source>Folders without a check mark stay out of the menu, with everything in them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmark folders</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRSafariPluginConfigurationViewController</name>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customisation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Safari settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRSafariPluginOptionsViewController</name>
    <message>
        <source>Trellis reads Safari&apos;s files from private copies of the files you grant here. Safari keeps them in the Safari folder of your Library folder; grant each file once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Bookmarks.plist...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Top Sites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose TopSites.plist...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose History File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last Session</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose LastSession.plist...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show in the menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favourites bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each folder&apos;s bookmarks in one list, without subfolders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Number of pages visited each day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Most Visited</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Number of visits</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tabs of private windows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Website icons</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Safari files (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Incorrect file!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Granted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not granted yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis reads Safari&apos;s files from private copies of the files you grant here. Safari keeps them on a Mac, in ~/Library/Safari; copy that folder to this computer and grant each file once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Granted: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRUIManager</name>
    <message>
        <source>No default web browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trellis found no web browser to open bookmarks in, so it shows them in its own window until one is set up.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Bookmarks and history of your browsers in a menu of the tray.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the window to find bookmarks and history.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
