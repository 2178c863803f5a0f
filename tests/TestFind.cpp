#include "TRBrowserFiles.h"
#include "TRBrowserPlugin.h"
#include "TRBrowserSettings.h"
#include "TRFindWindowController.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestBrowsers.h"
#include "TRTestMain.h"
#include "TRTestPluginEvents.h"
#include "TRTestSupport.h"
#include "TRUIManager.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QTest>

using TRTestBrowsers::profileAt;
using TRTestBrowsers::profilesFound;
using Bookmark = TRBrowserFiles::FirefoxBookmark;

// The find window over real profiles of two browsers: typing finds their
// bookmarks and history, and Return opens what is chosen as the menu would.
class TestFind : public QObject
{
    Q_OBJECT

    TRTestPluginEvents m_events;
    std::vector<std::unique_ptr<TRBrowserPlugin>> m_plugins;
    // The addresses the window asked to show, in order.
    QStringList m_shown;

    static QString home() { return qEnvironmentVariable("HOME"); }

    static void writeProfiles()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString chrome = home() + "/.config/google-chrome/Default";
        QVERIFY(QDir().mkpath(chrome));
        TRTestSupport::writeFile(
            chrome + "/Bookmarks",
            TRBrowserFiles::chromeBookmarks({{"Sourdough recipes", "https://bread.example/"},
                                             {"Qt documentation", "https://doc.qt.io/"}}));
        TRBrowserFiles::writeChromeHistory(
            chrome + "/History", {{"Sourdough starter forum", "https://forum.example/starter", 3,
                                   TRBrowserFiles::chromeTime(now)}});
        const QString firefox = home() + "/.mozilla/firefox/abcd1234.default-release";
        QVERIFY(QDir().mkpath(firefox));
        TRTestSupport::writeFile(home() + "/.mozilla/firefox/profiles.ini",
                                 "[Profile0]\nName=default-release\nIsRelative=1\nPath="
                                 "abcd1234.default-release\nDefault=1\n");
        TRBrowserFiles::writeFirefoxPlaces(
            firefox + "/places.sqlite",
            {{"https://kayak.example/", "Kayak rentals"}, {"https://doc.qt.io/", "Qt docs"}},
            {{1, TRBrowserFiles::firefoxTime(now)}},
            TRBrowserFiles::firefoxRoots() + QList<Bookmark>{{10, 1, 3, 0, "Qt docs", 2}});
    }

    bool usePlugin(const QString &browserId, const QString &name)
    {
        TRBrowserSettings(browserId).use(TRSettings::standard(), profileAt(browserId, 0));
        auto plugin = std::make_unique<TRBrowserPlugin>(browserId, name);
        if (!profilesFound(*plugin) || !TRTestBrowsers::refreshAndWait(*plugin, m_events)) {
            return false;
        }
        m_plugins.push_back(std::move(plugin));
        return true;
    }

private slots:
    void initTestCase()
    {
        TRSettings::standard().resetForTesting();
        writeProfiles();
        QVERIFY(usePlugin("chrome", "Chrome"));
        QVERIFY(usePlugin("firefox", "Firefox"));
        TRNotificationCenter::defaultCenter().addObserver(
            this, TRNotificationNames::uiManagerShouldShowBrowser,
            [this](const TRNotification &notification) {
                const auto action =
                    notification.userInfo.value(TRNotificationNames::browserActionTypeKey)
                        .value<TRUIManager::BrowserActionType>();
                if (const auto *bookmark = std::get_if<TRUIManager::ShowBookmark>(&action)) {
                    m_shown << QString::fromUtf8(bookmark->bookmark->url().toEncoded());
                } else if (const auto *url = std::get_if<TRUIManager::ShowURL>(&action)) {
                    m_shown << QString::fromUtf8(url->url.toEncoded());
                }
            });
    }

    void init() { m_shown.clear(); }

    // Typing finds matches of both browsers and of a history; the keys move
    // and open; the window goes once a match is opened.
    void typesAndOpens_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QString>("opened");
        QTest::newRow("Chrome bookmark before Chrome history")
            << "sourd" << 0 << QStringList{"Chrome · Bookmarks bar", "Chrome · History · Today"}
            << "https://bread.example/";
        QTest::newRow("Chrome history, one down")
            << "sourd" << 1 << QStringList{"Chrome · Bookmarks bar", "Chrome · History · Today"}
            << "https://forum.example/starter";
        QTest::newRow("Firefox history")
            << "KAYAK" << 0 << QStringList{"Firefox · History · Today"} << "https://kayak.example/";
        QTest::newRow("one address in both browsers is shown once")
            << "qt doc" << 0 << QStringList{"Chrome · Bookmarks bar"} << "https://doc.qt.io/";
        QTest::newRow("nothing found offers a web search")
            << "zebra crossing" << 0 << QStringList{}
            << "https://www.google.com/search?q=zebra%20crossing&hl=nl";
        QTest::newRow("an address is offered as itself")
            << "example.org/page" << 0 << QStringList{} << "http://example.org/page";
    }

    void typesAndOpens()
    {
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(QStringList, sources);
        QFETCH(QString, opened);
        TRFindWindowController window;
        window.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(QApplication::focusWidget(), window.searchField());
        QTest::keyClicks(window.searchField(), typed);
        QStringList found;
        for (const auto &match : window.matches()) {
            found << match.source;
        }
        QCOMPARE(found, sources);
        for (int i = 0; i < downs; ++i) {
            QTest::keyClick(window.searchField(), Qt::Key_Down);
        }
        QTest::keyClick(window.searchField(), Qt::Key_Return);
        QCOMPARE(m_shown, QStringList{opened});
        QVERIFY(!window.isVisible());
    }

    // A web search goes to the stored domain's search; a cleared field
    // searches with "com" rather than failing, and an unusable one offers
    // no search.
    void webSearchUsesTheStoredSuffix_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("stored") << "de"
                                << QStringList{"https://www.google.de/search?q=zebra&hl=nl"};
        QTest::newRow("cleared") << ""
                                 << QStringList{"https://www.google.com/search?q=zebra&hl=nl"};
        QTest::newRow("unusable") << "evil.example/x?" << QStringList{};
    }

    void webSearchUsesTheStoredSuffix()
    {
        QFETCH(QString, suffix);
        QFETCH(QStringList, opened);
        TRSettings::standard().setString(TRSettingsKeys::customGooglePrefix, suffix);
        TRFindWindowController window;
        window.showWindow();
        QTest::keyClicks(window.searchField(), "zebra");
        QTest::keyClick(window.searchField(), Qt::Key_Return);
        TRSettings::standard().removeObject(TRSettingsKeys::customGooglePrefix);
        QCOMPARE(m_shown, opened);
        QCOMPARE(window.resultsList()->model()->rowCount(), opened.size());
    }

    // Reopened, the window shows the last query selected; Escape closes it;
    // a disabled plugin is no longer searched.
    void reopensAndForgetsDisabledSources()
    {
        TRFindWindowController window;
        window.showWindow();
        QTest::keyClicks(window.searchField(), "kayak");
        QTest::keyClick(window.searchField(), Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QVERIFY(m_shown.isEmpty());
        window.showWindow();
        QCOMPARE(window.searchField()->selectedText(), QString("kayak"));
        QCOMPARE(window.matches().size(), 1U);
        m_plugins.back()->setEnabled(false);
        window.showWindow();
        QVERIFY(window.matches().empty());
        m_plugins.back()->setEnabled(true);
    }
};

TRELLIS_TEST_MAIN(TestFind)
#include "TestFind.moc"
