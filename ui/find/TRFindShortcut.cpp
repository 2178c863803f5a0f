#include "TRFindShortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QGuiApplication>
#include <QKeySequence>
#include <QRandomGenerator>
#include <QRegularExpression>

// One entry of BindShortcuts' list: the identifier and its properties.
struct TRPortalShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(TRPortalShortcut)

static QDBusArgument &operator<<(QDBusArgument &argument, const TRPortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

static const QDBusArgument &operator>>(const QDBusArgument &argument, TRPortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

const QString kglobalaccelService = QStringLiteral("org.kde.kglobalaccel");
const QString kglobalaccelPath = QStringLiteral("/kglobalaccel");
const QString kglobalaccelInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString componentUnique = QStringLiteral("trellis");
// kglobalaccel names a component's object after its unique name.
const QString componentPath = QStringLiteral("/component/trellis");

// The portal's answers: 1 is the user's refusal; anything else but 0 an error.
constexpr uint responseSuccess = 0;
constexpr uint responseCancelled = 1;

// kglobalaccel's setShortcut flags.
constexpr uint setPresent = 2;
constexpr uint isDefault = 8;

// Ctrl+Alt+B, "B" for bookmarks: unbound in the default keymaps of GNOME,
// Plasma and Xfce, and in the browsers themselves. Ctrl+Alt+K would be the
// obvious pick, but Plasma 5 switches keyboard layouts with it. The portal
// takes it only as a suggestion the user confirms or changes.
const QString preferredTrigger = QStringLiteral("CTRL+ALT+b");
const int defaultKey = QKeyCombination(Qt::CTRL | Qt::ALT, Qt::Key_B).toCombined();

bool isObjectPath(const QString &path)
{
    static const QRegularExpression pattern(QStringLiteral("^(/[A-Za-z0-9_]+)+$|^/$"));
    return pattern.match(path).hasMatch();
}

// A session handle comes as an object path or, as documented, as a string.
QString objectPathOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    if (value.metaType() == QMetaType::fromType<QString>()) {
        const QString path = value.toString();
        return isObjectPath(path) ? path : QString();
    }
    return {};
}

} // namespace

const QString TRFindShortcut::shortcutId = QStringLiteral("find");
const QString TRFindShortcut::portalKind = QStringLiteral("portal");
const QString TRFindShortcut::kglobalaccelKind = QStringLiteral("kglobalaccel");
const QString TRFindShortcut::noKind = QStringLiteral("none");

TRFindShortcut::TRFindShortcut(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_kind(noKind)
{
    qDBusRegisterMetaType<TRPortalShortcut>();
    qDBusRegisterMetaType<QList<TRPortalShortcut>>();
    // Queued, so that whoever made this object has connected to settled().
    QMetaObject::invokeMethod(this, &TRFindShortcut::askPortal, Qt::QueuedConnection);
}

TRFindShortcut::~TRFindShortcut()
{
    closePortalSession();
    if (m_kind == kglobalaccelKind) {
        // The key stays the user's, shown as belonging to an application
        // that is not running.
        QDBusMessage inactive =
            QDBusMessage::createMethodCall(m_kglobalaccelOwner, kglobalaccelPath,
                                           kglobalaccelInterface, QStringLiteral("setInactive"));
        inactive << QStringList{componentUnique, shortcutId};
        m_bus.send(inactive);
    }
}

template <typename Then>
void TRFindShortcut::whenFinished(const QDBusPendingCall &call, Then then)
{
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [then](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                then(finished->reply());
            });
}

void TRFindShortcut::askPortal()
{
    if (!m_bus.isConnected()) {
        settle(noKind);
        return;
    }
    m_step = Step::askingPortal;
    // A program outside a sandbox names itself before its first portal call,
    // so that the desktop files the shortcut under its desktop entry. Older
    // portals lack the call; its answer changes nothing here.
    const QString appId = QGuiApplication::desktopFileName();
    if (!appId.isEmpty()) {
        QDBusMessage registration = QDBusMessage::createMethodCall(
            portalService, portalPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
            QStringLiteral("Register"));
        registration << appId << QVariantMap();
        m_bus.send(registration);
    }
    // The interface exists only when a portal back-end implements it.
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    whenFinished(m_bus.asyncCall(get), [this](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.service().isEmpty()) {
            askKGlobalAccel();
            return;
        }
        m_portalOwner = reply.service();
        createSession();
    });
}

void TRFindShortcut::createSession()
{
    m_step = Step::creatingSession;
    const QString token = nextToken();
    // Watched before asking: the answer may follow the call's reply at once.
    const QString sender = m_bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    watchRequest(portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, shortcutsInterface, QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), nextToken()}};
    whenFinished(m_bus.asyncCall(call), [this](const QDBusMessage &reply) {
        if (m_step != Step::creatingSession) {
            return;
        }
        const QVariantList arguments = reply.arguments();
        if (reply.type() != QDBusMessage::ReplyMessage || arguments.size() != 1 ||
            arguments.first().metaType() != QMetaType::fromType<QDBusObjectPath>()) {
            stopWatchingRequest();
            askKGlobalAccel();
            return;
        }
        // A portal older than handle_token answers on a path of its own.
        watchRequest(arguments.first().value<QDBusObjectPath>().path());
    });
}

void TRFindShortcut::bindShortcut()
{
    m_step = Step::binding;
    const QString token = nextToken();
    const QString sender = m_bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    watchRequest(portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);
    const QList<TRPortalShortcut> shortcuts{
        {shortcutId,
         {{QStringLiteral("description"), tr("Find bookmarks and history")},
          {QStringLiteral("preferred_trigger"), preferredTrigger}}}};
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, shortcutsInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_sessionHandle)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    whenFinished(m_bus.asyncCall(call), [this](const QDBusMessage &reply) {
        if (m_step != Step::binding) {
            return;
        }
        const QVariantList arguments = reply.arguments();
        if (reply.type() != QDBusMessage::ReplyMessage || arguments.size() != 1 ||
            arguments.first().metaType() != QMetaType::fromType<QDBusObjectPath>()) {
            stopWatchingRequest();
            closePortalSession();
            askKGlobalAccel();
            return;
        }
        watchRequest(arguments.first().value<QDBusObjectPath>().path());
    });
}

void TRFindShortcut::portalResponse(uint response, const QVariantMap &results,
                                    const QDBusMessage &message)
{
    if (message.path() != m_requestPath) {
        return;
    }
    stopWatchingRequest();
    if (m_step == Step::creatingSession) {
        const QString session = objectPathOf(results.value(QStringLiteral("session_handle")));
        if (response != responseSuccess || session.isEmpty()) {
            askKGlobalAccel();
            return;
        }
        m_sessionHandle = session;
        m_bus.connect(m_portalOwner, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                      this,
                      SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        bindShortcut();
    } else if (m_step == Step::binding) {
        if (response == responseSuccess) {
            settle(portalKind);
            return;
        }
        closePortalSession();
        // A user who turned the shortcut down is not asked again elsewhere.
        if (response == responseCancelled) {
            settle(noKind);
        } else {
            askKGlobalAccel();
        }
    }
}

void TRFindShortcut::portalActivated(const QDBusObjectPath &sessionHandle, const QString &shortcut,
                                     qulonglong, const QVariantMap &)
{
    if (!m_sessionHandle.isEmpty() && sessionHandle.path() == m_sessionHandle &&
        shortcut == shortcutId) {
        emit activated();
    }
}

void TRFindShortcut::askKGlobalAccel()
{
    m_step = Step::askingKGlobalAccel;
    // Asked by owner, never started: on another desktop, starting KDE's
    // daemon would grab keys the desktop does not know about.
    QDBusMessage owner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    owner << kglobalaccelService;
    whenFinished(m_bus.asyncCall(owner), [this](const QDBusMessage &reply) {
        const QVariantList arguments = reply.arguments();
        if (reply.type() != QDBusMessage::ReplyMessage || arguments.size() != 1 ||
            arguments.first().toString().isEmpty()) {
            settle(noKind);
            return;
        }
        registerWithKGlobalAccel(arguments.first().toString());
    });
}

void TRFindShortcut::registerWithKGlobalAccel(const QString &owner)
{
    m_kglobalaccelOwner = owner;
    m_bus.connect(owner, componentPath, componentInterface, QStringLiteral("globalShortcutPressed"),
                  this, SLOT(kglobalaccelPressed(QString, QString, qlonglong)));
    const QStringList actionId{componentUnique, shortcutId, QStringLiteral("Trellis"),
                               tr("Find bookmarks and history")};
    const auto call = [&owner](const QString &method) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(owner, kglobalaccelPath, kglobalaccelInterface, method);
        message.setAutoStartService(false);
        return message;
    };
    // One connection delivers in order: the three need no waiting between
    // them, and the last one's answer tells whether all went through.
    QDBusMessage registration = call(QStringLiteral("doRegister"));
    registration << actionId;
    m_bus.send(registration);
    QDBusMessage defaults = call(QStringLiteral("setShortcut"));
    defaults << actionId << QVariant::fromValue(QList<int>{defaultKey}) << isDefault;
    m_bus.send(defaults);
    // Without NoAutoloading, a key the user chose earlier wins over this one.
    QDBusMessage present = call(QStringLiteral("setShortcut"));
    present << actionId << QVariant::fromValue(QList<int>{defaultKey}) << setPresent;
    whenFinished(m_bus.asyncCall(present), [this](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            m_bus.disconnect(m_kglobalaccelOwner, componentPath, componentInterface,
                             QStringLiteral("globalShortcutPressed"), this,
                             SLOT(kglobalaccelPressed(QString, QString, qlonglong)));
            settle(noKind);
            return;
        }
        settle(kglobalaccelKind);
    });
}

void TRFindShortcut::kglobalaccelPressed(const QString &component, const QString &action, qlonglong)
{
    if (component == componentUnique && action == shortcutId) {
        emit activated();
    }
}

void TRFindShortcut::settle(const QString &kind)
{
    m_step = Step::done;
    m_kind = kind;
    if (!m_settled) {
        m_settled = true;
        emit settled();
    }
}

void TRFindShortcut::watchRequest(const QString &requestPath)
{
    if (requestPath == m_requestPath) {
        return;
    }
    stopWatchingRequest();
    m_requestPath = requestPath;
    m_bus.connect(m_portalOwner, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                  SLOT(portalResponse(uint, QVariantMap, QDBusMessage)));
}

void TRFindShortcut::stopWatchingRequest()
{
    if (m_requestPath.isEmpty()) {
        return;
    }
    m_bus.disconnect(m_portalOwner, m_requestPath, requestInterface, QStringLiteral("Response"),
                     this, SLOT(portalResponse(uint, QVariantMap, QDBusMessage)));
    m_requestPath.clear();
}

void TRFindShortcut::closePortalSession()
{
    if (m_sessionHandle.isEmpty()) {
        return;
    }
    m_bus.disconnect(m_portalOwner, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                     this,
                     SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_bus.send(QDBusMessage::createMethodCall(m_portalOwner, m_sessionHandle, sessionInterface,
                                              QStringLiteral("Close")));
    m_sessionHandle.clear();
}

QString TRFindShortcut::nextToken()
{
    // Unique within this connection, which is all the portal asks for.
    return QStringLiteral("trellis%1_%2")
        .arg(QRandomGenerator::global()->generate())
        .arg(++m_tokens);
}
