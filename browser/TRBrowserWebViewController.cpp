#include "TRBrowserWebViewController.h"

#include "TRBrowserWebPage.h"

#include <QChildEvent>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace {
constexpr int progressBarHeight = 3;
}

TRBrowserWebViewController::TRBrowserWebViewController(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setMinimumWidth(240);
}

TRBrowserWebViewController::~TRBrowserWebViewController() = default;

QWebEngineView *TRBrowserWebViewController::webView()
{
    if (!m_webView) {
        m_webView = new QWebEngineView(this);
        m_page = new TRBrowserWebPage(m_webView);
        m_webView->setPage(m_page);
        m_webView->setAccessibleName(tr("Web page"));
        m_webView->installEventFilter(this);
        layout()->addWidget(m_webView);
        connect(m_page, &QWebEnginePage::loadStarted, this,
                &TRBrowserWebViewController::loadStarted);
        connect(m_page, &QWebEnginePage::loadProgress, this,
                [this](int percent) { progressIndicator()->setValue(percent); });
        connect(m_page, &QWebEnginePage::loadFinished, this,
                &TRBrowserWebViewController::loadFinished);
        // The bar lies over the page's top edge, above the web view.
        progressIndicator()->raise();
        emit webViewCreated(m_webView);
    }
    return m_webView;
}

QProgressBar *TRBrowserWebViewController::progressIndicator()
{
    if (!m_progressIndicator) {
        m_progressIndicator = new QProgressBar(this);
        m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
        m_progressIndicator->setRange(0, 100);
        m_progressIndicator->setValue(0);
        m_progressIndicator->setTextVisible(false);
        m_progressIndicator->setFixedHeight(progressBarHeight);
        m_progressIndicator->setGeometry(0, 0, width(), progressBarHeight);
        m_progressIndicator->hide();
    }
    return m_progressIndicator;
}

void TRBrowserWebViewController::loadUrl(const QUrl &url)
{
    webView();
    m_page->loadHere(url);
}

QUrl TRBrowserWebViewController::currentUrl() const
{
    return m_webView ? m_webView->url() : QUrl();
}

bool TRBrowserWebViewController::eventFilter(QObject *watched, QEvent *event)
{
    // The engine draws the page on a surface of its own, made anew when a
    // page moves to another process; the surface takes the focus, so a
    // screen reader needs the name there.
    if (watched == m_webView && event->type() == QEvent::ChildPolished) {
        if (auto *surface = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child())) {
            surface->setAccessibleName(m_webView->accessibleName());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TRBrowserWebViewController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_progressIndicator) {
        m_progressIndicator->setGeometry(0, 0, width(), progressBarHeight);
    }
}

void TRBrowserWebViewController::loadStarted()
{
    QProgressBar *bar = progressIndicator();
    if (bar->isHidden()) {
        bar->setValue(0);
        bar->show();
        bar->raise();
    }
}

void TRBrowserWebViewController::loadFinished(bool)
{
    // Hidden after a failed load too: a bar left standing would claim that
    // something is still loading.
    progressIndicator()->hide();
}
