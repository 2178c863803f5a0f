#include "TRBrowserWebPage.h"

#include <QAuthenticator>
#include <QWebEngineNewWindowRequest>

TRBrowserWebPage::TRBrowserWebPage(QObject *parent)
    : QWebEnginePage(parent)
{
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) {
                // Never a second window: the page goes on here. A request
                // without an address (window.open() arrives as an about: page)
                // is dropped.
                const QUrl url = request.requestedUrl();
                if (!url.isEmpty() && url.scheme() != QStringLiteral("about")) {
                    loadHere(url);
                }
            });
    // An empty authenticator cancels the challenge: no credential, no dialog.
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator, const QString &) {
                *authenticator = QAuthenticator();
            });
}

void TRBrowserWebPage::loadHere(const QUrl &url)
{
    triggerAction(QWebEnginePage::Stop);
    load(url);
}
