#include "TRBrowserBookmarksViewController.h"

#include "TRBrowserBookmarksModel.h"
#include "ui_TRBrowserBookmarksViewController.h"

#include <QItemSelectionModel>

namespace {

// Trees come from parsers that bound their depth; this only keeps a tree that
// holds itself from recursing without end.
constexpr int maximumFilterDepth = 256;

void filterInto(const std::vector<TRBookmarkPtr> &bookmarks, const QString &lowerTerm, int depth,
                std::vector<TRBookmarkPtr> &result)
{
    if (depth > maximumFilterDepth) {
        return;
    }
    for (const TRBookmarkPtr &bookmark : bookmarks) {
        const bool matches = bookmark->name().toLower().contains(lowerTerm) ||
                             (bookmark->hasUrl() && bookmark->url().toString().contains(lowerTerm));
        if (matches) {
            result.push_back(bookmark);
        }
        if (bookmark->kind() == TRBookmarkKind::group) {
            filterInto(bookmark->bookmarks(), lowerTerm, depth + 1, result);
        }
    }
}

} // namespace

TRBrowserBookmarksViewController::TRBrowserBookmarksViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRBrowserBookmarksViewController>())
    , m_model(new TRBrowserBookmarksModel(this))
{
    m_ui->setupUi(this);
    m_ui->outlineView->setModel(m_model);
    connect(m_ui->searchField, &QLineEdit::textChanged, this,
            &TRBrowserBookmarksViewController::searchTextChanged);
    connect(m_ui->outlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TRBrowserBookmarksViewController::selectionChanged);
}

TRBrowserBookmarksViewController::~TRBrowserBookmarksViewController() = default;

QTreeView *TRBrowserBookmarksViewController::outlineView() const
{
    return m_ui->outlineView;
}

QLineEdit *TRBrowserBookmarksViewController::searchField() const
{
    return m_ui->searchField;
}

void TRBrowserBookmarksViewController::setBookmarks(const std::vector<TRBookmarkPtr> &bookmarks)
{
    m_bookmarks = bookmarks;
    m_filteredBookmarks = bookmarks;
    m_model->setTopLevel(m_filteredBookmarks);
    const QModelIndex first = m_model->index(0, 0);
    if (m_filteredBookmarks.size() == 1 && (m_model->flags(first) & Qt::ItemIsSelectable)) {
        m_ui->outlineView->selectionModel()->select(first, QItemSelectionModel::ClearAndSelect);
    }
}

std::vector<TRBookmarkPtr>
TRBrowserBookmarksViewController::filter(const std::vector<TRBookmarkPtr> &bookmarks,
                                         const QString &term)
{
    std::vector<TRBookmarkPtr> result;
    filterInto(bookmarks, term.toLower(), 0, result);
    return result;
}

void TRBrowserBookmarksViewController::searchTextChanged(const QString &text)
{
    m_filteredBookmarks = text.isEmpty() ? m_bookmarks : filter(m_bookmarks, text);
    m_model->setTopLevel(m_filteredBookmarks);
}

void TRBrowserBookmarksViewController::selectionChanged()
{
    const QModelIndexList selected = m_ui->outlineView->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const TRBookmarkPtr bookmark = m_model->bookmarkAt(selected.first());
    if (bookmark && onDidSelectBookmark) {
        onDidSelectBookmark(bookmark);
    }
}
