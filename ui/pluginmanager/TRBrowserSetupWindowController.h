#pragma once

// The window that sets Trellis up in one step: every profile of every
// browser found, with what it holds, ticked; "Use these" grants them all.

#include "TRBrowserDiscovery.h"
#include "TRProfileSummary.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class TRBrowserSetupWindowController;
}
class QCheckBox;
class QPushButton;
class QTreeWidgetItem;
class TROperationQueue;

class TRBrowserSetupWindowController : public QWidget
{
    Q_OBJECT

public:
    explicit TRBrowserSetupWindowController(QWidget *parent = nullptr);
    ~TRBrowserSetupWindowController() override;

    // The one window, made when first asked for and freed when closed; it
    // shows once the list is filled. With nothing found it stays hidden,
    // closes, and nothingFound runs instead.
    static TRBrowserSetupWindowController *present(std::function<void()> nothingFound = {});

    // Looks for the browsers again (on a worker) and fills the list; the
    // counts follow as they are read.
    void reload();
    // Centres the window and brings it to the front.
    void showWindow();

    const std::vector<TRBrowserInstallation> &browsers() const { return m_browsers; }
    // The row of a profile; none for an unknown one.
    QTreeWidgetItem *itemFor(std::size_t browser, std::size_t profile) const;
    QPushButton *useButton() const { return m_useButton; }
    QPushButton *laterButton() const { return m_laterButton; }
    QCheckBox *useFavIconsCheckbox() const;

    // Grants every ticked profile, asks their plugins to read, and closes.
    void useChecked();

signals:
    // The list is filled, and each time a profile's counts come in.
    void listChanged();
    void countsRead();

private:
    void fill(std::vector<TRBrowserInstallation> browsers);
    void showSummary(QTreeWidgetItem *item, const TRProfileSummary &summary);
    void updateUseButton();

    std::unique_ptr<Ui::TRBrowserSetupWindowController> m_ui;
    std::unique_ptr<TROperationQueue> m_queue;
    std::vector<TRBrowserInstallation> m_browsers;
    QPushButton *m_useButton;
    QPushButton *m_laterButton;
};
