#pragma once

// The browser's right pane: the web view with a thin progress bar over its
// top edge. The web engine is created when the pane first needs it.

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QProgressBar;
class QWebEngineView;
class TRBrowserWebPage;

class TRBrowserWebViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRBrowserWebViewController(QWidget *parent = nullptr);
    ~TRBrowserWebViewController() override;

    // Created on first use.
    QWebEngineView *webView();
    QProgressBar *progressIndicator();
    bool hasWebView() const { return m_webView != nullptr; }

    // Stops what is loading and loads url.
    void loadUrl(const QUrl &url);
    // The page's address; empty when nothing was loaded.
    QUrl currentUrl() const;

signals:
    // Emitted once, when the web view is created.
    void webViewCreated(QWebEngineView *webView);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void loadStarted();
    void loadFinished(bool ok);

    QWebEngineView *m_webView = nullptr;
    TRBrowserWebPage *m_page = nullptr;
    QProgressBar *m_progressIndicator = nullptr;
};
