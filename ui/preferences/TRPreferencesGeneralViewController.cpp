#include "TRPreferencesGeneralViewController.h"

#include "TRImages.h"
#include "TRLauncherApplication.h"
#include "TRLoginItem.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRSettingsOptions.h"
#include "ui_TRPreferencesGeneralViewController.h"

#include <algorithm>

const QString TRPreferencesGeneralViewController::loginItemIdentifier =
    TRLauncherApplication::bundleIdentifier;

namespace {

// A stored index that no row has is shown as the nearest row.
int clampedIndex(qint64 index, int count)
{
    return static_cast<int>(std::clamp<qint64>(index, 0, count - 1));
}

QString menuIconTitle(const QString &imageName)
{
    if (imageName == QStringLiteral("tr_icon")) {
        return TRPreferencesGeneralViewController::tr("Trellis");
    }
    if (imageName == QStringLiteral("bookmarks")) {
        return TRPreferencesGeneralViewController::tr("Bookmarks");
    }
    return imageName;
}

} // namespace

TRPreferencesGeneralViewController::TRPreferencesGeneralViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRPreferencesGeneralViewController>())
{
    m_ui->setupUi(this);

    // The rows come from the tables the status menu reads too, so both always
    // agree.
    for (const QString &name : TRSettingsOptions::menuIconNames) {
        m_ui->menuIconPopUpButton->addItem(TRImages::imageNamed(name), menuIconTitle(name), name);
    }
    for (const int seconds : TRSettingsOptions::updateRates) {
        m_ui->updateRatePopUpButton->addItem(updateRateTitle(seconds), seconds);
    }

    const TRSettings &settings = TRSettings::standard();
    m_currentMenuIndex = clampedIndex(settings.integerForKey(TRSettingsKeys::menuIconIndex),
                                      m_ui->menuIconPopUpButton->count());
    m_currentUpdateRateIndex = clampedIndex(settings.integerForKey(TRSettingsKeys::updateRateIndex),
                                            m_ui->updateRatePopUpButton->count());
    m_ui->menuIconPopUpButton->setCurrentIndex(m_currentMenuIndex);
    m_ui->updateRatePopUpButton->setCurrentIndex(m_currentUpdateRateIndex);
    applyMenuIcon();
    applyUpdateRate();

    m_ui->launchOnLoginCheckbox->setChecked(settings.boolForKey(TRSettingsKeys::launchOnLogin));
    m_ui->openBookmarksInSafariCheckbox->setChecked(
        settings.boolForKey(TRSettingsKeys::openBookmarksInSafari));
    m_ui->useFavIconsCheckbox->setChecked(settings.boolForKey(TRSettingsKeys::useFavIcons));

    connect(m_ui->menuIconPopUpButton, &QComboBox::activated, this,
            [this] { handlePopUp(m_ui->menuIconPopUpButton); });
    connect(m_ui->updateRatePopUpButton, &QComboBox::activated, this,
            [this] { handlePopUp(m_ui->updateRatePopUpButton); });
    // The check boxes are bound to their settings: every change is stored
    // at once.
    connect(m_ui->launchOnLoginCheckbox, &QCheckBox::toggled, this, [](bool checked) {
        TRSettings::standard().setBool(TRSettingsKeys::launchOnLogin, checked);
    });
    connect(m_ui->openBookmarksInSafariCheckbox, &QCheckBox::toggled, this, [](bool checked) {
        TRSettings::standard().setBool(TRSettingsKeys::openBookmarksInSafari, checked);
    });
    connect(m_ui->useFavIconsCheckbox, &QCheckBox::toggled, this, [](bool checked) {
        TRSettings::standard().setBool(TRSettingsKeys::useFavIcons, checked);
        // The menus show or drop the icons now, not at the next refresh.
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::websiteIconsDidChange);
    });
    connect(m_ui->launchOnLoginCheckbox, &QCheckBox::clicked, this,
            &TRPreferencesGeneralViewController::handleLaunchOnLogin);
}

TRPreferencesGeneralViewController::~TRPreferencesGeneralViewController() = default;

QComboBox *TRPreferencesGeneralViewController::menuIconPopUpButton() const
{
    return m_ui->menuIconPopUpButton;
}

QComboBox *TRPreferencesGeneralViewController::updateRatePopUpButton() const
{
    return m_ui->updateRatePopUpButton;
}

QCheckBox *TRPreferencesGeneralViewController::launchOnLoginCheckbox() const
{
    return m_ui->launchOnLoginCheckbox;
}

QCheckBox *TRPreferencesGeneralViewController::openBookmarksInSafariCheckbox() const
{
    return m_ui->openBookmarksInSafariCheckbox;
}

QCheckBox *TRPreferencesGeneralViewController::useFavIconsCheckbox() const
{
    return m_ui->useFavIconsCheckbox;
}

QString TRPreferencesGeneralViewController::updateRateTitle(int seconds)
{
    if (seconds % 3600 == 0) {
        const int hours = seconds / 3600;
        return hours == 1 ? tr("Every hour") : tr("Every %1 hours").arg(hours);
    }
    const int minutes = seconds / 60;
    return minutes == 1 ? tr("Every minute") : tr("Every %1 minutes").arg(minutes);
}

void TRPreferencesGeneralViewController::handlePopUp(QObject *sender)
{
    if (sender == m_ui->menuIconPopUpButton) {
        applyMenuIcon();
        // The user sees the choice in the tray while the window is open.
        TRNotificationCenter::defaultCenter().post(
            TRNotificationNames::menuControllerStatusItemImageNeedsUpdate);
    } else if (sender == m_ui->updateRatePopUpButton) {
        applyUpdateRate();
    }
}

void TRPreferencesGeneralViewController::handleLaunchOnLogin(bool checked)
{
    // A failure is not reported: the box keeps showing the user's choice.
    TRLoginItem::setEnabled(loginItemIdentifier, checked);
}

void TRPreferencesGeneralViewController::applyMenuIcon()
{
    const int index = m_ui->menuIconPopUpButton->currentIndex();
    if (index < 0) {
        return;
    }
    m_currentMenuIndex = index;
    TRSettings &settings = TRSettings::standard();
    settings.setInteger(TRSettingsKeys::menuIconIndex, index);
    settings.setString(TRSettingsKeys::menuIconName, TRSettingsOptions::menuIconNames.at(index));
}

void TRPreferencesGeneralViewController::applyUpdateRate()
{
    const int index = m_ui->updateRatePopUpButton->currentIndex();
    if (index < 0) {
        return;
    }
    m_currentUpdateRateIndex = index;
    TRSettings &settings = TRSettings::standard();
    settings.setInteger(TRSettingsKeys::updateRateIndex, index);
    settings.setInteger(TRSettingsKeys::updateRateInterval,
                        TRSettingsOptions::updateRates.at(static_cast<std::size_t>(index)));
}
