#include "TRFindShortcut.h"
#include "TRTestMain.h"
#include "TRTestSessionBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>

#include <memory>

namespace {

const QString portalService = "org.freedesktop.portal.Desktop";
const QString portalPath = "/org/freedesktop/portal/desktop";
const QString shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";

// What a fake answers, and what it was asked.
struct PortalScript
{
    uint createResponse = 0;
    // "path", "string" (as documented) or "garbage".
    QString sessionHandleAs = "path";
    uint bindResponse = 0;
};

struct BoundShortcut
{
    QString id;
    QVariantMap properties;
};

// The desktop portal's global shortcuts, answering as xdg-desktop-portal
// does: the call's reply first, then Response on the request's path.
class FakePortal : public QDBusVirtualObject
{
public:
    explicit FakePortal(PortalScript script)
        : m_script(std::move(script))
    {}

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QVariantList arguments = message.arguments();
        const QString sender = message.service().mid(1).replace('.', '_');
        if (message.member() == "Register" && message.signature() == "sa{sv}") {
            registeredAppId = arguments.at(0).toString();
            connection.send(message.createReply());
        } else if (message.member() == "Get" &&
                   arguments.value(0).toString() == shortcutsInterface) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(2u))));
        } else if (message.member() == "CreateSession" && message.signature() == "a{sv}") {
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.at(0));
            const QString request =
                portalPath + "/request/" + sender + "/" + options["handle_token"].toString();
            session = portalPath + "/session/" + sender + "/" +
                      options["session_handle_token"].toString();
            QVariant handle = QVariant::fromValue(QDBusObjectPath(session));
            if (m_script.sessionHandleAs == "string") {
                handle = session;
            } else if (m_script.sessionHandleAs == "garbage") {
                handle = QString("not a path//");
            }
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(connection, request, m_script.createResponse, {{"session_handle", handle}});
        } else if (message.member() == "BindShortcuts") {
            bindSignature = message.signature();
            if (bindSignature != "oa(sa{sv})sa{sv}") {
                connection.send(message.createErrorReply(QDBusError::InvalidArgs, "signature"));
                return true;
            }
            boundSession = arguments.at(0).value<QDBusObjectPath>().path();
            const QDBusArgument list = arguments.at(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                BoundShortcut shortcut;
                list.beginStructure();
                list >> shortcut.id >> shortcut.properties;
                list.endStructure();
                bound << shortcut;
            }
            list.endArray();
            parentWindow = arguments.at(2).toString();
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.at(3));
            const QString request =
                portalPath + "/request/" + sender + "/" + options["handle_token"].toString();
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(connection, request, m_script.bindResponse, {});
        } else if (message.member() == "Close" && message.path() == session) {
            ++closed;
            connection.send(message.createReply());
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        }
        return true;
    }

    QString registeredAppId;
    QString session;
    QString bindSignature;
    QString boundSession;
    QList<BoundShortcut> bound;
    QString parentWindow;
    int closed = 0;

private:
    static void respond(const QDBusConnection &connection, const QString &request, uint code,
                        const QVariantMap &results)
    {
        QDBusMessage response =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        response << code << results;
        connection.send(response);
    }

    PortalScript m_script;
};

// KDE's kglobalaccel daemon: records registrations and keys.
class FakeKGlobalAccel : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QVariantList arguments = message.arguments();
        if (message.member() == "doRegister" && message.signature() == "as") {
            registered << arguments.at(0).toStringList();
            connection.send(message.createReply());
        } else if (message.member() == "setShortcut" && message.signature() == "asaiu") {
            keys = qdbus_cast<QList<int>>(arguments.at(1));
            flags << arguments.at(2).toUInt();
            connection.send(message.createReply(QVariant::fromValue(keys)));
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        }
        return true;
    }

    QList<QStringList> registered;
    QList<int> keys;
    QList<uint> flags;
};

// A service on a connection of its own, so that its signals come from
// another sender, as a desktop's would.
struct FakeService
{
    FakeService(const QString &address, const QString &name, const QString &service,
                const QString &objectPath, QDBusVirtualObject *object)
        : connectionName(name)
        , path(objectPath)
        , connection(QDBusConnection::connectToBus(address, name))
    {
        connection.registerVirtualObject(path, object, QDBusConnection::SubPath);
        connection.registerService(service);
    }
    ~FakeService() { QDBusConnection::disconnectFromBus(connectionName); }

    void emitSignal(const QString &signalPath, const QString &interface, const QString &name,
                    const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(signalPath, interface, name);
        signal.setArguments(arguments);
        connection.send(signal);
    }

    QString connectionName;
    QString path;
    QDBusConnection connection;
};

} // namespace

class TestFindShortcut : public QObject
{
    Q_OBJECT

    std::unique_ptr<TRTestSessionBus> m_bus;
    int m_connections = 0;

    // Everything of one case, torn down in reverse before the next one.
    struct Desktop
    {
        std::unique_ptr<FakePortal> portal;
        std::unique_ptr<FakeKGlobalAccel> kglobalaccel;
        std::unique_ptr<FakeService> portalService;
        std::unique_ptr<FakeService> kglobalaccelService;
        QString clientName;
        std::unique_ptr<TRFindShortcut> shortcut;

        ~Desktop()
        {
            shortcut.reset();
            // What the shortcut sent as it went reaches the fakes while they
            // are there: a last call answered by each means every earlier
            // one was handled.
            const QDBusConnection client(clientName);
            for (const FakeService *service : {portalService.get(), kglobalaccelService.get()}) {
                if (!service) {
                    continue;
                }
                const QDBusPendingCall last = client.asyncCall(QDBusMessage::createMethodCall(
                    service->connection.baseService(), service->path, "trellis.Test", "Last"));
                static_cast<void>(QTest::qWaitFor([&last] { return last.isFinished(); }, 5000));
            }
            QDBusConnection::disconnectFromBus(clientName);
        }
    };

    std::unique_ptr<Desktop> makeDesktop(bool withPortal, const PortalScript &script,
                                         bool withKGlobalAccel)
    {
        auto desktop = std::make_unique<Desktop>();
        const QString prefix = QString::number(++m_connections);
        if (withPortal) {
            desktop->portal = std::make_unique<FakePortal>(script);
            desktop->portalService =
                std::make_unique<FakeService>(m_bus->address(), prefix + "portal", portalService,
                                              portalPath, desktop->portal.get());
        }
        if (withKGlobalAccel) {
            desktop->kglobalaccel = std::make_unique<FakeKGlobalAccel>();
            desktop->kglobalaccelService = std::make_unique<FakeService>(
                m_bus->address(), prefix + "kglobalaccel", "org.kde.kglobalaccel", "/kglobalaccel",
                desktop->kglobalaccel.get());
        }
        desktop->clientName = prefix + "client";
        desktop->shortcut = std::make_unique<TRFindShortcut>(
            QDBusConnection::connectToBus(m_bus->address(), desktop->clientName));
        return desktop;
    }

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<TRTestSessionBus>();
        QVERIFY2(m_bus->isRunning(), "dbus-daemon did not start");
        QGuiApplication::setDesktopFileName("com.kwtlabs.Trellis");
    }

    void choosesService_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<uint>("createResponse");
        QTest::addColumn<QString>("sessionHandleAs");
        QTest::addColumn<uint>("bindResponse");
        QTest::addColumn<bool>("kglobalaccel");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("sessionsClosed");

        QTest::newRow("portal") << true << 0u << "path" << 0u << false << "portal" << 0;
        QTest::newRow("portal before kglobalaccel")
            << true << 0u << "path" << 0u << true << "portal" << 0;
        QTest::newRow("session handle as a string")
            << true << 0u << "string" << 0u << false << "portal" << 0;
        QTest::newRow("no session") << true << 2u << "path" << 0u << true << "kglobalaccel" << 0;
        QTest::newRow("garbage session handle")
            << true << 0u << "garbage" << 0u << true << "kglobalaccel" << 0;
        QTest::newRow("user turns the shortcut down")
            << true << 0u << "path" << 1u << true << "none" << 1;
        QTest::newRow("binding fails") << true << 0u << "path" << 2u << true << "kglobalaccel" << 1;
        QTest::newRow("binding fails, nothing else")
            << true << 0u << "path" << 2u << false << "none" << 1;
        QTest::newRow("kglobalaccel only")
            << false << 0u << "" << 0u << true << "kglobalaccel" << 0;
        QTest::newRow("neither") << false << 0u << "" << 0u << false << "none" << 0;
    }

    void choosesService()
    {
        QFETCH(bool, portal);
        QFETCH(uint, createResponse);
        QFETCH(QString, sessionHandleAs);
        QFETCH(uint, bindResponse);
        QFETCH(bool, kglobalaccel);
        QFETCH(QString, kind);
        QFETCH(int, sessionsClosed);

        auto desktop =
            makeDesktop(portal, {createResponse, sessionHandleAs, bindResponse}, kglobalaccel);
        QSignalSpy settled(desktop->shortcut.get(), &TRFindShortcut::settled);
        QTRY_COMPARE(settled.size(), 1);
        QCOMPARE(desktop->shortcut->kind(), kind);
        QVERIFY(desktop->shortcut->isSettled());

        if (portal && createResponse == 0 && sessionHandleAs != "garbage") {
            FakePortal &fake = *desktop->portal;
            QCOMPARE(fake.registeredAppId, QString("com.kwtlabs.Trellis"));
            QCOMPARE(fake.bindSignature, QString("oa(sa{sv})sa{sv}"));
            QCOMPARE(fake.boundSession, fake.session);
            QCOMPARE(fake.bound.size(), 1);
            QCOMPARE(fake.bound.first().id, QString("find"));
            QCOMPARE(fake.bound.first().properties.value("description").toString(),
                     QString("Find bookmarks and history"));
            QCOMPARE(fake.bound.first().properties.value("preferred_trigger").toString(),
                     QString("CTRL+ALT+b"));
            QCOMPARE(fake.parentWindow, QString());
            QTRY_COMPARE(fake.closed, sessionsClosed);
        }
        if (kglobalaccel) {
            FakeKGlobalAccel &fake = *desktop->kglobalaccel;
            if (kind == "kglobalaccel") {
                QCOMPARE(fake.registered, QList<QStringList>({{"trellis", "find", "Trellis",
                                                               "Find bookmarks and history"}}));
                QCOMPARE(fake.keys,
                         QList<int>{QKeyCombination(Qt::CTRL | Qt::ALT, Qt::Key_B).toCombined()});
                // The default first, then the key in use.
                QCOMPARE(fake.flags, QList<uint>({8u, 2u}));
            } else {
                QVERIFY(fake.registered.isEmpty());
            }
        }
    }

    void withoutBus()
    {
        TRFindShortcut shortcut(QDBusConnection(QStringLiteral("never connected")));
        QSignalSpy settled(&shortcut, &TRFindShortcut::settled);
        QTRY_COMPARE(settled.size(), 1);
        QCOMPARE(shortcut.kind(), QString("none"));
    }

    // Each row's signal, then a press of the shortcut itself: signals of one
    // sender arrive in order, so once the last has come the first was seen.
    void activation_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<bool>("ownSession");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("activations");

        QTest::newRow("portal: find") << true << true << "find" << 1;
        QTest::newRow("portal: another shortcut") << true << true << "open" << 0;
        QTest::newRow("portal: another session") << true << false << "find" << 0;
        QTest::newRow("kglobalaccel: find") << false << true << "find" << 1;
        QTest::newRow("kglobalaccel: another action") << false << true << "open" << 0;
        QTest::newRow("kglobalaccel: another component") << false << false << "find" << 0;
    }

    void activation()
    {
        QFETCH(bool, portal);
        QFETCH(bool, ownSession);
        QFETCH(QString, id);
        QFETCH(int, activations);

        auto desktop = makeDesktop(portal, {}, !portal);
        QSignalSpy settled(desktop->shortcut.get(), &TRFindShortcut::settled);
        QSignalSpy activated(desktop->shortcut.get(), &TRFindShortcut::activated);
        QTRY_COMPARE(settled.size(), 1);

        const auto press = [&](bool own, const QString &shortcut) {
            if (portal) {
                const QString session =
                    own ? desktop->portal->session : portalPath + "/session/1_1/someone";
                desktop->portalService->emitSignal(portalPath, shortcutsInterface, "Activated",
                                                   {QVariant::fromValue(QDBusObjectPath(session)),
                                                    shortcut, QVariant::fromValue(qulonglong(1234)),
                                                    QVariantMap()});
            } else {
                desktop->kglobalaccelService->emitSignal(
                    "/component/trellis", "org.kde.kglobalaccel.Component", "globalShortcutPressed",
                    {own ? "trellis" : "konsole", shortcut, QVariant::fromValue(qlonglong(1234))});
            }
        };
        press(ownSession, id);
        press(true, "find");
        QTRY_COMPARE(activated.size(), activations + 1);
        QTest::qWait(50);
        QCOMPARE(activated.size(), activations + 1);
    }
};

TRELLIS_TEST_MAIN(TestFindShortcut)
#include "TestFindShortcut.moc"
