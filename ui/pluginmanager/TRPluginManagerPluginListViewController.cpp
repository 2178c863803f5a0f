#include "TRPluginManagerPluginListViewController.h"

#include "ui_TRPluginManagerPluginListViewController.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>

const QString TRPluginManagerPluginListViewController::enabledColumnIdentifier =
    QStringLiteral("PluginEnabled");
const QString TRPluginManagerPluginListViewController::nameColumnIdentifier =
    QStringLiteral("PluginName");

TRPluginEnabledTableViewCell::TRPluginEnabledTableViewCell(const TRPluginPtr &plugin,
                                                           QWidget *parent)
    : QWidget(parent)
    , m_plugin(plugin)
    , m_checkboxButton(new QCheckBox(this))
{
    setObjectName(QStringLiteral("PluginEnabledCell"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_checkboxButton, 0, Qt::AlignCenter);
    // The row takes the focus and Space switches its box: a box of its own
    // in the Tab chain would be one stop per plugin between the list and
    // the pane.
    m_checkboxButton->setFocusPolicy(Qt::NoFocus);
    m_checkboxButton->setChecked(true);
    if (plugin) {
        m_checkboxButton->setChecked(plugin->isEnabled());
        m_checkboxButton->setAccessibleName(tr("Show %1 in the menu").arg(plugin->name()));
    }
    connect(m_checkboxButton, &QCheckBox::toggled, this,
            &TRPluginEnabledTableViewCell::handleCheckbox);
}

void TRPluginEnabledTableViewCell::handleCheckbox()
{
    if (const TRPluginPtr plugin = m_plugin.lock()) {
        plugin->setEnabled(m_checkboxButton->isChecked());
    }
}

TRPluginNameTableViewCell::TRPluginNameTableViewCell(const TRPluginPtr &plugin, QWidget *parent)
    : QWidget(parent)
    , m_plugin(plugin)
    , m_pluginImageImageView(new QLabel(this))
    , m_pluginNameTextField(new QLabel(this))
{
    setObjectName(QStringLiteral("PluginNameCell"));
    // Clicks go through to the row, which they select.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_pluginImageImageView);
    layout->addWidget(m_pluginNameTextField, 1);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    m_pluginImageImageView->setFixedSize(iconSize, iconSize);
    if (plugin) {
        m_pluginImageImageView->setPixmap(
            plugin->image().pixmap(iconSize, iconSize, QIcon::Normal, QIcon::Off));
        m_pluginNameTextField->setText(plugin->name());
    } else {
        m_pluginNameTextField->setText(tr("Unnamed Plugin"));
    }
}

TRPluginManagerPluginListViewController::TRPluginManagerPluginListViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRPluginManagerPluginListViewController>())
{
    m_ui->setupUi(this);
    QTableWidget *table = m_ui->pluginsTableView;
    table->setColumnCount(2);
    auto *enabledHeader = new QTableWidgetItem(tr("On"));
    enabledHeader->setData(Qt::UserRole, enabledColumnIdentifier);
    auto *nameHeader = new QTableWidgetItem(tr("Plugin"));
    nameHeader->setData(Qt::UserRole, nameColumnIdentifier);
    table->setHorizontalHeaderItem(0, enabledHeader);
    table->setHorizontalHeaderItem(1, nameHeader);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setShowGrid(false);
    // Tab leaves the list for the pane, as in any other control; the arrow
    // keys move between the rows.
    table->setTabKeyNavigation(false);
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    connect(table, &QTableWidget::itemSelectionChanged, this,
            &TRPluginManagerPluginListViewController::tableViewSelectionDidChange);
}

TRPluginManagerPluginListViewController::~TRPluginManagerPluginListViewController() = default;

QTableWidget *TRPluginManagerPluginListViewController::pluginsTableView() const
{
    return m_ui->pluginsTableView;
}

void TRPluginManagerPluginListViewController::setPlugins(std::vector<TRPluginPtr> plugins)
{
    m_plugins = std::move(plugins);
    reloadData();
}

void TRPluginManagerPluginListViewController::reloadData()
{
    QTableWidget *table = m_ui->pluginsTableView;
    {
        const QSignalBlocker blocker(table);
        table->clearSelection();
        table->setRowCount(0);
        table->setRowCount(int(m_plugins.size()));
        for (int row = 0; row < table->rowCount(); ++row) {
            const TRPluginPtr &plugin = m_plugins[size_t(row)];
            // Items carry the selection and what a screen reader says; the
            // cells show the row.
            const QString name = plugin ? plugin->name() : tr("Unnamed Plugin");
            table->setItem(row, 0, new QTableWidgetItem);
            auto *nameItem = new QTableWidgetItem;
            nameItem->setData(Qt::AccessibleTextRole, name);
            table->setItem(row, 1, nameItem);
            for (int column = 0; column < table->columnCount(); ++column) {
                const QString identifier =
                    table->horizontalHeaderItem(column)->data(Qt::UserRole).toString();
                if (QWidget *cell = viewForTableColumn(identifier, row)) {
                    table->setCellWidget(row, column, cell);
                }
            }
            if (auto *cell =
                    qobject_cast<TRPluginEnabledTableViewCell *>(table->cellWidget(row, 0))) {
                const QPersistentModelIndex index = table->model()->index(row, 0);
                const auto describe = [table, index, name](bool on) {
                    if (index.isValid()) {
                        table->model()->setData(
                            index, on ? tr("%1: on").arg(name) : tr("%1: off").arg(name),
                            Qt::AccessibleTextRole);
                    }
                };
                describe(cell->checkboxButton()->isChecked());
                connect(cell->checkboxButton(), &QCheckBox::toggled, cell, describe);
            }
        }
    }
    tableViewSelectionDidChange();
}

QWidget *TRPluginManagerPluginListViewController::viewForTableColumn(const QString &identifier,
                                                                     int row) const
{
    if (row < 0 || size_t(row) >= m_plugins.size()) {
        return nullptr;
    }
    const TRPluginPtr &plugin = m_plugins[size_t(row)];
    if (identifier == enabledColumnIdentifier) {
        return new TRPluginEnabledTableViewCell(plugin);
    }
    if (identifier == nameColumnIdentifier) {
        return new TRPluginNameTableViewCell(plugin);
    }
    return nullptr;
}

bool TRPluginManagerPluginListViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->pluginsTableView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        const int row = m_ui->pluginsTableView->currentRow();
        auto *cell = qobject_cast<TRPluginEnabledTableViewCell *>(
            m_ui->pluginsTableView->cellWidget(row, 0));
        if (cell) {
            cell->checkboxButton()->click();
            return true;
        }
    }
    // A click below the rows takes the selection away, and with it the pane.
    if (watched == m_ui->pluginsTableView->viewport() &&
        event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_ui->pluginsTableView->indexAt(mouse->position().toPoint()).isValid()) {
            m_ui->pluginsTableView->clearSelection();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TRPluginManagerPluginListViewController::tableViewSelectionDidChange()
{
    if (!onDidSelectPlugin) {
        return;
    }
    const QList<QTableWidgetItem *> selected = m_ui->pluginsTableView->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    if (row < 0 || size_t(row) >= m_plugins.size()) {
        onDidSelectPlugin(nullptr);
        return;
    }
    onDidSelectPlugin(m_plugins[size_t(row)]);
}
