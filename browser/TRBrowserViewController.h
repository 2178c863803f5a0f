#pragma once

// A browser window's content: the bookmark outline beside the web pane. It
// applies the window's mode when shown and routes selected bookmarks to the
// web pane.

#include "TRBookmark.h"
#include "TRBrowserMode.h"

#include <QPointer>
#include <QSplitter>
#include <QUrl>

class TRBrowserBookmarksViewController;
class TRBrowserViewControllerDelegate;
class TRBrowserWebViewController;

class TRBrowserViewController : public QSplitter
{
    Q_OBJECT

public:
    // What the window shows.
    using None = TRBrowserMode::None;
    using Bookmark = TRBrowserMode::Bookmark;
    using BookmarkGroup = TRBrowserMode::BookmarkGroup;
    using Web = TRBrowserMode::Web;
    using Search = TRBrowserMode::Search;
    using BrowserType = TRBrowserMode::Type;

    explicit TRBrowserViewController(QWidget *parent = nullptr);
    ~TRBrowserViewController() override;

    TRBrowserViewControllerDelegate *delegate = nullptr;
    BrowserType browserType;

    // Absent once the mode has removed the outline pane.
    TRBrowserBookmarksViewController *browserBookmarksViewController() const;
    TRBrowserWebViewController *browserWebViewController() const;

    // The title of the current mode, as the window shows it.
    QString title() const { return m_title; }

    void selectBookmark(const TRBookmarkPtr &bookmark);
    void loadUrl(const QUrl &url);
    // Hands the web pane's current address to the default browser; false
    // only when there was a page and no browser could be launched.
    bool openCurrentUrlInDefaultBrowser();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyBrowserType();
    void removeBookmarksPane();
    void setTitle(const QString &title);

    QPointer<TRBrowserBookmarksViewController> m_bookmarksViewController;
    QPointer<TRBrowserWebViewController> m_webViewController;
    QString m_title;
};
