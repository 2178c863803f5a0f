#include "TRXEmbedTray.h"

// No X11 here: no XEmbed tray to wait for.

TRXEmbedTray::TRXEmbedTray(QObject *parent)
    : QObject(parent)
{}

TRXEmbedTray::~TRXEmbedTray() = default;

bool TRXEmbedTray::isRunning() const
{
    return false;
}

void TRXEmbedTray::stopWatching()
{}

bool TRXEmbedTray::nativeEventFilter(const QByteArray &, void *, qintptr *)
{
    return false;
}
