#pragma once

// The desktop-wide keyboard shortcut that opens the find window, registered
// with whatever the desktop offers for it: the global shortcuts portal, else
// KDE's kglobalaccel, else nothing (the user binds `trellis --find` instead).
//
// Every call on the bus is asynchronous: a desktop that is slow to answer,
// or shows the user a dialog first, never holds up the main thread.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QDBusMessage;
class QDBusObjectPath;
class QDBusPendingCall;

class TRFindShortcut : public QObject
{
    Q_OBJECT

public:
    // The shortcut's identifier with the portal and with kglobalaccel.
    static const QString shortcutId;
    static const QString portalKind;
    static const QString kglobalaccelKind;
    static const QString noKind;

    // Starts asking at once; the answer arrives with settled().
    explicit TRFindShortcut(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                            QObject *parent = nullptr);
    ~TRFindShortcut() override;

    // Which service holds the shortcut: "portal", "kglobalaccel" or "none"
    // ("none" also while still asking).
    QString kind() const { return m_kind; }
    bool isSettled() const { return m_settled; }

signals:
    // The user pressed the shortcut.
    void activated();
    // Once, when kind() has its final value.
    void settled();

private slots:
    // Called by name over D-Bus, hence slots.
    void portalResponse(uint response, const QVariantMap &results, const QDBusMessage &message);
    void portalActivated(const QDBusObjectPath &sessionHandle, const QString &shortcut,
                         qulonglong timestamp, const QVariantMap &options);
    void kglobalaccelPressed(const QString &componentUnique, const QString &actionUnique,
                             qlonglong timestamp);

private:
    enum class Step { askingPortal, creatingSession, binding, askingKGlobalAccel, done };

    void askPortal();
    void createSession();
    void bindShortcut();
    void askKGlobalAccel();
    void registerWithKGlobalAccel(const QString &owner);
    void settle(const QString &kind);
    // Follows the portal's answer on requestPath instead of any earlier one.
    void watchRequest(const QString &requestPath);
    void stopWatchingRequest();
    void closePortalSession();
    QString nextToken();
    // Runs then with the finished call's reply, unless this object is gone.
    template <typename Then>
    void whenFinished(const QDBusPendingCall &call, Then then);

    QDBusConnection m_bus;
    Step m_step = Step::askingPortal;
    QString m_kind;
    bool m_settled = false;
    // The portal's unique name: signals are matched on it, which needs no
    // blocking look-up of the owner.
    QString m_portalOwner;
    QString m_requestPath;
    QString m_sessionHandle;
    QString m_kglobalaccelOwner;
    int m_tokens = 0;
};
