#include "AppDelegate.h"
#include "TRBonjourPlugin.h"
#include "TRBonjourPluginConfigurationViewController.h"
#include "TRDNSSDServiceBrowser.h"
#include "TRImages.h"
#include "TRPluginManager.h"
#include "TRScriptedServiceBrowser.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"
#include "TRUIManager.h"

#include <QAction>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

using TRTestSupport::names;

namespace {

// Counts the items added to and removed from a menu: a rebuild removes every
// item and adds them all again.
class MenuChanges : public QObject
{
public:
    explicit MenuChanges(QMenu *menu) { menu->installEventFilter(this); }
    int added = 0;
    int removed = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        added += event->type() == QEvent::ActionAdded ? 1 : 0;
        removed += event->type() == QEvent::ActionRemoved ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestBonjourPlugin : public QObject
{
    Q_OBJECT

    TRScriptedServiceBrowser *browser = nullptr;
    // The system bus of the whole run: D-Bus reads its address once per
    // process, so each test makes or removes the socket's folder instead.
    QTemporaryDir m_busRoot;
    QString busFolder() const { return m_busRoot.filePath("bus"); }
    QByteArray busAddress() const
    {
        return "unix:path=" + QFile::encodeName(busFolder() + "/system_bus_socket");
    }

    // A fresh plugin on a scripted browser for every case.
    std::unique_ptr<TRBonjourPlugin> plugin;
    TRTestPluginEvents events;

    // The titles of the plugin's submenu.
    QStringList shown() const { return TRTestMenus::describe(plugin->parentMenu()); }
    void choose(const QString &title) const
    {
        TRTestMenus::findItem(plugin->parentMenu(), title)->trigger();
    }
    // Announces one service with no more to come; returns it and its bookmark.
    auto announceAlone(const QString &name)
    {
        browser->announce(name, false);
        return std::pair(browser->service(name), plugin->activeBookmarks().back());
    }

private slots:
    void initTestCase() { qputenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress()); }
    void cleanupTestCase() { qunsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    // Without a daemon, and with no bus that can be watched for one, the real
    // browser keeps asking, less and less often.
    void browserWithoutADaemonBacksOff()
    {
        // No system bus and no folder for its socket, so Avahi's library
        // finds no daemon and there is nothing to watch.
        QVERIFY(!QFileInfo::exists(busFolder()));
        TRDNSSDServiceBrowser dnssd;
        dnssd.searchForServices("_http._tcp.", "local.");
        QVERIFY(!dnssd.isConnected());
        QCOMPARE(dnssd.nextRetryInterval(), 2 * TRDNSSDServiceBrowser::retryInterval);
        // The first retry comes after the shortest wait, and fails again.
        QTRY_COMPARE_WITH_TIMEOUT(dnssd.nextRetryInterval(),
                                  4 * TRDNSSDServiceBrowser::retryInterval, 5000);
        QVERIFY(!dnssd.isConnected());
        // A new search starts from the shortest wait again.
        dnssd.searchForServices("_http._tcp.", "local.");
        QCOMPARE(dnssd.nextRetryInterval(), 2 * TRDNSSDServiceBrowser::retryInterval);
    }

    // Where the system bus can be watched, a missing daemon is waited for
    // without a timer: first the bus's socket, then the daemon's name on it.
    void browserWaitsForTheBusAndTheDaemon()
    {
        QVERIFY(QDir().mkpath(busFolder()));
        const auto removeFolder = qScopeGuard([this] { QDir(busFolder()).removeRecursively(); });
        const QByteArray address = busAddress();
        TRDNSSDServiceBrowser dnssd;
        dnssd.searchForServices("_http._tcp.", "local.");
        QCOMPARE(dnssd.attempts(), 1);
        QVERIFY(dnssd.isWatchingForDaemon());
        QVERIFY(!dnssd.isRetryScheduled());

        // The bus comes up: one more attempt, which finds no daemon on it.
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--nopidfile",
                                  "--address=" + QString::fromLocal8Bit(address)});
        QVERIFY(bus.waitForStarted(5000));
        const auto stopBus = qScopeGuard([&bus] {
            bus.terminate();
            bus.waitForFinished(3000);
        });
        QTRY_COMPARE_WITH_TIMEOUT(dnssd.attempts(), 2, 10000);
        QVERIFY(dnssd.isWatchingForDaemon());
        QVERIFY(!dnssd.isRetryScheduled());

        // A daemon's name appears on the bus: asked at once. This one is no
        // daemon, so the browser falls back to asking again in time.
        {
            QDBusConnection fake =
                QDBusConnection::connectToBus(QString::fromLocal8Bit(address), "fake-avahi");
            QVERIFY(fake.isConnected());
            QVERIFY(fake.registerService("org.freedesktop.Avahi"));
            QTRY_COMPARE_WITH_TIMEOUT(dnssd.attempts(), 3, 10000);
            QVERIFY(!dnssd.isConnected());
            QVERIFY(!dnssd.isWatchingForDaemon());
            QVERIFY(dnssd.isRetryScheduled());
        }
        QDBusConnection::disconnectFromBus("fake-avahi");
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        events.reset();
        auto scripted = std::make_unique<TRScriptedServiceBrowser>();
        browser = scripted.get();
        plugin = std::make_unique<TRBonjourPlugin>(std::move(scripted));
    }
    void cleanup() { plugin.reset(); }

    // Browsing starts once, at creation, for web servers in the default
    // domain, and the fallback icon is our own. Disabling the plugin does not
    // stop browsing: only the status menu leaves the item out
    // (TestMenuController). The plugin is one of the built-in ones.
    void conformsToThePluginProtocolAndBrowsesFromCreation()
    {
        QVERIFY(!plugin->allowsInlineMenu());
        QVERIFY(!plugin->menuItem()->icon().isNull());
        QCOMPARE(plugin->menuItem()->text(), QString("Bonjour"));
        QCOMPARE(plugin->menuItem()->menu(), plugin->parentMenu());
        QCOMPARE(shown(), QStringList({"No web servers found (disabled)"}));
        QCOMPARE(browser->searches,
                 (std::vector<std::pair<QString, QString>>{{"_http._tcp.", QString()}}));
        QVERIFY(!TRImages::imageNamed("bonjour").isNull());

        // The default is registered by the plugin.
        QVERIFY(plugin->isEnabled());
        plugin->setEnabled(false);
        QVERIFY(!TRSettings::standard().boolForKey(TRSettingsKeys::bonjourEnabled));
        browser->announce("Printer", false);
        QCOMPARE(shown(), QStringList({"Printer"}));
        QAction *printer = TRTestMenus::findItem(plugin->parentMenu(), "Printer");
        QVERIFY(printer);
        QVERIFY(!printer->icon().isNull());
        QVERIFY(!printer->menu());
        const auto bookmark =
            std::dynamic_pointer_cast<TRBonjourBookmark>(printer->data().value<TRBookmarkPtr>());
        QCOMPARE(bookmark, plugin->activeBookmarks().front());
        QVERIFY(!bookmark->hasUrl());
        QCOMPARE(bookmark->netService(), TRNetServicePtr(browser->service("Printer")));

        // update() rebuilds from what was found so far.
        plugin->parentMenu()->clear();
        plugin->update();
        QCOMPARE(shown(), QStringList({"Printer"}));

        QWidget *pane = plugin->configurationViewController();
        auto *bonjourPane = qobject_cast<TRBonjourPluginConfigurationViewController *>(pane);
        QVERIFY(bonjourPane);
        QCOMPARE(plugin->configurationViewController(), pane);

        // Each showing of the pane says whether Avahi must be started.
        for (const bool answering : {true, false}) {
            browser->answering = answering;
            pane->show();
            QCOMPARE(bonjourPane->daemonStatusLabel()->isHidden(), answering);
            pane->hide();
        }
        QVERIFY(bonjourPane->daemonStatusLabel()->text().contains("systemctl enable --now avahi"));

        TRPluginManager manager(AppDelegate::builtInPlugins());
        QCOMPARE(names(manager.plugins()), QStringList({"Bonjour", "Chrome", "Safari"}));
        // The real browser is used; without a daemon it keeps trying quietly.
        QVERIFY(dynamic_cast<TRBonjourPlugin &>(*manager.plugins().front()).isBrowsing());
    }

    // Three services in one batch: the submenu is rebuilt once, after the
    // third, sorted by name; the list keeps the order of announcement.
    void batchOfFindsRebuildsOnce()
    {
        MenuChanges changes(plugin->parentMenu());
        browser->announce("Zeta printer", true);
        browser->announce("alpha router", true);
        QCOMPARE(changes.added, 0);
        browser->announce("Beta camera", false);
        QCOMPARE(shown(), QStringList({"Beta camera", "Zeta printer", "alpha router"}));
        QCOMPARE(names(plugin->activeBookmarks()),
                 QStringList({"Zeta printer", "alpha router", "Beta camera"}));
        QCOMPARE(changes.added, 3);
        QCOMPARE(changes.removed, 1); // the line saying none were found

        // A later single find rebuilds at once.
        browser->announce("Attic NAS", false);
        QCOMPARE(shown(),
                 QStringList({"Attic NAS", "Beta camera", "Zeta printer", "alpha router"}));
        QCOMPARE(changes.added, 7);
        QCOMPARE(changes.removed, 4);

        // The plugin itself waits for the last of a batch, however the
        // browser delivers it.
        auto direct = std::make_shared<TRScriptedNetService>("Direct", "_http._tcp.", "local.");
        plugin->netServiceBrowserDidFindService(browser, direct, true);
        QCOMPARE(plugin->activeBookmarks().size(), std::size_t(5));
        QCOMPARE(plugin->parentMenu()->actions().size(), 4);
        QCOMPARE(changes.added, 7);
    }

    // One service seen on three interfaces (or address families): one item,
    // gone only when the last of them withdraws it. A batch whose last
    // report repeats a service already found still ends the batch. An "&"
    // in a name shows as written, not as the mark of an access key.
    void repeatedReportsAreOneService()
    {
        browser->announce("Printer", true);
        browser->announce("Rock & Roll", true);
        browser->announce("Printer", true);
        browser->announce("Printer", false);
        QCOMPARE(shown(), QStringList({"Printer", "Rock & Roll"}));
        QCOMPARE(plugin->activeBookmarks().size(), std::size_t(2));
        const auto bookmark = plugin->activeBookmarks().front();

        // A batch of nothing but repeats leaves the submenu as it is.
        const QList<QAction *> before = plugin->parentMenu()->actions();
        browser->announce("Rock & Roll", true);
        browser->announce("Rock & Roll", false);
        QCOMPARE(plugin->parentMenu()->actions(), before);

        browser->withdraw("Printer", false);
        browser->withdraw("Printer", false);
        QCOMPARE(shown(), QStringList({"Printer", "Rock & Roll"}));
        QCOMPARE(plugin->activeBookmarks().front(), bookmark);
        browser->withdraw("Printer", false);
        QCOMPARE(shown(), QStringList({"Rock & Roll"}));

        // Withdrawals of a service never seen change nothing.
        browser->withdraw("Printer", false);
        browser->withdraw("Unknown", false);
        QCOMPARE(names(plugin->activeBookmarks()), QStringList({"Rock & Roll"}));
    }

    // The same name from two domains gives two items; each removal of that
    // name takes the first remaining bookmark of it, whatever is removed.
    void duplicateNames()
    {
        browser->announce("Printer", false, "local.");
        browser->announce("Printer", false, "example.com.");
        browser->announce("Other", false, "local.");
        QCOMPARE(shown(), QStringList({"Other", "Printer", "Printer"}));
        const auto second = plugin->activeBookmarks()[1];
        QCOMPARE(plugin->activeBookmarks()[0]->netService()->domain(), QString("local."));
        QCOMPARE(second->netService()->domain(), QString("example.com."));

        browser->withdraw("Printer", false, "example.com.");
        QCOMPARE(shown(), QStringList({"Other", "Printer"}));
        QCOMPARE(plugin->activeBookmarks().size(), std::size_t(2));
        QCOMPARE(plugin->activeBookmarks()[0], second);

        // A removal rebuilds even when more reports are said to follow.
        MenuChanges changes(plugin->parentMenu());
        plugin->netServiceBrowserDidRemoveService(browser, second->netService(), true);
        QCOMPARE(shown(), QStringList({"Other"}));
        QCOMPARE(names(plugin->activeBookmarks()), QStringList({"Other"}));
        QCOMPARE(changes.removed, 2);

        // A batch that removes one service and finds another: the removal
        // is told first, with more to come, and both show at the end.
        browser->withdraw("Other", true, "local.");
        browser->announce("New", false, "local.");
        QCOMPARE(shown(), QStringList({"New"}));
    }

    // When the daemon goes away its services go with it; a new daemon's
    // reports bring them back.
    void lostDaemonEmptiesTheSubmenu()
    {
        browser->announce("Camera", true);
        browser->announce("Printer", false);
        browser->announce("Pending", true);
        browser->answering = false;
        browser->loseDaemon();
        QCOMPARE(shown(), QStringList({"Avahi is not running (disabled)"}));
        QVERIFY(plugin->activeBookmarks().empty());

        browser->answering = true;
        browser->announce("Printer", true);
        browser->announce("Printer", false);
        QCOMPARE(shown(), QStringList({"Printer"}));
        browser->withdraw("Printer", false);
        browser->withdraw("Printer", false);
        QVERIFY(plugin->activeBookmarks().empty());
        // The find held back when the daemon went was never told; its
        // withdrawal from a later daemon is no removal.
        browser->withdraw("Pending", false);
        QVERIFY(plugin->activeBookmarks().empty());
    }

    // The first choice resolves the service and then shows it; later choices
    // show the stored address at once, without resolving again.
    void resolveThenShow()
    {
        const auto [service, bookmark] = announceAlone("Web cam");

        choose("Web cam");
        QVERIFY(events.shown.isEmpty());
        QCOMPARE(service->resolveRequests, 1);
        QVERIFY(service->isResolving());
        QVERIFY(bookmark->resolveCompletionHandler());

        service->answer("web-cam.local.", 8080);
        QCOMPARE(bookmark->url(), QUrl("http://web-cam.local.:8080"));
        QCOMPARE(service->delegate(), nullptr);
        QVERIFY(!bookmark->resolveCompletionHandler());
        QVERIFY(!service->isResolving());
        QCOMPARE(events.shown.size(), 1);
        QCOMPARE(std::get<TRUIManager::ShowBookmark>(events.shown.at(0)).bookmark,
                 TRBookmarkPtr(bookmark));

        choose("Web cam");
        QCOMPARE(events.shown.size(), 2);
        QCOMPARE(std::get<TRUIManager::ShowBookmark>(events.shown.at(1)).bookmark,
                 TRBookmarkPtr(bookmark));
        QCOMPARE(service->resolveRequests, 1);

        // A service that goes and comes back is a new, unresolved bookmark.
        browser->withdraw("Web cam", false);
        browser->announce("Web cam", false);
        QCOMPARE(plugin->activeBookmarks().size(), std::size_t(1));
        QVERIFY(plugin->activeBookmarks().front() != bookmark);
        QVERIFY(!plugin->activeBookmarks().front()->hasUrl());
    }

    // A failed resolution shows nothing and keeps the completion; the next
    // choice resolves afresh and its completion replaces the old one, which
    // never runs.
    void failedResolutionAndRetry()
    {
        const auto [service, bookmark] = announceAlone("NAS");

        choose("NAS");
        service->fail();
        QVERIFY(events.shown.isEmpty());
        QVERIFY(!bookmark->hasUrl());
        QVERIFY(bookmark->resolveCompletionHandler());
        QVERIFY(!service->isResolving());

        int staleRuns = 0;
        bookmark->setResolveCompletionHandler([&staleRuns] { ++staleRuns; });
        choose("NAS");
        QCOMPARE(service->resolveRequests, 2);
        service->answer("nas.local.", 5000);
        QCOMPARE(staleRuns, 0);
        QCOMPARE(events.shown.size(), 1);
        QCOMPARE(bookmark->url(), QUrl("http://nas.local.:5000"));

        // A request the daemon refuses outright is a failure too.
        const auto refusing = announceAlone("Refusing").first;
        refusing->acceptsRequests = false;
        choose("Refusing");
        QCOMPARE(refusing->resolveRequests, 1);
        QVERIFY(!refusing->isResolving());
        QCOMPARE(events.shown.size(), 1);
    }

    // Nothing answers: after ten seconds the resolution gives up, shows
    // nothing and a new choice starts a fresh ten seconds.
    void resolutionTimesOutAfterTenSeconds()
    {
        const auto [service, bookmark] = announceAlone("Silent");

        const QDeadlineTimer tenSeconds(9900);
        choose("Silent");
        QTest::qWait(9000);
        QVERIFY(service->isResolving());
        QVERIFY(service->requestOpen);
        QTRY_VERIFY_WITH_TIMEOUT(!service->isResolving(), 3000);
        QVERIFY(tenSeconds.hasExpired());
        QVERIFY(!service->requestOpen);
        QVERIFY(events.shown.isEmpty());
        QVERIFY(bookmark->resolveCompletionHandler());

        choose("Silent");
        QCOMPARE(service->resolveRequests, 2);
        QVERIFY(service->requestOpen);
        service->answer("silent.local.", 80);
        QCOMPARE(events.shown.size(), 1);
    }

    // A host name that makes no URL leaves the bookmark without one; the
    // completion still runs and shows nothing. Items that hold no Bonjour
    // bookmark, and bookmarks without a service, show nothing and resolve
    // nothing.
    void choicesThatShowNothing()
    {
        const auto [service, bookmark] = announceAlone("Odd");
        choose("Odd");
        service->answer("bad host name.local.", 80);
        QVERIFY(!bookmark->hasUrl());
        QVERIFY(!bookmark->resolveCompletionHandler());
        // An answer without a host name stores nothing either.
        choose("Odd");
        service->answer(QString(), 80);
        QVERIFY(!bookmark->hasUrl());

        QAction foreign("Foreign");
        foreign.setData(QVariant::fromValue<TRBookmarkPtr>(
            TRBookmark::init(TRBookmarkKind::item, "Foreign", QUrl("https://example.com/"))));
        plugin->handleBonjourService(&foreign);
        plugin->handleBonjourService(nullptr);
        QAction orphan("Orphan");
        const auto unattached = TRBonjourBookmark::init(TRBookmarkKind::item, "Orphan");
        orphan.setData(QVariant::fromValue<TRBookmarkPtr>(unattached));
        plugin->handleBonjourService(&orphan);
        QVERIFY(events.shown.isEmpty());
        QVERIFY(!unattached->resolveCompletionHandler());
    }

    // A removed service's bookmark may die while the daemon still answers;
    // the answer must not reach it.
    void bookmarkLeavesItsServiceWhenItDies()
    {
        auto service = std::make_shared<TRScriptedNetService>("S", "_http._tcp.", "local.");
        {
            const auto bookmark = TRBonjourBookmark::init(TRBookmarkKind::item, "S");
            bookmark->setNetService(service);
            service->setDelegate(bookmark.get());
            service->resolveWithTimeout(10);
        }
        QCOMPARE(service->delegate(), nullptr);
        service->answer("s.local.", 80);
        QCOMPARE(service->hostName(), QString("s.local."));
    }
};

TRELLIS_TEST_MAIN(TestBonjourPlugin)
#include "TestBonjourPlugin.moc"
