// The UI manager as the application uses it: windows come from the browser
// module, loaded on the first request for one. This executable does not link
// the web engine itself.

#include "TRBrowserModule.h"
#include "TRCurrentEvent.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestDefaultBrowser.h"
#include "TRTestHttpServer.h"
#include "TRTestMain.h"
#include "TRUIManager.h"
#include "TRWebEngineOutput.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

// What the web engine said that reached the terminal, and who prints it.
QStringList engineLines;
QtMessageHandler printer = nullptr;

void noteEngineLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (QByteArray(context.category).startsWith("qt.webengine") ||
        message.contains(QRegularExpression("Sandbox|graphics backend"))) {
        engineLines << message;
    }
    printer(type, context, message);
}

} // namespace

class TestUIManager : public QObject
{
    Q_OBJECT

    TRTestHttpServer m_server;
    DefaultBrowser m_defaultBrowser;

    static TRBookmarkPtr item(const QString &name, const QUrl &url)
    {
        return TRBookmark::init(TRBookmarkKind::item, name, url);
    }

    static bool webEngineLoaded()
    {
        QFile maps("/proc/self/maps");
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
    }

    // The window's web view, found by class name: this test cannot name
    // the type.
    static QObject *webViewOf(QWidget *window)
    {
        for (QWidget *child : window->findChildren<QWidget *>()) {
            if (child->inherits("QWebEngineView")) {
                return child;
            }
        }
        return nullptr;
    }

    // Whether the screen shows dark text on a light page where the view is:
    // the pixels come from the X server, as a user would see them.
    static bool drawsText(QWidget *view)
    {
        const QPoint origin = view->mapToGlobal(QPoint(0, 0));
        const QImage shot =
            view->screen()
                ->grabWindow(0, origin.x(), origin.y(), view->width(), view->height())
                .toImage();
        qsizetype dark = 0;
        qsizetype light = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const int gray = qGray(shot.pixel(x, y));
                dark += gray < 80 ? 1 : 0;
                light += gray > 230 ? 1 : 0;
            }
        }
        return dark > 20 && light > shot.width() * shot.height() / 2;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        m_server.addPage("/one", "One", "<p>first page</p>");
        QDesktopServices::setUrlHandler("http", &m_defaultBrowser, "open");
        QDesktopServices::setUrlHandler("https", &m_defaultBrowser, "open");
        TRCurrentEvent::setProviderForTesting([] { return std::nullopt; });
        // As the application starts: the engine's own lines stay quiet.
        printer = qInstallMessageHandler(noteEngineLines);
        TRWebEngineOutput::quieten();
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
        TRCurrentEvent::setProviderForTesting({});
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        TRSettings::standard().registerDefaults(TRSettingsKeys::generalDefaults());
        TRBrowserModule::setPathForTesting(QStringLiteral(TRELLIS_BROWSER_MODULE_PATH));
        m_defaultBrowser.opened.clear();
    }

    // Runs first: nothing before it may have opened a window.
    void webEngineWaitsForTheFirstWindow()
    {
        TRUIManager manager;
        const QUrl url = m_server.url("/one");
        TRSettings::standard().setBool(TRSettingsKeys::openBookmarksInSafari, true);
        TRUIManager::post(TRUIManager::ShowURL{url, "Address"});
        QCOMPARE(m_defaultBrowser.opened, QList<QUrl>({url}));
        QVERIFY(!webEngineLoaded());

        TRSettings::standard().setBool(TRSettingsKeys::openBookmarksInSafari, false);
        TRUIManager::post(TRUIManager::ShowBookmark{item("One", url)});
        QVERIFY(webEngineLoaded());
        QCOMPARE(manager.currentBrowserWindowControllers().size(), std::size_t(1));
        QWidget *window = manager.currentBrowserWindowControllers()[0].get();
        QVERIFY(window->isVisible());
        QObject *view = webViewOf(window);
        QVERIFY(view);
        // The title comes from the page the server sent.
        QTRY_COMPARE_WITH_TIMEOUT(view->property("title").toString(), QString("One"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(drawsText(qobject_cast<QWidget *>(view)), 20000);
        QCOMPARE(engineLines, QStringList());
    }

    // A build tree has the module beside the executable; an installed tree
    // has it in its own folder under the prefix's library folder.
    void moduleIsLookedForBesideTheExecutableThenWhereItIsInstalled()
    {
        QTemporaryDir prefix;
        const QString bin = prefix.filePath("bin");
        const QString name = QFileInfo(QStringLiteral(TRELLIS_BROWSER_MODULE_PATH)).fileName();
        const QString beside = bin + '/' + name;
        const QString installed =
            prefix.filePath(QStringLiteral(TRELLIS_MODULE_INSTALL_DIR) + '/' + name);
        QCOMPARE(TRBrowserModule::searchPaths(bin), QStringList({beside, installed}));
        // Neither there: the warning names the usual place.
        QCOMPARE(TRBrowserModule::pathFor(bin), beside);

        QVERIFY(QDir().mkpath(QFileInfo(installed).absolutePath()));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile(QStringLiteral(TRELLIS_BROWSER_MODULE_PATH)).copy(installed));
        QCOMPARE(TRBrowserModule::pathFor(bin), installed);
        // A folder of that name is not a module.
        QVERIFY(QDir().mkdir(beside));
        QCOMPARE(TRBrowserModule::pathFor(bin), installed);
        QVERIFY(QDir().rmdir(beside));
        QVERIFY(QFile(QStringLiteral(TRELLIS_BROWSER_MODULE_PATH)).copy(beside));
        QCOMPARE(TRBrowserModule::pathFor(bin), beside);
    }

    void withoutTheModuleAddressesGoToTheDefaultBrowser()
    {
        TRBrowserModule::setPathForTesting(QDir::temp().filePath("no-such-module.so"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("built-in browser is unavailable.*no-such-module"));
        // One warning, however many requests fail.
        QTest::failOnWarning(QRegularExpression("built-in browser"));
        TRUIManager manager;
        const QUrl url = m_server.url("/one");
        TRUIManager::post(TRUIManager::ShowBookmark{item("One", url)});
        TRUIManager::post(TRUIManager::ShowURL{url, "Address"});
        // Neither has an address to hand over.
        TRUIManager::post(TRUIManager::ShowBookmark{TRBookmark::init(TRBookmarkKind::group, "G")});
        TRUIManager::post(TRUIManager::ShowSearch{});
        QCOMPARE(m_defaultBrowser.opened, QList<QUrl>({url, url}));
        QVERIFY(manager.currentBrowserWindowControllers().empty());
        QCOMPARE(manager.searchWindowCount(), std::size_t(0));
    }

    // Shift held at the choice inverts the setting; without a current event
    // (no choice by the user) the setting alone decides.
    void uiManagerDecides()
    {
        struct Case
        {
            bool setting;
            std::optional<Qt::KeyboardModifiers> event;
            bool defaultBrowser;
        };
        const Case cases[] = {{false, Qt::NoModifier, false}, {false, Qt::ShiftModifier, true},
                              {true, Qt::NoModifier, true},   {true, Qt::ShiftModifier, false},
                              {false, std::nullopt, false},   {true, std::nullopt, true}};
        const QUrl url = m_server.url("/one");
        for (const Case &each : cases) {
            m_defaultBrowser.opened.clear();
            TRSettings::standard().setBool(TRSettingsKeys::openBookmarksInSafari, each.setting);
            TRCurrentEvent::setProviderForTesting([event = each.event] { return event; });
            TRUIManager manager;
            TRUIManager::post(TRUIManager::ShowBookmark{item("One", url)});
            TRUIManager::post(TRUIManager::ShowURL{url, "Address"});
            const auto &windows = manager.currentBrowserWindowControllers();
            if (each.defaultBrowser) {
                QCOMPARE(m_defaultBrowser.opened, QList<QUrl>({url, url}));
                QVERIFY(windows.empty());
            } else {
                QVERIFY(m_defaultBrowser.opened.isEmpty());
                QCOMPARE(windows.size(), std::size_t(2));
                QCOMPARE(windows[1]->windowTitle(), QString("Address"));
            }

            // A group opens the outline whatever the setting and the keys.
            TRUIManager::post(
                TRUIManager::ShowBookmark{TRBookmark::init(TRBookmarkKind::group, "Group")});
            QCOMPARE(windows.back()->windowTitle(), QString("Group"));
            QVERIFY(windows.back()->findChild<QTreeView *>());
        }
        TRCurrentEvent::setProviderForTesting([] { return std::nullopt; });
    }

    // Requests with nothing to show are ignored; the windows shown are
    // tracked by identity.
    void uiManagerIgnoresWhatItCannotShowAndTracksWindowsByIdentity()
    {
        TRUIManager manager;
        auto &center = TRNotificationCenter::defaultCenter();
        center.post(TRNotificationNames::uiManagerShouldShowBrowser);
        center.post(TRNotificationNames::uiManagerShouldShowBrowser,
                    {{"BrowserActionType", QString("showSearch")}});
        center.post(TRNotificationNames::uiManagerShouldShowBrowser, {{"Other", 1}});
        TRUIManager::post(TRUIManager::ShowBookmark{item("No address", QUrl())});
        TRUIManager::post(TRUIManager::ShowBookmark{nullptr});
        QVERIFY(manager.currentBrowserWindowControllers().empty());
        QCOMPARE(manager.searchWindowCount(), std::size_t(0));
        QVERIFY(m_defaultBrowser.opened.isEmpty());

        const auto bookmark = item("One", m_server.url("/one"));
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
        TRUIManager::post(TRUIManager::ShowBookmark{bookmark});
        const auto &windows = manager.currentBrowserWindowControllers();
        QCOMPARE(windows.size(), std::size_t(2));
        QPointer<QWidget> first = windows[0].get();
        QWidget *second = windows[1].get();

        first->close();
        QCOMPARE(windows.size(), std::size_t(1));
        QCOMPARE(windows[0].get(), second);
        QTRY_VERIFY(first.isNull());

        // Dismissing a controller the manager does not hold changes nothing.
        QWidget stranger;
        manager.dismiss(&stranger);
        QCOMPARE(windows.size(), std::size_t(1));

        // Search windows are not tracked, and are freed when they close.
        TRUIManager::post(TRUIManager::ShowSearch{});
        QCOMPARE(windows.size(), std::size_t(1));
        QCOMPARE(manager.searchWindowCount(), std::size_t(1));
        QPointer<QWidget> search = QApplication::activeWindow();
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->windowTitle() == "Search...") {
                search = widget;
            }
        }
        QVERIFY(search);
        search->close();
        QCOMPARE(manager.searchWindowCount(), std::size_t(0));
        QTRY_VERIFY(search.isNull());
    }
};

TRELLIS_TEST_MAIN(TestUIManager)
#include "TestUIManager.moc"
