#pragma once

// Tells when the desktop has a system tray for the status item.
//
// Qt decides once per process, when its first tray icon is made, whether a
// StatusNotifierItem host is listening on the session bus, and never looks
// again; it also makes an icon when there is no tray at all. At login
// Trellis may start before the panel, so an icon made then would stay out
// of a host that starts a moment later. The status item is therefore made
// only once a tray is there: a StatusNotifierItem host (KDE Plasma, GNOME
// with the AppIndicator extension, XFCE, and on Wayland) or, on X11, an
// XEmbed tray. Waiting costs no wakeups: both arrive as events.

#include <QObject>
#include <QTimer>

#include <chrono>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;
class TRXEmbedTray;

class TRTrayWatcher : public QObject
{
    Q_OBJECT

public:
    // The StatusNotifierItem watcher: hosts register with it, and it says
    // whether one has.
    static const QString statusNotifierWatcherService;
    static const QString statusNotifierWatcherPath;
    static const QString statusNotifierWatcherInterface;

    // How long to wait before telling the user that no tray has appeared.
    static std::chrono::milliseconds noticeDelay;

    explicit TRTrayWatcher(QObject *parent = nullptr);
    ~TRTrayWatcher() override;

    // True once a tray is there; on platforms without trays to wait for
    // (macOS, Windows, the offscreen platform) from the start.
    bool isTrayAvailable() const { return m_trayAvailable; }

signals:
    // Once, when a tray appears after the watcher was made.
    void trayAvailable();
    // Once, when no tray has appeared for noticeDelay.
    void trayStillMissing();

private slots:
    // Also called by name over D-Bus, hence a slot.
    void askWhetherHostIsRegistered();

private:
    void watchStatusNotifierHosts();
    void becomeAvailable();
    void stopWatching();

    bool m_trayAvailable = false;
    // On X11 only.
    TRXEmbedTray *m_xembedTray = nullptr;
    QDBusServiceWatcher *m_serviceWatcher = nullptr;
    QDBusPendingCallWatcher *m_pendingQuestion = nullptr;
    QTimer m_noticeTimer;
};
