<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Trellis has no direct access to local files. Would you like to configure the plugins now so that you see some bookmarks?</source>
        <translation>Trellis hat keinen direkten Zugriff auf lokale Dateien. Möchten Sie die Plugins jetzt einrichten, damit Sie Lesezeichen sehen?</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
</context>
<context>
    <name>TRBonjourPlugin</name>
    <message>
        <source>No web servers found</source>
        <translation>Keine Webserver gefunden</translation>
    </message>
    <message>
        <source>Avahi is not running</source>
        <translation>Avahi läuft nicht</translation>
    </message>
    <message>
        <source>Bonjour</source>
        <translation>Bonjour</translation>
    </message>
</context>
<context>
    <name>TRBonjourPluginConfigurationViewController</name>
    <message>
        <source>Web servers on your local network</source>
        <translation>Webserver in Ihrem lokalen Netzwerk</translation>
    </message>
    <message>
        <source>Printers, routers, cameras and other devices often announce a web page of their own on the local network. The Bonjour menu lists every such page as it appears and removes it when it goes away. Choosing one finds the device&apos;s address and opens its page.</source>
        <translation>Drucker, Router, Kameras und andere Geräte bieten im lokalen Netzwerk oft eine eigene Webseite an. Das Bonjour-Menü zeigt jede solche Seite, sobald sie erscheint, und entfernt sie wieder, wenn sie verschwindet. Wählen Sie eine aus, wird die Adresse des Geräts ermittelt und seine Seite geöffnet.</translation>
    </message>
    <message>
        <source>There is nothing to set up: the list fills itself while Trellis runs.</source>
        <translation>Hier gibt es nichts einzurichten: Die Liste füllt sich von selbst, während Trellis läuft.</translation>
    </message>
    <message>
        <source>Avahi is not running. Start it with: sudo systemctl enable --now avahi-daemon</source>
        <translation>Avahi läuft nicht. Starten Sie es mit: sudo systemctl enable --now avahi-daemon</translation>
    </message>
</context>
<context>
    <name>TRBookmarkMenuBuilder</name>
    <message>
        <source>Show all %1...</source>
        <translation>Alle %1 anzeigen...</translation>
    </message>
</context>
<context>
    <name>TRBrowserBookmarksViewController</name>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Shows only the bookmarks whose name or address contains the text</source>
        <translation>Zeigt nur die Lesezeichen, deren Name oder Adresse den Text enthält</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Lesezeichen</translation>
    </message>
</context>
<context>
    <name>TRBrowserNavigationViews</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vorwärts</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Search the web</source>
        <translation>Im Web suchen</translation>
    </message>
    <message>
        <source>Open in the default browser and close this window</source>
        <translation>Im Standardbrowser öffnen und dieses Fenster schließen</translation>
    </message>
    <message>
        <source>The address of the page. Words that are not an address search the web.</source>
        <translation>Die Adresse der Seite. Wörter, die keine Adresse sind, werden im Web gesucht.</translation>
    </message>
    <message>
        <source>Open in the default browser</source>
        <translation>Im Standardbrowser öffnen</translation>
    </message>
</context>
<context>
    <name>TRBrowserPlugin</name>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>No %1 files granted yet</source>
        <translation>Noch kein Zugriff auf Dateien von %1</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>Wird gelesen...</translation>
    </message>
    <message>
        <source>Couldn’t read “%1”</source>
        <translation>„%1“ konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>No bookmarks or history</source>
        <translation>Keine Lesezeichen und kein Verlauf</translation>
    </message>
</context>
<context>
    <name>TRBrowserPluginConfigurationViewController</name>
    <message>
        <source>Bookmarks</source>
        <translation>Lesezeichen</translation>
    </message>
    <message>
        <source>Choose Bookmarks File...</source>
        <translation>Lesezeichendatei auswählen...</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Choose History File...</source>
        <translation>Verlaufsdatei auswählen...</translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>Set Up All Browsers...</source>
        <translation>Alle Browser einrichten...</translation>
    </message>
    <message>
        <source>Trellis reads %1’s bookmarks and history from private copies of the files you grant here. Grant each profile once; the browser may keep running.</source>
        <translation>Trellis liest die Lesezeichen und den Verlauf von %1 aus privaten Kopien der Dateien, auf die Sie hier Zugriff gewähren. Gewähren Sie jedem Profil einmal Zugriff; der Browser darf weiterlaufen.</translation>
    </message>
    <message>
        <source>Not granted yet</source>
        <translation>Noch kein Zugriff</translation>
    </message>
    <message>
        <source>Granted: %1</source>
        <translation>Zugriff gewährt: %1</translation>
    </message>
    <message>
        <source>Granted</source>
        <translation>Zugriff gewährt</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In Verwendung</translation>
    </message>
    <message>
        <source>Use</source>
        <translation>Verwenden</translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation>%1 verwenden</translation>
    </message>
    <message>
        <source>Show bookmarks</source>
        <translation>Lesezeichen zeigen</translation>
    </message>
    <message>
        <source>Show history</source>
        <translation>Verlauf zeigen</translation>
    </message>
    <message>
        <source>Bookmarks and history</source>
        <translation>Lesezeichen und Verlauf</translation>
    </message>
    <message>
        <source>Choose places.sqlite...</source>
        <translation>places.sqlite auswählen...</translation>
    </message>
</context>
<context>
    <name>TRBrowserSetupWindowController</name>
    <message>
        <source>Set Up Browsers</source>
        <translation>Browser einrichten</translation>
    </message>
    <message>
        <source>Trellis found these browsers. The menu shows the bookmarks and history of the profiles you tick; Trellis reads private copies of their files and never changes them.</source>
        <translation>Trellis hat diese Browser gefunden. Das Menü zeigt die Lesezeichen und den Verlauf der Profile, die Sie ankreuzen; Trellis liest private Kopien ihrer Dateien und ändert sie nie.</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Lesezeichen</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>No browser profiles were found. Choose a browser&apos;s files in the Plugins window.</source>
        <translation>Es wurden keine Browserprofile gefunden. Wählen Sie die Dateien eines Browsers im Fenster „Plugins“.</translation>
    </message>
    <message>
        <source>Use these</source>
        <translation>Diese verwenden</translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In Verwendung</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 Tag</translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation>%1 Tage</translation>
    </message>
    <message>
        <source>Show website icons</source>
        <translation>Website-Symbole anzeigen</translation>
    </message>
    <message>
        <source>Shows the icons your browsers already keep for the sites you visit. Nothing is fetched from the network.</source>
        <translation>Zeigt die Symbole, die Ihre Browser für die besuchten Websites bereits gespeichert haben. Nichts wird aus dem Netzwerk geladen.</translation>
    </message>
</context>
<context>
    <name>TRBrowserViewController</name>
    <message>
        <source>Browser</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>Search...</source>
        <translation>Suchen...</translation>
    </message>
</context>
<context>
    <name>TRBrowserWebViewController</name>
    <message>
        <source>Web page</source>
        <translation>Webseite</translation>
    </message>
</context>
<context>
    <name>TRBrowserWindowController</name>
    <message>
        <source>Full Screen</source>
        <translation>Vollbild</translation>
    </message>
    <message>
        <source>Unable to search the given term!</source>
        <translation>Der eingegebene Begriff kann nicht gesucht werden!</translation>
    </message>
    <message>
        <source>Trellis found no web browser to open this page in.</source>
        <translation>Trellis hat keinen Webbrowser gefunden, in dem sich diese Seite öffnen lässt.</translation>
    </message>
    <message>
        <source>Navigation</source>
        <translation>Navigation</translation>
    </message>
</context>
<context>
    <name>TRFindShortcut</name>
    <message>
        <source>Find bookmarks and history</source>
        <translation>Lesezeichen und Verlauf durchsuchen</translation>
    </message>
</context>
<context>
    <name>TRFindWindowController</name>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Bookmarks, history, services</source>
        <translation>Lesezeichen, Verlauf, Dienste</translation>
    </message>
    <message>
        <source>Searches the bookmarks and history of every browser</source>
        <translation>Durchsucht die Lesezeichen und den Verlauf aller Browser</translation>
    </message>
    <message>
        <source>Matches</source>
        <translation>Treffer</translation>
    </message>
    <message>
        <source>Open “%1”</source>
        <translation>„%1“ öffnen</translation>
    </message>
    <message>
        <source>Search the web for “%1”</source>
        <translation>Im Web nach „%1“ suchen</translation>
    </message>
</context>
<context>
    <name>TRFirefoxPlacesParser</name>
    <message>
        <source>Bookmarks Toolbar</source>
        <translation>Lesezeichen-Symbolleiste</translation>
    </message>
    <message>
        <source>Bookmarks Menu</source>
        <translation>Lesezeichen-Menü</translation>
    </message>
    <message>
        <source>Other Bookmarks</source>
        <translation>Weitere Lesezeichen</translation>
    </message>
    <message>
        <source>Mobile Bookmarks</source>
        <translation>Mobile Lesezeichen</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
</context>
<context>
    <name>TRGoogleChromeBookmarksParser</name>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
</context>
<context>
    <name>TRMenuController</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>Plugins...</source>
        <translation>Plugins...</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>About Trellis</source>
        <translation>Über Trellis</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Your web bookmarks from Safari, Chrome and the local network, one click away.</source>
        <translation>Ihre Web-Lesezeichen aus Safari, Chrome und dem lokalen Netzwerk, nur einen Klick entfernt.</translation>
    </message>
    <message>
        <source>Trellis is waiting for a system tray.</source>
        <translation>Trellis wartet auf einen Infobereich.</translation>
    </message>
    <message>
        <source>Trellis shows its menu as an icon in the system tray, and this desktop has none running. The icon appears as soon as a tray starts.

GNOME: install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).
KDE Plasma: add the System Tray widget to a panel.
XFCE: add the Status Tray plugin to a panel.
Other desktops: start a tray such as trayer.</source>
        <translation>Trellis zeigt sein Menü als Symbol im Infobereich, und auf dieser Arbeitsfläche läuft keiner. Das Symbol erscheint, sobald ein Infobereich startet.

GNOME: Installieren und aktivieren Sie die Erweiterung „AppIndicator“ (gnome-shell-extension-appindicator).
KDE Plasma: Fügen Sie einer Kontrollleiste das Miniprogramm „Systemabschnitt der Kontrollleiste“ hinzu.
XFCE: Fügen Sie einer Leiste das Element „Statusbenachrichtigungen“ (Status Tray) hinzu.
Andere Arbeitsumgebungen: Starten Sie einen Infobereich wie trayer.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Quit Trellis</source>
        <translation>Trellis beenden</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>Wird geladen...</translation>
    </message>
    <message>
        <source>Find...</source>
        <translation>Suchen...</translation>
    </message>
</context>
<context>
    <name>TRPluginEnabledTableViewCell</name>
    <message>
        <source>Show %1 in the menu</source>
        <translation>%1 im Menü anzeigen</translation>
    </message>
</context>
<context>
    <name>TRPluginFilePicker</name>
    <message>
        <source>The file “%1” couldn’t be opened because the file name is invalid.</source>
        <translation>Die Datei „%1“ konnte nicht geöffnet werden, da der Dateiname ungültig ist.</translation>
    </message>
    <message>
        <source>Choose the file named %1.</source>
        <translation>Wählen Sie die Datei namens %1.</translation>
    </message>
    <message>
        <source> or </source>
        <translation> oder </translation>
    </message>
</context>
<context>
    <name>TRPluginManagerPluginContentViewController</name>
    <message>
        <source>Select a plugin to see its settings.</source>
        <translation>Wählen Sie ein Plugin aus, um seine Einstellungen zu sehen.</translation>
    </message>
    <message>
        <source>%1 settings</source>
        <translation>Einstellungen für %1</translation>
    </message>
</context>
<context>
    <name>TRPluginManagerPluginListViewController</name>
    <message>
        <source>Plugins</source>
        <translation>Plugins</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Plugin</source>
        <translation>Plugin</translation>
    </message>
    <message>
        <source>Unnamed Plugin</source>
        <translation>Unbenanntes Plugin</translation>
    </message>
    <message>
        <source>%1: on</source>
        <translation>%1: ein</translation>
    </message>
    <message>
        <source>%1: off</source>
        <translation>%1: aus</translation>
    </message>
</context>
<context>
    <name>TRPluginManagerWindowController</name>
    <message>
        <source>Plugins</source>
        <translation>Plugins</translation>
    </message>
</context>
<context>
    <name>TRPluginMenuNotice</name>
    <message>
        <source>Set up %1...</source>
        <translation>%1 einrichten...</translation>
    </message>
</context>
<context>
    <name>TRPluginNameTableViewCell</name>
    <message>
        <source>Unnamed Plugin</source>
        <translation>Unbenanntes Plugin</translation>
    </message>
</context>
<context>
    <name>TRPreferencesCustomSearchViewController</name>
    <message>
        <source>Use a custom domain for web searches</source>
        <translation>Eigene Domain für Websuchen verwenden</translation>
    </message>
    <message>
        <source>Web searches from the browser window go to Google under this domain, for example co.uk for www.google.co.uk or de for www.google.de.</source>
        <translation>Websuchen aus dem Browserfenster gehen an Google unter dieser Domain, zum Beispiel co.uk für www.google.co.uk oder de für www.google.de.</translation>
    </message>
    <message>
        <source>for example co.uk</source>
        <translation>zum Beispiel co.uk</translation>
    </message>
    <message>
        <source>Type a domain ending such as co.uk: letters, digits and hyphens, with dots between the parts.</source>
        <translation>Geben Sie eine Domain-Endung wie co.uk ein: Buchstaben, Ziffern und Bindestriche, mit Punkten zwischen den Teilen.</translation>
    </message>
</context>
<context>
    <name>TRPreferencesGeneralViewController</name>
    <message>
        <source>Menu icon:</source>
        <translation>Menüsymbol:</translation>
    </message>
    <message>
        <source>Update menu:</source>
        <translation>Menü aktualisieren:</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Open bookmarks in the default browser</source>
        <translation>Lesezeichen im Standardbrowser öffnen</translation>
    </message>
    <message>
        <source>Trellis</source>
        <translation>Trellis</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Lesezeichen</translation>
    </message>
    <message>
        <source>Every hour</source>
        <translation>Jede Stunde</translation>
    </message>
    <message>
        <source>Every %1 hours</source>
        <translation>Alle %1 Stunden</translation>
    </message>
    <message>
        <source>Every minute</source>
        <translation>Jede Minute</translation>
    </message>
    <message>
        <source>Every %1 minutes</source>
        <translation>Alle %1 Minuten</translation>
    </message>
    <message>
        <source>Show website icons</source>
        <translation>Website-Symbole anzeigen</translation>
    </message>
    <message>
        <source>Shows the icons your browsers already keep for the sites you visit. Nothing is fetched from the network.</source>
        <translation>Zeigt die Symbole, die Ihre Browser für die besuchten Websites bereits gespeichert haben. Nichts wird aus dem Netzwerk geladen.</translation>
    </message>
</context>
<context>
    <name>TRPreferencesWindowController</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Custom search</source>
        <translation>Eigene Suche</translation>
    </message>
    <message>
        <source>Sections</source>
        <translation>Bereiche</translation>
    </message>
</context>
<context>
    <name>TRSafariBookmarksParser</name>
    <message>
        <source>Top Sites</source>
        <translation>Top Sites</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Most Visited</source>
        <translation>Meistbesucht</translation>
    </message>
    <message>
        <source>Last Session</source>
        <translation>Letzte Sitzung</translation>
    </message>
    <message>
        <source>Reading List</source>
        <translation>Leseliste</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Lesezeichen</translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Favoriten</translation>
    </message>
    <message>
        <source>Bookmarks Menu</source>
        <translation>Lesezeichenmenü</translation>
    </message>
</context>
<context>
    <name>TRSafariPlugin</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>All Bookmarks...</source>
        <translation>Alle Lesezeichen...</translation>
    </message>
    <message>
        <source>No Bookmarks!</source>
        <translation>Keine Lesezeichen!</translation>
    </message>
    <message>
        <source>No Safari files granted yet</source>
        <translation>Noch kein Zugriff auf Safari-Dateien</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>Wird gelesen...</translation>
    </message>
</context>
<context>
    <name>TRSafariPluginBookmarksCustomizationViewController</name>
    <message>
        <source>Folders without a check mark stay out of the menu, with everything in them.</source>
        <translation>Ordner ohne Häkchen erscheinen nicht im Menü, samt ihrem ganzen Inhalt.</translation>
    </message>
    <message>
        <source>Bookmark folders</source>
        <translation>Lesezeichenordner</translation>
    </message>
</context>
<context>
    <name>TRSafariPluginConfigurationViewController</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Customisation</source>
        <translation>Anpassung</translation>
    </message>
    <message>
        <source>Safari settings</source>
        <translation>Einstellungen für Safari</translation>
    </message>
</context>
<context>
    <name>TRSafariPluginOptionsViewController</name>
    <message>
        <source>Trellis reads Safari&apos;s files from private copies of the files you grant here. Safari keeps them in the Safari folder of your Library folder; grant each file once.</source>
        <translation>Trellis liest die Dateien von Safari aus privaten Kopien der Dateien, auf die Sie hier Zugriff gewähren. Safari bewahrt sie im Ordner „Safari“ Ihres Ordners „Library“ auf; gewähren Sie den Zugriff auf jede Datei einmal.</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Lesezeichen</translation>
    </message>
    <message>
        <source>Choose Bookmarks.plist...</source>
        <translation>Bookmarks.plist auswählen...</translation>
    </message>
    <message>
        <source>Top Sites</source>
        <translation>Top Sites</translation>
    </message>
    <message>
        <source>Choose TopSites.plist...</source>
        <translation>TopSites.plist auswählen...</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Choose History File...</source>
        <translation>Verlaufsdatei auswählen...</translation>
    </message>
    <message>
        <source>Last Session</source>
        <translation>Letzte Sitzung</translation>
    </message>
    <message>
        <source>Choose LastSession.plist...</source>
        <translation>LastSession.plist auswählen...</translation>
    </message>
    <message>
        <source>Show in the menu</source>
        <translation>Im Menü anzeigen</translation>
    </message>
    <message>
        <source>Web search</source>
        <translation>Websuche</translation>
    </message>
    <message>
        <source>Favourites bar</source>
        <translation>Favoritenleiste</translation>
    </message>
    <message>
        <source>Bookmarks menu</source>
        <translation>Lesezeichenmenü</translation>
    </message>
    <message>
        <source>Each folder&apos;s bookmarks in one list, without subfolders</source>
        <translation>Die Lesezeichen jedes Ordners in einer Liste, ohne Unterordner</translation>
    </message>
    <message>
        <source>Reading List</source>
        <translation>Leseliste</translation>
    </message>
    <message>
        <source>Number of pages visited each day</source>
        <translation>Anzahl der besuchten Seiten pro Tag</translation>
    </message>
    <message>
        <source>Most Visited</source>
        <translation>Meistbesucht</translation>
    </message>
    <message>
        <source>Number of visits</source>
        <translation>Anzahl der Besuche</translation>
    </message>
    <message>
        <source>Tabs of private windows</source>
        <translation>Tabs privater Fenster</translation>
    </message>
    <message>
        <source>Website icons</source>
        <translation>Website-Symbole</translation>
    </message>
    <message>
        <source>Safari files (%1)</source>
        <translation>Safari-Dateien (%1)</translation>
    </message>
    <message>
        <source>Incorrect file!</source>
        <translation>Falsche Datei!</translation>
    </message>
    <message>
        <source>Granted</source>
        <translation>Zugriff gewährt</translation>
    </message>
    <message>
        <source>Not granted yet</source>
        <translation>Noch kein Zugriff</translation>
    </message>
    <message>
        <source>Trellis reads Safari&apos;s files from private copies of the files you grant here. Safari keeps them on a Mac, in ~/Library/Safari; copy that folder to this computer and grant each file once.</source>
        <translation>Trellis liest die Dateien von Safari aus privaten Kopien der Dateien, auf die Sie hier Zugriff gewähren. Safari bewahrt sie auf einem Mac in ~/Library/Safari auf; kopieren Sie diesen Ordner auf diesen Computer und gewähren Sie den Zugriff auf jede Datei einmal.</translation>
    </message>
    <message>
        <source>Granted: %1</source>
        <translation>Zugriff gewährt: %1</translation>
    </message>
</context>
<context>
    <name>TRUIManager</name>
    <message>
        <source>No default web browser</source>
        <translation>Kein Standard-Webbrowser</translation>
    </message>
    <message>
        <source>Trellis found no web browser to open bookmarks in, so it shows them in its own window until one is set up.</source>
        <translation>Trellis hat keinen Webbrowser gefunden, in dem sich Lesezeichen öffnen lassen, und zeigt sie deshalb im eigenen Fenster, bis einer eingerichtet ist.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Bookmarks and history of your browsers in a menu of the tray.</source>
        <translation>Lesezeichen und Verlauf Ihrer Browser in einem Menü des Infobereichs.</translation>
    </message>
    <message>
        <source>Open the window to find bookmarks and history.</source>
        <translation>Das Fenster zum Durchsuchen von Lesezeichen und Verlauf öffnen.</translation>
    </message>
</context>
</TS>
