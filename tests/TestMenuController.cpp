#include "TRMenuController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManager.h"
#include "TRPluginManagerWindowController.h"
#include "TRPreferencesGeneralViewController.h"
#include "TRPreferencesWindowController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPlugin.h"
#include "TRTestSupport.h"
#include "TRWindowPlacement.h"

#include <QAction>
#include <QBitmap>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

using TRTestMenus::describe;
using TRTestMenus::findItem;

namespace {

// The top-level windows of a class, all of them or only those shown.
template <typename T>
QList<T *> windowsOf(bool shownOnly)
{
    QList<T *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<T *>(widget);
            window && (window->isVisible() || !shownOnly)) {
            windows << window;
        }
    }
    return windows;
}

} // namespace

class TestMenuController : public QObject
{
    Q_OBJECT

    std::shared_ptr<TRTestPlugin> bonjour;
    std::shared_ptr<TRTestPlugin> chrome;
    std::shared_ptr<TRTestPlugin> safari;
    std::unique_ptr<TRPluginManager> manager;

    // A registry of the three sources, created in another order than their
    // names' order, with some items in each submenu.
    std::unique_ptr<TRMenuController> makeController(bool bonjourOn, bool chromeOn, bool safariOn)
    {
        const auto make = [](const QString &name, bool inlined, const QStringList &items, bool on) {
            auto plugin = std::make_shared<TRTestPlugin>(name, inlined);
            plugin->setItems(items);
            plugin->setEnabled(on);
            return plugin;
        };
        bonjour = make("Bonjour", false, {"printer.local"}, bonjourOn);
        chrome = make("Chrome", true, {"Chrome bar", "Chrome other"}, chromeOn);
        safari = make("Safari", true, {"Search", "Favourites"}, safariOn);
        manager = std::make_unique<TRPluginManager>(std::vector<TRPluginManager::Factory>{
            [this] { return safari; }, [this] { return bonjour; },
            [this] {
                return chrome;
            }});
        return std::make_unique<TRMenuController>(manager.get());
    }

private slots:
    void init()
    {
        TRSettings::standard().resetForTesting();
        TRSettings::standard().registerDefaults(TRSettingsKeys::generalDefaults());
    }

    void cleanup()
    {
        bonjour.reset();
        chrome.reset();
        safari.reset();
        manager.reset();
    }

    // Plain code-unit order: upper case sorts before lower case; a factory
    // that makes nothing adds nothing. The order of the real plugins shows in
    // the layouts below.
    void registryIsSortedByName()
    {
        TRPluginManager mixed({[] { return std::make_shared<TRTestPlugin>("apple", true); },
                               [] { return std::make_shared<TRTestPlugin>("Zebra", true); },
                               [] {
                                   return nullptr;
                               }});
        QCOMPARE(TRTestSupport::names(mixed.plugins()), QStringList({"Zebra", "apple"}));
    }

    void generalSubmenu()
    {
        // Its layout in another language is TestTranslations'. About,
        // Preferences and Quit are chosen in their own tests; nothing else
        // chooses Plugins through its item.
        auto controller = makeController(false, false, false);
        const QList<QAction *> items =
            findItem(controller->statusItemMenu(), "General")->menu()->actions();
        QCOMPARE(items[2]->property("tag").toInt(), 103);
        QStringList texts;
        std::ranges::transform(items, std::back_inserter(texts), &QAction::text);
        // Each item has an access key of its own.
        QCOMPARE(texts,
                 QStringList({"&About...", "", "&Plugins...", "P&references...", "", "&Quit"}));
    }

    void layouts_data()
    {
        QTest::addColumn<bool>("bonjourOn");
        QTest::addColumn<bool>("chromeOn");
        QTest::addColumn<bool>("safariOn");
        QTest::addColumn<QStringList>("expected");

        // Below General and its separator, which every layout starts with.
        QTest::newRow("all disabled") << false << false << false << QStringList();
        QTest::newRow("only Safari: inline")
            << false << false << true << QStringList({"Search", "Favourites"});
        QTest::newRow("Safari and Bonjour: Safari inline")
            << true << false << true << QStringList({"Bonjour>", "-", "Search", "Favourites"});
        QTest::newRow("Safari and Chrome: both submenus")
            << false << true << true << QStringList({"Chrome>", "-", "Safari>"});
        QTest::newRow("only Chrome: inline with trailing separator")
            << false << true << false << QStringList({"Chrome bar", "Chrome other", "-"});
        QTest::newRow("all enabled")
            << true << true << true << QStringList({"Bonjour>", "-", "Chrome>", "-", "Safari>"});
        QTest::newRow("only Bonjour: never inline")
            << true << false << false << QStringList({"Bonjour>", "-"});
    }

    void layouts()
    {
        QFETCH(bool, bonjourOn);
        QFETCH(bool, chromeOn);
        QFETCH(bool, safariOn);
        QFETCH(QStringList, expected);
        auto controller = makeController(bonjourOn, chromeOn, safariOn);
        QCOMPARE(describe(controller->statusItemMenu()),
                 QStringList({"Find...", "General>", "-"}) + expected);
        // Find, General and each submenu have an access key, no two alike;
        // items of a plugin shown inline have none.
        QStringList keys;
        for (const QAction *item : controller->statusItemMenu()->actions()) {
            const QString key = QString(item->text()).remove("&&").section(u'&', 1).left(1);
            QCOMPARE(key.isEmpty(), !item->menu() && item->objectName() != "findItem");
            QVERIFY(key.isEmpty() || !keys.contains(key, Qt::CaseInsensitive));
            keys << key;
        }
        // Every plugin, enabled or not, was asked to update once; a rebuild
        // asks none again.
        controller->updateMenu();
        for (const auto &plugin : {bonjour, chrome, safari}) {
            QCOMPARE(plugin->updateCount, 1);
        }
    }

    // Inlined items are lent to the status menu: until the plugin rebuilds its
    // submenu, the next rebuild shows a disabled "Loading..." in their place.
    void inlinedItemsAreLentUntilThePluginRebuilds()
    {
        auto controller = makeController(false, false, true);
        QMenu *menu = controller->statusItemMenu();
        QVERIFY(safari->menuItem()->menu()->actions().isEmpty());

        controller->updateMenu();
        QCOMPARE(describe(menu),
                 QStringList({"Find...", "General>", "-", "Loading... (disabled)"}));

        safari->setItems({"Search", "History"});
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::pluginDidUpdate);
        QCOMPARE(describe(menu), QStringList({"Find...", "General>", "-", "Search", "History"}));

        // The window notification rebuilds too, and a disabled plugin vanishes.
        safari->setEnabled(false);
        TRNotificationCenter::defaultCenter().post(
            TRNotificationNames::menuControllerMenuNeedsUpdate);
        QCOMPARE(describe(menu), QStringList({"Find...", "General>", "-"}));

        // An inline plugin without a submenu adds nothing.
        safari->setEnabled(true);
        safari->removeSubmenu();
        controller->updateMenu();
        QCOMPARE(describe(menu), QStringList({"Find...", "General>", "-"}));
    }

    // Each plugin gets the rate of the stored index, or the default one when
    // the index is outside the table (which is checked through the
    // preferences' pop-up).
    void updateRates()
    {
        for (const auto &[stored, seconds] :
             {std::pair(QVariant(), 60.0), std::pair(QVariant(4), 3600.0),
              std::pair(QVariant(5), 60.0), std::pair(QVariant(-1), 60.0)}) {
            if (stored.isValid()) {
                TRSettings::standard().setObject(TRSettingsKeys::updateRateIndex, stored);
            }
            auto controller = makeController(true, false, true);
            QCOMPARE(bonjour->updateRate(), std::optional(seconds));
            QCOMPARE(safari->updateRate(), std::optional(seconds));
            // Disabled plugins are told nothing.
            QCOMPARE(chrome->updateRateWrites, 0);
            QVERIFY(!chrome->updateRate().has_value());

            // Every rebuild tells the enabled plugins again.
            controller->updateMenu();
            QCOMPARE(safari->updateRateWrites, 2);
        }
    }

    void statusItemImage()
    {
        auto controller = makeController(false, false, false);
        QSystemTrayIcon *item = controller->statusItem();
#ifdef Q_OS_MACOS
        QVERIFY(item->icon().isMask());
#else
        // Nothing tints it on a panel that may be dark or light: it needs
        // both a dark and a light part.
        const QImage shown = item->icon().pixmap(22, 22).toImage();
        int dark = 0;
        int light = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor pixel = shown.pixelColor(x, y);
                if (pixel.alpha() > 200) {
                    dark += pixel.lightness() < 60;
                    light += pixel.lightness() > 200;
                }
            }
        }
        QVERIFY2(dark > 20 && light > 20, qPrintable(QString("%1 %2").arg(dark).arg(light)));
#endif
        const qint64 defaultKey = item->icon().cacheKey();
        // A rebuild with the same setting leaves the image alone: a tray host
        // would otherwise be sent it again on every rebuild.
        controller->updateMenu();
        QCOMPARE(item->icon().cacheKey(), defaultKey);

        // At twice the pixels per point the image fills the doubled slot.
        const QImage doubled = item->icon().pixmap(QSize(22, 22), 2.0).toImage();
        QCOMPARE(doubled.size(), QSize(44, 44));
        const QRect drawn = QRegion(QBitmap::fromImage(doubled.createAlphaMask())).boundingRect();
        QVERIFY(drawn.right() > 33 && drawn.bottom() > 33);

        // Choosing another icon in the preferences shows it at once.
        TRPreferencesGeneralViewController pane;
        QTest::keyClick(pane.menuIconPopUpButton(), Qt::Key_Down);
        QVERIFY(item->icon().cacheKey() != defaultKey);

        // An unknown stored name must not leave the tray without an icon.
        TRSettings::standard().setString(TRSettingsKeys::menuIconName, "no such image");
        controller->updateMenu();
        QVERIFY(!item->icon().isNull());
    }

    // Made on first use and kept: closed and moved, it comes back centred,
    // and on a screen too small for it, it shrinks to fit.
    void pluginsActionOpensOneWindowCentred()
    {
        auto controller = makeController(true, true, true);
        controller->performMenuAction(TRMenuController::pluginsAction);
        TRPluginManagerWindowController *window = controller->pluginWindowController();
        window->close();
        window->move(0, 0);
        controller->performMenuAction(TRMenuController::pluginsAction);
        QCOMPARE(controller->pluginWindowController(), window);
        QVERIFY(window->isVisible());
        const QPoint centre = window->screen()->availableGeometry().center();
        QVERIFY((window->frameGeometry().center() - centre).manhattanLength() <= 2);

        const QRect small(-100, 40, 320, 240);
        TRWindowPlacement::centre(window, small);
        QCOMPARE(window->frameGeometry(), small);
    }

    // One window at a time, a new one after a close, none once the controller goes.
    void menuOpensOnePreferencesWindow()
    {
        auto controller = makeController(false, false, false);
        int menuUpdates = 0;
        QObject observer;
        TRNotificationCenter::defaultCenter().addObserver(
            &observer, TRNotificationNames::menuControllerMenuNeedsUpdate,
            [&menuUpdates](const TRNotification &) { ++menuUpdates; });
        QAction *item =
            findItem(findItem(controller->statusItemMenu(), "General")->menu(), "Preferences...");
        QVERIFY(item);

        item->trigger();
        QPointer<TRPreferencesWindowController> window = controller->preferencesWindowController();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->currentViewController());

        controller->performMenuAction(TRMenuController::preferencesAction);
        QCOMPARE(windowsOf<TRPreferencesWindowController>(false).size(), 1);

        // Closed, it is freed, and the next opening makes a new window.
        window->close();
        QCOMPARE(menuUpdates, 1);
        QTRY_VERIFY(!window);
        QVERIFY(!controller->preferencesWindowController());
        controller->performMenuAction(TRMenuController::preferencesAction);
        window = controller->preferencesWindowController();
        QVERIFY(window);
        QVERIFY(window->isVisible());

        // The window must not outlive the registry it calls on when closing.
        controller.reset();
        QVERIFY(!window);
        QCOMPARE(bonjour->updateCount, 2);
        QCOMPARE(menuUpdates, 1);
    }

    // The tag decides the action: tags outside 100-103 do nothing; 100, the
    // About item's, shows the name and the version, once.
    void tagsChooseTheAction()
    {
        auto controller = makeController(false, false, false);
        for (int tag : {99, 104, 0, -1}) {
            QAction item;
            item.setProperty("tag", tag);
            controller->handleMenuItem(&item);
        }
        QAction untagged;
        controller->handleMenuItem(&untagged);
        controller->handleMenuItem(nullptr);
        QVERIFY(windowsOf<QMessageBox>(true).isEmpty());

        QAction *about =
            findItem(findItem(controller->statusItemMenu(), "General")->menu(), "About...");
        QCOMPARE(about->property("tag").toInt(), 100);
        about->trigger();
        about->trigger();
        const QList<QMessageBox *> boxes = windowsOf<QMessageBox>(true);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.first()->text().contains("Trellis"));
        QVERIFY(boxes.first()->informativeText().contains(TRELLIS_VERSION));
        boxes.first()->close();
    }

    // "Quit" writes pending settings to disk and ends the event loop.
    void quitFlushesAndQuits()
    {
        auto controller = makeController(false, false, false);
        TRSettings::standard().setInteger(TRSettingsKeys::updateRateIndex, 4);
        QAction *quit = findItem(findItem(controller->statusItemMenu(), "General")->menu(), "Quit");
        QTimer::singleShot(0, quit, &QAction::trigger);
        // Ends the loop with 1 when the item does not.
        QObject watchdog;
        QTimer::singleShot(10000, &watchdog, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        // Read the file itself: another QSettings would share the unsaved cache.
        QFile file(TRSettings::standard().fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("_defaults_updateRateIndex=4"));
    }
};

TRELLIS_TEST_MAIN(TestMenuController)
#include "TestMenuController.moc"
