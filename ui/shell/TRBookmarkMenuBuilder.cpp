#include "TRBookmarkMenuBuilder.h"

#include "TRWebsiteIcons.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

TRBookmarkMenuBuilder::TRBookmarkMenuBuilder(QWidget *owner, Icons icons, Handler handler)
    : m_owner(owner)
    , m_icons(std::move(icons))
    , m_handler(std::move(handler))
{}

void TRBookmarkMenuBuilder::addMenuItems(QMenu *menu, const TRBookmarkPtr &node) const
{
    menu->setToolTipsVisible(true);
    const auto &children = node->bookmarks();
    // A list longer than the screen would run off it, out of reach of mouse
    // and keyboard alike; the whole group opens in the browser window instead.
    const std::size_t shown = itemsThatFit(menu, children.size());
    for (std::size_t index = 0; index < shown; ++index) {
        const TRBookmarkPtr &child = children[index];
        if (child->isSeparator()) {
            menu->addAction(makeSeparator());
            continue;
        }
        auto *item = new QAction(m_owner);
        setTitle(item, child->name());
        item->setData(QVariant::fromValue(child));
        if (child->kind() == TRBookmarkKind::group) {
            item->setIcon(m_icons.group);
            item->setMenu(makeLazyMenu(child, child->name()));
        } else {
            // The browser's own icon for the page or its site, when it kept one.
            const QIcon website = TRWebsiteIcons::iconFor(*child);
            item->setIcon(website.isNull() ? m_icons.item : website);
            QObject::connect(item, &QAction::triggered, m_owner, [handler = m_handler, item] {
                if (const TRBookmarkPtr bookmark = bookmarkOf(item)) {
                    handler(bookmark);
                }
            });
        }
        menu->addAction(item);
    }
    if (shown < children.size()) {
        QAction *all = addShowAllItem(menu, children.size(), m_owner);
        QObject::connect(all, &QAction::triggered, m_owner,
                         [handler = m_handler, node] { handler(node); });
    }
}

QAction *TRBookmarkMenuBuilder::addShowAllItem(QMenu *menu, std::size_t count, QObject *owner)
{
    auto *separator = new QAction(owner);
    separator->setSeparator(true);
    menu->addAction(separator);
    auto *all = new QAction(QCoreApplication::translate("TRBookmarkMenuBuilder", "Show all %1...")
                                .arg(static_cast<qulonglong>(count)),
                            owner);
    menu->addAction(all);
    return all;
}

void TRBookmarkMenuBuilder::setTitle(QAction *item, const QString &name)
{
    // Counted in characters, so a character outside the basic plane is never cut in two.
    const QList<uint> characters = name.toUcs4();
    QString title = name;
    if (characters.size() > maximumTitleLength) {
        title = QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.constData()),
                                  maximumTitleLength - 2) +
                QStringLiteral("...");
        item->setToolTip(name);
    }
    item->setText(menuText(title));
}

std::size_t TRBookmarkMenuBuilder::itemsThatFit(const QMenu *menu, std::size_t count)
{
    const QScreen *screen = menu->screen() ? menu->screen() : QGuiApplication::primaryScreen();
    const int available = screen ? screen->availableGeometry().height() : 600;
    QStyleOptionMenuItem option;
    option.initFrom(menu);
    option.text = QStringLiteral("Xg");
    option.maxIconWidth = menu->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, menu);
    const QSize text = QFontMetrics(menu->font()).size(Qt::TextSingleLine, option.text);
    const int itemHeight =
        std::max(1, menu->style()
                        ->sizeFromContents(
                            QStyle::CT_MenuItem, &option,
                            QSize(text.width(), std::max(text.height(), option.maxIconWidth)), menu)
                        .height());
    // The frame and margins of the menu itself, with room to spare.
    const int frame = 4 * menu->style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu) +
                      2 * menu->style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, menu) +
                      itemHeight;
    const int room =
        std::max(8, (available - frame) / itemHeight) - static_cast<int>(menu->actions().size());
    if (static_cast<int>(count) <= room) {
        return count;
    }
    // Two places go to the separator and "Show all N...".
    return static_cast<std::size_t>(std::max(room - 2, 1));
}

QMenu *TRBookmarkMenuBuilder::makeLazyMenu(const TRBookmarkPtr &node, const QString &title) const
{
    // The builder is gone by the time the menu shows; the lambda keeps what
    // filling needs.
    const TRBookmarkMenuBuilder builder = *this;
    return makeLazyMenu(title, [builder, node](QMenu *menu) { builder.addMenuItems(menu, node); });
}

QMenu *TRBookmarkMenuBuilder::makeLazyMenu(const QString &title,
                                           std::function<void(QMenu *)> fill) const
{
    auto *menu = new QMenu(title, m_owner);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [fill = std::move(fill), menu] {
        if (menu->property("filled").toBool()) {
            return;
        }
        menu->setProperty("filled", true);
        fill(menu);
    });
    return menu;
}

QAction *TRBookmarkMenuBuilder::makeSeparator() const
{
    auto *separator = new QAction(m_owner);
    separator->setSeparator(true);
    return separator;
}

QString TRBookmarkMenuBuilder::menuText(QString name)
{
    return name.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

TRBookmarkPtr TRBookmarkMenuBuilder::bookmarkOf(const QAction *action)
{
    return action ? action->data().value<TRBookmarkPtr>() : nullptr;
}
