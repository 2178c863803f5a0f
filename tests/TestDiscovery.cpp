#include "TRBrowserDiscovery.h"
#include "TRBrowserFiles.h"
#include "TRChromiumHome.h"
#include "TRCoreTestMain.h"
#include "TRFirefoxDiscovery.h"
#include "TRTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>

using TRTestSupport::captureStdout;
using TRTestSupport::json;

namespace {

using Places = TRBrowserDiscovery::Places;

Places placesIn(const QString &home)
{
    return {home, home + QStringLiteral("/.config")};
}

// Makes the entries of a home, each relative to it: "path=bytes" a file
// holding bytes, "path->target" a symbolic link, "path/" a folder, and a
// bare path a small file.
bool makeHome(const QString &home, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const qsizetype equals = entry.indexOf(u'=');
        const qsizetype arrow = entry.indexOf(QStringLiteral("->"));
        if (equals > 0) {
            if (!TRTestSupport::writeFile(home + u'/' + entry.left(equals),
                                          entry.mid(equals + 1).toUtf8())) {
                return false;
            }
        } else if (arrow > 0) {
            const QString link = home + u'/' + entry.left(arrow);
            if (!QDir().mkpath(QFileInfo(link).path()) ||
                !QFile::link(entry.mid(arrow + 2), link)) {
                return false;
            }
        } else if (entry.endsWith(u'/')) {
            if (!QDir().mkpath(home + u'/' + entry)) {
                return false;
            }
        } else if (!TRTestSupport::writeFile(home + u'/' + entry, "{}")) {
            return false;
        }
    }
    return true;
}

// What discovery found, one line a browser ("id root") and one a profile
// ("id: folder 'name' files", the folder relative to the browser's own and
// the files as B, A, H, F for Bookmarks, AccountBookmarks, History and
// Favicons). A path that is not the file in its profile's folder shows as ?.
QStringList describe(const std::vector<TRBrowserInstallation> &browsers, const QString &home)
{
    const QDir homeFolder(home);
    QStringList lines;
    for (const TRBrowserInstallation &browser : browsers) {
        lines << browser.id + u' ' + homeFolder.relativeFilePath(browser.root);
        for (const TRBrowserProfile &profile : browser.profiles) {
            QString files;
            const std::pair<const std::optional<QString> &, QString> kinds[] = {
                {profile.bookmarks, "Bookmarks"},
                {profile.accountBookmarks, "AccountBookmarks"},
                {profile.history, "History"},
                {profile.favicons, "Favicons"}};
            for (const auto &[path, name] : kinds) {
                if (path) {
                    files += *path == profile.folder + u'/' + name ? name.at(0) : u'?';
                }
            }
            lines << QStringLiteral("%1: %2 '%3' %4")
                         .arg(browser.id, QDir(browser.root).relativeFilePath(profile.folder),
                              profile.name, files);
        }
    }
    return lines;
}

// JSON written with single quotes, as text.
QString jsonText(const QByteArray &text)
{
    return QString::fromUtf8(json(text.constData()));
}

QString localState(const QList<std::pair<QString, QString>> &profiles)
{
    return QString::fromUtf8(TRBrowserFiles::chromiumLocalState(profiles));
}

const QString chrome = QStringLiteral(".config/google-chrome/");
const QString chromium = QStringLiteral(".config/chromium/");

} // namespace

// Finding the Chromium browsers of a home and their profiles.
class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void discovers_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("expected");
        // The file the one line on standard output names; none when empty.
        QTest::addColumn<QString>("complaint");

        const QString chromiumFlatpak =
            QStringLiteral(".var/app/org.chromium.Chromium/config/chromium/");
        const QString chromiumSnap = QStringLiteral("snap/chromium/common/chromium/");
        const QString braveSnap =
            QStringLiteral("snap/brave/current/.config/BraveSoftware/Brave-Browser/");
        QTest::newRow("native, Flatpak and Snap")
            << QStringList{chrome + "Local State=" +
                               localState({{"Default", "Person 1"}, {"Profile 1", "Work"}}),
                           chrome + "Default/Bookmarks",
                           chrome + "Default/History",
                           chrome + "Profile 1/History",
                           chromiumFlatpak + "Local State=" + localState({{"Default", "Person 1"}}),
                           chromiumFlatpak + "Default/Bookmarks",
                           chromiumSnap + "Local State=" + localState({{"Default", "Snap person"}}),
                           chromiumSnap + "Default/History",
                           braveSnap + "Default/Bookmarks",
                           ".var/app/com.microsoft.Edge/config/microsoft-edge/",
                           ".config/not-a-browser/Default/Bookmarks"}
            << QStringList{"chrome .config/google-chrome",
                           "chrome: Default 'Person 1' BH",
                           "chrome: Profile 1 'Work' H",
                           "chromium-flatpak .var/app/org.chromium.Chromium/config/chromium",
                           "chromium-flatpak: Default 'Person 1' B",
                           "chromium-snap snap/chromium/common/chromium",
                           "chromium-snap: Default 'Snap person' H",
                           "brave-snap snap/brave/current/.config/BraveSoftware/Brave-Browser",
                           "brave-snap: Default 'Default' B",
                           "edge-flatpak .var/app/com.microsoft.Edge/config/microsoft-edge"}
            << QString();
        QTest::newRow("the browser's order, not the folders'")
            << QStringList{chrome + "Local State=" +
                               localState({{"Profile 2", "Zed"},
                                           {"Default", "Ann"},
                                           {"Profile 10", "Ten"},
                                           {"Profile 1", "One"}}),
                           chrome + "Default/Bookmarks", chrome + "Profile 1/Bookmarks",
                           chrome + "Profile 2/Bookmarks", chrome + "Profile 10/Bookmarks"}
            << QStringList{"chrome .config/google-chrome", "chrome: Profile 2 'Zed' B",
                           "chrome: Default 'Ann' B", "chrome: Profile 10 'Ten' B",
                           "chrome: Profile 1 'One' B"}
            << QString();
        // An order that is no list of folder names counts for nothing.
        for (const char *order : {"'Default'", "['Profile 1', 3]"}) {
            QTest::addRow("profiles_order %s", order)
                << QStringList{chrome + "Local State=" +
                                   jsonText(QByteArray("{'profile':{'profiles_order':") + order +
                                            ",'info_cache':{'Profile 10':{'name':'Ten'},'Zebra':{"
                                            "'name':'Z'},'Profile 2':{'name':'Two'},'Default':{"
                                            "'name':'D'},'Profile 1':{'name':'One'}}}}"),
                               chrome + "Default/History",
                               chrome + "Profile 1/History",
                               chrome + "Profile 2/History",
                               chrome + "Profile 10/History",
                               chrome + "Zebra/History"}
                << QStringList{"chrome .config/google-chrome", "chrome: Default 'D' H",
                               "chrome: Profile 1 'One' H",    "chrome: Profile 2 'Two' H",
                               "chrome: Profile 10 'Ten' H",   "chrome: Zebra 'Z' H"}
                << QString();
        }
        const QStringList scanned{
            chrome + "Profile 10/Bookmarks",  chrome + "Profile 2/History",
            chrome + "Default/Bookmarks",     chrome + "Profile 1/History",
            chrome + "Crashpad/settings.dat", chrome + "Guest Profile/History",
            chrome + "ShaderCache/"};
        const QStringList scannedProfiles{
            "chrome .config/google-chrome", "chrome: Default 'Default' B",
            "chrome: Profile 1 'Profile 1' H", "chrome: Profile 2 'Profile 2' H",
            "chrome: Profile 10 'Profile 10' B"};
        QTest::newRow("no Local State: the folders holding a profile")
            << scanned << scannedProfiles << QString();
        QTest::newRow("Local State that is no JSON")
            << scanned + QStringList{chrome + "Local State={\"profile\":{\"info_cache\":"}
            << scannedProfiles << chrome + "Local State";
        QTest::newRow("Local State that is a list")
            << scanned + QStringList{chrome + "Local State=[]"} << scannedProfiles
            << chrome + "Local State";
        QTest::newRow("Local State that is a folder")
            << scanned + QStringList{chrome + "Local State/"} << scannedProfiles
            << chrome + "Local State";
        QTest::newRow("Local State without profiles")
            << scanned + QStringList{chrome + "Local State=" + localState({})} << scannedProfiles
            << QString();
        QTest::newRow("Local State listing a gone or empty folder")
            << QStringList{chrome + "Local State=" +
                               localState({{"Profile 1", "Gone"},
                                           {"Default", "Here"},
                                           {"Profile 2", "Empty"}}),
                           chrome + "Default/Bookmarks", chrome + "Profile 2/Preferences"}
            << QStringList{"chrome .config/google-chrome", "chrome: Default 'Here' B"} << QString();
        QTest::newRow("Local State listing only gone folders")
            << QStringList{chrome + "Local State=" + localState({{"Profile 5", "Gone"}}),
                           chrome + "Default/Bookmarks"}
            << QStringList{"chrome .config/google-chrome", "chrome: Default 'Default' B"}
            << QString();
        QTest::newRow("odd names")
            << QStringList{chrome + "Local State=" +
                               jsonText("{'profile':{'info_cache':{'Default':{'name':"
                                        "'\\u202eevil\\u0007\\n  name\\u2028'},'Profile 1':{"
                                        "'name':42},'Profile 2':'no object','Profile 3':{'name':'" +
                                        QByteArray(300, 'x') +
                                        "'},'Profile 4':{'name':' \\t '},'Profile 5':{'name':"
                                        "'\\u0645\\u0631\\u062d\\u0628\\u0627 \\ud83e\\udd81'}}}}"),
                           chrome + "Default/History",
                           chrome + "Profile 1/History",
                           chrome + "Profile 2/History",
                           chrome + "Profile 3/History",
                           chrome + "Profile 4/History",
                           chrome + "Profile 5/History"}
            << QStringList{"chrome .config/google-chrome",
                           "chrome: Default 'evil name' H",
                           "chrome: Profile 1 'Profile 1' H",
                           "chrome: Profile 2 'Profile 2' H",
                           "chrome: Profile 3 '" + QString(100, u'x') + QChar(0x2026) + "' H",
                           "chrome: Profile 4 'Profile 4' H",
                           QString::fromUtf8("chrome: Profile 5 'مرحبا 🦁' H")}
            << QString();
        QTest::newRow("Opera keeps its files in its own folder")
            << QStringList{".config/opera/Local State=" + localState({}), ".config/opera/Bookmarks",
                           ".config/opera/History", ".config/opera/Crash Reports/",
                           ".var/app/com.opera.Opera/config/opera/History"}
            << QStringList{"opera .config/opera", "opera: . 'Opera' BH",
                           "opera-flatpak .var/app/com.opera.Opera/config/opera",
                           "opera-flatpak: . 'Opera' H"}
            << QString();
        QTest::newRow("a profile shared through a symbolic link")
            << QStringList{chrome + "Local State=" + localState({{"Default", "Mine"}}),
                           chrome + "Default/Bookmarks",
                           chromium + "Local State=" +
                               localState({{"Default", "Shared"}, {"Profile 1", "Own"}}),
                           chromium + "Default->../google-chrome/Default",
                           chromium + "Profile 1/History"}
            << QStringList{"chrome .config/google-chrome", "chrome: Default 'Mine' B",
                           "chromium .config/chromium", "chromium: Profile 1 'Own' H"}
            << QString();
        QTest::newRow("AccountBookmarks beside Bookmarks")
            << QStringList{chrome + "Local State=" +
                               localState(
                                   {{"Default", "Signed in"}, {"Profile 1", "Account only"}}),
                           chrome + "Default/Bookmarks",
                           chrome + "Default/AccountBookmarks",
                           chrome + "Default/History",
                           chrome + "Default/Favicons",
                           chrome + "Profile 1/AccountBookmarks"}
            << QStringList{"chrome .config/google-chrome", "chrome: Default 'Signed in' BAHF",
                           "chrome: Profile 1 'Account only' A"}
            << QString();
        QTest::newRow("files that are links, folders or nothing")
            << QStringList{chrome + "Local State=" + localState({{"Default", "Links"}}),
                           ".elsewhere/Bookmarks",
                           chrome + "Default/Bookmarks->../../../.elsewhere/Bookmarks",
                           chrome + "Default/History/", chrome + "Default/Favicons->gone"}
            << QStringList{"chrome .config/google-chrome", "chrome: Default 'Links' B"}
            << QString();
        QTest::newRow("folder names leaving the browser's folder")
            << QStringList{chrome + "Local State=" +
                               localState({{"../x", "Outside"},
                                           {"Default/../../x", "Outside"},
                                           {"..", "Parent"},
                                           {".", "Itself"},
                                           {"Default", "Inside"},
                                           {"/etc", "Absolute"}}),
                           ".config/x/Bookmarks", chrome + "Bookmarks", chrome + "Default/History"}
            << QStringList{"chrome .config/google-chrome", "chrome: Default 'Inside' H"}
            << QString();
        QTest::newRow("no browser")
            << QStringList{".config/", ".var/app/", "snap/"} << QStringList() << QString();
    }

    void discovers()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QFETCH(QString, complaint);
        const QTemporaryDir home;
        QVERIFY(makeHome(home.path(), entries));

        std::vector<TRBrowserInstallation> found;
        const QByteArray out =
            captureStdout([&] { found = TRBrowserDiscovery::discover(placesIn(home.path())); });
        QCOMPARE(describe(found, home.path()), expected);
        if (complaint.isEmpty()) {
            QCOMPARE(out, QByteArray());
        } else {
            const QByteArray start =
                "Could not read profiles from '" + home.filePath(complaint).toUtf8() + "': ";
            QVERIFY2(out.startsWith(start) && out.count('\n') == 1 && out.endsWith('\n'),
                     out.constData());
        }

        // In the order of the known ids; each found again alone, by its id.
        const std::vector<QString> ids = TRBrowserDiscovery::knownIds();
        auto last = ids.begin();
        for (const TRBrowserInstallation &browser : found) {
            const auto at = std::find(last, ids.end(), browser.id);
            QVERIFY2(at != ids.end(), qPrintable(browser.id));
            last = at + 1;
            QCOMPARE(TRBrowserDiscovery::displayName(browser.id), browser.displayName);
            std::optional<TRBrowserInstallation> alone;
            captureStdout(
                [&] { alone = TRBrowserDiscovery::browser(browser.id, placesIn(home.path())); });
            QVERIFY(alone);
            QCOMPARE(alone->root, browser.root);
        }
    }

    // The configuration folder comes from XDG_CONFIG_HOME when that is an
    // absolute path, as the XDG rules say, else from the home.
    void configurationFolderOfTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unset") << QByteArray() << QStringLiteral("%1/.config");
        QTest::newRow("absolute") << QByteArray("%1/elsewhere") << QStringLiteral("%1/elsewhere");
        QTest::newRow("relative") << QByteArray("elsewhere") << QStringLiteral("%1/.config");
    }

    void configurationFolderOfTheEnvironment()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        const QTemporaryDir home;
        QVERIFY(makeHome(home.path(), {"elsewhere/chromium/Default/Bookmarks",
                                       ".config/chromium/Default/Bookmarks"}));
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", savedHome);
            qputenv("XDG_CONFIG_HOME", savedConfig);
        });
        qputenv("HOME", home.path().toUtf8());
        if (value.isEmpty()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", QString::fromUtf8(value).arg(home.path()).toUtf8());
        }
        const TRBrowserDiscovery::Places places = TRBrowserDiscovery::currentPlaces();
        QCOMPARE(places.configHome, expected.arg(home.path()));
        const std::vector<TRBrowserInstallation> found =
            TRBrowserDiscovery::discover({home.path(), QString()});
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(found.front().root, expected.arg(home.path()) + "/chromium");
    }

    // Firefox's profiles from profiles.ini and installs.ini: the install's
    // default first, then by name; relative and absolute paths; profiles
    // without places.sqlite, escaping root or reached twice left out.
    void firefoxProfiles_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("complains");
        const QString ff = QStringLiteral(".mozilla/firefox/");
        const QString ini = ff + "profiles.ini=";
        const QString twoProfiles =
            ini + "[Profile1]\nName=work, tabs\nIsRelative=1\nPath=ab.work\n\n"
                  "[Profile0]\nName=default-release\nIsRelative=1\nPath=cd.default-release\n"
                  "Default=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n";
        QTest::newRow("the profile marked default first")
            << QStringList{twoProfiles, ff + "ab.work/places.sqlite",
                           ff + "cd.default-release/places.sqlite",
                           ff + "cd.default-release/favicons.sqlite"}
            << QStringList{"firefox .mozilla/firefox",
                           "firefox: cd.default-release 'default-release' PF",
                           "firefox: ab.work 'work, tabs' P"}
            << false;
        QTest::newRow("the install's default, then by name")
            << QStringList{twoProfiles, ff + "installs.ini=[4F96D1932A9F858E]\nDefault=ab.work\n",
                           ff + "ab.work/places.sqlite", ff + "cd.default-release/places.sqlite"}
            << QStringList{"firefox .mozilla/firefox", "firefox: ab.work 'work, tabs' P",
                           "firefox: cd.default-release 'default-release' P"}
            << false;
        // "Again" links to "Elsewhere"'s folder and comes first by name.
        QTest::newRow("absolute, escaping, without places, twice")
            << QStringList{ini + "[Profile0]\nName=Elsewhere\nIsRelative=0\nPath=%1/other/p\n"
                                 "[Profile1]\nName=Out\nIsRelative=1\nPath=../../other/p\n"
                                 "[Profile2]\nName=Empty\nIsRelative=1\nPath=empty\n"
                                 "[Profile3]\nName=Again\nIsRelative=1\nPath=again\n",
                           "other/p/places.sqlite", ff + "empty/", ff + "again->%1/other/p"}
            << QStringList{"firefox .mozilla/firefox", "firefox: again 'Again' P"} << false;
        QTest::newRow("Flatpak and Snap, no list yet")
            << QStringList{".var/app/org.mozilla.firefox/.mozilla/firefox/profiles.ini="
                           "[Profile0]\nName=default\nPath=x.default\n",
                           ".var/app/org.mozilla.firefox/.mozilla/firefox/x.default/places.sqlite",
                           "snap/firefox/common/.mozilla/firefox/"}
            << QStringList{"firefox-flatpak .var/app/org.mozilla.firefox/.mozilla/firefox",
                           "firefox-flatpak: x.default 'default' P",
                           "firefox-snap snap/firefox/common/.mozilla/firefox"}
            << false;
        QTest::newRow("a list that is no text")
            << QStringList{ini + QString(QChar(0)) + "binary", ff + "p/places.sqlite"}
            << QStringList{"firefox .mozilla/firefox"} << true;
        QTest::newRow("a list that is a folder")
            << QStringList{ff + "profiles.ini/"} << QStringList{"firefox .mozilla/firefox"} << true;
    }

    void firefoxProfiles()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QFETCH(bool, complains);
        const QTemporaryDir home;
        for (QString &entry : entries) {
            entry.replace("%1", home.path());
        }
        QVERIFY(makeHome(home.path(), entries));
        std::vector<TRBrowserInstallation> found;
        const QByteArray out =
            captureStdout([&] { found = TRFirefoxDiscovery::discover(placesIn(home.path())); });
        QStringList lines;
        for (const TRBrowserInstallation &browser : found) {
            lines << browser.id + u' ' + QDir(home.path()).relativeFilePath(browser.root);
            for (const TRBrowserProfile &profile : browser.profiles) {
                // P: places.sqlite as bookmarks and history; F: favicons.sqlite.
                const QString places = profile.folder + "/places.sqlite";
                QString files =
                    profile.bookmarks == places && profile.history == places ? "P" : "?";
                files += profile.favicons ? "F" : "";
                lines << QStringLiteral("%1: %2 '%3' %4")
                             .arg(browser.id, QDir(browser.root).relativeFilePath(profile.folder),
                                  profile.name, files);
            }
        }
        QCOMPARE(lines, expected);
        const QByteArray start = "Could not read profiles from '" + home.path().toUtf8();
        QCOMPARE(out.startsWith(start) && out.count('\n') == 1, complains);
        if (!complains) {
            QCOMPARE(out, QByteArray());
        }
    }

    // trellis-inspect, as a user runs it, lists every browser and profile of
    // a generated home of six browsers with their files.
    void inspectListsAGeneratedHome()
    {
        const QTemporaryDir home;
        const QList<TRChromiumHome::Browser> layout = TRChromiumHome::layout(6, 3);
        QString error;
        QVERIFY2(TRChromiumHome::write(home.path(), layout, &error), qPrintable(error));

        QProcess process;
        process.start(qEnvironmentVariable("TRELLIS_BINARY_DIR") + "/trellis-inspect",
                      {"browsers", "--home", home.path()});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QJsonArray browsers =
            QJsonDocument::fromJson(process.readAllStandardOutput()).array();
        QCOMPARE(browsers.size(), layout.size());
        for (const TRChromiumHome::Browser &expected : layout) {
            const QString root = home.filePath(expected.root);
            const auto found = std::find_if(browsers.begin(), browsers.end(),
                                            [&](const QJsonValue &b) { return b["root"] == root; });
            QVERIFY2(found != browsers.end(), qPrintable(root));
            const QJsonValue browser = *found;
            QVERIFY(!browser["browser"].toString().isEmpty());
            QCOMPARE(TRBrowserDiscovery::displayName(browser["id"].toString()),
                     browser["browser"].toString());
            const QJsonArray profiles = browser["profiles"].toArray();
            QCOMPARE(profiles.size(), expected.profiles.size());
            for (qsizetype i = 0; i < profiles.size(); ++i) {
                const TRChromiumHome::Profile &profile = expected.profiles.at(i);
                const QString folder = root + u'/' + profile.folder;
                const QJsonValue listed = profiles.at(i);
                QCOMPARE(listed["folder"].toString(), folder);
                QCOMPARE(listed["name"].toString(), profile.name);
                QCOMPARE(listed["bookmarks"].toString(), folder + "/Bookmarks");
                QCOMPARE(listed["history"].toString(), folder + "/History");
                QCOMPARE(listed["accountBookmarks"].isNull(), !profile.accountBookmarks);
                QCOMPARE(listed["favicons"].toString(), folder + "/Favicons");
            }
        }
    }
};

TRELLIS_CORE_TEST_MAIN(TestDiscovery)
#include "TestDiscovery.moc"
