#pragma once

// The browser's left pane: an outline of bookmarks and a field that filters it.

#include "TRBookmark.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class TRBrowserBookmarksViewController;
}
class QLineEdit;
class QTreeView;
class TRBrowserBookmarksModel;

class TRBrowserBookmarksViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRBrowserBookmarksViewController(QWidget *parent = nullptr);
    ~TRBrowserBookmarksViewController() override;

    // Called when the user selects an item's row.
    std::function<void(const TRBookmarkPtr &)> onDidSelectBookmark;

    const std::vector<TRBookmarkPtr> &bookmarks() const { return m_bookmarks; }
    // Shows these bookmarks unfiltered; a single one is selected at once.
    void setBookmarks(const std::vector<TRBookmarkPtr> &bookmarks);
    const std::vector<TRBookmarkPtr> &filteredBookmarks() const { return m_filteredBookmarks; }

    QTreeView *outlineView() const;
    QLineEdit *searchField() const;

    // The bookmarks, at any depth, whose lower-cased name contains the
    // lower-cased term or whose URL contains it as typed; a group is
    // followed by its own matches. Depth-first, flat.
    static std::vector<TRBookmarkPtr> filter(const std::vector<TRBookmarkPtr> &bookmarks,
                                             const QString &term);

private:
    void searchTextChanged(const QString &text);
    void selectionChanged();

    std::unique_ptr<Ui::TRBrowserBookmarksViewController> m_ui;
    TRBrowserBookmarksModel *m_model;
    std::vector<TRBookmarkPtr> m_bookmarks;
    std::vector<TRBookmarkPtr> m_filteredBookmarks;
};
