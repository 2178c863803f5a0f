#include "TRXEmbedTray.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

TRXEmbedTray::TRXEmbedTray(QObject *parent)
    : QObject(parent)
{
    xcb_connection_t *connection = x11Connection();
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
}

TRXEmbedTray::~TRXEmbedTray()
{
    stopWatching();
}

bool TRXEmbedTray::isRunning() const
{
    xcb_connection_t *connection = x11Connection();
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
    return false;
}

void TRXEmbedTray::stopWatching()
{
    if (m_filterInstalled && qGuiApp) {
        qGuiApp->removeNativeEventFilter(this);
        m_filterInstalled = false;
    }
}

bool TRXEmbedTray::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(result)
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
        QMetaObject::invokeMethod(this, &TRXEmbedTray::started, Qt::QueuedConnection);
    }
    // Qt's own tray icon needs the message too.
    return false;
}
