#include "TRPluginMenuNotice.h"

#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace TRPluginMenuNotice {

QAction *addNotice(QMenu *menu, const QString &text, QObject *owner)
{
    auto *line = new QAction(text, owner);
    line->setEnabled(false);
    menu->addAction(line);
    return line;
}

QAction *addSetUpItem(QMenu *menu, const QString &pluginName, QObject *owner)
{
    auto *item = new QAction(
        QCoreApplication::translate("TRPluginMenuNotice", "Set up %1...").arg(pluginName), owner);
    QObject::connect(item, &QAction::triggered, owner, [pluginName] {
        TRNotificationCenter::defaultCenter().post(
            TRNotificationNames::pluginSetupRequested,
            {{TRNotificationNames::pluginNameKey, pluginName}});
    });
    menu->addAction(item);
    return item;
}

} // namespace TRPluginMenuNotice
