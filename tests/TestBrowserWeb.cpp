#include "TRBrowserBookmarksViewController.h"
#include "TRBrowserWebViewController.h"
#include "TRBrowserWindowController.h"
#include "TRCurrentEvent.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestDefaultBrowser.h"
#include "TRTestHttpServer.h"
#include "TRTestMain.h"

#include <QDesktopServices>
#include <QDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <array>

// Keeps the web engine off every network but loopback, and records the
// addresses it refused.
class LoopbackOnly : public QWebEngineUrlRequestInterceptor
{
public:
    QList<QUrl> blocked;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QString host = info.requestUrl().host();
        if (host != "127.0.0.1" && info.requestUrl().scheme().startsWith("http")) {
            blocked << info.requestUrl();
            info.block(true);
        }
    }
};

class TestBrowserWeb : public QObject
{
    Q_OBJECT

    TRTestHttpServer m_server;
    DefaultBrowser m_defaultBrowser;
    LoopbackOnly m_interceptor;

    static QWebEngineView *webViewOf(TRBrowserWindowController &window)
    {
        TRBrowserWebViewController *web = window.content()->browserWebViewController();
        return web && web->hasWebView() ? web->webView() : nullptr;
    }

    static bool showsPage(TRBrowserWindowController &window, const QUrl &url)
    {
        QWebEngineView *view = webViewOf(window);
        return view && view->url() == url &&
               !window.content()->browserWebViewController()->progressIndicator()->isVisible();
    }

    static TRBookmarkPtr item(const QString &name, const QUrl &url)
    {
        return TRBookmark::init(TRBookmarkKind::item, name, url);
    }

    static QList<QWidget *> visibleDialogs()
    {
        QList<QWidget *> dialogs;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QDialog *>(widget) && widget->isVisible()) {
                dialogs << widget;
            }
        }
        return dialogs;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        m_server.addPage("/one", "One",
                         "<a href=\"/two\" style=\"position:fixed;inset:0\">first page</a>");
        m_server.addPage("/two", "Two", "<p>second page</p>");
        m_server.addPage("/target", "Target", "<p>opened by a link</p>");
        m_server.addPage("/opened", "Opened", "<p>opened by a script</p>");
        m_server.addPage("/blank", "Blank link",
                         "<a id=\"link\" href=\"/target\" target=\"_blank\">new window</a>");
        m_server.addPage("/script", "Script",
                         "<script>function go() { window.open('/opened'); }</script>");
        m_server.addPage("/scriptblank", "Script",
                         "<script>function go() { window.open(); }</script>");
        TRTestHttpServer::Response challenge;
        challenge.status = 401;
        challenge.body = "<html><title>Denied</title>denied</html>";
        challenge.headers = {{"WWW-Authenticate", "Basic realm=\"trellis\""},
                             {"Content-Type", "text/html"}};
        m_server.addResponse("/auth", challenge);

        QDesktopServices::setUrlHandler("http", &m_defaultBrowser, "open");
        QDesktopServices::setUrlHandler("https", &m_defaultBrowser, "open");
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&m_interceptor);
        TRCurrentEvent::setProviderForTesting([] { return std::nullopt; });
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
        TRCurrentEvent::setProviderForTesting({});
        for (const QUrl &url : m_interceptor.blocked) {
            QVERIFY2(url.host() == "www.google.nl", "only the web search leaves loopback");
        }
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        TRSettings::standard().registerDefaults(TRSettingsKeys::generalDefaults());
        m_defaultBrowser.opened.clear();
    }

    // A bookmark, or an address with or without a name of its own: the page
    // loads behind a progress bar, and the window takes the bookmark's name,
    // the given name, or else the address, until the page's title comes.
    void singlePageModes()
    {
        const std::pair<bool, QString> modes[] = {
            {true, "My page"}, {false, "Custom"}, {false, ""}};
        for (const auto &[bookmark, name] : modes) {
            const QUrl url = m_server.url("/one");
            TRBrowserWindowController window;
            if (bookmark) {
                window.browserType = TRBrowserViewController::Bookmark{item(name, url)};
            } else {
                window.browserType = TRBrowserViewController::Web{url, name};
            }
            TRBrowserWebViewController *web = window.content()->browserWebViewController();
            bool barShownWhileLoading = false;
            connect(
                web, &TRBrowserWebViewController::webViewCreated, this, [&](QWebEngineView *view) {
                    connect(view->page(), &QWebEnginePage::loadProgress, this,
                            [&] { barShownWhileLoading |= web->progressIndicator()->isVisible(); });
                });
            window.showWindow();
            QCOMPARE(window.windowTitle(), name.isEmpty() ? url.toString() : name);
            QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, url), 20000);
            QVERIFY(barShownWhileLoading);
            QTRY_COMPARE(window.windowTitle(), QString("One"));
            QVERIFY(!window.content()->browserBookmarksViewController());
            if (bookmark) {
                QCOMPARE(window.browserAddressTextField()->text(), url.toString());
            }
            QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

            // Showing again keeps the window whole.
            window.showWindow();
            QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, url), 20000);
            QVERIFY(!window.content()->browserBookmarksViewController());
        }
    }

    void groupModeShowsTheOutline()
    {
        const auto group = TRBookmark::init(TRBookmarkKind::group, "Reading");
        const auto folder = TRBookmark::init(TRBookmarkKind::group, "Folder");
        group->addBookmark(item("First", m_server.url("/one")));
        group->addBookmark(folder);
        folder->addBookmark(item("Second", m_server.url("/two")));

        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::BookmarkGroup{group};
        window.showWindow();
        QCOMPARE(window.windowTitle(), QString("Reading"));
        TRBrowserBookmarksViewController *outline =
            window.content()->browserBookmarksViewController();
        QVERIFY(outline);
        QCOMPARE(outline->outlineView()->model()->rowCount(), 2);
        // Nothing loads until an item is chosen.
        QVERIFY(!webViewOf(window));

        QTreeView *tree = outline->outlineView();
        const QModelIndex second = tree->model()->index(0, 0, tree->model()->index(1, 0));
        tree->selectionModel()->select(second, QItemSelectionModel::ClearAndSelect);
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/two")), 20000);
        QTRY_COMPARE(window.windowTitle(), QString("Two"));
        QCOMPARE(window.browserAddressTextField()->text(), m_server.url("/two").toString());

        // A second showing keeps the outline.
        window.showWindow();
        QCOMPARE(window.content()->browserBookmarksViewController(), outline);
    }

    void backAndForwardFollowTheHistory()
    {
        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::Bookmark{item("One", m_server.url("/one"))};
        window.showWindow();
        QVERIFY(!window.browserGoBackButton()->isEnabled());
        QVERIFY(!window.browserGoForwardButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/one")), 20000);

        // A link followed: the address field follows the page, there and back
        // (the title follows it as in singlePageModes).
        QWidget *surface = webViewOf(window)->focusProxy();
        QTest::mouseClick(surface, Qt::LeftButton, {}, surface->rect().center());
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/two")), 20000);
        QTRY_VERIFY(window.browserGoBackButton()->isEnabled());
        QCOMPARE(window.browserAddressTextField()->text(), m_server.url("/two").toString());

        window.browserGoBackButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/one")), 20000);
        QTRY_VERIFY(window.browserGoForwardButton()->isEnabled());
        QVERIFY(!window.browserGoBackButton()->isEnabled());
        QCOMPARE(window.browserAddressTextField()->text(), m_server.url("/one").toString());

        window.browserGoForwardButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/two")), 20000);

        // Typed into the address field: an address without its scheme loads.
        window.browserAddressTextField()->setText(m_server.url("/one").toString().mid(7));
        QTest::keyClick(window.browserAddressTextField(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/one")), 20000);
    }

    // A target=_blank link and window.open() load in the same view; a
    // window.open() without an address is ignored.
    void newWindowRequestsStayInTheView()
    {
        const std::array<const char *, 3> cases[] = {
            {"/blank", "document.getElementById('link').click()", "/target"},
            {"/script", "go()", "/opened"},
            {"/scriptblank", "go()", "/scriptblank"}};
        for (const auto &[page, script, expected] : cases) {
            // The last case's window goes, as between test functions.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const int windowsBefore = QApplication::topLevelWidgets().size();
            TRBrowserWindowController window;
            window.browserType = TRBrowserViewController::Web{m_server.url(page), "Links"};
            window.showWindow();
            QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url(page)), 20000);
            webViewOf(window)->page()->runJavaScript(script);
            QTest::qWait(500);
            QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url(expected)), 20000);
            QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore + 1);
        }
    }

    void authenticationIsRefusedSilently()
    {
        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::Web{m_server.url("/auth"), "Locked"};
        std::unique_ptr<QSignalSpy> challenges;
        std::unique_ptr<QSignalSpy> finished;
        connect(window.content()->browserWebViewController(),
                &TRBrowserWebViewController::webViewCreated, this, [&](QWebEngineView *view) {
                    challenges = std::make_unique<QSignalSpy>(
                        view->page(), &QWebEnginePage::authenticationRequired);
                    finished =
                        std::make_unique<QSignalSpy>(view->page(), &QWebEnginePage::loadFinished);
                });
        window.showWindow();
        QVERIFY(challenges && finished);
        QTRY_VERIFY_WITH_TIMEOUT(finished->size() > 0, 20000);
        QTest::qWait(300);
        QCOMPARE(challenges->size(), 1);
        QVERIFY(visibleDialogs().isEmpty());
        for (const auto &request : m_server.requests) {
            QVERIFY(!request.headers.contains("authorization"));
        }
        QVERIFY(!window.content()->browserWebViewController()->progressIndicator()->isVisible());
    }

    void openInDefaultBrowser()
    {
        // A window that never loaded a page opens nothing, and closes.
        int dismissed = 0;
        {
            TRBrowserWindowController window;
            window.browserType = TRBrowserViewController::Search{};
            window.onDismiss = [&](TRBrowserWindowController *) {
                ++dismissed;
            };
            window.showWindow();
            window.browserOpenInSafariButton()->click();
            QVERIFY(!window.isVisible());
            QVERIFY(m_defaultBrowser.opened.isEmpty());
            QCOMPARE(dismissed, 1);
        }
        QCOMPARE(dismissed, 1);

        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::Bookmark{item("One", m_server.url("/one"))};
        window.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(showsPage(window, m_server.url("/one")), 20000);
        window.browserOpenInSafariButton()->click();
        QCOMPARE(m_defaultBrowser.opened, QList<QUrl>({m_server.url("/one")}));
        QVERIFY(!window.isVisible());
    }

    // The search reaches the web view with the encoded address; the request
    // interceptor stops it before it leaves the machine.
    void searchFieldRunsTheWebSearch()
    {
        TRSettings::standard().setString(TRSettingsKeys::customGooglePrefix, "nl");
        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::Search{};
        window.showWindow();
        QVERIFY(!window.content()->browserBookmarksViewController());
        window.browserSearchField()->setText("qt widgets");
        QTest::keyClick(window.browserSearchField(), Qt::Key_Return);
        const QUrl expected("https://www.google.nl/search?q=qt%20widgets&hl=nl");
        QTRY_VERIFY_WITH_TIMEOUT(m_interceptor.blocked.contains(expected), 20000);

        // Words typed into the address field run the same search.
        m_interceptor.blocked.clear();
        TRBrowserWindowController web;
        web.browserType = TRBrowserViewController::Web{m_server.url("/one"), "Web"};
        web.showWindow();
        web.browserAddressTextField()->setText("qt widgets");
        QTest::keyClick(web.browserAddressTextField(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(m_interceptor.blocked.contains(expected), 20000);
    }
};

TRELLIS_TEST_MAIN(TestBrowserWeb)
#include "TestBrowserWeb.moc"
