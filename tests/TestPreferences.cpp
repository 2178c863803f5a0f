#include "TRDomainSuffixValidator.h"
#include "TRLoginItem.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginManager.h"
#include "TRPreferencesCustomSearchViewController.h"
#include "TRPreferencesGeneralViewController.h"
#include "TRPreferencesWindowController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestPlugin.h"
#include "TRTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPropertyAnimation>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolBar>

namespace Keys = TRSettingsKeys;
using GeneralPane = TRPreferencesGeneralViewController;
using SearchPane = TRPreferencesCustomSearchViewController;

namespace {

const QString general = QStringLiteral("1000");
const QString customSearch = QStringLiteral("1002");

TRSettings &settings()
{
    return TRSettings::standard();
}

// The autostart entry where the desktop session looks for it, worked out
// from the environment rather than from the code under test.
QString autostartEntryPath()
{
    return QDir(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")))
        .filePath(QStringLiteral("autostart/com.kwtlabs.Trellis.desktop"));
}

// What desktop-file-validate says about the file; nothing when the tool is
// not installed.
QByteArray desktopFileProblems(const QString &path)
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) {
        return {};
    }
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {path});
    const bool passed = validate.waitForFinished() && validate.exitCode() == 0;
    return validate.readAll() + (passed ? "" : "(failed)");
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

    // Of the plugins Beta and then Alpha; only Alpha allows an inline menu.
    std::unique_ptr<TRPluginManager> manager;
    // What happened, in order: plugin updates and posted menu requests.
    QStringList events;
    QObject observer;

private slots:
    void init()
    {
        settings().resetForTesting();
        settings().registerDefaults(Keys::generalDefaults());
        QFile::remove(autostartEntryPath());
        events.clear();
        std::vector<TRPluginManager::Factory> factories;
        for (const QString name : {"Beta", "Alpha"}) {
            const auto plugin = std::make_shared<TRTestPlugin>(name, name == u"Alpha");
            plugin->onUpdate = [this, name] {
                events << "update " + name;
            };
            factories.push_back([plugin] { return plugin; });
        }
        manager = std::make_unique<TRPluginManager>(factories);
        TRNotificationCenter::defaultCenter().addObserver(
            &observer, TRNotificationNames::menuControllerMenuNeedsUpdate,
            [this](const TRNotification &) { events << "menu needs update"; });
    }

    void cleanup()
    {
        TRNotificationCenter::defaultCenter().removeObserver(&observer);
        manager.reset();
    }

    // A click animates to the pane's size; of clicks that overlap, the newest wins.
    void clickingAPaneAnimatesToItsSize()
    {
        TRPreferencesWindowController window(manager.get());
        window.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint topLeft = window.geometry().topLeft();
        QPointer<QWidget> generalPane = window.currentViewController();

        window.toolbarItem(customSearch)->trigger();

        QPropertyAnimation *animation = window.viewAnimation();
        QVERIFY(animation);
        QCOMPARE(window.centralWidget(), window.loadingViewController());
        auto *pane = qobject_cast<SearchPane *>(window.currentViewController());
        QVERIFY(pane);
        QCOMPARE(window.selectedToolbarItem(), customSearch);
        const QRect target = animation->endValue().toRect();
        QCOMPARE(target.topLeft(), topLeft);
        QCOMPARE(target.height(),
                 pane->sizeHint().height() + window.toolbar()->sizeHint().height());

        QTRY_VERIFY(!window.viewAnimation());
        QCOMPARE(window.centralWidget(), pane);
        QTRY_COMPARE(window.geometry(), target);
        // Each pane switch makes a new pane; the old one is gone.
        QTRY_VERIFY(!generalPane);

        // Clicks that overlap: the newest pane wins, the overtaken one goes.
        window.toolbarItem(general)->trigger();
        QPointer<QWidget> overtaken = window.currentViewController();
        QPropertyAnimation *first = window.viewAnimation();
        window.toolbarItem(customSearch)->trigger();
        QVERIFY(window.viewAnimation() && window.viewAnimation() != first);
        QTRY_VERIFY(!window.viewAnimation());
        pane = qobject_cast<SearchPane *>(window.centralWidget());
        QVERIFY(pane && window.currentViewController() == pane);
        QTRY_VERIFY(!overtaken);

        // An unknown item is remembered but changes nothing else.
        window.handlePaneSelection(QStringLiteral("1001"));
        QVERIFY(!window.viewAnimation());
        QCOMPARE(window.currentViewController(), pane);
        QCOMPARE(window.selectedToolbarItem(), QString("1001"));
    }

    // A first opening shows General at once; the pane chosen is remembered
    // when the window closes, and one the window does not know is not shown.
    void closingRemembersTheClickedPane()
    {
        {
            TRPreferencesWindowController window(manager.get());
            window.showWindow();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QVERIFY(!window.viewAnimation());
            auto *pane = qobject_cast<GeneralPane *>(window.currentViewController());
            QVERIFY(pane);
            QCOMPARE(window.centralWidget(), pane);
            QVERIFY(window.toolbarItem(general)->isChecked());
            QVERIFY(!window.toolbarItem(customSearch)->isChecked());
            QVERIFY(!window.toolbar()->isMovable());
            // The window is as tall as the pane and the toolbar together.
            QCOMPARE(window.height(),
                     pane->sizeHint().height() + window.toolbar()->sizeHint().height());
            // Chosen and closed from the keyboard.
            QWidget *item = window.toolbar()->widgetForAction(window.toolbarItem(customSearch));
            QCOMPARE(item->focusPolicy(), Qt::TabFocus);
            QTest::keyClick(item, Qt::Key_Space);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::keyClick(&window, Qt::Key_Escape);
            QVERIFY(!window.isVisible());
        }
        QCOMPARE(settings().stringForKey(Keys::lastSelectedPreferencesPane), customSearch);

        // Opening without a click keeps what was stored, not the pane shown.
        TRPreferencesWindowController window(manager.get());
        window.showWindow();
        QVERIFY(qobject_cast<SearchPane *>(window.currentViewController()));
        QVERIFY(!window.viewAnimation());
        QVERIFY(window.toolbarItem(customSearch)->isChecked());
        settings().setString(Keys::lastSelectedPreferencesPane, "1001");
        window.close();
        QCOMPARE(settings().stringForKey(Keys::lastSelectedPreferencesPane), QString("1001"));

        // A stored pane that is none of the window's opens General.
        for (const QVariant &stored : {QVariant("1001"), QVariant(""), QVariant(1002.5)}) {
            settings().setObject(Keys::lastSelectedPreferencesPane, stored);
            TRPreferencesWindowController reopened(manager.get());
            reopened.showWindow();
            QVERIFY(qobject_cast<GeneralPane *>(reopened.currentViewController()));
            QVERIFY2(reopened.toolbarItem(general)->isChecked(), qPrintable(stored.toString()));
        }
    }

    // Closing another window, or a second preferences window that was never
    // shown through showWindow, changes nothing; closing this one updates
    // every plugin and asks for one menu.
    void closingUpdatesEveryPluginAndAsksForOneMenu()
    {
        TRPreferencesWindowController window(manager.get());
        window.showWindow();
        QWidget other;
        other.show();
        other.close();
        TRPreferencesWindowController second(manager.get());
        second.show();
        second.close();
        QVERIFY(events.isEmpty());
        QVERIFY(window.isVisible());

        window.close();
        QCOMPARE(events, QStringList({"update Alpha", "update Beta", "menu needs update"}));
    }

    void popUpsOfferTheTablesAndStoreTheChoice()
    {
        settings().setInteger(Keys::updateRateIndex, 3);
        GeneralPane pane;
        QComboBox *icons = pane.menuIconPopUpButton();
        QComboBox *rates = pane.updateRatePopUpButton();

        // The icons' names are checked as the choices store them.
        QCOMPARE(icons->count(), 2);
        QVERIFY(!icons->itemIcon(0).isNull() && !icons->itemIcon(1).isNull());
        QStringList titles;
        for (int row = 0; row < rates->count(); ++row) {
            titles << rates->itemText(row);
        }
        QCOMPARE(titles, QStringList({"Every minute", "Every 2 minutes", "Every 5 minutes",
                                      "Every 30 minutes", "Every hour"}));

        // Loading shows the stored choice and applies both.
        QCOMPARE(rates->currentIndex(), 3);
        QCOMPARE(settings().integerForKey(Keys::updateRateInterval), 1800);
        QCOMPARE(settings().stringForKey(Keys::menuIconName), QString("tr_icon"));

        // The user picks rows with the keyboard.
        QTest::keyClick(rates, Qt::Key_Up);
        QTest::keyClick(rates, Qt::Key_Up);
        QCOMPARE(settings().integerForKey(Keys::updateRateIndex), 1);
        QCOMPARE(settings().integerForKey(Keys::updateRateInterval), 120);

        QTest::keyClick(icons, Qt::Key_Down);
        QCOMPARE(settings().integerForKey(Keys::menuIconIndex), 1);
        QCOMPARE(settings().stringForKey(Keys::menuIconName), QString("bookmarks"));

        // Another sender applies nothing; a change posts nothing.
        rates->setCurrentIndex(3);
        pane.handlePopUp(&observer);
        QCOMPARE(settings().integerForKey(Keys::updateRateIndex), 1);
        pane.handlePopUp(rates);
        QCOMPARE(settings().integerForKey(Keys::updateRateInterval), 1800);
        QVERIFY(events.isEmpty());

        // A stored index outside the table shows a valid row.
        settings().setInteger(Keys::updateRateIndex, 9);
        settings().setInteger(Keys::menuIconIndex, -2);
        GeneralPane clamped;
        QCOMPARE(clamped.updateRatePopUpButton()->currentIndex(), 4);
        QCOMPARE(clamped.menuIconPopUpButton()->currentIndex(), 0);
        QCOMPARE(settings().integerForKey(Keys::updateRateInterval), 3600);
        QCOMPARE(settings().integerForKey(Keys::menuIconIndex), 0);
    }

    // Opening in the default browser is stored and nothing else; launching at
    // login also writes the autostart entry, its command quoted for any path.
    void checkBoxesAreStored()
    {
        settings().setBool(Keys::openBookmarksInSafari, true);
        GeneralPane pane;
        QVERIFY(pane.openBookmarksInSafariCheckbox()->isChecked());
        pane.openBookmarksInSafariCheckbox()->click();
        QVERIFY(!settings().boolForKey(Keys::openBookmarksInSafari));
        QVERIFY(!pane.useFavIconsCheckbox()->isChecked());
        pane.useFavIconsCheckbox()->click();
        QVERIFY(settings().boolForKey(Keys::useFavIcons));
        QVERIFY(!QFile::exists(autostartEntryPath()));

        QCheckBox *box = pane.launchOnLoginCheckbox();
        QVERIFY(!box->isChecked());

        box->click();
        QVERIFY(settings().boolForKey(Keys::launchOnLogin));
        const QStringList lines =
            QString::fromUtf8(TRTestSupport::readFile(autostartEntryPath())).split('\n');
        QCOMPARE(lines.first(), QString("[Desktop Entry]"));
        QVERIFY(lines.contains("Name=Trellis"));
        // The test's own path has no character that needs quoting.
        QVERIFY(lines.contains("Exec=" + QCoreApplication::applicationFilePath()));
        QVERIFY(TRLoginItem::isEnabled());

        QCOMPARE(desktopFileProblems(autostartEntryPath()), QByteArray());

        box->click();
        QVERIFY(!settings().boolForKey(Keys::launchOnLogin));
        QVERIFY(!QFile::exists(autostartEntryPath()));
        // Turning off what is already off is no failure.
        QVERIFY(TRLoginItem::setEnabled("com.kwtlabs.LauncherApplication", false));

        // A new pane shows the stored state.
        settings().setBool(Keys::launchOnLogin, true);
        GeneralPane again;
        QVERIFY(again.launchOnLoginCheckbox()->isChecked());

        // Other paths are quoted as desktop files want them. Dollar and
        // backslash: escaped inside the quotes, then each backslash once more
        // for the desktop file's string.
        const std::pair<QString, QString> cases[] = {
            {"/usr/bin/trellis", "/usr/bin/trellis"},
            {"/opt/My Apps/trellis", "\"/opt/My Apps/trellis\""},
            {"/a$b\\c", "\"/a\\\\$b\\\\\\\\c\""},
            {"/x%y/trellis", "/x%%y/trellis"}};
        QTemporaryDir folder;
        const QString entry = folder.filePath("trellis.desktop");
        for (const auto &[path, exec] : cases) {
            QCOMPARE(TRLoginItem::commandLine(path), exec);
            QVERIFY(TRTestSupport::writeFile(
                entry,
                "[Desktop Entry]\nType=Application\nName=Trellis\nExec=" + exec.toUtf8() + "\n"));
            QCOMPARE(desktopFileProblems(entry), QByteArray());
        }
    }

    void customSuffixIsStoredWithoutALeadingDot()
    {
        SearchPane pane;
        QCheckBox *box = pane.useCustomSearchCheckbox();
        QLineEdit *field = pane.customPrefixTextField();
        QVERIFY(!box->isChecked());
        QCOMPARE(field->text(), QString("com"));
        QVERIFY(!field->isEnabled());

        box->click();
        QVERIFY(settings().boolForKey(Keys::hasCustomGoogleSearch));
        QVERIFY(field->isEnabled());

        field->selectAll();
        QTest::keyClicks(field, ".co.uk");
        QCOMPARE(settings().stringForKey(Keys::customGooglePrefix), QString("co.uk"));

        // What is no suffix is not typed, or not stored while the hint says so.
        QVERIFY(pane.invalidSuffixLabel()->isHidden());
        field->selectAll();
        QTest::keyClicks(field, "..x/ y");
        QCOMPARE(field->text(), QString(".xy"));
        QCOMPARE(settings().stringForKey(Keys::customGooglePrefix), QString("xy"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClick(field, Qt::Key_Backspace);
        QVERIFY(!pane.invalidSuffixLabel()->isHidden());
        QCOMPARE(settings().stringForKey(Keys::customGooglePrefix), QString("x"));

        QTest::keyClicks(field, "de");
        box->click();
        QVERIFY(!settings().boolForKey(Keys::hasCustomGoogleSearch));
        QVERIFY(!field->isEnabled());
        QCOMPARE(settings().stringForKey(Keys::customGooglePrefix), QString("de"));
        QVERIFY(events.isEmpty());

        // Showing a stored suffix stores nothing.
        settings().setString(Keys::customGooglePrefix, ".de");
        settings().setBool(Keys::hasCustomGoogleSearch, true);
        SearchPane shown;
        QCOMPARE(shown.customPrefixTextField()->text(), QString(".de"));
        QVERIFY(shown.customPrefixTextField()->isEnabled());
        QVERIFY(shown.useCustomSearchCheckbox()->isChecked());
        QCOMPARE(settings().stringForKey(Keys::customGooglePrefix), QString(".de"));

        // Neither stored nor registered: an empty field.
        settings().resetForTesting();
        SearchPane fresh;
        QCOMPARE(fresh.customPrefixTextField()->text(), QString());
        QVERIFY(!fresh.customPrefixTextField()->isEnabled());
    }

    // Hyphens, digits and other scripts are letters of a label; a label
    // still to come, or ending in a hyphen, may yet be finished.
    void suffixValidation()
    {
        const std::pair<QStringList, QValidator::State> cases[] = {
            {{".co.uk", "a-1.рф"}, QValidator::Acceptable},
            {{"", "co.", "co.u-"}, QValidator::Intermediate},
            {{"co uk", "https://google.de", "co..uk", "-de", QString(64, 'a')},
             QValidator::Invalid}};
        for (const auto &[inputs, state] : cases) {
            for (QString input : inputs) {
                int position = 0;
                QVERIFY2(TRDomainSuffixValidator().validate(input, position) == state,
                         qPrintable(input));
            }
        }
    }
};

TRELLIS_TEST_MAIN(TestPreferences)
#include "TestPreferences.moc"
