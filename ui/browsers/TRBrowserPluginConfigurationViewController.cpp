#include "TRBrowserPluginConfigurationViewController.h"

#include "TRBrowserPlugin.h"
#include "TRBrowserSetupWindowController.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeProfile.h"
#include "TRNotificationCenter.h"
#include "TRPluginFilePicker.h"
#include "TRSettings.h"
#include "ui_TRBrowserPluginConfigurationViewController.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

TRBrowserPluginConfigurationViewController::TRBrowserPluginConfigurationViewController(
    TRBrowserPlugin *plugin, QWidget *parent)
    : QWidget(parent)
    , m_plugin(plugin)
    , m_ui(std::make_unique<Ui::TRBrowserPluginConfigurationViewController>())
{
    m_ui->setupUi(this);
    m_ui->explanationLabel->setText(
        tr("Trellis reads %1’s bookmarks and history from private copies of the files you grant "
           "here. Grant each profile once; the browser may keep running.")
            .arg(plugin->name()));
    connect(m_ui->chooseBookmarksButton, &QPushButton::clicked, this,
            &TRBrowserPluginConfigurationViewController::chooseBookmarksFile);
    connect(m_ui->chooseHistoryButton, &QPushButton::clicked, this,
            &TRBrowserPluginConfigurationViewController::chooseHistoryFile);
    connect(m_ui->findBrowsersButton, &QPushButton::clicked, this,
            [] { TRBrowserSetupWindowController::present(); });
    const bool places = plugin->settings().keepsPlaces();
    for (QWidget *widget : {static_cast<QWidget *>(m_ui->showBookmarksCheckBox),
                            static_cast<QWidget *>(m_ui->showHistoryCheckBox)}) {
        widget->setVisible(places);
    }
    for (QWidget *widget : {static_cast<QWidget *>(m_ui->historyLabel),
                            static_cast<QWidget *>(m_ui->historyStatusLabel),
                            static_cast<QWidget *>(m_ui->chooseHistoryButton)}) {
        widget->setVisible(!places);
    }
    if (places) {
        m_ui->bookmarksLabel->setText(tr("Bookmarks and history"));
        m_ui->chooseBookmarksButton->setText(tr("Choose places.sqlite..."));
        connect(m_ui->showBookmarksCheckBox, &QCheckBox::toggled, this,
                &TRBrowserPluginConfigurationViewController::setShowsBookmarks);
        connect(m_ui->showHistoryCheckBox, &QCheckBox::toggled, this,
                &TRBrowserPluginConfigurationViewController::setShowsHistory);
    }
    connect(plugin, &TRBrowserPlugin::profilesChanged, this,
            &TRBrowserPluginConfigurationViewController::updateProfiles);
    updateStatus();
    updateProfiles();
}

TRBrowserPluginConfigurationViewController::~TRBrowserPluginConfigurationViewController() = default;

void TRBrowserPluginConfigurationViewController::chooseBookmarksFile()
{
    choose(m_plugin && m_plugin->settings().keepsPlaces() ? File::places : File::bookmarks);
}

void TRBrowserPluginConfigurationViewController::setShowsBookmarks(bool shown)
{
    setSwitch(&TRBrowserSettings::allowBookmarksKey, shown);
}

void TRBrowserPluginConfigurationViewController::setShowsHistory(bool shown)
{
    setSwitch(&TRBrowserSettings::allowHistoryKey, shown);
}

void TRBrowserPluginConfigurationViewController::setSwitch(QString (TRBrowserSettings::*key)()
                                                               const,
                                                           bool shown)
{
    if (!m_plugin) {
        return;
    }
    const TRBrowserSettings &keys = m_plugin->settings();
    TRSettings::standard().setBool((keys.*key)(), shown);
    updateStatus();
    TRNotificationCenter::defaultCenter().post(keys.menuNeedsUpdateName());
}

void TRBrowserPluginConfigurationViewController::chooseHistoryFile()
{
    choose(File::history);
}

void TRBrowserPluginConfigurationViewController::choose(File file)
{
    if (!m_plugin) {
        return;
    }
    TRPluginFilePickerInfo info;
    // Where the browser keeps its first profile; Chrome's usual place when
    // none was found.
    if (!m_plugin->profiles().empty()) {
        info.directoryPath = m_plugin->profiles().front().folder;
    } else if (file == File::places) {
        info.directoryPath = QDir::home().filePath(QStringLiteral(".mozilla/firefox"));
    } else {
        info.directoryPath = TRGoogleChromeProfile::defaultDirectory();
    }
    info.allowedFileNames = {file == File::places      ? QStringLiteral("places.sqlite")
                             : file == File::bookmarks ? QStringLiteral("Bookmarks")
                                                       : QStringLiteral("History")};
    m_currentFilePicker = std::make_unique<TRPluginFilePicker>(info);
    m_currentFile = file;
    QPointer<TRBrowserPluginConfigurationViewController> self(this);
    m_currentFilePicker->show([self](const TRPluginFilePicker::Result &result) {
        const auto *grant = std::get_if<QByteArray>(&result);
        if (!self || !self->m_plugin || !grant || !self->m_currentFile) {
            return;
        }
        const TRBrowserSettings &keys = self->m_plugin->settings();
        TRSettings &settings = TRSettings::standard();
        if (*self->m_currentFile == File::places) {
            settings.setBool(keys.hasBookmarksDataKey(), true);
            settings.setBool(keys.hasHistoryDataKey(), true);
        } else if (*self->m_currentFile == File::history) {
            settings.setBool(keys.allowHistoryKey(), true);
            settings.setBool(keys.hasHistoryDataKey(), true);
        } else {
            settings.setBool(keys.allowBookmarksKey(), true);
            settings.setBool(keys.hasBookmarksDataKey(), true);
        }
        settings.setData(TRBrowserSettings::dataKey(keys.mainStem(), *self->m_currentFile), *grant);
        self->updateStatus();
        self->updateProfiles();
        TRNotificationCenter::defaultCenter().post(keys.menuNeedsUpdateName());
    });
}

void TRBrowserPluginConfigurationViewController::useProfile(std::size_t index)
{
    if (!m_plugin || index >= m_plugin->profiles().size()) {
        return;
    }
    const TRBrowserSettings &keys = m_plugin->settings();
    keys.use(TRSettings::standard(), m_plugin->profiles()[index]);
    updateStatus();
    updateProfiles();
    TRNotificationCenter::defaultCenter().post(keys.menuNeedsUpdateName());
}

void TRBrowserPluginConfigurationViewController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateStatus();
    // A profile made in the browser meanwhile shows up.
    if (m_plugin) {
        m_plugin->findProfiles();
    }
}

void TRBrowserPluginConfigurationViewController::updateStatus()
{
    if (!m_plugin) {
        return;
    }
    const TRSettings &settings = TRSettings::standard();
    const QString stem = m_plugin->settings().mainStem();
    const auto describe = [&settings, &stem](File file) {
        const auto grant = settings.dataForKey(TRBrowserSettings::dataKey(stem, file));
        if (!grant) {
            return tr("Not granted yet");
        }
        // The profile's folder tells which of several profiles was granted;
        // Firefox's one file goes without saying.
        const auto path = TRFileGrant::resolve(*grant, nullptr);
        const QString folder = path ? QFileInfo(*path).dir().dirName() : QString();
        return !path                  ? tr("Granted")
               : file == File::places ? tr("Granted: %1").arg(folder)
                                      : tr("Granted: %1")
                                            .arg(QDir::toNativeSeparators(
                                                folder + u'/' + QFileInfo(*path).fileName()));
    };
    const TRBrowserSettings &keys = m_plugin->settings();
    m_ui->bookmarksStatusLabel->setText(
        describe(keys.keepsPlaces() ? File::places : File::bookmarks));
    if (keys.keepsPlaces()) {
        for (const auto &[box, key] :
             {std::pair(m_ui->showBookmarksCheckBox, keys.allowBookmarksKey()),
              std::pair(m_ui->showHistoryCheckBox, keys.allowHistoryKey())}) {
            const QSignalBlocker blocker(box);
            box->setChecked(TRBrowserSettings::isSwitchOn(settings, key));
        }
    }
    m_ui->historyStatusLabel->setText(describe(File::history));
    // The buttons tell a screen reader what their rows' labels show.
    m_ui->chooseBookmarksButton->setAccessibleDescription(m_ui->bookmarksStatusLabel->text());
    m_ui->chooseHistoryButton->setAccessibleDescription(m_ui->historyStatusLabel->text());
}

void TRBrowserPluginConfigurationViewController::updateProfiles()
{
    QGridLayout *layout = m_ui->profilesLayout;
    while (QLayoutItem *item = layout->takeAt(0)) {
        // Later: the row's button may be the one whose click got here.
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    if (!m_plugin) {
        return;
    }
    const auto &profiles = m_plugin->profiles();
    m_ui->profilesBox->setVisible(!profiles.empty());
    const TRSettings &settings = TRSettings::standard();
    for (std::size_t index = 0; index < profiles.size(); ++index) {
        const TRBrowserProfile &profile = profiles[index];
        const int row = static_cast<int>(index);
        auto *name = new QLabel(profile.name);
        name->setTextFormat(Qt::PlainText);
        layout->addWidget(name, row, 0);
        QStringList files;
        if (profile.bookmarks || profile.accountBookmarks) {
            files.push_back(tr("Bookmarks"));
        }
        if (profile.history) {
            files.push_back(tr("History"));
        }
        auto *contents = new QLabel(files.join(QStringLiteral(", ")));
        contents->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        layout->addWidget(contents, row, 1);
        if (m_plugin->settings().isInUse(settings, profile)) {
            layout->addWidget(new QLabel(tr("In use")), row, 2);
            continue;
        }
        auto *use = new QPushButton(tr("Use"));
        use->setObjectName(QStringLiteral("useButton"));
        use->setAccessibleName(tr("Use %1").arg(profile.name));
        connect(use, &QPushButton::clicked, this, [this, index] { useProfile(index); });
        layout->addWidget(use, row, 2);
    }
}

std::vector<QPushButton *> TRBrowserPluginConfigurationViewController::useButtons() const
{
    std::vector<QPushButton *> buttons;
    for (int index = 0; index < m_ui->profilesLayout->count(); ++index) {
        if (auto *button =
                qobject_cast<QPushButton *>(m_ui->profilesLayout->itemAt(index)->widget())) {
            buttons.push_back(button);
        }
    }
    return buttons;
}
