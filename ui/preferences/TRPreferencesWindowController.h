#pragma once

// The preferences window: a toolbar of panes over the selected pane; the
// window resizes to each pane with a short animation, and closing it makes
// the plugins and the status menu pick up the changed settings.

#include <QMainWindow>
#include <QPointer>
#include <QPropertyAnimation>

#include <optional>

class QAction;
class QActionGroup;
class QToolBar;
class TRPluginManager;

class TRPreferencesWindowController : public QMainWindow
{
    Q_OBJECT

public:
    // The panes' toolbar item identifiers, which are also the stored values.
    static const QString generalPaneIdentifier;
    static const QString customSearchPaneIdentifier;
    static constexpr int animationDuration = 250;

    // The registry must outlive the window.
    explicit TRPreferencesWindowController(TRPluginManager *pluginManager,
                                           QWidget *parent = nullptr);
    ~TRPreferencesWindowController() override;

    // Shows the pane last used, centred and in front.
    void showWindow();
    // The action of the toolbar items.
    void handlePaneSelection(const QString &itemIdentifier);
    void windowWillClose();
    void animationDidEnd(QPropertyAnimation *animation);

    // The identifier of the item last clicked in this window, if any.
    std::optional<QString> selectedToolbarItem() const { return m_selectedToolbarItem; }
    QPropertyAnimation *viewAnimation() const { return m_viewAnimation; }
    QWidget *currentViewController() const { return m_currentViewController; }
    QWidget *loadingViewController();
    QToolBar *toolbar() const { return m_toolbar; }
    // The toolbar item with that identifier; null when there is none.
    QAction *toolbarItem(const QString &itemIdentifier) const;

    // None: the toolbar cannot be hidden.
    QMenu *createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showPane(const QString &paneIdentifier, bool animated);
    QWidget *makePane(const QString &paneIdentifier);
    QRect frameForPane(QWidget *pane) const;
    void setContentView(QWidget *view);

    TRPluginManager *m_pluginManager;
    QToolBar *m_toolbar;
    QActionGroup *m_toolbarItems;
    std::optional<QString> m_selectedToolbarItem;
    QPointer<QPropertyAnimation> m_viewAnimation;
    QPointer<QWidget> m_currentViewController;
    QPointer<QWidget> m_loadingViewController;
    // Set while the window is shown; its own closing runs the closing steps once.
    bool m_observingClose = false;
};
