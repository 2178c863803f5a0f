#include "TRBrowserBookmarksModel.h"

#include "TRWebsiteIcons.h"

#include <QSize>

TRBrowserBookmarksModel::TRBrowserBookmarksModel(QObject *parent)
    : QAbstractItemModel(parent)
    , m_folderIcon(
          QIcon::fromTheme(QStringLiteral("folder"), QIcon(QStringLiteral(":/icons/folder.svg"))))
    , m_bookmarkIcon(QStringLiteral(":/icons/bookmark.svg"))
{}

TRBrowserBookmarksModel::~TRBrowserBookmarksModel() = default;

void TRBrowserBookmarksModel::setTopLevel(const std::vector<TRBookmarkPtr> &bookmarks)
{
    beginResetModel();
    m_topLevel.clear();
    m_topLevel.reserve(bookmarks.size());
    for (const TRBookmarkPtr &bookmark : bookmarks) {
        auto node = std::make_unique<Node>();
        node->bookmark = bookmark;
        node->row = static_cast<int>(m_topLevel.size());
        m_topLevel.push_back(std::move(node));
    }
    endResetModel();
}

TRBookmarkPtr TRBrowserBookmarksModel::bookmarkAt(const QModelIndex &index) const
{
    const Node *node = nodeAt(index);
    return node ? node->bookmark : nullptr;
}

TRBrowserBookmarksModel::Node *TRBrowserBookmarksModel::nodeAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this) {
        return nullptr;
    }
    return static_cast<Node *>(index.internalPointer());
}

const std::vector<std::unique_ptr<TRBrowserBookmarksModel::Node>> &
TRBrowserBookmarksModel::childrenOf(Node *node) const
{
    if (!node) {
        return m_topLevel;
    }
    if (!node->childrenMade) {
        node->childrenMade = true;
        if (node->bookmark->kind() == TRBookmarkKind::group) {
            for (const TRBookmarkPtr &child : node->bookmark->bookmarks()) {
                // A line between menu items means nothing in an outline.
                if (child->isSeparator()) {
                    continue;
                }
                auto childNode = std::make_unique<Node>();
                childNode->bookmark = child;
                childNode->parent = node;
                childNode->row = static_cast<int>(node->children.size());
                node->children.push_back(std::move(childNode));
            }
        }
    }
    return node->children;
}

QModelIndex TRBrowserBookmarksModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0) {
        return {};
    }
    const auto &children = childrenOf(nodeAt(parent));
    if (row >= static_cast<int>(children.size())) {
        return {};
    }
    return createIndex(row, 0, children[static_cast<std::size_t>(row)].get());
}

QModelIndex TRBrowserBookmarksModel::parent(const QModelIndex &index) const
{
    const Node *node = nodeAt(index);
    if (!node || !node->parent) {
        return {};
    }
    return createIndex(node->parent->row, 0, node->parent);
}

int TRBrowserBookmarksModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0) {
        return 0;
    }
    return static_cast<int>(childrenOf(nodeAt(parent)).size());
}

int TRBrowserBookmarksModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool TRBrowserBookmarksModel::hasChildren(const QModelIndex &parent) const
{
    const Node *node = nodeAt(parent);
    if (!node) {
        return !m_topLevel.empty();
    }
    // Groups are expandable even when empty, as folders are.
    return node->bookmark->kind() == TRBookmarkKind::group;
}

QVariant TRBrowserBookmarksModel::data(const QModelIndex &index, int role) const
{
    const Node *node = nodeAt(index);
    if (!node) {
        return {};
    }
    const TRBookmark &bookmark = *node->bookmark;
    const bool isGroup = bookmark.kind() == TRBookmarkKind::group;
    switch (role) {
    case Qt::DisplayRole:
        return bookmark.name();
    case Qt::DecorationRole:
        if (isGroup) {
            return m_folderIcon;
        }
        if (const QIcon website = TRWebsiteIcons::iconFor(bookmark); !website.isNull()) {
            return website;
        }
        return m_bookmarkIcon;
    case Qt::ToolTipRole:
        return isGroup ? QVariant() : QVariant(bookmark.url().toString());
    case Qt::SizeHintRole:
        return QSize(0, rowHeight);
    default:
        return {};
    }
}

Qt::ItemFlags TRBrowserBookmarksModel::flags(const QModelIndex &index) const
{
    const Node *node = nodeAt(index);
    if (!node) {
        return Qt::NoItemFlags;
    }
    // Groups expand but cannot be selected; items load when selected.
    if (node->bookmark->kind() == TRBookmarkKind::group) {
        return Qt::ItemIsEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
