#include "TRBookmarkMenuBuilder.h"
#include "TRBrowserBookmarksModel.h"
#include "TRBrowserFiles.h"
#include "TRBrowserPlugin.h"
#include "TRBrowserSettings.h"
#include "TRFaviconStoreWriter.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestBrowsers.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"
#include "TRWebsiteIcons.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QMenu>

using TRTestBrowsers::profileAt;
using TRTestBrowsers::profilesFound;
using TRTestMenus::findItem;
using TRTestMenus::openMenu;
using Bookmark = TRBrowserFiles::FirefoxBookmark;

namespace {

// A PNG of one colour, as browsers store the icons they fetched.
QByteArray png(Qt::GlobalColor color, int width)
{
    QImage image(width, width, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The colour at the middle of an icon as a menu draws it; black for none.
QColor colorOf(const QIcon &icon)
{
    if (icon.isNull()) {
        return Qt::black;
    }
    const QImage image = icon.pixmap(16).toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

QColor iconColor(QMenu *menu, const QString &title)
{
    const QAction *item = findItem(menu, title);
    return item ? colorOf(item->icon()) : QColor(Qt::white);
}

const QString firstPage = "https://first.example/page";
const QString secondPage = "https://second.example/other";
const QString thirdPage = "https://third.example/";

} // namespace

// The icons each browser keeps for the pages it showed, in Trellis's menus
// and outline: the page's own, else its site's, else the generic one, and
// none of it read while the switch is off.
class TestWebsiteIcons : public QObject
{
    Q_OBJECT

    TRTestPluginEvents m_events;

    static QString home() { return qEnvironmentVariable("HOME"); }

    // A profile of the browser whose bookmarks (the bar, or Firefox's
    // toolbar) and today's history hold three pages: the first with an icon
    // of its own (red), the second with only its site's (blue), the third
    // with none. Returns the store's path.
    static QString writeProfile(const QString &browserId, const QByteArray &firstIcon)
    {
        const bool firefox = browserId == "firefox";
        const QString folder = home() + (firefox ? "/.mozilla/firefox/abcd1234.default-release"
                                                 : "/.config/google-chrome/Default");
        if (!QDir().mkpath(folder)) {
            return {};
        }
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (firefox) {
            TRTestSupport::writeFile(home() + "/.mozilla/firefox/profiles.ini",
                                     "[Profile0]\nName=default-release\nIsRelative=1\nPath="
                                     "abcd1234.default-release\nDefault=1\n");
            TRBrowserFiles::writeFirefoxPlaces(
                folder + "/places.sqlite",
                {{firstPage, "First"}, {secondPage, "Second"}, {thirdPage, "Third"}},
                {{1, TRBrowserFiles::firefoxTime(now)}},
                TRBrowserFiles::firefoxRoots() + QList<Bookmark>{{10, 1, 3, 0, "First", 1},
                                                                 {11, 1, 3, 1, "Second", 2},
                                                                 {12, 1, 3, 2, "Third", 3}});
        } else {
            TRTestSupport::writeFile(
                folder + "/Bookmarks",
                TRBrowserFiles::chromeBookmarks(
                    {{"First", firstPage}, {"Second", secondPage}, {"Third", thirdPage}}));
            TRBrowserFiles::writeChromeHistory(
                folder + "/History", {{"First", firstPage, 1, TRBrowserFiles::chromeTime(now)}});
        }
        TRFaviconStoreWriter::Store store;
        store.icons = {{"https://first.example/icon.png", 1, false, {{16, firstIcon}}},
                       {"https://second.example/favicon.ico", 1, true, {{16, png(Qt::blue, 16)}}}};
        // Firefox knows a site's icon by its root flag, Chromium by the
        // site's front page.
        store.mappings = {{firstPage.toUtf8(), 0}};
        if (!firefox) {
            store.mappings.emplace_back("https://second.example/", 1);
        }
        const QString path = folder + QString(firefox ? "/favicons.sqlite" : "/Favicons");
        if (firefox) {
            TRFaviconStoreWriter::writeFirefox(path, store);
        } else {
            TRFaviconStoreWriter::writeChromium(path, store);
        }
        return path;
    }

    // The plugin with the profile used, as the pane's "Use" does, and its
    // first read done.
    // With grantedBefore, the profile was used before its icons came with
    // it: the plugin grants the store beside the files when icons are on.
    static std::unique_ptr<TRBrowserPlugin>
    usedPlugin(const QString &browserId, TRTestPluginEvents &events, bool grantedBefore = false)
    {
        const TRBrowserSettings keys(browserId);
        keys.use(TRSettings::standard(), profileAt(browserId, 0));
        if (grantedBefore) {
            TRSettings::standard().removeObject(
                TRBrowserSettings::dataKey(keys.mainStem(), TRBrowserSettings::File::favicons));
        }
        auto plugin = std::make_unique<TRBrowserPlugin>(
            browserId, browserId == "firefox" ? "Firefox" : "Chrome");
        if (!profilesFound(*plugin) || !TRTestBrowsers::refreshAndWait(*plugin, events)) {
            return nullptr;
        }
        return plugin;
    }

    static QMenu *barOf(TRBrowserPlugin &plugin, const QString &browserId)
    {
        const QAction *bar = findItem(
            plugin.parentMenu(), browserId == "firefox" ? "Bookmarks Toolbar" : "Bookmarks bar");
        return bar ? openMenu(bar->menu()) : nullptr;
    }

private slots:
    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.reset();
        QDir(home() + "/.mozilla").removeRecursively();
        QDir(home() + "/.config").removeRecursively();
    }

    // Menus and outline show the page's icon, else the site's, else the
    // generic one; switched off, the generic one everywhere and the store
    // let go.
    void menuAndOutlineShowStoredIcons_data()
    {
        QTest::addColumn<QString>("browserId");
        QTest::addColumn<bool>("grantedBefore");
        QTest::newRow("Chrome") << "chrome" << false;
        QTest::newRow("Chrome, used before icons came with a profile") << "chrome" << true;
        QTest::newRow("Firefox") << "firefox" << false;
    }

    void menuAndOutlineShowStoredIcons()
    {
        QFETCH(QString, browserId);
        QFETCH(bool, grantedBefore);
        QVERIFY(!writeProfile(browserId, png(Qt::red, 32)).isEmpty());
        TRSettings::standard().setBool(TRSettingsKeys::useFavIcons, true);
        const auto plugin = usedPlugin(browserId, m_events, grantedBefore);
        QVERIFY(plugin);
        QVERIFY(TRSettings::standard().dataForKey(TRBrowserSettings::dataKey(
            TRBrowserSettings(browserId).mainStem(), TRBrowserSettings::File::favicons)));

        QMenu *bar = barOf(*plugin, browserId);
        QVERIFY(bar);
        const QColor generic = iconColor(bar, "Third");
        QCOMPARE(iconColor(bar, "First"), QColor(Qt::red));
        QCOMPARE(iconColor(bar, "Second"), QColor(Qt::blue));
        QVERIFY(generic != QColor(Qt::red) && generic != QColor(Qt::blue));
        // History entries too.
        QMenu *history = openMenu(findItem(plugin->parentMenu(), "History")->menu());
        QMenu *today = openMenu(history->actions().constFirst()->menu());
        QCOMPARE(iconColor(today, "First"), QColor(Qt::red));
        // One decoded icon serves every item showing it.
        QCOMPARE(TRWebsiteIcons::decodedCount(), 2);

        // The outline of the bar, as the built-in browser shows it.
        const TRBookmarkPtr first = TRBookmarkMenuBuilder::bookmarkOf(findItem(bar, "First"));
        QVERIFY(first && first->parent());
        TRBrowserBookmarksModel model;
        model.setTopLevel(first->parent()->bookmarks());
        const auto outlineColor = [&model](int row) {
            return colorOf(model.data(model.index(row, 0), Qt::DecorationRole).value<QIcon>());
        };
        QCOMPARE(outlineColor(0), QColor(Qt::red));
        QCOMPARE(outlineColor(1), QColor(Qt::blue));
        QCOMPARE(outlineColor(2), generic);

        TRSettings::standard().setBool(TRSettingsKeys::useFavIcons, false);
        m_events.reset();
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::websiteIconsDidChange);
        QTRY_VERIFY_WITH_TIMEOUT(m_events.rebuilds > 0, 30000);
        bar = barOf(*plugin, browserId);
        QVERIFY(bar);
        QCOMPARE(iconColor(bar, "First"), generic);
        QCOMPARE(outlineColor(0), generic);
    }

    // A store that is no database, or whose icon is no image, leaves the
    // generic icon and says so once, however many items ask.
    void badStoresGiveTheGenericIcon_data()
    {
        QTest::addColumn<QString>("browserId");
        QTest::addColumn<bool>("storeIsJpeg");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("Chrome, a JPEG for a store")
            << "chrome" << true
            << QByteArray("Could not read 'Favicons': file is not a database\n");
        QTest::newRow("Firefox, an error page for an icon")
            << "firefox" << false << QByteArray("Could not decode an icon of 'favicons.sqlite'\n");
    }

    void badStoresGiveTheGenericIcon()
    {
        QFETCH(QString, browserId);
        QFETCH(bool, storeIsJpeg);
        QFETCH(QByteArray, out);
        const QString store = writeProfile(browserId, "<html><body>Not Found</body></html>");
        QVERIFY(!store.isEmpty());
        if (storeIsJpeg) {
            QVERIFY(TRTestSupport::writeFile(store, TRBrowserFiles::jpeg()));
        }
        TRSettings::standard().setBool(TRSettingsKeys::useFavIcons, true);
        std::unique_ptr<TRBrowserPlugin> plugin;
        const QByteArray written = TRTestSupport::captureStdout([&] {
            plugin = usedPlugin(browserId, m_events);
            QVERIFY(plugin);
            QMenu *bar = barOf(*plugin, browserId);
            QVERIFY(bar);
            const QColor generic = iconColor(bar, "Third");
            QCOMPARE(iconColor(bar, "First"), generic);
            QMenu *history = openMenu(findItem(plugin->parentMenu(), "History")->menu());
            QCOMPARE(iconColor(openMenu(history->actions().constFirst()->menu()), "First"),
                     generic);
        });
        QCOMPARE(written, out);
    }
};

TRELLIS_TEST_MAIN(TestWebsiteIcons)
#include "TestWebsiteIcons.moc"
