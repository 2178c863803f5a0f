#pragma once

// The built-in browser's page policy: requests for new windows continue in
// this page, and authentication challenges are refused without asking.

#include <QWebEnginePage>

class TRBrowserWebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit TRBrowserWebPage(QObject *parent = nullptr);

    // Stops what is loading and loads url.
    void loadHere(const QUrl &url);
};
