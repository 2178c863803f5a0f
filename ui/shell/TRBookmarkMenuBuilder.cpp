#include "TRBookmarkMenuBuilder.h"

#include <QAction>
#include <QMenu>

TRBookmarkMenuBuilder::TRBookmarkMenuBuilder(QWidget *owner, Icons icons, Handler handler)
    : m_owner(owner)
    , m_icons(std::move(icons))
    , m_handler(std::move(handler))
{}

void TRBookmarkMenuBuilder::addMenuItems(QMenu *menu, const TRBookmarkPtr &node) const
{
    for (const TRBookmarkPtr &child : node->bookmarks()) {
        auto *item = new QAction(menuText(child->name()), m_owner);
        item->setData(QVariant::fromValue(child));
        if (child->kind() == TRBookmarkKind::group) {
            item->setIcon(m_icons.group);
            item->setMenu(makeLazyMenu(child, child->name()));
        } else {
            item->setIcon(m_icons.item);
            QObject::connect(item, &QAction::triggered, m_owner, [handler = m_handler, item] {
                if (const TRBookmarkPtr bookmark = bookmarkOf(item)) {
                    handler(bookmark);
                }
            });
        }
        menu->addAction(item);
    }
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
