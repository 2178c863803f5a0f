#include "TRSafariPluginBookmarksCustomizationViewController.h"

#include "TRImages.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSafariBookmarksParser.h"
#include "ui_TRSafariPluginBookmarksCustomizationViewController.h"

#include <QAbstractItemModel>
#include <QProgressBar>
#include <QTreeView>

// The folders as the outline shows them. Each row keeps its node alive, so
// that the outline stays sound when a parse refills the trees before the
// outline hears of it; children are listed when the outline first asks.
class TRSafariPluginBookmarksCustomizationViewController::Model : public QAbstractItemModel
{
public:
    explicit Model(TRSafariPluginBookmarksCustomizationViewController *owner)
        : QAbstractItemModel(owner)
        , m_owner(owner)
        , m_folderImage(QIcon::fromTheme(QStringLiteral("folder"),
                                         TRImages::imageNamed(QStringLiteral("folder"))))
    {}

    void reset(const std::vector<TRSafariBookmarkPtr> &roots)
    {
        beginResetModel();
        m_rows.clear();
        m_topLevel.clear();
        for (const TRSafariBookmarkPtr &root : roots) {
            m_topLevel.push_back(addRow(root, noParent, int(m_topLevel.size())));
        }
        endResetModel();
    }

    TRSafariBookmarkPtr bookmark(const QModelIndex &index) const
    {
        return index.isValid() ? m_rows[index.internalId()].bookmark : nullptr;
    }

    // The index of a listed node; invalid when the outline has not listed it.
    QModelIndex indexOf(const TRBookmark *bookmark) const
    {
        for (size_t id = 0; id < m_rows.size(); ++id) {
            if (m_rows[id].bookmark.get() == bookmark) {
                return createIndex(m_rows[id].row, 0, quintptr(id));
            }
        }
        return {};
    }

    // Tells the outline that a row and its listed children changed.
    void rowAndChildrenChanged(const QModelIndex &index)
    {
        emit dataChanged(index, index, {Qt::CheckStateRole});
        const Row &row = m_rows[index.internalId()];
        if (row.childrenListed && !row.children.empty()) {
            emit dataChanged(this->index(0, 0, index),
                             this->index(int(row.children.size()) - 1, 0, index),
                             {Qt::CheckStateRole});
        }
    }

    QModelIndex index(int row, int column, const QModelIndex &parent) const override
    {
        if (column != 0 || row < 0) {
            return {};
        }
        const std::vector<size_t> &siblings = childrenOf(parent);
        if (size_t(row) >= siblings.size()) {
            return {};
        }
        return createIndex(row, 0, quintptr(siblings[size_t(row)]));
    }

    QModelIndex parent(const QModelIndex &child) const override
    {
        if (!child.isValid()) {
            return {};
        }
        const size_t parentId = m_rows[child.internalId()].parent;
        if (parentId == noParent) {
            return {};
        }
        return createIndex(m_rows[parentId].row, 0, quintptr(parentId));
    }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.column() > 0 ? 0 : int(childrenOf(parent).size());
    }

    int columnCount(const QModelIndex &) const override { return 1; }

    bool hasChildren(const QModelIndex &parent) const override
    {
        if (!parent.isValid()) {
            return !m_topLevel.empty();
        }
        // Only folders are listed: a folder of bookmarks alone has no triangle.
        for (const TRBookmarkPtr &child : m_rows[parent.internalId()].bookmark->bookmarks()) {
            if (child->kind() == TRBookmarkKind::group) {
                return true;
            }
        }
        return false;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid()) {
            return {};
        }
        const TRSafariBookmark &bookmark = *m_rows[index.internalId()].bookmark;
        switch (role) {
        case Qt::DisplayRole:
            return bookmark.name();
        case Qt::DecorationRole:
            return m_folderImage;
        case Qt::CheckStateRole:
            return bookmark.isEnabled() ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        // No row is selectable; the three top-level folders cannot be
        // switched off, their check boxes show disabled.
        if (m_rows[index.internalId()].parent == noParent) {
            return Qt::NoItemFlags;
        }
        return Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable)) {
            return false;
        }
        m_owner->handleStateChange(bookmark(index), value.value<Qt::CheckState>() == Qt::Checked);
        return true;
    }

private:
    static constexpr size_t noParent = size_t(-1);

    struct Row
    {
        TRSafariBookmarkPtr bookmark;
        size_t parent;
        int row;
        bool childrenListed = false;
        std::vector<size_t> children;
    };

    size_t addRow(const TRSafariBookmarkPtr &bookmark, size_t parent, int row) const
    {
        m_rows.push_back({bookmark, parent, row, false, {}});
        return m_rows.size() - 1;
    }

    const std::vector<size_t> &childrenOf(const QModelIndex &parent) const
    {
        if (!parent.isValid()) {
            return m_topLevel;
        }
        const size_t id = parent.internalId();
        if (!m_rows[id].childrenListed) {
            m_rows[id].childrenListed = true;
            std::vector<size_t> children;
            for (const TRSafariBookmarkPtr &group : m_rows[id].bookmark->childGroups(false)) {
                children.push_back(addRow(group, id, int(children.size())));
            }
            m_rows[id].children = std::move(children);
        }
        return m_rows[id].children;
    }

    TRSafariPluginBookmarksCustomizationViewController *m_owner;
    QIcon m_folderImage;
    // Listing children on demand happens in the const reading functions.
    mutable std::vector<Row> m_rows;
    std::vector<size_t> m_topLevel;
};

TRSafariPluginBookmarksCustomizationViewController::
    TRSafariPluginBookmarksCustomizationViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRSafariPluginBookmarksCustomizationViewController>())
    , m_model(new Model(this))
{
    m_ui->setupUi(this);
    m_ui->outlineView->setModel(m_model);
    m_ui->outlineView->setHeaderHidden(true);
    m_ui->outlineView->setSelectionMode(QAbstractItemView::NoSelection);
    m_ui->outlineView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->progressIndicator->setRange(0, 0);
    m_ui->progressIndicator->hide();

    TRNotificationCenter::defaultCenter().addObserver(
        this, TRNotificationNames::safariBookmarksParserDidFinishParsing,
        [this](const TRNotification &) { rebuild(); });
    rebuild();
}

TRSafariPluginBookmarksCustomizationViewController::
    ~TRSafariPluginBookmarksCustomizationViewController() = default;

QTreeView *TRSafariPluginBookmarksCustomizationViewController::outlineView() const
{
    return m_ui->outlineView;
}

QProgressBar *TRSafariPluginBookmarksCustomizationViewController::progressIndicator() const
{
    return m_ui->progressIndicator;
}

QAbstractItemModel *TRSafariPluginBookmarksCustomizationViewController::model() const
{
    return m_model;
}

void TRSafariPluginBookmarksCustomizationViewController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A parse under way will bring a new outline; say so until it does.
    m_ui->progressIndicator->setVisible(TRSafariBookmarksParser::shared().isParsing());
}

void TRSafariPluginBookmarksCustomizationViewController::rebuild()
{
    m_bookmarks.clear();
    const auto &roots = TRSafariBookmarksParser::shared().bookmarks();
    using Type = TRSafariBookmarksParser::BookmarkTypeKey;
    for (const Type type : {Type::bookmarksBar, Type::bookmarksMenu, Type::user}) {
        const auto found = roots.constFind(type);
        if (found != roots.constEnd() && *found) {
            m_bookmarks.push_back(*found);
        }
    }
    m_model->reset(m_bookmarks);
    // The parse it waited for is over.
    m_ui->progressIndicator->hide();
    for (int row = 0; row < m_model->rowCount({}); ++row) {
        m_ui->outlineView->expand(m_model->index(row, 0, {}));
    }
}

void TRSafariPluginBookmarksCustomizationViewController::handleStateChange(
    const TRBookmarkPtr &bookmark, bool enabled)
{
    const auto safariBookmark = std::dynamic_pointer_cast<TRSafariBookmark>(bookmark);
    if (!safariBookmark) {
        return;
    }
    // The folder and its direct subfolders only: deeper folders keep the
    // state the user gave them. The base setter does not reach further down.
    safariBookmark->TRBookmark::setEnabled(enabled);
    for (const TRSafariBookmarkPtr &group : safariBookmark->childGroups(false)) {
        group->TRBookmark::setEnabled(enabled);
    }
    QSet<QString> &disabled = TRSafariBookmarksParser::shared().disabledBookmarkUUIDs();
    if (enabled) {
        disabled.remove(safariBookmark->id());
    } else {
        disabled.insert(safariBookmark->id());
    }
    const QModelIndex index = m_model->indexOf(safariBookmark.get());
    if (index.isValid()) {
        m_model->rowAndChildrenChanged(index);
    }
}
