#include "TRSafariPluginOptionsViewController.h"

#include "TRAlert.h"
#include "TRFileGrant.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginFilePicker.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "ui_TRSafariPluginOptionsViewController.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace {

// What a successful grant switches on, besides storing the grant.
QStringList flagsForGrant(TRSafariBookmarksParser::BookmarkDataKey key)
{
    using Key = TRSafariBookmarksParser::BookmarkDataKey;
    switch (key) {
    case Key::bookmarks:
        return {TRSettingsKeys::hasBookmarksData, TRSettingsKeys::allowBookmarks,
                TRSettingsKeys::allowBookmarksFromBookmarksBar,
                TRSettingsKeys::allowBookmarksFromBookmarksMenu};
    case Key::topSites:
        return {TRSettingsKeys::hasTopSitesData, TRSettingsKeys::allowTopSites};
    case Key::history:
        return {TRSettingsKeys::hasHistoryData, TRSettingsKeys::allowHistory};
    case Key::lastSession:
        return {TRSettingsKeys::hasLastSessionData, TRSettingsKeys::allowLastSession};
    }
    return {};
}

} // namespace

TRSafariPluginOptionsViewController::TRSafariPluginOptionsViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRSafariPluginOptionsViewController>())
{
    m_ui->setupUi(this);
    // Away from a Mac the files come from one, copied over.
    if (!QDir(QDir::home().filePath(QStringLiteral("Library/Safari"))).exists()) {
        m_ui->explanationLabel->setText(
            tr("Trellis reads Safari's files from private copies of the files you grant here. "
               "Safari keeps them on a Mac, in ~/Library/Safari; copy that folder to this "
               "computer and grant each file once."));
    }
    connect(m_ui->chooseBookmarksButton, &QPushButton::clicked, this,
            &TRSafariPluginOptionsViewController::chooseBookmarksFile);
    connect(m_ui->chooseTopSitesButton, &QPushButton::clicked, this,
            &TRSafariPluginOptionsViewController::chooseTopSitesFile);
    connect(m_ui->chooseHistoryButton, &QPushButton::clicked, this,
            &TRSafariPluginOptionsViewController::chooseHistoryFile);
    connect(m_ui->chooseLastSessionButton, &QPushButton::clicked, this,
            &TRSafariPluginOptionsViewController::chooseLastSessionFile);

    bind(m_ui->allowSearchCheckBox, TRSettingsKeys::allowSearch);
    bind(m_ui->allowBookmarksCheckBox, TRSettingsKeys::allowBookmarks);
    bind(m_ui->allowBookmarksBarCheckBox, TRSettingsKeys::allowBookmarksFromBookmarksBar);
    bind(m_ui->allowBookmarksMenuCheckBox, TRSettingsKeys::allowBookmarksFromBookmarksMenu);
    bind(m_ui->allowReadingListCheckBox, TRSettingsKeys::allowReadingList);
    bind(m_ui->allowFlatListCheckBox, TRSettingsKeys::allowFlatList);
    bind(m_ui->allowTopSitesCheckBox, TRSettingsKeys::allowTopSites);
    bind(m_ui->allowHistoryCheckBox, TRSettingsKeys::allowHistory);
    bind(m_ui->showItemCountCheckBox, TRSettingsKeys::showItemCount);
    bind(m_ui->allowMostVisitedCheckBox, TRSettingsKeys::allowMostVisitedItems);
    bind(m_ui->showVisitCountCheckBox, TRSettingsKeys::showVisitCount);
    bind(m_ui->allowLastSessionCheckBox, TRSettingsKeys::allowLastSession);
    bind(m_ui->showPrivateSessionsCheckBox, TRSettingsKeys::showPrivateSessions);
    bind(m_ui->useFavIconsCheckBox, TRSettingsKeys::useFavIcons);
    // A section's own options mean nothing while the section is off.
    m_dependentCheckBoxes = {
        {m_ui->allowBookmarksBarCheckBox, m_ui->allowBookmarksCheckBox},
        {m_ui->allowBookmarksMenuCheckBox, m_ui->allowBookmarksCheckBox},
        {m_ui->allowFlatListCheckBox, m_ui->allowBookmarksCheckBox},
        {m_ui->showItemCountCheckBox, m_ui->allowHistoryCheckBox},
        {m_ui->showVisitCountCheckBox, m_ui->allowMostVisitedCheckBox},
        {m_ui->showPrivateSessionsCheckBox, m_ui->allowLastSessionCheckBox},
    };
    for (const auto &[dependent, section] : m_dependentCheckBoxes) {
        connect(section, &QCheckBox::toggled, dependent, &QCheckBox::setEnabled);
    }
    refresh();
}

TRSafariPluginOptionsViewController::~TRSafariPluginOptionsViewController() = default;

QString TRSafariPluginOptionsViewController::safariDirectory()
{
    const QString safari = QDir::home().filePath(QStringLiteral("Library/Safari"));
    if (QDir(safari).exists()) {
        return safari;
    }
    // Away from a Mac the four files sit in a copied folder: each choice
    // after the first starts where the last granted file is.
    const TRSettings &settings = TRSettings::standard();
    for (const Key key : {Key::bookmarks, Key::history, Key::topSites, Key::lastSession}) {
        if (const auto grant = settings.dataForKey(TRSafariBookmarksParser::rawValue(key))) {
            if (const auto path = TRFileGrant::resolve(*grant, nullptr)) {
                return QFileInfo(*path).absolutePath();
            }
        }
    }
    return QDir::homePath();
}

void TRSafariPluginOptionsViewController::chooseBookmarksFile()
{
    choose(Key::bookmarks);
}

void TRSafariPluginOptionsViewController::chooseTopSitesFile()
{
    choose(Key::topSites);
}

void TRSafariPluginOptionsViewController::chooseHistoryFile()
{
    choose(Key::history);
}

void TRSafariPluginOptionsViewController::chooseLastSessionFile()
{
    choose(Key::lastSession);
}

void TRSafariPluginOptionsViewController::choose(Key key)
{
    TRPluginFilePickerInfo info;
    info.directoryPath = safariDirectory();
    QStringList patterns;
    for (const QString &type : TRSafariBookmarksParser::allowedFileTypes(key)) {
        patterns << QStringLiteral("*.") + type;
    }
    info.allowedFileTypes = {tr("Safari files (%1)").arg(patterns.join(u' '))};
    info.allowedFileNames = TRSafariBookmarksParser::allowedFileNames(key);

    m_currentFilePicker = std::make_unique<TRPluginFilePicker>(info);
    m_currentBookmarkDataKey = key;
    QPointer<TRSafariPluginOptionsViewController> self(this);
    m_currentFilePicker->show([self, key](const TRPluginFilePicker::Result &result) {
        if (!self) {
            return;
        }
        if (const auto *grant = std::get_if<QByteArray>(&result)) {
            self->didChoose(key, *grant);
            return;
        }
        // Cancelling is the user's own choice and needs no answer; a file no
        // grant can be made for does.
        if (std::get<TRPluginFilePickerError>(result) == TRPluginFilePickerError::invalidFile) {
            TRAlert::run({TRAlert::Style::critical, tr("Incorrect file!"), {}, {}, self->window()});
        }
    });
}

void TRSafariPluginOptionsViewController::didChoose(Key key, const QByteArray &grant)
{
    TRSettings &settings = TRSettings::standard();
    for (const QString &flag : flagsForGrant(key)) {
        settings.setBool(flag, true);
    }
    settings.setData(TRSafariBookmarksParser::rawValue(key), grant);
    settings.synchronize();
    refresh();
    TRNotificationCenter::defaultCenter().post(TRNotificationNames::safariPluginMenuNeedsUpdate);
}

void TRSafariPluginOptionsViewController::bind(QCheckBox *checkBox, const QString &key)
{
    m_boundCheckBoxes.emplace_back(checkBox, key);
    // Only the user's clicks write: showing the stored value must not store it.
    connect(checkBox, &QCheckBox::clicked, this, [key](bool checked) {
        TRSettings::standard().setBool(key, checked);
        // The same switch as the General pane's, which every browser obeys.
        if (key == TRSettingsKeys::useFavIcons) {
            TRNotificationCenter::defaultCenter().post(TRNotificationNames::websiteIconsDidChange);
        }
    });
}

QCheckBox *TRSafariPluginOptionsViewController::checkBoxForKey(const QString &key) const
{
    for (const auto &[checkBox, boundKey] : m_boundCheckBoxes) {
        if (boundKey == key) {
            return checkBox;
        }
    }
    return nullptr;
}

void TRSafariPluginOptionsViewController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void TRSafariPluginOptionsViewController::refresh()
{
    const TRSettings &settings = TRSettings::standard();
    for (const auto &[checkBox, key] : m_boundCheckBoxes) {
        checkBox->setChecked(settings.boolForKey(key));
    }
    for (const auto &[dependent, section] : m_dependentCheckBoxes) {
        dependent->setEnabled(section->isChecked());
    }
    const auto describe = [&settings](Key key) {
        const auto grant = settings.dataForKey(TRSafariBookmarksParser::rawValue(key));
        if (!grant) {
            return tr("Not granted yet");
        }
        // The name tells which of several copies was granted.
        const auto path = TRFileGrant::resolve(*grant, nullptr);
        return path ? tr("Granted: %1").arg(QFileInfo(*path).fileName()) : tr("Granted");
    };
    m_ui->bookmarksStatusLabel->setText(describe(Key::bookmarks));
    m_ui->topSitesStatusLabel->setText(describe(Key::topSites));
    m_ui->historyStatusLabel->setText(describe(Key::history));
    m_ui->lastSessionStatusLabel->setText(describe(Key::lastSession));
    // The buttons tell a screen reader what their rows' labels show.
    m_ui->chooseBookmarksButton->setAccessibleDescription(m_ui->bookmarksStatusLabel->text());
    m_ui->chooseTopSitesButton->setAccessibleDescription(m_ui->topSitesStatusLabel->text());
    m_ui->chooseHistoryButton->setAccessibleDescription(m_ui->historyStatusLabel->text());
    m_ui->chooseLastSessionButton->setAccessibleDescription(m_ui->lastSessionStatusLabel->text());
}
