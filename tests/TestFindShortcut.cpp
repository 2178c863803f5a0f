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

const QString portalPath = "/org/freedesktop/portal/desktop";
const QString shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";

// What the desktop is asked, as a case expects it.
const QString portalCalls = "register com.kwtlabs.Trellis|version|create|"
                            "bind find: Find bookmarks and history, CTRL+ALT+b";
const QString kglobalaccelCalls = "doRegister trellis, find, Trellis, Find bookmarks and history|"
                                  "setShortcut Ctrl+Alt+B 8|setShortcut Ctrl+Alt+B 2";

struct Script
{
    bool portal = false;
    bool kglobalaccel = false;
    uint createResponse = 0;
    // "path", "string" (as documented) or "garbage".
    QString sessionHandleAs = "path";
    uint bindResponse = 0;
};

// The desktop's side on a connection of its own, so that its signals come
// from another sender: the portal's global shortcuts, answering as
// xdg-desktop-portal does (the call's reply, then Response on the request's
// path), and KDE's kglobalaccel. It logs what it is asked.
class FakeDesktop : public QDBusVirtualObject
{
public:
    FakeDesktop(const QString &address, const QString &name, const Script &script)
        : m_name(name)
        , m_script(script)
        , m_connection(QDBusConnection::connectToBus(address, name))
    {
        m_connection.registerVirtualObject("/", this, QDBusConnection::SubPath);
        if (script.portal) {
            m_connection.registerService("org.freedesktop.portal.Desktop");
        }
        if (script.kglobalaccel) {
            m_connection.registerService("org.kde.kglobalaccel");
        }
    }
    ~FakeDesktop() override
    {
        m_connection.unregisterObject("/", QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(m_name);
    }

    QString service() const { return m_connection.baseService(); }
    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QVariantList arguments = message.arguments();
        const QString member = message.member();
        const auto requestPath = [&message](const QVariant &options) -> QString {
            return portalPath + "/request/" + message.service().mid(1).replace('.', '_') + "/" +
                   qdbus_cast<QVariantMap>(options).value("handle_token").toString();
        };
        QVariant reply;
        if (member == "Register") {
            log << "register " + arguments.value(0).toString();
        } else if (member == "Get" && arguments.value(0) == shortcutsInterface) {
            log << "version";
            reply = QVariant::fromValue(QDBusVariant(2u));
        } else if (member == "CreateSession") {
            log << "create";
            session =
                portalPath + "/session/" + message.service().mid(1).replace('.', '_') + "/" +
                qdbus_cast<QVariantMap>(arguments.at(0)).value("session_handle_token").toString();
            QVariant handle = QVariant::fromValue(QDBusObjectPath(session));
            if (m_script.sessionHandleAs != "path") {
                handle = m_script.sessionHandleAs == "string" ? session : "not a path//";
            }
            connection.send(message.createReply(
                QVariant::fromValue(QDBusObjectPath(requestPath(arguments.at(0))))));
            respond(requestPath(arguments.at(0)), m_script.createResponse,
                    {{"session_handle", handle}});
            return true;
        } else if (member == "BindShortcuts" && message.signature() == "oa(sa{sv})sa{sv}" &&
                   arguments.at(0).value<QDBusObjectPath>().path() == session &&
                   arguments.at(2).toString().isEmpty()) {
            const QDBusArgument list = arguments.at(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                log << "bind " + id + ": " + properties.value("description").toString() + ", " +
                           properties.value("preferred_trigger").toString();
            }
            list.endArray();
            connection.send(message.createReply(
                QVariant::fromValue(QDBusObjectPath(requestPath(arguments.at(3))))));
            respond(requestPath(arguments.at(3)), m_script.bindResponse, {});
            return true;
        } else if (member == "Close" && message.path() == session) {
            log << "close";
        } else if (member == "doRegister" && message.signature() == "as") {
            log << "doRegister " + arguments.at(0).toStringList().join(", ");
        } else if (member == "setShortcut" && message.signature() == "asaiu") {
            const QList<int> keys = qdbus_cast<QList<int>>(arguments.at(1));
            log << "setShortcut " + QKeySequence(keys.value(0)).toString() + " " +
                       QString::number(arguments.at(2).toUInt());
            reply = QVariant::fromValue(keys);
        } else if (member != "Last") {
            log << "unexpected " + member + " " + message.signature();
        }
        connection.send(reply.isValid() ? message.createReply(reply) : message.createReply());
        return true;
    }

    void emitSignal(const QString &path, const QString &interface, const QString &name,
                    const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        m_connection.send(signal);
    }

    QStringList log;
    QString session;

private:
    void respond(const QString &request, uint code, const QVariantMap &results)
    {
        emitSignal(request, "org.freedesktop.portal.Request", "Response",
                   {code, QVariant::fromValue(results)});
    }

    QString m_name;
    Script m_script;
    QDBusConnection m_connection;
};

} // namespace

Q_DECLARE_METATYPE(Script)

class TestFindShortcut : public QObject
{
    Q_OBJECT

    std::unique_ptr<TRTestSessionBus> m_bus;
    int m_cases = 0;

    // One case's desktop and the shortcut that talks to it.
    struct Case
    {
        std::unique_ptr<FakeDesktop> desktop;
        QString client;
        std::unique_ptr<TRFindShortcut> shortcut;

        ~Case()
        {
            shortcut.reset();
            // What the shortcut sent as it went reaches the fake while it is
            // there: a last call answered means every earlier one was.
            const QDBusPendingCall last = QDBusConnection(client).asyncCall(
                QDBusMessage::createMethodCall(desktop->service(), "/", "trellis.Test", "Last"));
            static_cast<void>(QTest::qWaitFor([&last] { return last.isFinished(); }, 5000));
            QDBusConnection::disconnectFromBus(client);
        }
    };

    std::unique_ptr<Case> makeCase(const Script &script)
    {
        auto made = std::make_unique<Case>();
        const QString number = QString::number(++m_cases);
        made->desktop = std::make_unique<FakeDesktop>(m_bus->address(), "desktop" + number, script);
        made->client = "client" + number;
        made->shortcut = std::make_unique<TRFindShortcut>(
            QDBusConnection::connectToBus(m_bus->address(), made->client));
        return made;
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
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("calls");

        QTest::newRow("portal") << Script{true, false} << "portal" << portalCalls;
        QTest::newRow("portal before kglobalaccel")
            << Script{true, true} << "portal" << portalCalls;
        QTest::newRow("session handle as a string")
            << Script{true, false, 0, "string"} << "portal" << portalCalls;
        QTest::newRow("no session")
            << Script{true, true, 2} << "kglobalaccel"
            << "register com.kwtlabs.Trellis|version|create|" + kglobalaccelCalls;
        QTest::newRow("garbage session handle")
            << Script{true, true, 0, "garbage"} << "kglobalaccel"
            << "register com.kwtlabs.Trellis|version|create|" + kglobalaccelCalls;
        // A user who turned the shortcut down is not given another one.
        QTest::newRow("user turns the shortcut down")
            << Script{true, true, 0, "path", 1} << "none" << portalCalls + "|close";
        QTest::newRow("binding fails") << Script{true, true, 0, "path", 2} << "kglobalaccel"
                                       << portalCalls + "|close|" + kglobalaccelCalls;
        QTest::newRow("binding fails, nothing else")
            << Script{true, false, 0, "path", 2} << "none" << portalCalls + "|close";
        QTest::newRow("kglobalaccel only")
            << Script{false, true} << "kglobalaccel" << kglobalaccelCalls;
        QTest::newRow("neither") << Script{} << "none"
                                 << "";
    }

    void choosesService()
    {
        QFETCH(Script, script);
        QFETCH(QString, kind);
        QFETCH(QString, calls);

        auto made = makeCase(script);
        QSignalSpy settled(made->shortcut.get(), &TRFindShortcut::settled);
        QTRY_COMPARE(settled.size(), 1);
        QCOMPARE(made->shortcut->kind(), kind);
        QTRY_COMPARE(made->desktop->log.join('|'), calls);

        // Presses from another session or component, of another shortcut,
        // then of "find" itself, from both services: only the last of the
        // service in use counts.
        QSignalSpy activated(made->shortcut.get(), &TRFindShortcut::activated);
        const QString session = made->desktop->session.isEmpty() ? portalPath + "/session/none"
                                                                 : made->desktop->session;
        for (const auto &[ours, id] : {std::pair{false, "find"}, {true, "open"}, {true, "find"}}) {
            made->desktop->emitSignal(
                portalPath, shortcutsInterface, "Activated",
                {QVariant::fromValue(QDBusObjectPath(ours ? session : portalPath + "/session/x")),
                 id, QVariant::fromValue(qulonglong(1)), QVariantMap()});
            made->desktop->emitSignal(
                "/component/trellis", "org.kde.kglobalaccel.Component", "globalShortcutPressed",
                {ours ? "trellis" : "konsole", id, QVariant::fromValue(qlonglong(1))});
        }
        const int activations = kind == "none" ? 0 : 1;
        QTRY_COMPARE(activated.size(), activations);
        QTest::qWait(100);
        QCOMPARE(activated.size(), activations);
    }

    void withoutBus()
    {
        TRFindShortcut shortcut(QDBusConnection("never connected"));
        QSignalSpy settled(&shortcut, &TRFindShortcut::settled);
        QTRY_COMPARE(settled.size(), 1);
        QCOMPARE(shortcut.kind(), QString("none"));
    }
};

TRELLIS_TEST_MAIN(TestFindShortcut)
#include "TestFindShortcut.moc"
