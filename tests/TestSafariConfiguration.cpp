#include "TRAlert.h"
#include "TRBrowserFiles.h"
#include "TRFileGrant.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPluginFilePicker.h"
#include "TRPropertyList.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariPluginBookmarksCustomizationViewController.h"
#include "TRSafariPluginConfigurationViewController.h"
#include "TRSafariPluginOptionsViewController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestSupport.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QSettings>
#include <QTabWidget>
#include <QTreeView>

using DataKey = TRSafariBookmarksParser::BookmarkDataKey;
using namespace TRBrowserFiles;

namespace {

// The names of the outline's rows below parent, each with its children in
// braces when the outline lists any.
QString outline(const QAbstractItemModel *model, const QModelIndex &parent = {})
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        QString text = index.data().toString();
        if (model->hasChildren(index)) {
            text += "{" + outline(model, index) + "}";
        }
        rows << text;
    }
    return rows.join(", ");
}

QModelIndex find(const QAbstractItemModel *model, const QString &name)
{
    return model->match(model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchRecursive).value(0);
}

bool isChecked(const QModelIndex &index)
{
    return index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
}

} // namespace

// The Safari plugin's configuration pane: grants, sections, hidden folders.
class TestSafariConfiguration : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    QObject m_observer;
    int m_menuRequests = 0;
    QList<TRAlert::Request> m_alerts;

    QString safariFile(const QString &name) const { return m_files.filePath("Safari/" + name); }

    // Reads the granted bookmarks file into the shared parser.
    bool parse(const QString &path)
    {
        TRSafariBookmarksParser &parser = TRSafariBookmarksParser::shared();
        parser.bookmarkDataForBookmarks = TRFileGrant::make(path);
        return TRTestSupport::update(parser);
    }

    QVariantList sampleBookmarks() const
    {
        const auto leaf = [](const QString &title) {
            return safariLeaf(title, "https://example.org/" + title);
        };
        return {
            safariFolder(
                "BookmarksBar",
                {safariFolder(
                     "News",
                     {safariFolder("Local", {safariFolder("Town", {leaf("t")}, "TOWN")}, "LOCAL"),
                      leaf("n")},
                     "NEWS"),
                 safariFolder("Only links", {leaf("a"), leaf("b")}, "LINKS"), leaf("top")},
                "BAR"),
            safariFolder("BookmarksMenu", {leaf("m")}, "MENU"),
            safariFolder("Work", {safariFolder("Projects", {}, "PROJECTS")}, "WORK")};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        TRNotificationCenter::defaultCenter().addObserver(
            &m_observer, TRNotificationNames::safariPluginMenuNeedsUpdate,
            [this](const TRNotification &) { ++m_menuRequests; });
        TRAlert::setHandlerForTesting([this](const TRAlert::Request &request) {
            m_alerts << request;
            return int(TRAlert::firstButton);
        });
        for (const QString name : {"Bookmarks.plist", "TopSites.plist", "History.db",
                                   "LastSession.plist", "Other.plist"}) {
            QVERIFY(TRTestSupport::writeFile(safariFile(name), "contents of " + name.toUtf8()));
        }
    }

    void init()
    {
        TRSettings::standard().resetForTesting();
        m_menuRequests = 0;
        m_alerts.clear();
    }

    void grantsWriteTheirFlagsAndData()
    {
        const std::tuple<DataKey, QString, QStringList> grants[] = {
            {DataKey::bookmarks, "Bookmarks.plist",
             QStringList{TRSettingsKeys::hasBookmarksData, TRSettingsKeys::allowBookmarks,
                         TRSettingsKeys::allowBookmarksFromBookmarksBar,
                         TRSettingsKeys::allowBookmarksFromBookmarksMenu}},
            {DataKey::topSites, "TopSites.plist",
             QStringList{TRSettingsKeys::hasTopSitesData, TRSettingsKeys::allowTopSites}},
            {DataKey::history, "History.db",
             QStringList{TRSettingsKeys::hasHistoryData, TRSettingsKeys::allowHistory}},
            {DataKey::lastSession, "LastSession.plist",
             QStringList{TRSettingsKeys::hasLastSessionData, TRSettingsKeys::allowLastSession}}};
        for (const auto &[key, file, flags] : grants) {
            init();
            TRSettings &settings = TRSettings::standard();
            // Switched off before: a grant switches its section on again.
            for (const QString &flag : flags) {
                settings.setBool(flag, false);
            }
            TRSafariPluginOptionsViewController pane;
            TRPluginFilePicker::setNextFileNameForTesting(safariFile(file));
            // Calls rather than a table of member pointers, which the sanitizer
            // build's optimiser takes for an uninitialised read.
            key == DataKey::bookmarks  ? pane.chooseBookmarksFile()
            : key == DataKey::topSites ? pane.chooseTopSitesFile()
            : key == DataKey::history  ? pane.chooseHistoryFile()
                                       : pane.chooseLastSessionFile();
            QVERIFY(pane.currentFilePicker());
            QCOMPARE(pane.currentFilePicker()->filePickerInfo().allowedFileNames,
                     TRSafariBookmarksParser::allowedFileNames(key));
            for (const QString &flag : flags) {
                QVERIFY2(settings.boolForKey(flag), qPrintable(flag));
            }
            const QString dataKey = TRSafariBookmarksParser::rawValue(key);
            QCOMPARE(settings.dataForKey(dataKey), TRFileGrant::make(safariFile(file)));
            QCOMPARE(m_menuRequests, 1);
            QVERIFY(m_alerts.isEmpty());
            // On disk at once, as another process reads it.
            QVERIFY(QSettings(settings.fileName(), QSettings::IniFormat).contains(dataKey));
            // Only this grant's flags: the others keep their state.
            for (const QString &other :
                 {TRSettingsKeys::hasBookmarksData, TRSettingsKeys::hasTopSitesData,
                  TRSettingsKeys::hasHistoryData, TRSettingsKeys::hasLastSessionData}) {
                QCOMPARE(settings.boolForKey(other), flags.contains(other));
            }
            // The pane shows the section switched on.
            QVERIFY(pane.checkBoxForKey(flags.at(1))->isChecked());
        }
    }

    void refusedFilesStoreNothing()
    {
        TRSafariPluginOptionsViewController pane;
        const auto storedNothing = [] {
            const TRSettings &settings = TRSettings::standard();
            return !settings.dataForKey(TRSettingsKeys::bookmarksData) &&
                   !settings.objectForKey(TRSettingsKeys::hasBookmarksData).isValid();
        };

        // A file of the right name that cannot be granted: the alert.
        TRPluginFilePicker::setNextFileNameForTesting(m_files.filePath("gone/Bookmarks.plist"));
        pane.chooseBookmarksFile();
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts.first().style, TRAlert::Style::critical);
        QCOMPARE(m_alerts.first().message, QString("Incorrect file!"));
        QVERIFY(storedNothing());

        // Another name is refused by the dialog itself; cancelling says nothing.
        TRPluginFilePicker::setNextFileNameForTesting(safariFile("Other.plist"));
        pane.chooseBookmarksFile();
        TRPluginFilePicker::setNextFileNameForTesting(std::nullopt);
        pane.chooseBookmarksFile();
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(storedNothing());
        QCOMPARE(m_menuRequests, 0);
    }

    void sectionCheckBoxesShowAndWriteTheirSettings()
    {
        TRSettings &settings = TRSettings::standard();
        settings.setBool(TRSettingsKeys::allowSearch, true);
        settings.setBool(TRSettingsKeys::allowHistory, false);
        settings.setBool(TRSettingsKeys::showItemCount, true);
        TRSafariPluginOptionsViewController pane;
        QCheckBox *history = pane.checkBoxForKey(TRSettingsKeys::allowHistory);
        QCheckBox *itemCount = pane.checkBoxForKey(TRSettingsKeys::showItemCount);
        QVERIFY(pane.checkBoxForKey(TRSettingsKeys::allowSearch)->isChecked());
        QVERIFY(!history->isChecked());
        // A day's count means nothing without the history.
        QVERIFY(itemCount->isChecked());
        QVERIFY(!itemCount->isEnabled());

        history->click();
        QVERIFY(settings.boolForKey(TRSettingsKeys::allowHistory));
        QVERIFY(itemCount->isEnabled());
        itemCount->click();
        QCOMPARE(settings.stringForKey(TRSettingsKeys::showItemCount), QString("0"));
        // Every section the menu has is offered.
        for (const QString &key :
             {TRSettingsKeys::allowBookmarks, TRSettingsKeys::allowBookmarksFromBookmarksBar,
              TRSettingsKeys::allowBookmarksFromBookmarksMenu, TRSettingsKeys::allowReadingList,
              TRSettingsKeys::allowTopSites, TRSettingsKeys::allowMostVisitedItems,
              TRSettingsKeys::allowLastSession, TRSettingsKeys::allowFlatList,
              TRSettingsKeys::showVisitCount, TRSettingsKeys::showPrivateSessions,
              TRSettingsKeys::useFavIcons}) {
            QVERIFY2(pane.checkBoxForKey(key), qPrintable(key));
        }
    }

    // The outline lists the folders of the three roots; switching a folder
    // reaches its direct subfolders only; each parse rebuilds the outline.
    void outlineOfTheFolders()
    {
        const QString path = m_files.filePath("outline/Bookmarks.plist");
        QVERIFY(writeSafariBookmarks(path, sampleBookmarks()));
        TRSafariPluginConfigurationViewController pane;
        QCOMPARE(pane.findChild<QTabWidget *>()->count(), 2);
        TRSafariPluginBookmarksCustomizationViewController *customization =
            pane.customizationViewController();
        QVERIFY(parse(path));
        QAbstractItemModel *model = customization->model();
        TRSafariBookmarksParser &parser = TRSafariBookmarksParser::shared();
        using Type = TRSafariBookmarksParser::BookmarkTypeKey;
        QCOMPARE(customization->bookmarks(),
                 (std::vector<TRSafariBookmarkPtr>{parser.bookmarks().value(Type::bookmarksBar),
                                                   parser.bookmarks().value(Type::bookmarksMenu),
                                                   parser.bookmarks().value(Type::user)}));
        // Folders only; a folder of links alone has nothing to unfold.
        QCOMPARE(outline(model),
                 QString("Favorites{News{Local{Town}}, Only links}, Bookmarks Menu, "
                         "Bookmarks{Work{Projects}}"));
        for (int row = 0; row < 3; ++row) {
            const QModelIndex top = model->index(row, 0, {});
            QVERIFY(customization->outlineView()->isExpanded(top) || !model->hasChildren(top));
            // The roots cannot be switched off.
            QVERIFY(!(model->flags(top) & (Qt::ItemIsUserCheckable | Qt::ItemIsEnabled)));
            QVERIFY(!model->setData(top, Qt::Unchecked, Qt::CheckStateRole));
            QVERIFY(isChecked(top));
        }
        const QModelIndex news = find(model, "News");
        QCOMPARE(model->flags(news) & (Qt::ItemIsUserCheckable | Qt::ItemIsSelectable),
                 Qt::ItemIsUserCheckable);
        QVERIFY(!customization->progressIndicator()->isVisible());

        QSet<QString> &disabled = parser.disabledBookmarkUUIDs();
        disabled.clear();
        // Town hidden on its own first: switching News later must not undo it.
        QVERIFY(model->setData(find(model, "Town"), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(disabled, QSet<QString>({"TOWN"}));

        QVERIFY(model->setData(find(model, "News"), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!isChecked(find(model, "News")));
        QVERIFY(!isChecked(find(model, "Local")));
        QCOMPARE(disabled, QSet<QString>({"TOWN", "NEWS"}));

        QVERIFY(model->setData(find(model, "News"), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(isChecked(find(model, "News")));
        QVERIFY(isChecked(find(model, "Local")));
        QVERIFY(!isChecked(find(model, "Town")));
        QCOMPARE(disabled, QSet<QString>({"TOWN"}));
        // The rows are the parser's own nodes: the shared tree changed.
        QVERIFY(parser.bookmarks().value(Type::bookmarksBar)->bookmarks().front()->isEnabled());
        // Links keep their state; a non-Safari node changes nothing.
        customization->handleStateChange(TRBookmark::init(TRBookmarkKind::group, "x"), false);
        QCOMPARE(disabled, QSet<QString>({"TOWN"}));

        // The next parse applies the set.
        QVERIFY(parse(path));
        QVERIFY(!isChecked(find(model, "Town")));
        QVERIFY(isChecked(find(model, "News")));
        disabled.clear();

        // A new file: the outline is rebuilt, and unfolded again.
        QTreeView *view = customization->outlineView();
        view->collapse(model->index(0, 0, {}));
        QVERIFY(writeSafariBookmarks(
            path, {safariFolder("BookmarksBar", {safariFolder("Sport", {}, "SPORT")}, "BAR"),
                   safariFolder("BookmarksMenu", {}, "MENU")}));
        QVERIFY(parse(path));
        QVERIFY(find(model, "Sport").isValid());
        QVERIFY(!find(model, "News").isValid());
        QVERIFY(view->isExpanded(model->index(0, 0, {})));

        // Without a bookmarks file there are no roots to show.
        parser.bookmarkDataForTopSites = TRFileGrant::make(safariFile("TopSites.plist"));
        parser.bookmarkDataForBookmarks.reset();
        QVERIFY(TRTestSupport::update(parser));
        QCOMPARE(model->rowCount({}), 0);
        parser.bookmarkDataForTopSites.reset();
    }
};

TRELLIS_TEST_MAIN(TestSafariConfiguration)
#include "TestSafariConfiguration.moc"
