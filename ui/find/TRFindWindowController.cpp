#include "TRFindWindowController.h"

#include "TRUIManager.h"
#include "TRWebSearch.h"
#include "TRWebsiteIcons.h"
#include "ui_TRFindWindowController.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardItemModel>

namespace {

// Two lines per match: its name, then where it comes from and its address.
QString rowText(const TRSearchCatalog::Match &match)
{
    const QString address = QUrl::fromEncoded(match.encodedUrl).toDisplayString();
    QString name = match.name.isEmpty() ? address : match.name;
    // A name is one line, however it was stored.
    name.replace(QRegularExpression(QStringLiteral("[\\r\\n\\t]+")), QStringLiteral(" "));
    if (name.size() > 120) {
        name = name.left(118) + QStringLiteral("...");
    }
    if (address.isEmpty()) {
        return name + u'\n' + match.source;
    }
    return name + u'\n' + match.source + QStringLiteral(" \u2014 ") + address;
}

} // namespace

TRFindWindowController::TRFindWindowController(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::TRFindWindowController>())
    , m_model(new QStandardItemModel(this))
{
    m_ui->setupUi(this);
    m_field = m_ui->searchField;
    m_list = m_ui->resultsList;
    setObjectName(QStringLiteral("findWindow"));
    m_field->installEventFilter(this);
    m_list->setModel(m_model);
    connect(m_field, &QLineEdit::textChanged, this, &TRFindWindowController::search);
    connect(m_list, &QListView::activated, this,
            [this](const QModelIndex &index) { openRow(index.row()); });
    connect(m_list, &QListView::clicked, this,
            [this](const QModelIndex &index) { openRow(index.row()); });
}

TRFindWindowController::~TRFindWindowController() = default;

void TRFindWindowController::showWindow()
{
    // The screen the user is looking at is the one with the pointer.
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    search(m_field->text());
    show();
    raise();
    activateWindow();
    m_field->setFocus(Qt::OtherFocusReason);
    m_field->selectAll();
}

void TRFindWindowController::search(const QString &text)
{
    // The sources as they are now; a source rebuilt while the user types
    // answers from this one until the next keystroke.
    m_snapshot = TRFindSources::shared().snapshot();
    m_matches = m_snapshot->catalog.find(text);
    m_offers.clear();
    m_model->clear();
    for (const TRSearchCatalog::Match &match : m_matches) {
        auto *row = new QStandardItem(rowText(match));
        row->setToolTip(QString::fromUtf8(match.encodedUrl));
        QIcon icon;
        const TRFindSources::Source &source = m_snapshot->sources.at(match.key);
        if (source.iconRoot && !match.encodedUrl.isEmpty()) {
            // A stand-in below the source's root finds the root's icons.
            const TRBookmarkPtr probe = TRBookmark::init(TRBookmarkKind::item, match.name);
            probe->setEncodedUrl(match.encodedUrl);
            probe->setParent(source.iconRoot);
            icon = TRWebsiteIcons::iconFor(*probe);
        }
        if (icon.isNull()) {
            icon = QIcon(match.isHistory ? QStringLiteral(":/icons/history_item.svg")
                                         : QStringLiteral(":/icons/bookmark.svg"));
        }
        row->setIcon(icon);
        m_model->appendRow(row);
    }
    const QString trimmed = text.trimmed();
    if (const std::optional<QUrl> address = TRWebSearch::typedAddress(trimmed)) {
        m_offers.push_back(*address);
        auto *row = new QStandardItem(tr("Open \u201C%1\u201D").arg(address->toDisplayString()));
        row->setIcon(QIcon::fromTheme(QStringLiteral("internet-web-browser"),
                                      QIcon(QStringLiteral(":/icons/bookmark.svg"))));
        m_model->appendRow(row);
    } else if (m_matches.empty() && !trimmed.isEmpty()) {
        // The term as typed, cut as the query is.
        const QString term = trimmed.left(TRSearchIndex::Query::maximumQueryLength);
        if (const std::optional<QUrl> url = TRWebSearch::url(term, TRWebSearch::domainSuffix())) {
            m_offers.push_back(*url);
            auto *row = new QStandardItem(tr("Search the web for \u201C%1\u201D").arg(term));
            row->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
            m_model->appendRow(row);
        }
    }
    if (m_model->rowCount() > 0) {
        m_list->setCurrentIndex(m_model->index(0, 0));
    }
}

void TRFindWindowController::moveSelection(int step)
{
    const int rows = m_model->rowCount();
    if (rows == 0) {
        return;
    }
    const int current = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    m_list->setCurrentIndex(m_model->index(std::clamp(current + step, 0, rows - 1), 0));
}

void TRFindWindowController::openRow(int row)
{
    if (row < 0) {
        return;
    }
    const auto matchCount = static_cast<int>(m_matches.size());
    if (row < matchCount) {
        const TRSearchCatalog::Match match = m_matches[static_cast<std::size_t>(row)];
        const TRFindSources::Source &source = m_snapshot->sources.at(match.key);
        hide();
        if (source.open) {
            source.open(match);
            return;
        }
        const TRBookmarkPtr bookmark = TRBookmark::init(TRBookmarkKind::item, match.name);
        bookmark->setEncodedUrl(match.encodedUrl);
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
        return;
    }
    const auto offer = static_cast<std::size_t>(row - matchCount);
    if (offer < m_offers.size()) {
        const QUrl url = m_offers[offer];
        hide();
        TRUIManager::post(TRUIManager::ShowURL{url, {}});
    }
}

bool TRFindWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Down:
            moveSelection(1);
            return true;
        case Qt::Key_Up:
            moveSelection(-1);
            return true;
        case Qt::Key_PageDown:
            moveSelection(10);
            return true;
        case Qt::Key_PageUp:
            moveSelection(-10);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            openRow(m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1);
            return true;
        case Qt::Key_Escape:
            hide();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TRFindWindowController::event(QEvent *event)
{
    // A window for one quick search: clicking elsewhere puts it away.
    if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        hide();
    }
    return QWidget::event(event);
}
