#pragma once

// The outline's model: a top level given as a flat list (the filtered
// bookmarks) and, below each group, all of its children.

#include "TRBookmark.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <memory>
#include <vector>

class TRBrowserBookmarksModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    static constexpr int rowHeight = 30;

    explicit TRBrowserBookmarksModel(QObject *parent = nullptr);
    ~TRBrowserBookmarksModel() override;

    void setTopLevel(const std::vector<TRBookmarkPtr> &bookmarks);
    TRBookmarkPtr bookmarkAt(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // One row of the outline. The same bookmark may stand in several rows
    // (a filtered top level repeats nested matches), so rows are nodes of
    // their own. Children are made when the row is first expanded and then
    // kept, so a group refilled meanwhile cannot shift the rows under the view.
    struct Node
    {
        TRBookmarkPtr bookmark;
        Node *parent = nullptr;
        int row = 0;
        bool childrenMade = false;
        std::vector<std::unique_ptr<Node>> children;
    };

    Node *nodeAt(const QModelIndex &index) const;
    const std::vector<std::unique_ptr<Node>> &childrenOf(Node *node) const;

    std::vector<std::unique_ptr<Node>> m_topLevel;
    QIcon m_folderIcon;
    QIcon m_bookmarkIcon;
};
