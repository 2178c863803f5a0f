#pragma once

// The application's own images by name, each made once; the menus, the panes
// and the tray take their images from here. Main thread only.

class QIcon;
class QString;

class TRImages
{
public:
    // One of the application's own images; null when there is none.
    static QIcon imageNamed(const QString &name);
    // That image as the tray shows it; null when there is none.
    static QIcon statusItemImageNamed(const QString &name);

private:
    // An image made ready for this platform's tray; one unit per platform
    // (TRImages_unix.cpp, TRImages_mac.cpp).
    static QIcon forStatusItem(const QIcon &image);
};
