#include "TRGoogleChromePluginConfigurationViewController.h"

#include "TRFileGrant.h"
#include "TRGoogleChromeProfile.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginFilePicker.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "ui_TRGoogleChromePluginConfigurationViewController.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

TRGoogleChromePluginConfigurationViewController::TRGoogleChromePluginConfigurationViewController(
    QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRGoogleChromePluginConfigurationViewController>())
{
    m_ui->setupUi(this);
    connect(m_ui->chooseBookmarksButton, &QPushButton::clicked, this,
            &TRGoogleChromePluginConfigurationViewController::chooseBookmarksFile);
    connect(m_ui->chooseHistoryButton, &QPushButton::clicked, this,
            &TRGoogleChromePluginConfigurationViewController::chooseHistoryFile);
    updateStatus();
}

TRGoogleChromePluginConfigurationViewController::
    ~TRGoogleChromePluginConfigurationViewController() = default;

void TRGoogleChromePluginConfigurationViewController::chooseBookmarksFile()
{
    choose(Key::bookmarks);
}

void TRGoogleChromePluginConfigurationViewController::chooseHistoryFile()
{
    choose(Key::history);
}

void TRGoogleChromePluginConfigurationViewController::choose(Key key)
{
    TRPluginFilePickerInfo info;
    info.directoryPath = TRGoogleChromeProfile::defaultDirectory();
    info.allowedFileNames = {key == Key::bookmarks ? QStringLiteral("Bookmarks")
                                                   : QStringLiteral("History")};
    m_currentFilePicker = std::make_unique<TRPluginFilePicker>(info);
    m_currentBookmarkDataKey = key;
    QPointer<TRGoogleChromePluginConfigurationViewController> self(this);
    m_currentFilePicker->show([self](const TRPluginFilePicker::Result &result) {
        const auto *grant = std::get_if<QByteArray>(&result);
        if (!self || !grant || !self->m_currentBookmarkDataKey) {
            return;
        }
        TRSettings &settings = TRSettings::standard();
        if (*self->m_currentBookmarkDataKey == Key::history) {
            settings.setBool(TRSettingsKeys::googleChromeAllowHistory, true);
            settings.setBool(TRSettingsKeys::googleChromeHasHistoryData, true);
        } else {
            settings.setBool(TRSettingsKeys::googleChromeAllowBookmarks, true);
            settings.setBool(TRSettingsKeys::googleChromeHasBookmarksData, true);
        }
        settings.setData(TRGoogleChromeBookmarksParser::rawValue(*self->m_currentBookmarkDataKey),
                         *grant);
        self->updateStatus();
        TRNotificationCenter::defaultCenter().post(
            TRNotificationNames::googleChromePluginMenuNeedsUpdate);
    });
}

void TRGoogleChromePluginConfigurationViewController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateStatus();
}

void TRGoogleChromePluginConfigurationViewController::updateStatus()
{
    const TRSettings &settings = TRSettings::standard();
    const auto describe = [&settings](const QString &key) {
        const auto grant = settings.dataForKey(key);
        if (!grant) {
            return tr("Not granted yet");
        }
        // The profile's folder tells which of several profiles was granted.
        const auto path = TRFileGrant::resolve(*grant, nullptr);
        return path ? tr("Granted: %1")
                          .arg(QDir::toNativeSeparators(QFileInfo(*path).dir().dirName() + u'/' +
                                                        QFileInfo(*path).fileName()))
                    : tr("Granted");
    };
    m_ui->bookmarksStatusLabel->setText(describe(TRSettingsKeys::googleChromeBookmarksData));
    m_ui->historyStatusLabel->setText(describe(TRSettingsKeys::googleChromeHistoryData));
    // The buttons tell a screen reader what their rows' labels show.
    m_ui->chooseBookmarksButton->setAccessibleDescription(m_ui->bookmarksStatusLabel->text());
    m_ui->chooseHistoryButton->setAccessibleDescription(m_ui->historyStatusLabel->text());
}
