#include "TRBonjourPlugin.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSettings.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"
#include "TRUIManager.h"

#include <QAction>
#include <QMenu>
#include <QProcess>

#include <map>
#include <unistd.h>

// The real plugin against a real avahi-daemon: the daemon runs in a network
// namespace of its own, with nothing but a veth pair inside it, so no mDNS
// reaches this machine's interfaces; this process reaches the daemon over the
// system D-Bus like any client. Needs root; skips itself otherwise.

class TestBonjourEndToEnd : public QObject
{
    Q_OBJECT

    QString m_script;
    QString m_hostName;
    bool m_networkIsUp = false;
    std::unique_ptr<TRBonjourPlugin> m_plugin;
    std::map<QString, std::unique_ptr<QProcess>> m_publishers;
    std::vector<TRBookmarkPtr> m_shown;
    QObject m_observer;

    // Runs the network script; its standard output goes to output.
    int network(const QString &command, QString *output = nullptr)
    {
        QProcess script;
        script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        script.start(QStringLiteral("bash"), {m_script, command});
        if (!script.waitForFinished(60000)) {
            script.kill();
            script.waitForFinished();
            return -1;
        }
        if (output) {
            *output = QString::fromUtf8(script.readAllStandardOutput()).trimmed();
        }
        return script.exitStatus() == QProcess::NormalExit ? script.exitCode() : -1;
    }

    // Announces a web server until unpublish(); true once the daemon has it.
    bool publish(const QString &name, int port)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral("avahi-publish"),
                       {"-s", name, "_http._tcp", QString::number(port)});
        QByteArray said;
        while (!said.contains("Established") && process->waitForReadyRead(10000)) {
            said += process->readAll();
        }
        const bool established = said.contains("Established");
        if (!established) {
            qWarning("avahi-publish: %s", said.constData());
        }
        m_publishers[name] = std::move(process);
        return established;
    }

    void unpublish(const QString &name)
    {
        if (auto it = m_publishers.find(name); it != m_publishers.end()) {
            it->second->terminate();
            it->second->waitForFinished(5000);
            m_publishers.erase(it);
        }
    }

private slots:
    void initTestCase()
    {
        if (geteuid() != 0) {
            QSKIP("needs root: creates a network namespace and starts avahi-daemon in it");
        }
        m_script = QFINDTESTDATA("bonjour-netns.sh");
        QVERIFY(!m_script.isEmpty());
        QString output;
        const int status = network("up", &output);
        if (status == 77) {
            QSKIP(qPrintable(output));
        }
        m_networkIsUp = true;
        QCOMPARE(status, 0);
        m_hostName = output.section('\n', -1);
        QVERIFY(!m_hostName.isEmpty());

        TRNotificationCenter::defaultCenter().addObserver(
            &m_observer, TRNotificationNames::uiManagerShouldShowBrowser,
            [this](const TRNotification &notification) {
                const auto action =
                    notification.userInfo.value(TRNotificationNames::browserActionTypeKey)
                        .value<TRUIManager::BrowserActionType>();
                const auto *show = std::get_if<TRUIManager::ShowBookmark>(&action);
                m_shown.push_back(show ? show->bookmark : nullptr);
            });

        TRSettings::standard().resetForTesting();
        m_plugin = std::make_unique<TRBonjourPlugin>();
    }

    void cleanupTestCase()
    {
        m_plugin.reset();
        while (!m_publishers.empty()) {
            unpublish(m_publishers.begin()->first);
        }
        if (m_networkIsUp) {
            QCOMPARE(network("down"), 0);
        }
    }

    // Services appear sorted by name, once each although the daemon sees
    // them on both ends of the cable; the first choice resolves for real.
    void servicesAppearResolveAndGo()
    {
        QMenu *menu = m_plugin->parentMenu();
        QVERIFY(publish("Zeta Printer", 8081));
        QTRY_COMPARE_WITH_TIMEOUT(TRTestMenus::describe(menu), QStringList({"Zeta Printer"}),
                                  20000);
        QVERIFY(publish("Attic Camera", 8082));
        QTRY_COMPARE_WITH_TIMEOUT(TRTestMenus::describe(menu),
                                  QStringList({"Attic Camera", "Zeta Printer"}), 20000);
        QCOMPARE(m_plugin->activeBookmarks().size(), std::size_t(2));
        QCOMPARE(m_plugin->activeBookmarks()[0]->name(), QString("Zeta Printer"));

        m_shown.clear();
        TRTestMenus::findItem(menu, "Zeta Printer")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_shown.size(), std::size_t(1), 12000);
        const TRBookmarkPtr shown = m_shown[0];
        QVERIFY(shown);
        QCOMPARE(shown->name(), QString("Zeta Printer"));
        QCOMPARE(shown->url(), QUrl("http://" + m_hostName + ".local.:8081"));

        // The stored address is shown at once.
        TRTestMenus::findItem(menu, "Zeta Printer")->trigger();
        QCOMPARE(m_shown.size(), std::size_t(2));
        QCOMPARE(m_shown[1], shown);

        unpublish("Attic Camera");
        QTRY_COMPARE_WITH_TIMEOUT(TRTestMenus::describe(menu), QStringList({"Zeta Printer"}),
                                  20000);
        QCOMPARE(m_plugin->activeBookmarks().size(), std::size_t(1));
    }

    // The daemon goes away and comes back while the plugin runs: the submenu
    // empties and fills again without a restart.
    void daemonRestart()
    {
        QMenu *menu = m_plugin->parentMenu();
        QVERIFY(!TRTestMenus::findItem(menu, "No web servers found"));
        QCOMPARE(network("daemon-stop"), 0);
        // The services go with their daemon, and the submenu says why.
        QTRY_COMPARE_WITH_TIMEOUT(TRTestMenus::describe(menu),
                                  QStringList({"Avahi is not running (disabled)"}), 10000);
        // The publishers end with their daemon.
        while (!m_publishers.empty()) {
            unpublish(m_publishers.begin()->first);
        }

        QCOMPARE(network("daemon-start"), 0);
        QVERIFY(publish("Zeta Printer", 8081));
        QTRY_COMPARE_WITH_TIMEOUT(TRTestMenus::describe(menu), QStringList({"Zeta Printer"}),
                                  20000);
        m_shown.clear();
        TRTestMenus::findItem(menu, "Zeta Printer")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_shown.size(), std::size_t(1), 12000);
        QCOMPARE(m_shown[0]->url(), QUrl("http://" + m_hostName + ".local.:8081"));
    }
};

TRELLIS_TEST_MAIN(TestBonjourEndToEnd)
#include "TestBonjourEndToEnd.moc"
