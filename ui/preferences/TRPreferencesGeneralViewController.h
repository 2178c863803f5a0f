#pragma once

// The General preferences pane: the status item's icon, the refresh rate,
// start at login and where bookmarks open.

#include <QWidget>

#include <memory>

namespace Ui {
class TRPreferencesGeneralViewController;
}
class QCheckBox;
class QComboBox;

class TRPreferencesGeneralViewController : public QWidget
{
    Q_OBJECT

public:
    // The helper that the platforms with a launcher register at login.
    static const QString loginItemIdentifier;

    explicit TRPreferencesGeneralViewController(QWidget *parent = nullptr);
    ~TRPreferencesGeneralViewController() override;

    // The action of both pop-ups.
    void handlePopUp(QObject *sender);
    // The action of the launch-at-login check box.
    void handleLaunchOnLogin(bool checked);

    // The indexes last applied.
    int currentMenuIndex() const { return m_currentMenuIndex; }
    int currentUpdateRateIndex() const { return m_currentUpdateRateIndex; }

    QComboBox *menuIconPopUpButton() const;
    QComboBox *updateRatePopUpButton() const;
    QCheckBox *launchOnLoginCheckbox() const;
    QCheckBox *openBookmarksInSafariCheckbox() const;
    QCheckBox *useFavIconsCheckbox() const;

    // The row title of a refresh interval in seconds ("Every 5 minutes").
    static QString updateRateTitle(int seconds);

private:
    void applyMenuIcon();
    void applyUpdateRate();

    std::unique_ptr<Ui::TRPreferencesGeneralViewController> m_ui;
    int m_currentMenuIndex = 0;
    int m_currentUpdateRateIndex = 0;
};
