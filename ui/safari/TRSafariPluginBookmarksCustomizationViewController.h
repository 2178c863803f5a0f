#pragma once

// The Safari pane's folder list: Safari's bookmark folders as an outline with
// a check box each, through which the user hides folders from the menu. The
// rows are the shared parser's own nodes; the outline is rebuilt after each
// parse.

#include "TRSafariBookmark.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class TRSafariPluginBookmarksCustomizationViewController;
}
class QAbstractItemModel;
class QProgressBar;
class QTreeView;

class TRSafariPluginBookmarksCustomizationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRSafariPluginBookmarksCustomizationViewController(QWidget *parent = nullptr);
    ~TRSafariPluginBookmarksCustomizationViewController() override;

    // The top-level rows: the favourites bar, the menu folder and the other
    // bookmarks, those that the last parse read.
    const std::vector<TRSafariBookmarkPtr> &bookmarks() const { return m_bookmarks; }

    QTreeView *outlineView() const;
    QProgressBar *progressIndicator() const;
    QAbstractItemModel *model() const;

    // Switches a folder on or off, with its direct subfolders, and records
    // the folder in the parser's set of hidden folders.
    void handleStateChange(const TRBookmarkPtr &bookmark, bool enabled);

protected:
    void showEvent(QShowEvent *event) override;

private:
    class Model;
    void rebuild();

    std::unique_ptr<Ui::TRSafariPluginBookmarksCustomizationViewController> m_ui;
    std::vector<TRSafariBookmarkPtr> m_bookmarks;
    Model *m_model;
};
