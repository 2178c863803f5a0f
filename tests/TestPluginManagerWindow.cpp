#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManager.h"
#include "TRPluginManagerPluginContentViewController.h"
#include "TRPluginManagerPluginListViewController.h"
#include "TRPluginManagerWindowController.h"
#include "TRSettings.h"
#include "TRTestMain.h"
#include "TRTestPlugin.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

// The plugin manager window over plugins of the tests' own.
class TestPluginManagerWindow : public QObject
{
    Q_OBJECT

    std::vector<std::shared_ptr<TRTestPlugin>> m_plugins;
    std::unique_ptr<TRPluginManagerWindowController> m_window;
    int m_menuUpdates = 0;
    QObject m_observer;

    TRPluginManagerWindowController *window() { return m_window.get(); }
    TRPluginManagerPluginListViewController *list() { return window()->listViewController(); }
    TRPluginManagerPluginContentViewController *content()
    {
        return window()->contentViewController();
    }
    QTableWidget *table() { return list()->pluginsTableView(); }

    TRPluginEnabledTableViewCell *enabledCell(int row)
    {
        return qobject_cast<TRPluginEnabledTableViewCell *>(table()->cellWidget(row, 0));
    }

    void selectRow(int row)
    {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->visualRect(table()->model()->index(row, 1)).center());
    }

private slots:
    void initTestCase()
    {
        TRNotificationCenter::defaultCenter().addObserver(
            &m_observer, TRNotificationNames::menuControllerMenuNeedsUpdate,
            [this](const TRNotification &) { ++m_menuUpdates; });
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        m_plugins.clear();
        std::vector<TRPluginManager::Factory> factories;
        for (const QString name : {"Safari", "Bonjour", "Chrome"}) {
            factories.push_back([this, name] {
                auto plugin = std::make_shared<TRTestPlugin>(name, true);
                m_plugins.push_back(plugin);
                return plugin;
            });
        }
        m_window = std::make_unique<TRPluginManagerWindowController>();
        m_window->setPlugins(TRPluginManager(factories).plugins());
        m_menuUpdates = 0;
        window()->resize(700, 400);
        window()->showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window()));
    }

    void cleanup() { m_window.reset(); }

    void listShowsThePluginsInTheRegistrysOrder()
    {
        QCOMPARE(table()->rowCount(), 3);
        QStringList names;
        for (int row = 0; row < table()->rowCount(); ++row) {
            QCOMPARE(table()->rowHeight(row), 30);
            auto *cell = qobject_cast<TRPluginNameTableViewCell *>(table()->cellWidget(row, 1));
            QVERIFY(cell);
            names << cell->pluginNameTextField()->text();
            QCOMPARE(cell->plugin(), window()->plugins()[size_t(row)]);
        }
        QCOMPARE(names, QStringList({"Bonjour", "Chrome", "Safari"}));
        // The cells above are the two columns' views; no other column has one.
        QVERIFY(!list()->viewForTableColumn("Other", 0));
        TRPluginNameTableViewCell unnamed(nullptr);
        QCOMPARE(unnamed.pluginNameTextField()->text(), QString("Unnamed Plugin"));
    }

    void selectionShowsAndRemovesPanes()
    {
        QVERIFY(content()->noSelectionTextField()->isVisible());
        QVERIFY(!content()->currentViewController());

        selectRow(1);
        QWidget *chrome = m_plugins[2]->configurationViewController();
        QCOMPARE(content()->currentViewController(), chrome);
        QCOMPARE(content()->scrollView()->widget(), chrome);
        QVERIFY(chrome->isVisible());
        QVERIFY(!content()->noSelectionTextField()->isVisible());

        // The next plugin's pane replaces it; the plugin keeps the old one.
        selectRow(0);
        QWidget *bonjour = m_plugins[1]->configurationViewController();
        QCOMPARE(content()->scrollView()->widget(), bonjour);
        QVERIFY(!chrome->parent());
        QVERIFY(!chrome->isVisible());

        // A click below the rows takes the selection and the pane away.
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          QPoint(10, table()->viewport()->height() - 5));
        QVERIFY(table()->selectedItems().isEmpty());
        QVERIFY(!content()->scrollView()->widget());
        QVERIFY(!content()->currentViewController());
        QVERIFY(content()->noSelectionTextField()->isVisible());
        QVERIFY(!bonjour->parent());
    }

    void checkBoxSwitchesThePluginAtOnce()
    {
        const auto &bonjour = m_plugins[1];
        QVERIFY(bonjour->isEnabled());
        QVERIFY(enabledCell(0)->checkboxButton()->isChecked());
        QTest::mouseClick(enabledCell(0)->checkboxButton(), Qt::LeftButton);
        QVERIFY(!bonjour->isEnabled());
        QVERIFY(m_plugins[2]->isEnabled());
        enabledCell(0)->checkboxButton()->click();
        QVERIFY(bonjour->isEnabled());

        // A plugin switched off elsewhere shows so when the list is reloaded.
        m_plugins[0]->setEnabled(false);
        list()->reloadData();
        QVERIFY(!enabledCell(2)->checkboxButton()->isChecked());
        QVERIFY(enabledCell(1)->checkboxButton()->isChecked());
    }

    // Without a mouse: the arrows choose a plugin and Space switches it; Tab
    // runs from the list through the pane's controls and back, Shift+Tab
    // the other way; Escape closes the window.
    void keyboardAlone()
    {
        QWidget *pane = m_plugins[2]->configurationViewController();
        auto *choose = new QPushButton("Choose...", pane);
        auto *field = new QLineEdit(pane);
        QVERIFY(QTest::qWaitForWindowActive(window()));
        table()->setFocus(Qt::TabFocusReason);
        const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        };
        press(Qt::Key_Down);
        QCOMPARE(content()->currentViewController(), pane);
        press(Qt::Key_Space);
        QVERIFY(!m_plugins[2]->isEnabled());
        for (QWidget *stop : std::initializer_list<QWidget *>{choose, field, table()}) {
            press(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), stop);
        }
        press(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), field);
        press(Qt::Key_Escape);
        QVERIFY(!window()->isVisible());
    }

    void closingUpdatesEveryPluginAndTheMenu()
    {
        for (int round = 1; round <= 2; ++round) {
            window()->showWindow();
            QVERIFY(window()->close());
            for (const auto &plugin : m_plugins) {
                QCOMPARE(plugin->updateCount, round);
            }
            QCOMPARE(m_menuUpdates, round);
        }
        // The same window comes back, with its list.
        window()->showWindow();
        QVERIFY(window()->isVisible());
        QCOMPARE(table()->rowCount(), 3);
    }

    void tallPanesScrollShortOnesFill()
    {
        m_plugins[2]->paneHeight = 2000;
        selectRow(1);
        QWidget *tall = content()->currentViewController();
        QVERIFY(content()->scrollView()->verticalScrollBar()->maximum() > 0);
        QCOMPARE(tall->width(), content()->scrollView()->viewport()->width());

        m_plugins[1]->paneHeight = 40;
        selectRow(0);
        QWidget *shortPane = content()->currentViewController();
        QCOMPARE(content()->scrollView()->verticalScrollBar()->maximum(), 0);
        QCOMPARE(shortPane->height(), content()->scrollView()->viewport()->height());
    }

    void panesStayWithTheirPluginsWhenTheWindowGoes()
    {
        selectRow(2);
        QPointer<QWidget> pane = content()->currentViewController();
        QVERIFY(pane);
        const auto safari = m_plugins[0];
        m_window.reset();
        m_plugins.clear();
        // Still the plugin's, not freed with the window, and freed with the plugin.
        QVERIFY(pane);
        QVERIFY(!pane->parent());
        QCOMPARE(safari.use_count(), 1);
    }
};

TRELLIS_TEST_MAIN(TestPluginManagerWindow)
#include "TestPluginManagerWindow.moc"
