#include "TRBrowserWindowController.h"

#include "TRAlert.h"
#include "TRBrowserWebViewController.h"
#include "TRWebSearch.h"
#include "ui_TRBrowserWindowController.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineView>

namespace {

// Grows only once the field has reached its widest, so the items stay
// centred and the field takes the room first.
QWidget *spacer()
{
    auto *widget = new QWidget;
    widget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    return widget;
}

} // namespace

TRBrowserWindowController::TRBrowserWindowController(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::TRBrowserNavigationViews>())
    , m_content(new TRBrowserViewController(this))
{
    // The browser floats above normal windows.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setCentralWidget(m_content);
    m_content->delegate = this;
    resize(1000, 700);

    auto *holder = new QWidget(this);
    holder->hide();
    m_ui->setupUi(holder);
    m_ui->browserGoBackButton->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    m_ui->browserGoForwardButton->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    m_ui->browserOpenInSafariButton->setIcon(
        QIcon::fromTheme(QStringLiteral("internet-web-browser"),
                         QIcon(QStringLiteral(":/icons/open-in-browser.svg"))));

    connect(m_ui->browserGoBackButton, &QToolButton::clicked, this,
            &TRBrowserWindowController::browserGoBack);
    connect(m_ui->browserGoForwardButton, &QToolButton::clicked, this,
            &TRBrowserWindowController::browserGoForward);
    connect(m_ui->browserOpenInSafariButton, &QToolButton::clicked, this,
            &TRBrowserWindowController::browserOpenInSafari);
    connect(m_ui->browserSearchField, &QLineEdit::returnPressed, this,
            [this] { runWebSearch(m_ui->browserSearchField->text()); });
    connect(m_ui->browserAddressTextField, &QLineEdit::returnPressed, this,
            &TRBrowserWindowController::addressEntered);
    connect(m_content->browserWebViewController(), &TRBrowserWebViewController::webViewCreated,
            this, &TRBrowserWindowController::observeWebView);

    auto *fullScreen = new QAction(tr("Full Screen"), this);
    fullScreen->setShortcut(QKeySequence::FullScreen);
    connect(fullScreen, &QAction::triggered, this,
            [this] { isFullScreen() ? showNormal() : showFullScreen(); });
    addAction(fullScreen);
}

TRBrowserWindowController::~TRBrowserWindowController() = default;

QToolButton *TRBrowserWindowController::browserGoBackButton() const
{
    return m_ui->browserGoBackButton;
}

QToolButton *TRBrowserWindowController::browserGoForwardButton() const
{
    return m_ui->browserGoForwardButton;
}

QToolButton *TRBrowserWindowController::browserOpenInSafariButton() const
{
    return m_ui->browserOpenInSafariButton;
}

QLineEdit *TRBrowserWindowController::browserAddressTextField() const
{
    return m_ui->browserAddressTextField;
}

QLineEdit *TRBrowserWindowController::browserSearchField() const
{
    return m_ui->browserSearchField;
}

void TRBrowserWindowController::showWindow()
{
    m_content->browserType = browserType;
    if (!m_toolbar) {
        buildToolbar();
    }
    m_ui->browserGoBackButton->setEnabled(false);
    m_ui->browserGoForwardButton->setEnabled(false);
    show();
    raise();
    activateWindow();
}

void TRBrowserWindowController::buildToolbar()
{
    // The title is what a screen reader says for the toolbar.
    m_toolbar = new QToolBar(tr("Navigation"), this);
    m_toolbar->setObjectName(QStringLiteral("browser_toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    m_toolbar->addWidget(spacer());
    m_toolbar->addWidget(m_ui->browserNavigationButtonsView);
    if (std::holds_alternative<TRBrowserViewController::Search>(browserType)) {
        m_fieldView = m_ui->browserNavigationSearchView;
    } else if (!std::holds_alternative<TRBrowserViewController::None>(browserType)) {
        m_fieldView = m_ui->browserNavigationWebView;
    }
    if (m_fieldView) {
        m_fieldView->setMinimumWidth(20);
        m_fieldView->setMaximumWidth(800);
        m_fieldView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_toolbar->addWidget(m_fieldView);
        if (m_fieldView == m_ui->browserNavigationSearchView) {
            m_ui->browserSearchField->setFocus();
        }
    }
    m_toolbar->addWidget(m_ui->browserNavigationOpenInSafariView);
    m_toolbar->addWidget(spacer());
}

QMenu *TRBrowserWindowController::createPopupMenu()
{
    // The toolbar cannot be hidden or customised.
    return nullptr;
}

void TRBrowserWindowController::observeWebView(QWebEngineView *webView)
{
    // The page's own actions follow its history; the buttons follow them.
    auto follow = [](QAction *action, QToolButton *button) {
        connect(action, &QAction::changed, button,
                [action, button] { button->setEnabled(action->isEnabled()); });
    };
    follow(webView->pageAction(QWebEnginePage::Back), m_ui->browserGoBackButton);
    follow(webView->pageAction(QWebEnginePage::Forward), m_ui->browserGoForwardButton);
    connect(webView->page(), &QWebEnginePage::windowCloseRequested, this, &QWidget::close);

    // The field and the title follow every page: links, back and forward,
    // scripts that rename the page.
    connect(webView, &QWebEngineView::urlChanged, this, [this](const QUrl &url) {
        QLineEdit *field = m_ui->browserAddressTextField;
        // What the user is typing is not taken away by a page that moves on.
        if (!url.isEmpty() && !(field->hasFocus() && field->isModified())) {
            field->setText(url.toString());
        }
    });
    connect(webView, &QWebEngineView::titleChanged, this, [this](const QString &title) {
        setWindowTitle(title.isEmpty() ? m_content->title() : title);
    });
}

void TRBrowserWindowController::browserGoBack()
{
    if (TRBrowserWebViewController *web = m_content->browserWebViewController();
        web && web->hasWebView()) {
        web->webView()->back();
    }
}

void TRBrowserWindowController::browserGoForward()
{
    if (TRBrowserWebViewController *web = m_content->browserWebViewController();
        web && web->hasWebView()) {
        web->webView()->forward();
    }
}

void TRBrowserWindowController::browserOpenInSafari()
{
    // Closed only once the page is elsewhere: without a browser it would be lost.
    if (m_content->openCurrentUrlInDefaultBrowser()) {
        close();
    } else {
        TRAlert::run({TRAlert::Style::informational,
                      tr("Trellis found no web browser to open this page in."),
                      {},
                      {},
                      this});
    }
}

void TRBrowserWindowController::didSelectBookmark(TRBrowserViewController *,
                                                  const TRBookmarkPtr &bookmark)
{
    m_ui->browserAddressTextField->setText(
        bookmark && bookmark->hasUrl() ? bookmark->url().toString() : QString());
}

void TRBrowserWindowController::addressEntered()
{
    QLineEdit *field = m_ui->browserAddressTextField;
    const QString text = field->text().trimmed();
    field->setModified(false);
    if (text.isEmpty()) {
        return;
    }
    if (const std::optional<QUrl> url = TRWebSearch::typedAddress(text)) {
        m_content->loadUrl(*url);
    } else {
        runWebSearch(text);
    }
}

std::optional<QUrl> TRBrowserWindowController::searchUrl(const QString &term,
                                                         const QString &domainSuffix)
{
    return TRWebSearch::url(term, domainSuffix);
}

void TRBrowserWindowController::runWebSearch(const QString &term)
{
    if (term.isEmpty() || !m_content->browserWebViewController()) {
        return;
    }
    const std::optional<QUrl> url = searchUrl(term, TRWebSearch::domainSuffix());
    if (!url) {
        TRAlert::run(
            {TRAlert::Style::warning, tr("Unable to search the given term!"), {}, {}, this});
        return;
    }
    m_content->loadUrl(*url);
}

void TRBrowserWindowController::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && !m_dismissed) {
        m_dismissed = true;
        if (onDismiss) {
            onDismiss(this);
        }
    }
}
