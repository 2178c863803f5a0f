#include "TRAlert.h"
#include "TRBonjourPlugin.h"
#include "TRBrowserFiles.h"
#include "TRBrowserModule.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRGoogleChromePlugin.h"
#include "TRMenuController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginFilePicker.h"
#include "TRPluginManager.h"
#include "TRPluginManagerPluginListViewController.h"
#include "TRPluginManagerWindowController.h"
#include "TRPreferencesWindowController.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariPlugin.h"
#include "TRSafariPluginOptionsViewController.h"
#include "TRScriptedServiceBrowser.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestHttpServer.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"
#include "TRUIManager.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenu>
#include <QTableWidget>
#include <QToolButton>

using TRTestMenus::describe;
using TRTestMenus::findItem;

// A new user's first steps, replayed: each dead end one met, and what the
// menus say before there is anything to show.
class TestFirstUse : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    TRTestPluginEvents m_events;

    void grant(const QString &key, const QString &path)
    {
        TRSettings::standard().setData(key, *TRFileGrant::make(path));
    }

    // Grants the file as the pane does and waits for the submenu's rebuild.
    bool grantedAndRebuilt(const QString &key, const QString &path, const QString &menuNeedsUpdate)
    {
        grant(key, path);
        const int before = m_events.rebuilds;
        TRNotificationCenter::defaultCenter().post(menuNeedsUpdate);
        return QTest::qWaitFor([&] { return m_events.rebuilds > before; }, 30000);
    }

private slots:
    void init()
    {
        TRSettings::standard().resetForTesting();
        m_events.reset();
    }

    // Opened before anything is granted, a submenu says why it is empty and
    // leads to the pane; granted, the same submenu fills without a restart.
    void emptySubmenuExplainsAndFillsOnceGranted_data()
    {
        QTest::addColumn<QString>("plugin");
        QTest::newRow("Chrome") << "Chrome";
        QTest::newRow("Safari") << "Safari";
    }

    void emptySubmenuExplainsAndFillsOnceGranted()
    {
        QFETCH(QString, plugin);
        const bool chrome = plugin == "Chrome";
        // Both enabled, each has a submenu of its own, as for that user.
        TRGoogleChromeBookmarksParser chromeParser;
        TRSafariBookmarksParser safariParser;
        const auto chromePlugin = std::make_shared<TRGoogleChromePlugin>(&chromeParser);
        const auto safariPlugin = std::make_shared<TRSafariPlugin>(&safariParser);
        const std::shared_ptr<TRPlugin> subject =
            chrome ? std::shared_ptr<TRPlugin>(chromePlugin) : safariPlugin;
        TRPluginManager manager({[&] { return chromePlugin; },
                                 [&] {
                                     return safariPlugin;
                                 }});
        TRMenuController controller(&manager);

        QMenu *submenu = TRTestMenus::openMenu(subject->menuItem()->menu());
        QCOMPARE(describe(submenu),
                 QStringList({QString("No %1 files granted yet (disabled)").arg(plugin),
                              QString("Set up %1...").arg(plugin)}));
        submenu->hide();
        findItem(submenu, QString("Set up %1...").arg(plugin))->trigger();
        TRPluginManagerWindowController *window = controller.pluginWindowController();
        QVERIFY(window->isVisible());
        QCOMPARE(window->listViewController()->pluginsTableView()->currentRow(), chrome ? 0 : 1);

        if (chrome) {
            const QString history = m_files.filePath("Default/History");
            QVERIFY(TRTestSupport::writeFile(
                history, TRBrowserFiles::chromeHistory(
                             {{"Today page", "https://today.example/", 3,
                               TRBrowserFiles::chromeTime(QDateTime::currentDateTimeUtc())}})));
            QVERIFY(grantedAndRebuilt(TRSettingsKeys::googleChromeHistoryData, history,
                                      TRNotificationNames::googleChromePluginMenuNeedsUpdate));
        } else {
            const QString bookmarks = m_files.filePath("Safari/Bookmarks.plist");
            QVERIFY(TRBrowserFiles::writeSafariBookmarks(
                bookmarks, {TRBrowserFiles::safariLeaf("Qt", "https://www.qt.io/")}));
            QVERIFY(grantedAndRebuilt(TRSettingsKeys::bookmarksData, bookmarks,
                                      TRNotificationNames::safariPluginMenuNeedsUpdate));
        }
        submenu = TRTestMenus::openMenu(subject->menuItem()->menu());
        QVERIFY2(findItem(submenu, chrome ? "History" : "Qt"),
                 qPrintable(describe(submenu).join('|')));
        QVERIFY(!findItem(submenu, QString("Set up %1...").arg(plugin)));
        window->close();
    }

    // A file that cannot be read says so in the submenu, by its name.
    void unreadableFileIsNamed()
    {
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        const QString bookmarks = m_files.filePath("Broken/Bookmarks");
        QVERIFY(TRTestSupport::writeFile(bookmarks, "not json"));
        grant(TRSettingsKeys::googleChromeBookmarksData, bookmarks);
        plugin.refreshMenu();
        QCOMPARE(describe(plugin.parentMenu()), QStringList({"Reading... (disabled)"}));
        QVERIFY(QTest::qWaitFor([&] { return m_events.rebuilds > 0; }, 30000));
        QCOMPARE(describe(plugin.parentMenu()),
                 QStringList({"Couldn’t read “Bookmarks” (disabled)", "Set up Chrome..."}));
    }

    // A day of 126 visits and a title of thousands of characters: every item
    // of the open menu lies on the screen, and the rest of the day is one
    // choice away in the browser window.
    void longMenusStayOnTheScreen()
    {
        // Early in the day, so that every visit falls on one day.
        const QDateTime now(QDate::currentDate(), QTime(0, 3));
        QList<TRBrowserFiles::ChromeRow> rows;
        for (int visit = 0; visit < 126; ++visit) {
            rows.append({QString("Visit %1").arg(visit), QString("https://v%1.example/").arg(visit),
                         1, TRBrowserFiles::chromeTime(now.addSecs(-visit))});
        }
        const QString longTitle = QString("Long ").repeated(431);
        rows.append({longTitle, "https://long.example/", 1, TRBrowserFiles::chromeTime(now)});
        const QString history = m_files.filePath("Long/History");
        QVERIFY(TRTestSupport::writeFile(history, TRBrowserFiles::chromeHistory(rows)));
        grant(TRSettingsKeys::googleChromeHistoryData, history);
        TRGoogleChromeBookmarksParser parser;
        TRGoogleChromePlugin plugin(&parser);
        plugin.refreshMenu();
        QVERIFY(QTest::qWaitFor([&] { return m_events.rebuilds > 0; }, 30000));

        QMenu *days = TRTestMenus::openMenu(findItem(plugin.parentMenu(), "History")->menu());
        QMenu *today = TRTestMenus::openMenu(days->actions().first()->menu());
        today->popup(QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(today));
        const QRect screen = today->screen()->availableGeometry();
        for (QAction *item : today->actions()) {
            const QRect place(today->mapToGlobal(today->actionGeometry(item).topLeft()),
                              today->actionGeometry(item).size());
            QVERIFY2(screen.contains(place), qPrintable(item->text()));
        }
        QAction *cut = findItem(today, longTitle.left(58) + "...");
        QVERIFY(cut);
        QCOMPARE(cut->toolTip(), longTitle);
        QAction *all = today->actions().last();
        QCOMPARE(all->text(), QString("Show all 127..."));
        today->hide();
        all->trigger();
        QCOMPARE(m_events.shown.size(), 1);
        const auto *group = std::get_if<TRUIManager::ShowBookmark>(&m_events.shown.first());
        QVERIFY(group && group->bookmark->kind() == TRBookmarkKind::group);
        QCOMPARE(group->bookmark->bookmarks().size(), std::size_t(127));
    }

    // With no browser to launch, bookmarks open in the built-in window and
    // the user is told once; the window's own button keeps the page.
    void withoutADefaultBrowserTheBuiltInWindowOpens()
    {
        // Nothing on the path: Qt finds no launcher for the default browser.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_files.filePath("empty").toUtf8());
        TRBrowserModule::setPathForTesting(QStringLiteral(TRELLIS_BROWSER_MODULE_PATH));
        QStringList alerts;
        TRAlert::setHandlerForTesting([&](const TRAlert::Request &request) {
            alerts << request.message;
            return int(TRAlert::firstButton);
        });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Unable to detect a web browser"));
        TRSettings::standard().setBool(TRSettingsKeys::openBookmarksInSafari, true);
        TRTestHttpServer server;
        QVERIFY(server.listen());
        server.addPage("/page", "Page", "<p>a page</p>");
        TRUIManager manager;
        const QUrl url = server.url("/page");
        const auto bookmark = TRBookmark::init(TRBookmarkKind::item, "Page");
        bookmark->setUrl(url);
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
        TRUIManager::post(TRUIManager::ShowURL{url, "Address"});
        QCOMPARE(manager.currentBrowserWindowControllers().size(), std::size_t(2));
        QTRY_COMPARE(alerts, QStringList({"No default web browser"}));

        QWidget *window = manager.currentBrowserWindowControllers()[0].get();
        const auto views = window->findChildren<QWidget *>();
        const auto view = std::find_if(views.begin(), views.end(), [](QWidget *child) {
            return child->inherits("QWebEngineView");
        });
        QVERIFY(view != views.end());
        QTRY_COMPARE_WITH_TIMEOUT((*view)->property("url").toUrl(), url, 20000);
        auto *button = window->findChild<QToolButton *>("browserOpenInSafariButton");
        QVERIFY(button);
        button->click();
        QVERIFY(window->isVisible());
        QCOMPARE(alerts.size(), 2);
        TRAlert::setHandlerForTesting({});
        qputenv("PATH", path);
    }

    // Safari's files name their type: the folders must still be listed, or
    // a mouse user cannot reach a copied Safari folder.
    void safariDialogListsFoldersAndStartsAtTheLastGrant()
    {
        QVERIFY(QDir().mkpath(m_files.filePath("Copied/Safari")));
        QVERIFY(TRTestSupport::writeFile(m_files.filePath("Copied/notes.txt"), "x"));
        QVERIFY(TRTestSupport::writeFile(m_files.filePath("Copied/History.db"), "x"));
        TRPluginFilePickerInfo info;
        info.directoryPath = m_files.filePath("Copied");
        info.allowedFileTypes = {"Safari files (*.plist *.db)"};
        QWidget window;
        window.show();
        QApplication::setActiveWindow(&window);
        TRPluginFilePicker picker(info);
        picker.show([](const TRPluginFilePicker::Result &) {});
        auto *dialog = window.findChild<QFileDialog *>();
        QVERIFY(dialog);
        auto *model = dialog->findChild<QFileSystemModel *>();
        QVERIFY(model);
        const QModelIndex folder = model->index(info.directoryPath);
        QVERIFY(QTest::qWaitFor([&] { return model->rowCount(folder) >= 2; }, 10000));
        QStringList listed;
        for (int row = 0; row < model->rowCount(folder); ++row) {
            const QModelIndex index = model->index(row, 0, folder);
            if (!model->flags(index).testFlag(Qt::ItemIsEnabled) && !model->isDir(index)) {
                continue;
            }
            listed << model->fileName(index);
        }
        listed.sort();
        QCOMPARE(listed, QStringList({"History.db", "Safari"}));
        dialog->reject();

        // Away from a Mac, the next choice opens where the last file was granted.
        QCOMPARE(TRSafariPluginOptionsViewController::safariDirectory(), QDir::homePath());
        grant(TRSettingsKeys::historyData, m_files.filePath("Copied/History.db"));
        QCOMPARE(TRSafariPluginOptionsViewController::safariDirectory(),
                 QFileInfo(m_files.filePath("Copied/History.db")).absolutePath());
    }

    // A screen reader names every control the keyboard reaches, and every
    // row of a list, in the browser window, each plugin's pane, the
    // preferences and the About box.
    void everyControlHasAName()
    {
        TRBrowserModule::setPathForTesting(QStringLiteral(TRELLIS_BROWSER_MODULE_PATH));
        TRGoogleChromeBookmarksParser chromeParser;
        TRSafariBookmarksParser safariParser;
        TRPluginManager plugins(
            {[&] { return std::make_shared<TRSafariPlugin>(&safariParser); },
             [&] { return std::make_shared<TRGoogleChromePlugin>(&chromeParser); },
             [] {
                 return std::make_shared<TRBonjourPlugin>(
                     std::make_unique<TRScriptedServiceBrowser>());
             }});
        TRMenuController controller(&plugins);
        TRUIManager manager;
        const auto group = TRBookmark::init(TRBookmarkKind::group, "Reading");
        // One bookmark: it loads at once, and the page is walked too.
        group->addBookmark(
            TRBookmark::init(TRBookmarkKind::item, "One", QUrl("http://127.0.0.1:1/")));
        TRUIManager::post(TRUIManager::ShowBookmark{group});
        TRUIManager::post(TRUIManager::ShowSearch{});
        controller.performMenuAction(TRMenuController::preferencesAction);
        controller.performMenuAction(TRMenuController::aboutAction);
        controller.performMenuAction(TRMenuController::pluginsAction);
        QTableWidget *list =
            controller.pluginWindowController()->listViewController()->pluginsTableView();

        QStringList unnamed;
        const auto walk = [&] {
            QTest::qWait(100);
            for (QWidget *window : QApplication::topLevelWidgets()) {
                for (QWidget *widget : window->findChildren<QWidget *>()) {
                    if (!widget->isVisible() || !widget->isEnabled() ||
                        !(widget->focusPolicy() & Qt::TabFocus)) {
                        continue;
                    }
                    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
                    QList<QAccessibleInterface *> items{face};
                    for (int child = 0;
                         qobject_cast<QAbstractItemView *>(widget) && child < face->childCount();
                         ++child) {
                        const QAccessible::Role role = face->child(child)->role();
                        if (role == QAccessible::Cell || role == QAccessible::TreeItem) {
                            items << face->child(child);
                        }
                    }
                    for (QAccessibleInterface *item : items) {
                        if (item->text(QAccessible::Name).trimmed().isEmpty()) {
                            unnamed
                                << QString("%1 %2 %3")
                                       .arg(widget->metaObject()->className(), widget->objectName(),
                                            item == face ? "" : "row item");
                        }
                    }
                }
            }
        };
        for (int row = 0; row < list->rowCount(); ++row) {
            list->selectRow(row);
            walk();
        }
        controller.preferencesWindowController()->handlePaneSelection(
            TRPreferencesWindowController::customSearchPaneIdentifier);
        walk();
        unnamed.removeDuplicates();
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }
};

TRELLIS_TEST_MAIN(TestFirstUse)
#include "TestFirstUse.moc"
