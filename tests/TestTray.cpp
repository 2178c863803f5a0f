#include "TRFileGrant.h"
#include "TRMenuController.h"
#include "TRPluginManager.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestSessionBus.h"
#include "TRTestSupport.h"
#include "TRTrayWatcher.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

// What a panel's tray offers on the session bus: hosts register with it,
// and items (applications' icons) register with it to be shown.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    ~StatusNotifierWatcher() override { stop(); }

    bool start(bool withHost)
    {
        m_hostRegistered = withHost;
        QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.registerObject(TRTrayWatcher::statusNotifierWatcherPath, this,
                                  QDBusConnection::ExportAllContents) &&
               bus.registerService(TRTrayWatcher::statusNotifierWatcherService);
    }
    void stop()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(TRTrayWatcher::statusNotifierWatcherService);
        bus.unregisterObject(TRTrayWatcher::statusNotifierWatcherPath);
    }
    void registerHost()
    {
        m_hostRegistered = true;
        emit StatusNotifierHostRegistered();
    }

    bool isStatusNotifierHostRegistered() const { return m_hostRegistered; }
    QStringList registeredStatusNotifierItems() const { return m_items; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message)
    {
        // An item names either its bus name or, on the sender's name, its path.
        m_items << (service.startsWith('/') ? message.service() : service);
        emit StatusNotifierItemRegistered(m_items.last());
    }
    void RegisterStatusNotifierHost(const QString &) { registerHost(); }

signals:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierHostRegistered();

private:
    bool m_hostRegistered = false;
    QStringList m_items;
};

QString windowTree()
{
    QProcess tree;
    tree.start("xwininfo", {"-root", "-tree"});
    tree.waitForFinished(5000);
    return QString::fromUtf8(tree.readAllStandardOutput());
}

const QString trayerPanel = "(\"panel\" \"trayer\")";

// An XEmbed tray on the test's display.
class Trayer
{
public:
    bool start()
    {
        m_process.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request"});
        return m_process.waitForStarted(5000);
    }
    ~Trayer()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
        // The display lets go of the tray's selection when it sees the
        // connection close, which may come after the process has gone; the
        // next case must start without a tray.
        const QDeadlineTimer deadline(5000);
        while (windowTree().contains(trayerPanel) && !deadline.hasExpired()) {
            QTest::qWait(20);
        }
    }

private:
    QProcess m_process;
};

// Whether a window of this name is docked in the XEmbed tray: it sits below
// trayer's panel in the display's window tree, where a window's line starts
// with its id.
bool dockedInTheTray(const QString &name)
{
    qsizetype panelIndent = -1;
    for (const QString &line : windowTree().split('\n')) {
        const qsizetype indent = line.indexOf("0x");
        if (panelIndent >= 0 && indent >= 0 && indent <= panelIndent) {
            panelIndent = -1;
        }
        if (line.contains(trayerPanel)) {
            panelIndent = indent;
        } else if (panelIndent >= 0 && line.contains(" \"" + name + "\":")) {
            return true;
        }
    }
    return false;
}

// The bus name of a process's connection to the session bus; empty while
// it has none.
QString busNameOfProcess(qint64 pid)
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    for (const QString &name : bus->registeredServiceNames().value()) {
        if (name.startsWith(':') && bus->servicePid(name).value() == pid) {
            return name;
        }
    }
    return {};
}

QVariant itemProperty(const QString &service, const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(service, "/StatusNotifierItem",
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << QString("org.kde.StatusNotifierItem") << name;
    const QDBusReply<QDBusVariant> reply =
        QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

// An exported menu as a host sees it: each item is (id, properties,
// children as variants of items).
struct MenuItem
{
    int id = 0;
    QString label;
    QList<MenuItem> children;
};

MenuItem readMenuItem(const QDBusArgument &argument)
{
    MenuItem item;
    QVariantMap properties;
    argument.beginStructure();
    argument >> item.id >> properties;
    item.label = properties.value("label").toString();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children << readMenuItem(child.variant().value<QDBusArgument>());
    }
    argument.endArray();
    argument.endStructure();
    return item;
}

// The labels a host shows after opening the submenus named, one after the
// other, as a host does: it tells the application before showing each.
QStringList menuLabels(const QString &service, const QString &path, const QStringList &submenus)
{
    const auto call = [&](const QString &method, const QVariantList &arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(service, path, "com.canonical.dbusmenu", method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
    };
    int parent = 0;
    for (qsizetype level = 0;; ++level) {
        // An error's reply has one argument, its message.
        const QDBusMessage reply = call("GetLayout", {parent, -1, QStringList{"label"}});
        if (reply.arguments().size() != 2) {
            return {};
        }
        const MenuItem menu = readMenuItem(reply.arguments().at(1).value<QDBusArgument>());
        QStringList labels;
        std::ranges::transform(menu.children, std::back_inserter(labels), &MenuItem::label);
        if (level == submenus.size()) {
            return labels;
        }
        const qsizetype next = labels.indexOf(submenus.at(level));
        if (next < 0) {
            return {};
        }
        parent = menu.children.at(next).id;
        call("AboutToShow", {parent});
    }
}

} // namespace

// Tray icons need a display: this runs under Xvfb, on a private session bus,
// where no tray runs until a test starts one.
class TestTray : public QObject
{
    Q_OBJECT

    std::unique_ptr<TRTestSessionBus> m_bus;

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<TRTestSessionBus>();
        QVERIFY2(m_bus->isRunning(), "dbus-daemon did not start");
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    }

    void statusNotifierHost()
    {
        // The panel's watcher up before its host (KDE starts them apart); the
        // panel started after Trellis, watcher and host together; the host
        // already there.
        for (const auto &[watcherAtStart, hostAtStart] :
             {std::pair(true, false), std::pair(false, true), std::pair(true, true)}) {
            StatusNotifierWatcher panel;
            if (watcherAtStart) {
                QVERIFY(panel.start(hostAtStart));
            }
            TRTrayWatcher watcher;
            QSignalSpy available(&watcher, &TRTrayWatcher::trayAvailable);
            if (watcherAtStart && hostAtStart) {
                // Asked without blocking the start: the answer comes as an event.
                QVERIFY(available.wait(5000));
                continue;
            }
            // Time for the question to be answered, wrongly if at all.
            QTest::qWait(300);
            QCOMPARE(available.count(), 0);
            QVERIFY(!watcher.isTrayAvailable());

            if (watcherAtStart) {
                panel.registerHost();
            } else {
                QVERIFY(panel.start(hostAtStart));
            }
            QVERIFY(available.wait(5000));
            QVERIFY(watcher.isTrayAvailable());
        }
    }

    // No tray at all: the menu is ready, there is no icon, and after a while
    // a window says once how to get a tray; a tray that appears then still
    // gets the icon, and the window goes.
    void noTrayThenXEmbedTray()
    {
        TRSettings::standard().resetForTesting();
        TRTrayWatcher::noticeDelay = 300ms;
        TRPluginManager plugins(std::vector<TRPluginManager::Factory>{});
        TRMenuController controller(&plugins);
        QVERIFY(!controller.statusItem());
        QVERIFY(!controller.statusItemMenu()->actions().isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(controller.noTrayNotice(), 5000);
        QMessageBox *notice = controller.noTrayNotice();
        QVERIFY(notice->isVisible());
        QVERIFY(notice->informativeText().contains("gnome-shell-extension-appindicator"));
        QTest::qWait(900);
        QCOMPARE(controller.noTrayNotice(), notice);

        Trayer trayer;
        QVERIFY(trayer.start());
        QTRY_VERIFY_WITH_TIMEOUT(controller.statusItem(), 10000);
        QVERIFY(controller.statusItem()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!controller.noTrayNotice(), 5000);
        // Docked for real: the icon's window sits inside the tray's panel.
        QTRY_VERIFY_WITH_TIMEOUT(dockedInTheTray("Trellis"), 10000);
        // Once a tray runs, a new watcher has nothing to wait for.
        QVERIFY(TRTrayWatcher().isTrayAvailable());
    }

    // The application as users start it, before their panel: Qt decides only
    // once whether to use a StatusNotifierItem host, so an icon made at the
    // start would never reach a host that registers after it.
    void applicationStartedBeforeThePanel()
    {
        TRSettings::standard().resetForTesting();
        TRSettings::standard().setBool(TRSettingsKeys::firstRun, false);
        QTemporaryDir chrome;
        QVERIFY(TRTestSupport::writeFile(
            chrome.filePath("Bookmarks"),
            TRTestSupport::json(
                "{'roots':{'bookmark_bar':{'type':'folder','name':'Bar','children':["
                "{'type':'folder','name':'Cooking','children':["
                "{'type':'url','name':'Spring Risotto','url':'http://127.0.0.1/risotto'},"
                "{'type':'url','name':'Lemon Cake','url':'http://127.0.0.1/cake'}]}]}}}")));
        TRSettings::standard().setData(TRSettingsKeys::googleChromeBookmarksData,
                                       *TRFileGrant::make(chrome.filePath("Bookmarks")));
        QVERIFY(TRSettings::standard().synchronize());

        QProcess trellis;
        trellis.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        trellis.start(qEnvironmentVariable("TRELLIS_BINARY_DIR") + "/trellis", {});
        QVERIFY(trellis.waitForStarted(5000));
        QString trellisName;
        QTRY_VERIFY_WITH_TIMEOUT(!(trellisName = busNameOfProcess(trellis.processId())).isEmpty(),
                                 10000);
        // Past the point where the icon used to be made.
        QTest::qWait(500);

        StatusNotifierWatcher panel;
        QSignalSpy registered(&panel, &StatusNotifierWatcher::StatusNotifierItemRegistered);
        QVERIFY(panel.start(false));
        panel.registerHost();
        QVERIFY(registered.wait(10000));
        const QString item = registered.first().first().toString();

        QCOMPARE(QDBusConnection::sessionBus().interface()->servicePid(item).value(),
                 quint32(trellis.processId()));
        QCOMPARE(itemProperty(item, "Status").toString(), QString("Active"));
        const QString menu = itemProperty(item, "Menu").value<QDBusObjectPath>().path();
        // Access keys go over the bus as the menu protocol marks them.
        QTRY_VERIFY_WITH_TIMEOUT(menuLabels(item, menu, {}).contains("_General"), 5000);
        // Submenus are filled when they open; a host opens them over the bus.
        QTRY_COMPARE_WITH_TIMEOUT(menuLabels(item, menu, {"_Chrome", "Bar", "Cooking"}),
                                  QStringList({"Spring Risotto", "Lemon Cake"}), 5000);

        // The panel restarts (a crash, a new session of the shell): the icon
        // comes back in the new one.
        panel.stop();
        StatusNotifierWatcher restarted;
        QSignalSpy registeredAgain(&restarted,
                                   &StatusNotifierWatcher::StatusNotifierItemRegistered);
        QVERIFY(restarted.start(true));
        QVERIFY(registeredAgain.wait(10000));
        QCOMPARE(registeredAgain.first().first().toString(), item);

        trellis.terminate();
        QVERIFY(trellis.waitForFinished(10000));
        QCOMPARE(trellis.readAllStandardOutput(), QByteArray());
    }
};

TRELLIS_TEST_MAIN(TestTray)
#include "TestTray.moc"
