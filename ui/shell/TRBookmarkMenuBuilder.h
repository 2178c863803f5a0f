#pragma once

// Builds menus from bookmark trees. A group's submenu is filled when it is
// about to show, so a menu costs what the user opens, however large the tree.

#include "TRBookmark.h"

#include <QIcon>

#include <cstddef>
#include <functional>

class QAction;
class QMenu;
class QObject;
class QWidget;

class TRBookmarkMenuBuilder
{
public:
    struct Icons
    {
        QIcon group;
        QIcon item;
    };
    using Handler = std::function<void(const TRBookmarkPtr &)>;

    // Every action and submenu made is owned by owner; deleting it frees
    // them, wherever the status menu has moved them.
    TRBookmarkMenuBuilder(QWidget *owner, Icons icons, Handler handler);

    // Appends an item for every child of node to menu: groups get a submenu
    // filled on demand, items call the handler when chosen.
    void addMenuItems(QMenu *menu, const TRBookmarkPtr &node) const;
    // A submenu that is filled with the children of node when first shown.
    QMenu *makeLazyMenu(const TRBookmarkPtr &node, const QString &title) const;
    // A submenu that fill fills when it is first shown, for sources whose
    // entries follow rules of their own.
    QMenu *makeLazyMenu(const QString &title, std::function<void(QMenu *)> fill) const;
    QAction *makeSeparator() const;

    // A name as a menu item's text: a menu takes "&" as the mark of a
    // shortcut letter, so it is doubled to show as written.
    static QString menuText(QString name);

    // Sets item's text to name, cut to maximumTitleLength characters with
    // "..." so that the menu stays on the screen; a cut name is the item's
    // tool tip in full.
    static constexpr int maximumTitleLength = 60;
    static void setTitle(QAction *item, const QString &name);

    // How many of count further items menu shows: all when they fit its
    // screen, else those that fit beside "Show all N..." (at least one).
    static std::size_t itemsThatFit(const QMenu *menu, std::size_t count);
    // Ends a cut list: a separator and "Show all N...", owned by owner, for
    // the caller to connect.
    static QAction *addShowAllItem(QMenu *menu, std::size_t count, QObject *owner);

    // The bookmark an item stands for.
    static TRBookmarkPtr bookmarkOf(const QAction *action);

private:
    QWidget *m_owner;
    Icons m_icons;
    Handler m_handler;
};
