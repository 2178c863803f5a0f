#include "TRTestPlugin.h"

#include "TRSettings.h"

namespace {

QString enabledKey(const QString &name)
{
    return QStringLiteral("tr_plugin_test_%1_enabled").arg(name.toLower());
}

} // namespace

TRTestPlugin::TRTestPlugin(const QString &name, bool allowsInlineMenu)
    : m_name(name)
    , m_allowsInlineMenu(allowsInlineMenu)
    , m_menuItem(new QAction(name))
    , m_submenu(std::make_unique<QMenu>())
    , m_itemOwner(std::make_unique<QObject>())
{
    TRSettings::standard().registerDefaults({{enabledKey(name), true}});
    m_menuItem->setMenu(m_submenu.get());
}

TRTestPlugin::~TRTestPlugin()
{
    delete m_menuItem;
}

QWidget *TRTestPlugin::configurationViewController()
{
    if (!m_configuration) {
        m_configuration = std::make_unique<QWidget>();
        m_configuration->setObjectName(m_name + QStringLiteral(" pane"));
    }
    m_configuration->setMinimumHeight(paneHeight);
    return m_configuration.get();
}

bool TRTestPlugin::isEnabled() const
{
    return TRSettings::standard().boolForKey(enabledKey(m_name));
}

void TRTestPlugin::setEnabled(bool enabled)
{
    TRSettings::standard().setBool(enabledKey(m_name), enabled);
}

void TRTestPlugin::setUpdateRate(std::optional<double> seconds)
{
    m_updateRate = seconds;
    ++updateRateWrites;
}

void TRTestPlugin::update()
{
    ++updateCount;
    if (onUpdate) {
        onUpdate();
    }
}

void TRTestPlugin::setItems(const QStringList &titles)
{
    m_submenu->clear();
    m_itemOwner = std::make_unique<QObject>();
    for (const QString &title : titles) {
        auto *item = new QAction(title, m_itemOwner.get());
        m_submenu->addAction(item);
    }
}

void TRTestPlugin::removeSubmenu()
{
    m_menuItem->setMenu(nullptr);
}
