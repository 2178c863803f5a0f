#pragma once

// One built-in browser window: a toolbar with back and forward, an address
// or web-search field and a button that hands the page to the default
// browser, over the browser content.

#include "TRBrowserViewController.h"
#include "TRBrowserViewControllerDelegate.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TRBrowserNavigationViews;
}
class QLineEdit;
class QToolBar;
class QToolButton;
class QWebEngineView;

class TRBrowserWindowController : public QMainWindow, public TRBrowserViewControllerDelegate
{
    Q_OBJECT

public:
    explicit TRBrowserWindowController(QWidget *parent = nullptr);
    ~TRBrowserWindowController() override;

    TRBrowserViewController::BrowserType browserType;
    // Called once, with this controller, when its window closes.
    std::function<void(TRBrowserWindowController *)> onDismiss;

    // Copies the mode into the content, builds the toolbar on the first
    // showing, and shows the window in front.
    void showWindow();

    void browserGoBack();
    void browserGoForward();
    // Opens the page in the default browser, then closes the window; the
    // window stays when no browser could be launched.
    void browserOpenInSafari();
    void runWebSearch(const QString &term);

    // The address of a web search for term with the given domain suffix;
    // none when they cannot form a valid address. Every character but ASCII
    // letters and digits is percent-encoded as UTF-8.
    static std::optional<QUrl> searchUrl(const QString &term, const QString &domainSuffix);

    TRBrowserViewController *content() const { return m_content; }
    QToolBar *toolbar() const { return m_toolbar; }
    QToolButton *browserGoBackButton() const;
    QToolButton *browserGoForwardButton() const;
    QToolButton *browserOpenInSafariButton() const;
    QLineEdit *browserAddressTextField() const;
    QLineEdit *browserSearchField() const;

    void didSelectBookmark(TRBrowserViewController *controller,
                           const TRBookmarkPtr &bookmark) override;

    // None: the toolbar cannot be hidden or customised.
    QMenu *createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildToolbar();
    void observeWebView(QWebEngineView *webView);
    void addressEntered();

    std::unique_ptr<Ui::TRBrowserNavigationViews> m_ui;
    TRBrowserViewController *m_content;
    QToolBar *m_toolbar = nullptr;
    QWidget *m_fieldView = nullptr;
    bool m_dismissed = false;
};
