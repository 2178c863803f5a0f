#include "TRBrowserSetupWindowController.h"

#include "TRBrowserPlugin.h"
#include "TRBrowserSettings.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TROperationQueue.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRWindowPlacement.h"
#include "ui_TRBrowserSetupWindowController.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>

namespace {

// Where a row's profile stands in browsers(): browser, profile.
constexpr int browserRole = Qt::UserRole;
constexpr int profileRole = Qt::UserRole + 1;

} // namespace

TRBrowserSetupWindowController::TRBrowserSetupWindowController(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::TRBrowserSetupWindowController>())
    , m_queue(std::make_unique<TROperationQueue>(QStringLiteral("browser_setup")))
{
    m_ui->setupUi(this);
    m_useButton = m_ui->buttonBox->addButton(tr("Use these"), QDialogButtonBox::AcceptRole);
    m_laterButton = m_ui->buttonBox->addButton(tr("Not Now"), QDialogButtonBox::RejectRole);
    m_useButton->setDefault(true);
    connect(m_useButton, &QPushButton::clicked, this, &TRBrowserSetupWindowController::useChecked);
    connect(m_laterButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->profilesTree, &QTreeWidget::itemChanged, this,
            &TRBrowserSetupWindowController::updateUseButton);
    QHeaderView *header = m_ui->profilesTree->header();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header->setStretchLastSection(false);
    m_ui->emptyLabel->hide();
    reload();
}

TRBrowserSetupWindowController::~TRBrowserSetupWindowController()
{
    // Counting still waiting is of no use now; a running count finishes.
    m_queue->cancelAllOperations();
}

TRBrowserSetupWindowController *
TRBrowserSetupWindowController::present(std::function<void()> nothingFound)
{
    static QPointer<TRBrowserSetupWindowController> window;
    if (window) {
        window->reload();
        window->showWindow();
        return window;
    }
    window = new TRBrowserSetupWindowController;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<TRBrowserSetupWindowController> shown = window;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(window, &TRBrowserSetupWindowController::listChanged, window,
                          [shown, connection, nothingFound = std::move(nothingFound)] {
                              QObject::disconnect(*connection);
                              if (!shown) {
                                  return;
                              }
                              if (shown->browsers().empty() && nothingFound) {
                                  shown->close();
                                  nothingFound();
                                  return;
                              }
                              shown->showWindow();
                          });
    return window;
}

void TRBrowserSetupWindowController::showWindow()
{
    if (!isVisible()) {
        TRWindowPlacement::centre(this);
    }
    show();
    raise();
    activateWindow();
}

void TRBrowserSetupWindowController::reload()
{
    m_queue->cancelAllOperations();
    QPointer<TRBrowserSetupWindowController> self(this);
    m_queue->addOperation([self, places = TRBrowserDiscovery::currentPlaces()] {
        auto browsers = std::make_shared<std::vector<TRBrowserInstallation>>(
            TRBrowserDiscovery::discover(places));
        TROperationQueue::runOnMainQueue(self.data(), [self, browsers] {
            if (self) {
                self->fill(std::move(*browsers));
            }
        });
    });
}

void TRBrowserSetupWindowController::fill(std::vector<TRBrowserInstallation> browsers)
{
    QTreeWidget *tree = m_ui->profilesTree;
    const QSignalBlocker blocker(tree);
    tree->clear();
    m_browsers = std::move(browsers);
    // Installed browsers without a profile of their own yet show nothing.
    std::erase_if(m_browsers,
                  [](const TRBrowserInstallation &browser) { return browser.profiles.empty(); });
    const TRSettings &settings = TRSettings::standard();
    for (std::size_t b = 0; b < m_browsers.size(); ++b) {
        const TRBrowserInstallation &browser = m_browsers[b];
        auto *browserItem = new QTreeWidgetItem(tree, {browser.displayName});
        browserItem->setIcon(0, TRBrowserPlugin::imageForBrowser(browser.id));
        browserItem->setFlags(Qt::ItemIsEnabled);
        QFont bold = browserItem->font(0);
        bold.setBold(true);
        browserItem->setFont(0, bold);
        const TRBrowserSettings keys(browser.id);
        for (std::size_t p = 0; p < browser.profiles.size(); ++p) {
            const TRBrowserProfile &profile = browser.profiles[p];
            auto *item = new QTreeWidgetItem(
                browserItem, {profile.name, QStringLiteral("…"), QStringLiteral("…")});
            item->setData(0, browserRole, static_cast<qulonglong>(b));
            item->setData(0, profileRole, static_cast<qulonglong>(p));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            // A profile already in use stays ticked and is granted anew.
            item->setCheckState(0, Qt::Checked);
            if (keys.isInUse(settings, profile)) {
                item->setToolTip(0, tr("In use"));
            }
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            QPointer<TRBrowserSetupWindowController> self(this);
            m_queue->addOperation([self, profile, b, p] {
                const auto summary = TRProfileSummary::of(profile);
                TROperationQueue::runOnMainQueue(self.data(), [self, summary, b, p] {
                    if (self) {
                        self->showSummary(self->itemFor(b, p), summary);
                    }
                });
            });
        }
    }
    tree->expandAll();
    m_ui->emptyLabel->setVisible(m_browsers.empty());
    tree->setVisible(!m_browsers.empty());
    updateUseButton();
    emit listChanged();
}

QTreeWidgetItem *TRBrowserSetupWindowController::itemFor(std::size_t browser,
                                                         std::size_t profile) const
{
    QTreeWidgetItem *browserItem = m_ui->profilesTree->topLevelItem(static_cast<int>(browser));
    return browserItem ? browserItem->child(static_cast<int>(profile)) : nullptr;
}

void TRBrowserSetupWindowController::showSummary(QTreeWidgetItem *item,
                                                 const TRProfileSummary &summary)
{
    if (!item) {
        return;
    }
    const QSignalBlocker blocker(m_ui->profilesTree);
    const QLocale locale;
    // A dash: the profile has no such file, or it cannot be read.
    const QString none = QStringLiteral("–");
    item->setText(1, summary.bookmarks ? locale.toString(*summary.bookmarks) : none);
    // English, German and Dutch, the languages shipped, have one plural.
    const auto days = [&locale](qint64 count) {
        return count == 1 ? tr("1 day") : tr("%1 days").arg(locale.toString(count));
    };
    item->setText(2, summary.historyDays ? days(*summary.historyDays) : none);
    emit countsRead();
}

void TRBrowserSetupWindowController::updateUseButton()
{
    bool any = false;
    for (std::size_t b = 0; b < m_browsers.size(); ++b) {
        for (std::size_t p = 0; p < m_browsers[b].profiles.size(); ++p) {
            const QTreeWidgetItem *item = itemFor(b, p);
            any = any || (item && item->checkState(0) == Qt::Checked);
        }
    }
    m_useButton->setEnabled(any);
}

QCheckBox *TRBrowserSetupWindowController::useFavIconsCheckbox() const
{
    return m_ui->useFavIconsCheckbox;
}

void TRBrowserSetupWindowController::useChecked()
{
    TRSettings &settings = TRSettings::standard();
    // Before the grants, so that the first reads take the icons along.
    const bool showsIcons = m_ui->useFavIconsCheckbox->isChecked();
    const bool iconsChanged = settings.boolForKey(TRSettingsKeys::useFavIcons) != showsIcons;
    settings.setBool(TRSettingsKeys::useFavIcons, showsIcons);
    for (std::size_t b = 0; b < m_browsers.size(); ++b) {
        const TRBrowserSettings keys(m_browsers[b].id);
        bool used = false;
        for (std::size_t p = 0; p < m_browsers[b].profiles.size(); ++p) {
            const QTreeWidgetItem *item = itemFor(b, p);
            if (item && item->checkState(0) == Qt::Checked) {
                used = keys.use(settings, m_browsers[b].profiles[p]) || used;
            }
        }
        if (used) {
            TRNotificationCenter::defaultCenter().post(keys.menuNeedsUpdateName());
        }
    }
    if (iconsChanged) {
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::websiteIconsDidChange);
    }
    TRNotificationCenter::defaultCenter().post(TRNotificationNames::menuControllerMenuNeedsUpdate);
    close();
}
