<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl_NL">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Welcome</source>
        <translation>Welkom</translation>
    </message>
    <message>
        <source>Trellis has no direct access to local files. Would you like to configure the plugins now so that you see some bookmarks?</source>
        <translation>Trellis heeft geen directe toegang tot lokale bestanden. Wil je de plug-ins nu configureren, zodat je bladwijzers ziet?</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Later</translation>
    </message>
</context>
<context>
    <name>TRBonjourPlugin</name>
    <message>
        <source>No web servers found</source>
        <translation>Geen webservers gevonden</translation>
    </message>
    <message>
        <source>Avahi is not running</source>
        <translation>Avahi is niet actief</translation>
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
        <translation>Webservers in je lokale netwerk</translation>
    </message>
    <message>
        <source>Printers, routers, cameras and other devices often announce a web page of their own on the local network. The Bonjour menu lists every such page as it appears and removes it when it goes away. Choosing one finds the device&apos;s address and opens its page.</source>
        <translation>Printers, routers, camera&apos;s en andere apparaten bieden op het lokale netwerk vaak een eigen webpagina aan. Het Bonjour-menu toont elke zulke pagina zodra die verschijnt en haalt haar weg als ze verdwijnt. Kies je er een, dan wordt het adres van het apparaat opgezocht en de pagina geopend.</translation>
    </message>
    <message>
        <source>There is nothing to set up: the list fills itself while Trellis runs.</source>
        <translation>Er valt niets in te stellen: de lijst vult zichzelf terwijl Trellis actief is.</translation>
    </message>
    <message>
        <source>Avahi is not running. Start it with: sudo systemctl enable --now avahi-daemon</source>
        <translation>Avahi draait niet. Start het met: sudo systemctl enable --now avahi-daemon</translation>
    </message>
</context>
<context>
    <name>TRBookmarkMenuBuilder</name>
    <message>
        <source>Show all %1...</source>
        <translation>Alle %1 tonen...</translation>
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
        <translation>Toont alleen de bladwijzers waarvan de naam of het adres de tekst bevat</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Bladwijzers</translation>
    </message>
</context>
<context>
    <name>TRBrowserNavigationViews</name>
    <message>
        <source>Back</source>
        <translation>Terug</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vooruit</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adres</translation>
    </message>
    <message>
        <source>Search the web</source>
        <translation>Zoeken op het web</translation>
    </message>
    <message>
        <source>Open in the default browser and close this window</source>
        <translation>Openen in de standaardbrowser en dit venster sluiten</translation>
    </message>
    <message>
        <source>The address of the page. Words that are not an address search the web.</source>
        <translation>Het adres van de pagina. Woorden die geen adres zijn, worden op het web gezocht.</translation>
    </message>
    <message>
        <source>Open in the default browser</source>
        <translation>Openen in de standaardbrowser</translation>
    </message>
</context>
<context>
    <name>TRBrowserPlugin</name>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
    <message>
        <source>No %1 files granted yet</source>
        <translation>Nog geen toegang tot bestanden van %1</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>Wordt gelezen...</translation>
    </message>
    <message>
        <source>Couldn’t read “%1”</source>
        <translation>‘%1’ kon niet worden gelezen</translation>
    </message>
    <message>
        <source>No bookmarks or history</source>
        <translation>Geen bladwijzers of geschiedenis</translation>
    </message>
</context>
<context>
    <name>TRBrowserPluginConfigurationViewController</name>
    <message>
        <source>Bookmarks</source>
        <translation>Bladwijzers</translation>
    </message>
    <message>
        <source>Choose Bookmarks File...</source>
        <translation>Bladwijzerbestand kiezen...</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
    <message>
        <source>Choose History File...</source>
        <translation>Geschiedenisbestand kiezen...</translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation>Profielen</translation>
    </message>
    <message>
        <source>Set Up All Browsers...</source>
        <translation>Alle browsers instellen...</translation>
    </message>
    <message>
        <source>Trellis reads %1’s bookmarks and history from private copies of the files you grant here. Grant each profile once; the browser may keep running.</source>
        <translation>Trellis leest de bladwijzers en geschiedenis van %1 uit privékopieën van de bestanden waartoe je hier toegang geeft. Geef elk profiel één keer toegang; de browser mag blijven draaien.</translation>
    </message>
    <message>
        <source>Not granted yet</source>
        <translation>Nog geen toegang</translation>
    </message>
    <message>
        <source>Granted: %1</source>
        <translation>Toegang gegeven: %1</translation>
    </message>
    <message>
        <source>Granted</source>
        <translation>Toegang gegeven</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In gebruik</translation>
    </message>
    <message>
        <source>Use</source>
        <translation>Gebruiken</translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation>%1 gebruiken</translation>
    </message>
    <message>
        <source>Show bookmarks</source>
        <translation>Bladwijzers tonen</translation>
    </message>
    <message>
        <source>Show history</source>
        <translation>Geschiedenis tonen</translation>
    </message>
    <message>
        <source>Bookmarks and history</source>
        <translation>Bladwijzers en geschiedenis</translation>
    </message>
    <message>
        <source>Choose places.sqlite...</source>
        <translation>places.sqlite kiezen...</translation>
    </message>
</context>
<context>
    <name>TRBrowserSetupWindowController</name>
    <message>
        <source>Set Up Browsers</source>
        <translation>Browsers instellen</translation>
    </message>
    <message>
        <source>Trellis found these browsers. The menu shows the bookmarks and history of the profiles you tick; Trellis reads private copies of their files and never changes them.</source>
        <translation>Trellis heeft deze browsers gevonden. Het menu toont de bladwijzers en geschiedenis van de profielen die je aanvinkt; Trellis leest privékopieën van hun bestanden en wijzigt ze nooit.</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profiel</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Bladwijzers</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
    <message>
        <source>No browser profiles were found. Choose a browser&apos;s files in the Plugins window.</source>
        <translation>Er zijn geen browserprofielen gevonden. Kies de bestanden van een browser in het venster ‘Plugins’.</translation>
    </message>
    <message>
        <source>Use these</source>
        <translation>Deze gebruiken</translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation>Niet nu</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In gebruik</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 dag</translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation>%1 dagen</translation>
    </message>
    <message>
        <source>Show website icons</source>
        <translation>Websitepictogrammen tonen</translation>
    </message>
    <message>
        <source>Shows the icons your browsers already keep for the sites you visit. Nothing is fetched from the network.</source>
        <translation>Toont de pictogrammen die je browsers al bewaren voor de sites die je bezoekt. Er wordt niets van het netwerk gehaald.</translation>
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
        <translation>Zoeken...</translation>
    </message>
</context>
<context>
    <name>TRBrowserWebViewController</name>
    <message>
        <source>Web page</source>
        <translation>Webpagina</translation>
    </message>
</context>
<context>
    <name>TRBrowserWindowController</name>
    <message>
        <source>Full Screen</source>
        <translation>Volledig scherm</translation>
    </message>
    <message>
        <source>Unable to search the given term!</source>
        <translation>Kan de opgegeven term niet zoeken!</translation>
    </message>
    <message>
        <source>Trellis found no web browser to open this page in.</source>
        <translation>Trellis heeft geen webbrowser gevonden om deze pagina in te openen.</translation>
    </message>
    <message>
        <source>Navigation</source>
        <translation>Navigatie</translation>
    </message>
</context>
<context>
    <name>TRFindShortcut</name>
    <message>
        <source>Find bookmarks and history</source>
        <translation>Bladwijzers en geschiedenis doorzoeken</translation>
    </message>
</context>
<context>
    <name>TRFindWindowController</name>
    <message>
        <source>Find</source>
        <translation>Zoeken</translation>
    </message>
    <message>
        <source>Bookmarks, history, services</source>
        <translation>Bladwijzers, geschiedenis, diensten</translation>
    </message>
    <message>
        <source>Searches the bookmarks and history of every browser</source>
        <translation>Doorzoekt de bladwijzers en geschiedenis van elke browser</translation>
    </message>
    <message>
        <source>Matches</source>
        <translation>Resultaten</translation>
    </message>
    <message>
        <source>Open “%1”</source>
        <translation>“%1” openen</translation>
    </message>
    <message>
        <source>Search the web for “%1”</source>
        <translation>Op het web zoeken naar “%1”</translation>
    </message>
</context>
<context>
    <name>TRFirefoxPlacesParser</name>
    <message>
        <source>Bookmarks Toolbar</source>
        <translation>Bladwijzerwerkbalk</translation>
    </message>
    <message>
        <source>Bookmarks Menu</source>
        <translation>Bladwijzermenu</translation>
    </message>
    <message>
        <source>Other Bookmarks</source>
        <translation>Andere bladwijzers</translation>
    </message>
    <message>
        <source>Mobile Bookmarks</source>
        <translation>Mobiele bladwijzers</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
</context>
<context>
    <name>TRGoogleChromeBookmarksParser</name>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
</context>
<context>
    <name>TRMenuController</name>
    <message>
        <source>General</source>
        <translation>Algemeen</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Over...</translation>
    </message>
    <message>
        <source>Plugins...</source>
        <translation>Plug-ins...</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Voorkeuren...</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Afsluiten</translation>
    </message>
    <message>
        <source>About Trellis</source>
        <translation>Over Trellis</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versie %1</translation>
    </message>
    <message>
        <source>Your web bookmarks from Safari, Chrome and the local network, one click away.</source>
        <translation>Je webbladwijzers uit Safari, Chrome en het lokale netwerk, op één klik afstand.</translation>
    </message>
    <message>
        <source>Trellis is waiting for a system tray.</source>
        <translation>Trellis wacht op een systeemvak.</translation>
    </message>
    <message>
        <source>Trellis shows its menu as an icon in the system tray, and this desktop has none running. The icon appears as soon as a tray starts.

GNOME: install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).
KDE Plasma: add the System Tray widget to a panel.
XFCE: add the Status Tray plugin to a panel.
Other desktops: start a tray such as trayer.</source>
        <translation>Trellis toont zijn menu als pictogram in het systeemvak, en op dit bureaublad draait er geen. Het pictogram verschijnt zodra er een systeemvak start.

GNOME: installeer en activeer de uitbreiding ‘AppIndicator’ (gnome-shell-extension-appindicator).
KDE Plasma: voeg de widget ‘Systeemvak’ toe aan een paneel.
XFCE: voeg de plug-in ‘Statusvak’ (Status Tray) toe aan een paneel.
Andere bureaubladen: start een systeemvak zoals trayer.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Quit Trellis</source>
        <translation>Trellis afsluiten</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>Bezig met laden...</translation>
    </message>
    <message>
        <source>Find...</source>
        <translation>Zoeken...</translation>
    </message>
</context>
<context>
    <name>TRPluginEnabledTableViewCell</name>
    <message>
        <source>Show %1 in the menu</source>
        <translation>%1 in het menu tonen</translation>
    </message>
</context>
<context>
    <name>TRPluginFilePicker</name>
    <message>
        <source>The file “%1” couldn’t be opened because the file name is invalid.</source>
        <translation>Het bestand ‘%1’ kan niet worden geopend, omdat de bestandsnaam ongeldig is.</translation>
    </message>
    <message>
        <source>Choose the file named %1.</source>
        <translation>Kies het bestand met de naam %1.</translation>
    </message>
    <message>
        <source> or </source>
        <translation> of </translation>
    </message>
</context>
<context>
    <name>TRPluginManagerPluginContentViewController</name>
    <message>
        <source>Select a plugin to see its settings.</source>
        <translation>Selecteer een plug-in om de instellingen ervan te zien.</translation>
    </message>
    <message>
        <source>%1 settings</source>
        <translation>Instellingen van %1</translation>
    </message>
</context>
<context>
    <name>TRPluginManagerPluginListViewController</name>
    <message>
        <source>Plugins</source>
        <translation>Plug-ins</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Aan</translation>
    </message>
    <message>
        <source>Plugin</source>
        <translation>Plug-in</translation>
    </message>
    <message>
        <source>Unnamed Plugin</source>
        <translation>Naamloze plug-in</translation>
    </message>
    <message>
        <source>%1: on</source>
        <translation>%1: aan</translation>
    </message>
    <message>
        <source>%1: off</source>
        <translation>%1: uit</translation>
    </message>
</context>
<context>
    <name>TRPluginManagerWindowController</name>
    <message>
        <source>Plugins</source>
        <translation>Plug-ins</translation>
    </message>
</context>
<context>
    <name>TRPluginMenuNotice</name>
    <message>
        <source>Set up %1...</source>
        <translation>%1 instellen...</translation>
    </message>
</context>
<context>
    <name>TRPluginNameTableViewCell</name>
    <message>
        <source>Unnamed Plugin</source>
        <translation>Naamloze plug-in</translation>
    </message>
</context>
<context>
    <name>TRPreferencesCustomSearchViewController</name>
    <message>
        <source>Use a custom domain for web searches</source>
        <translation>Eigen domein gebruiken voor zoekopdrachten op het web</translation>
    </message>
    <message>
        <source>Web searches from the browser window go to Google under this domain, for example co.uk for www.google.co.uk or de for www.google.de.</source>
        <translation>Zoekopdrachten vanuit het browservenster gaan naar Google onder dit domein, bijvoorbeeld co.uk voor www.google.co.uk of de voor www.google.de.</translation>
    </message>
    <message>
        <source>for example co.uk</source>
        <translation>bijvoorbeeld co.uk</translation>
    </message>
    <message>
        <source>Type a domain ending such as co.uk: letters, digits and hyphens, with dots between the parts.</source>
        <translation>Typ een domeinextensie zoals co.uk: letters, cijfers en koppeltekens, met punten tussen de delen.</translation>
    </message>
</context>
<context>
    <name>TRPreferencesGeneralViewController</name>
    <message>
        <source>Menu icon:</source>
        <translation>Menusymbool:</translation>
    </message>
    <message>
        <source>Update menu:</source>
        <translation>Menu bijwerken:</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Openen bij inloggen</translation>
    </message>
    <message>
        <source>Open bookmarks in the default browser</source>
        <translation>Bladwijzers openen in de standaardbrowser</translation>
    </message>
    <message>
        <source>Trellis</source>
        <translation>Trellis</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Bladwijzers</translation>
    </message>
    <message>
        <source>Every hour</source>
        <translation>Elk uur</translation>
    </message>
    <message>
        <source>Every %1 hours</source>
        <translation>Elke %1 uur</translation>
    </message>
    <message>
        <source>Every minute</source>
        <translation>Elke minuut</translation>
    </message>
    <message>
        <source>Every %1 minutes</source>
        <translation>Elke %1 minuten</translation>
    </message>
    <message>
        <source>Show website icons</source>
        <translation>Websitepictogrammen tonen</translation>
    </message>
    <message>
        <source>Shows the icons your browsers already keep for the sites you visit. Nothing is fetched from the network.</source>
        <translation>Toont de pictogrammen die je browsers al bewaren voor de sites die je bezoekt. Er wordt niets van het netwerk gehaald.</translation>
    </message>
</context>
<context>
    <name>TRPreferencesWindowController</name>
    <message>
        <source>Preferences</source>
        <translation>Voorkeuren</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Algemeen</translation>
    </message>
    <message>
        <source>Custom search</source>
        <translation>Aangepast zoeken</translation>
    </message>
    <message>
        <source>Sections</source>
        <translation>Onderdelen</translation>
    </message>
</context>
<context>
    <name>TRSafariBookmarksParser</name>
    <message>
        <source>Top Sites</source>
        <translation>Topsites</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
    <message>
        <source>Most Visited</source>
        <translation>Meest bezocht</translation>
    </message>
    <message>
        <source>Last Session</source>
        <translation>Laatste sessie</translation>
    </message>
    <message>
        <source>Reading List</source>
        <translation>Leeslijst</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Bladwijzers</translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Favorieten</translation>
    </message>
    <message>
        <source>Bookmarks Menu</source>
        <translation>Bladwijzermenu</translation>
    </message>
</context>
<context>
    <name>TRSafariPlugin</name>
    <message>
        <source>Search</source>
        <translation>Zoeken</translation>
    </message>
    <message>
        <source>All Bookmarks...</source>
        <translation>Alle bladwijzers...</translation>
    </message>
    <message>
        <source>No Bookmarks!</source>
        <translation>Geen bladwijzers!</translation>
    </message>
    <message>
        <source>No Safari files granted yet</source>
        <translation>Nog geen toegang tot Safari-bestanden</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>Bezig met lezen...</translation>
    </message>
</context>
<context>
    <name>TRSafariPluginBookmarksCustomizationViewController</name>
    <message>
        <source>Folders without a check mark stay out of the menu, with everything in them.</source>
        <translation>Mappen zonder vinkje blijven buiten het menu, met alles wat erin staat.</translation>
    </message>
    <message>
        <source>Bookmark folders</source>
        <translation>Bladwijzermappen</translation>
    </message>
</context>
<context>
    <name>TRSafariPluginConfigurationViewController</name>
    <message>
        <source>Options</source>
        <translation>Opties</translation>
    </message>
    <message>
        <source>Customisation</source>
        <translation>Aanpassing</translation>
    </message>
    <message>
        <source>Safari settings</source>
        <translation>Instellingen van Safari</translation>
    </message>
</context>
<context>
    <name>TRSafariPluginOptionsViewController</name>
    <message>
        <source>Trellis reads Safari&apos;s files from private copies of the files you grant here. Safari keeps them in the Safari folder of your Library folder; grant each file once.</source>
        <translation>Trellis leest de bestanden van Safari uit privékopieën van de bestanden waartoe je hier toegang geeft. Safari bewaart ze in de map ‘Safari’ in je map ‘Bibliotheek’; geef voor elk bestand één keer toegang.</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Bestanden</translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation>Bladwijzers</translation>
    </message>
    <message>
        <source>Choose Bookmarks.plist...</source>
        <translation>Kies Bookmarks.plist...</translation>
    </message>
    <message>
        <source>Top Sites</source>
        <translation>Topsites</translation>
    </message>
    <message>
        <source>Choose TopSites.plist...</source>
        <translation>Kies TopSites.plist...</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Geschiedenis</translation>
    </message>
    <message>
        <source>Choose History File...</source>
        <translation>Kies geschiedenisbestand...</translation>
    </message>
    <message>
        <source>Last Session</source>
        <translation>Laatste sessie</translation>
    </message>
    <message>
        <source>Choose LastSession.plist...</source>
        <translation>Kies LastSession.plist...</translation>
    </message>
    <message>
        <source>Show in the menu</source>
        <translation>In het menu tonen</translation>
    </message>
    <message>
        <source>Web search</source>
        <translation>Zoeken op het web</translation>
    </message>
    <message>
        <source>Favourites bar</source>
        <translation>Favorietenbalk</translation>
    </message>
    <message>
        <source>Bookmarks menu</source>
        <translation>Bladwijzermenu</translation>
    </message>
    <message>
        <source>Each folder&apos;s bookmarks in one list, without subfolders</source>
        <translation>De bladwijzers van elke map in één lijst, zonder submappen</translation>
    </message>
    <message>
        <source>Reading List</source>
        <translation>Leeslijst</translation>
    </message>
    <message>
        <source>Number of pages visited each day</source>
        <translation>Aantal bezochte pagina&apos;s per dag</translation>
    </message>
    <message>
        <source>Most Visited</source>
        <translation>Meest bezocht</translation>
    </message>
    <message>
        <source>Number of visits</source>
        <translation>Aantal bezoeken</translation>
    </message>
    <message>
        <source>Tabs of private windows</source>
        <translation>Tabbladen van privévensters</translation>
    </message>
    <message>
        <source>Website icons</source>
        <translation>Websitesymbolen</translation>
    </message>
    <message>
        <source>Safari files (%1)</source>
        <translation>Safari-bestanden (%1)</translation>
    </message>
    <message>
        <source>Incorrect file!</source>
        <translation>Onjuist bestand!</translation>
    </message>
    <message>
        <source>Granted</source>
        <translation>Toegang verleend</translation>
    </message>
    <message>
        <source>Not granted yet</source>
        <translation>Nog geen toegang</translation>
    </message>
    <message>
        <source>Trellis reads Safari&apos;s files from private copies of the files you grant here. Safari keeps them on a Mac, in ~/Library/Safari; copy that folder to this computer and grant each file once.</source>
        <translation>Trellis leest de bestanden van Safari uit privékopieën van de bestanden waartoe je hier toegang geeft. Safari bewaart ze op een Mac in ~/Library/Safari; kopieer die map naar deze computer en geef voor elk bestand één keer toegang.</translation>
    </message>
    <message>
        <source>Granted: %1</source>
        <translation>Toegang verleend: %1</translation>
    </message>
</context>
<context>
    <name>TRUIManager</name>
    <message>
        <source>No default web browser</source>
        <translation>Geen standaardwebbrowser</translation>
    </message>
    <message>
        <source>Trellis found no web browser to open bookmarks in, so it shows them in its own window until one is set up.</source>
        <translation>Trellis heeft geen webbrowser gevonden om bladwijzers in te openen en toont ze daarom in een eigen venster tot er een is ingesteld.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Bookmarks and history of your browsers in a menu of the tray.</source>
        <translation>Bladwijzers en geschiedenis van je browsers in een menu in het systeemvak.</translation>
    </message>
    <message>
        <source>Open the window to find bookmarks and history.</source>
        <translation>Het venster openen om bladwijzers en geschiedenis te doorzoeken.</translation>
    </message>
</context>
</TS>
