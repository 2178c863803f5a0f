#pragma once

// Whether an XEmbed system tray runs on the X11 display, and when one starts.

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

class TRXEmbedTray : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Starts listening for trays at once; without an X11 connection there is
    // nothing to listen to, and no tray ever runs.
    explicit TRXEmbedTray(QObject *parent = nullptr);
    ~TRXEmbedTray() override;

    bool isRunning() const;
    // Stops listening; no signal comes afterwards.
    void stopWatching();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    // When a tray announces itself; queued, never from inside the event
    // dispatch.
    void started();

private:
    bool m_filterInstalled = false;
    // X11 atoms: MANAGER, announced on the root window when a tray starts,
    // and the tray selection of each screen.
    quint32 m_managerAtom = 0;
    QList<quint32> m_traySelections;
};
