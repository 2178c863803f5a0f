#include "TRTrayWatcher.h"

#include "TRXEmbedTray.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

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
        m_xembedTray = new TRXEmbedTray(this);
        if (m_xembedTray->isRunning()) {
            stopWatching();
            m_trayAvailable = true;
            return;
        }
        connect(m_xembedTray, &TRXEmbedTray::started, this, &TRTrayWatcher::becomeAvailable);
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
    if (m_xembedTray) {
        m_xembedTray->stopWatching();
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
