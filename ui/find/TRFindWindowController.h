#pragma once

// The find window: a search field and, below it, the best matches among
// every source's bookmarks, history and services as the user types. Up and
// Down move, Return opens the match as the menu would (Shift inverting where
// it opens), Escape closes; it also closes after opening a match and when it
// loses the focus. A query that matches nothing, or an address, is offered
// as a web search or as the address itself.

#include "TRFindSources.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLineEdit;
class QListView;
class QStandardItemModel;
namespace Ui {
class TRFindWindowController;
}

class TRFindWindowController : public QWidget
{
    Q_OBJECT

public:
    explicit TRFindWindowController(QWidget *parent = nullptr);
    ~TRFindWindowController() override;

    // Shows the window on the screen with the pointer, its last query
    // selected and searched again among the sources as they are now.
    void showWindow();

    QLineEdit *searchField() const { return m_field; }
    QListView *resultsList() const { return m_list; }
    // The matches on show, best first; the rows after them offer the web.
    const std::vector<TRSearchCatalog::Match> &matches() const { return m_matches; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void search(const QString &text);
    void moveSelection(int step);
    void openRow(int row);

    std::unique_ptr<Ui::TRFindWindowController> m_ui;
    QLineEdit *m_field = nullptr;
    QListView *m_list = nullptr;
    QStandardItemModel *m_model;
    std::shared_ptr<const TRFindSources::Snapshot> m_snapshot;
    std::vector<TRSearchCatalog::Match> m_matches;
    // What the rows after the matches open, if any.
    std::vector<QUrl> m_offers;
};
