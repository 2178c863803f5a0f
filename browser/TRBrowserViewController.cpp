#include "TRBrowserViewController.h"

#include "TRBrowserBookmarksViewController.h"
#include "TRBrowserViewControllerDelegate.h"
#include "TRBrowserWebViewController.h"

#include <QDesktopServices>
#include <QShowEvent>

TRBrowserViewController::TRBrowserViewController(QWidget *parent)
    : QSplitter(Qt::Horizontal, parent)
    , m_bookmarksViewController(new TRBrowserBookmarksViewController(this))
    , m_webViewController(new TRBrowserWebViewController(this))
{
    setChildrenCollapsible(false);
    addWidget(m_bookmarksViewController);
    addWidget(m_webViewController);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setSizes({260, 740});
    m_title = tr("Browser");
    m_bookmarksViewController->onDidSelectBookmark = [this](const TRBookmarkPtr &bookmark) {
        selectBookmark(bookmark);
    };
}

TRBrowserViewController::~TRBrowserViewController() = default;

TRBrowserBookmarksViewController *TRBrowserViewController::browserBookmarksViewController() const
{
    return m_bookmarksViewController;
}

TRBrowserWebViewController *TRBrowserViewController::browserWebViewController() const
{
    return m_webViewController;
}

void TRBrowserViewController::showEvent(QShowEvent *event)
{
    QSplitter::showEvent(event);
    // A window coming back from being minimised keeps its page; only a
    // showing asked for by the application applies the mode.
    if (!event->spontaneous()) {
        applyBrowserType();
    }
}

void TRBrowserViewController::applyBrowserType()
{
    QString title = tr("Browser");
    if (const auto *mode = std::get_if<Bookmark>(&browserType)) {
        title = mode->bookmark ? mode->bookmark->name() : QString();
        removeBookmarksPane();
        setTitle(title);
        selectBookmark(mode->bookmark);
        return;
    }
    if (const auto *group = std::get_if<BookmarkGroup>(&browserType)) {
        if (group->bookmark) {
            title = group->bookmark->name();
            if (m_bookmarksViewController) {
                m_bookmarksViewController->setBookmarks(group->bookmark->bookmarks());
            }
        }
    } else if (const auto *web = std::get_if<Web>(&browserType)) {
        title = web->customName.isEmpty() ? web->url.toString() : web->customName;
        removeBookmarksPane();
        loadUrl(web->url);
    } else if (std::holds_alternative<Search>(browserType)) {
        title = tr("Search...");
        removeBookmarksPane();
    }
    setTitle(title);
}

void TRBrowserViewController::removeBookmarksPane()
{
    // A second showing finds the pane gone already.
    if (m_bookmarksViewController) {
        delete m_bookmarksViewController;
    }
}

void TRBrowserViewController::setTitle(const QString &title)
{
    m_title = title;
    window()->setWindowTitle(title);
}

void TRBrowserViewController::selectBookmark(const TRBookmarkPtr &bookmark)
{
    if (!bookmark || !bookmark->hasUrl()) {
        return;
    }
    setTitle(bookmark->name());
    if (delegate) {
        delegate->didSelectBookmark(this, bookmark);
    }
    loadUrl(bookmark->url());
}

void TRBrowserViewController::loadUrl(const QUrl &url)
{
    if (m_webViewController) {
        m_webViewController->loadUrl(url);
    }
}

bool TRBrowserViewController::openCurrentUrlInDefaultBrowser()
{
    if (!m_webViewController) {
        return true;
    }
    const QUrl url = m_webViewController->currentUrl();
    return url.isEmpty() || QDesktopServices::openUrl(url);
}
