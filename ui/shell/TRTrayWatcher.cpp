#include "TRTrayWatcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

#if TRELLIS_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

using namespace std::chrono_literals;

const QString TRTrayWatcher::statusNotifierWatcherService =
    QStringLiteral("org.kde.StatusNotifierWatcher");
const QString TRTrayWatcher::statusNotifierWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString TRTrayWatcher::statusNotifierWatcherInterface =
    QStringLiteral("org.kde.StatusNotifierWatcher");

// Long enough for a panel that starts with the session; short enough that a
// user who starts Trellis by hand learns why nothing appeared.
std::chrono::milliseconds TRTrayWatcher::noticeDelay = 30s;

TRTrayWatcher::TRTrayWatcher(QObject *parent)
    : QObject(parent)
{
    const QString platform = QGuiApplication::platformName();
    const bool x11 = platform == QLatin1String("xcb");
    if (!x11 && !platform.startsWith(QLatin1String("wayland"))) {
        // The menu bar and the Windows notification area are always there;
        // offscreen there is nothing to wait for.
        m_trayAvailable = true;
        return;
    }
    if (x11) {
        watchXEmbedTrays();
        if (xembedTrayIsRunning()) {
            stopWatching();
            m_trayAvailable = true;
            return;
        }
    }
    watchStatusNotifierHosts();

    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.setInterval(noticeDelay);
    connect(&m_noticeTimer, &QTimer::timeout, this, &TRTrayWatcher::trayStillMissing);
    m_noticeTimer.start();
}

TRTrayWatcher::~TRTrayWatcher()
{
    stopWatching();
}

void TRTrayWatcher::watchStatusNotifierHosts()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // A watcher that starts later may already have its host when it
    // appears, or be told of one afterwards: both are asked about.
    m_serviceWatcher = new QDBusServiceWatcher(statusNotifierWatcherService, bus,
                                               QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this,
            &TRTrayWatcher::askWhetherHostIsRegistered);
    bus.connect(statusNotifierWatcherService, statusNotifierWatcherPath,
                statusNotifierWatcherInterface, QStringLiteral("StatusNotifierHostRegistered"),
                this, SLOT(askWhetherHostIsRegistered()));
    askWhetherHostIsRegistered();
}

void TRTrayWatcher::askWhetherHostIsRegistered()
{
    if (m_trayAvailable || m_pendingQuestion) {
        return;
    }
    QDBusMessage question = QDBusMessage::createMethodCall(
        statusNotifierWatcherService, statusNotifierWatcherPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << statusNotifierWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    // Asked without waiting: a session bus that is slow to answer must not
    // hold up the start.
    m_pendingQuestion =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(question), this);
    connect(m_pendingQuestion, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                m_pendingQuestion = nullptr;
                const QDBusPendingReply<QDBusVariant> reply = *call;
                if (reply.isValid() && reply.value().variant().toBool()) {
                    becomeAvailable();
                }
            });
}

void TRTrayWatcher::watchXEmbedTrays()
{
#if TRELLIS_HAVE_XCB
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return;
    }
    auto intern = [connection](const QByteArray &name) {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData());
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    };
    m_managerAtom = intern(QByteArrayLiteral("MANAGER"));
    const int screens = xcb_setup_roots_length(xcb_get_setup(connection));
    for (int screen = 0; screen < screens; ++screen) {
        m_traySelections << intern("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    }
    // A tray that starts announces itself with a MANAGER message to the
    // root windows, which Qt listens to already.
    qGuiApp->installNativeEventFilter(this);
    m_filterInstalled = true;
#endif
}

bool TRTrayWatcher::xembedTrayIsRunning() const
{
#if TRELLIS_HAVE_XCB
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return false;
    }
    for (const quint32 selection : m_traySelections) {
        xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        if (owned) {
            return true;
        }
    }
#endif
    return false;
}

bool TRTrayWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(result)
#if TRELLIS_HAVE_XCB
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
        return false;
    }
    const auto *clientMessage = static_cast<const xcb_client_message_event_t *>(message);
    if (clientMessage->type == m_managerAtom && clientMessage->format == 32 &&
        m_traySelections.contains(clientMessage->data.data32[1])) {
        // Not from inside the event dispatch: whoever is told goes on to
        // make windows.
        QMetaObject::invokeMethod(this, &TRTrayWatcher::becomeAvailable, Qt::QueuedConnection);
    }
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
#endif
    // Qt's own tray icon needs the message too.
    return false;
}

void TRTrayWatcher::becomeAvailable()
{
    if (m_trayAvailable) {
        return;
    }
    m_trayAvailable = true;
    stopWatching();
    emit trayAvailable();
}

void TRTrayWatcher::stopWatching()
{
    m_noticeTimer.stop();
    if (m_filterInstalled && qGuiApp) {
        qGuiApp->removeNativeEventFilter(this);
        m_filterInstalled = false;
    }
    if (m_serviceWatcher) {
        delete m_serviceWatcher;
        m_serviceWatcher = nullptr;
        QDBusConnection::sessionBus().disconnect(
            statusNotifierWatcherService, statusNotifierWatcherPath, statusNotifierWatcherInterface,
            QStringLiteral("StatusNotifierHostRegistered"), this,
            SLOT(askWhetherHostIsRegistered()));
    }
}
