#pragma once

// Takes the place of the default browser: records what it is asked to open.
// Registered with QDesktopServices::setUrlHandler by the tests that use it.

#include <QList>
#include <QObject>
#include <QUrl>

class DefaultBrowser : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};
