#include "TRAlert.h"
#include "TRBrowserBookmarksModel.h"
#include "TRBrowserBookmarksViewController.h"
#include "TRBrowserWebViewController.h"
#include "TRBrowserWindowController.h"
#include "TRGoogleChromeBookmark.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestSupport.h"
#include "TRWebSearch.h"

#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <array>

using TRTestSupport::names;

namespace {

TRBookmarkPtr item(const QString &name, const QString &url)
{
    return TRBookmark::init(TRBookmarkKind::item, name, QUrl(url));
}

TRBookmarkPtr group(const QString &name, const std::vector<TRBookmarkPtr> &children)
{
    auto node = TRBookmark::init(TRBookmarkKind::group, name);
    for (const auto &child : children) {
        node->addBookmark(child);
    }
    return node;
}

// The outline's top level as the view shows it.
QStringList topLevelRows(QTreeView *view)
{
    QStringList rows;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        rows << view->model()->index(row, 0).data().toString();
    }
    return rows;
}

} // namespace

// The outline, the filter, the search addresses: everything of the browser
// that needs no web engine.
class TestBrowserOutline : public QObject
{
    Q_OBJECT

    std::vector<TRBookmarkPtr> m_tree;
    QList<TRAlert::Request> m_alerts;

private slots:
    void initTestCase()
    {
        // News
        //   Daily Paper      https://paper.example/Today
        //   World            (group)
        //     Globe          https://globe.example/world
        // Qt docs            https://doc.qt.io/
        // Recipes            (group)
        //   News of bread    https://bread.example/
        m_tree = {group("News", {item("Daily Paper", "https://paper.example/Today"),
                                 group("World", {item("Globe", "https://globe.example/world")})}),
                  item("Qt docs", "https://doc.qt.io/"),
                  group("Recipes", {item("News of bread", "https://bread.example/")})};
        TRAlert::setHandlerForTesting([this](const TRAlert::Request &request) {
            m_alerts << request;
            return int(TRAlert::firstButton);
        });
    }

    void cleanupTestCase() { TRAlert::setHandlerForTesting({}); }

    void init()
    {
        m_alerts.clear();
        TRSettings::standard().resetForTesting();
        TRSettings::standard().registerDefaults(TRSettingsKeys::generalDefaults());
    }

    // A nested item reaches the top level, a group is followed by its
    // matching child, names ignore case, an upper-case term finds lower-case
    // URLs but the upper-case letters of a URL never match, not even when
    // typed in upper case; matches at every depth come in order.
    void filter()
    {
        const std::pair<QString, QStringList> cases[] = {{"globe", {"Globe"}},
                                                         {"world", {"World", "Globe"}},
                                                         {"DAILY", {"Daily Paper"}},
                                                         {"DOC.QT", {"Qt docs"}},
                                                         {"today", {}},
                                                         {"Today", {}},
                                                         {"news", {"News", "News of bread"}},
                                                         {"zzz", {}}};
        for (const auto &[term, expected] : cases) {
            QCOMPARE(names(TRBrowserBookmarksViewController::filter(m_tree, term)), expected);
        }
    }

    void filterSurvivesATreeThatHoldsItself()
    {
        const auto loop = TRBookmark::init(TRBookmarkKind::group, "Loop");
        loop->addBookmark(loop);
        const auto found = TRBrowserBookmarksViewController::filter({loop}, "loop");
        QVERIFY(found.size() > 1);
        QVERIFY(found.size() < 1000);
        // The node holds itself: break the cycle so that it is freed.
        loop->removeAllBookmarks();
    }

    void typingFiltersAndClearingRestores()
    {
        TRBrowserBookmarksViewController pane;
        pane.setBookmarks(m_tree);
        QTreeView *view = pane.outlineView();
        QCOMPARE(topLevelRows(view), QStringList({"News", "Qt docs", "Recipes"}));

        QTest::keyClicks(pane.searchField(), "world");
        QCOMPARE(topLevelRows(view), QStringList({"World", "Globe"}));
        // A matching group still shows all of its children.
        const QModelIndex world = view->model()->index(0, 0);
        QCOMPARE(view->model()->rowCount(world), 1);
        QCOMPARE(view->model()->index(0, 0, world).data().toString(), QString("Globe"));

        pane.searchField()->clear();
        QCOMPARE(topLevelRows(view), QStringList({"News", "Qt docs", "Recipes"}));

        // New bookmarks are shown unfiltered, whatever the field holds.
        pane.searchField()->setText("qt");
        pane.setBookmarks(m_tree);
        QCOMPARE(topLevelRows(view), QStringList({"News", "Qt docs", "Recipes"}));
    }

    // A single bookmark is chosen at once; a group is not.
    void groupsExpandButCannotBeSelected()
    {
        TRBrowserBookmarksViewController pane;
        QList<TRBookmarkPtr> chosen;
        pane.onDidSelectBookmark = [&](const TRBookmarkPtr &b) {
            chosen << b;
        };
        pane.setBookmarks({m_tree[1]});
        QCOMPARE(chosen, QList<TRBookmarkPtr>({m_tree[1]}));
        pane.setBookmarks({m_tree[0]});
        QCOMPARE(chosen.size(), 1);
        chosen.clear();
        pane.setBookmarks(m_tree);
        pane.resize(300, 400);
        pane.show();
        QTreeView *view = pane.outlineView();
        QAbstractItemModel *model = view->model();

        const QModelIndex news = model->index(0, 0);
        QVERIFY(model->hasChildren(news));
        QVERIFY(!(model->flags(news) & Qt::ItemIsSelectable));
        QVERIFY(model->flags(model->index(1, 0)) & Qt::ItemIsSelectable);
        QCOMPARE(model->index(1, 0).data(Qt::SizeHintRole).toSize().height(), 30);
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!model->index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(news).center());
        QVERIFY(view->selectionModel()->selectedRows().isEmpty());
        QVERIFY(chosen.isEmpty());

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(model->index(1, 0)).center());
        QCOMPARE(chosen, QList<TRBookmarkPtr>({m_tree[1]}));
    }

    // A group refilled while the outline shows it must not shift rows under
    // the view; a separator between its items takes no row.
    void outlineKeepsRowsOfARefilledGroup()
    {
        auto separator = TRGoogleChromeBookmark::init(TRBookmarkKind::item, QString());
        separator->tag = TRGoogleChromeBookmark::Tag::separator;
        auto folder = group("Folder", {item("A", "https://a.example/"), separator,
                                       item("B", "https://b.example/")});
        TRBrowserBookmarksModel model;
        model.setTopLevel({folder});
        const QModelIndex parent = model.index(0, 0);
        QCOMPARE(model.rowCount(parent), 2);
        folder->removeAllBookmarks();
        QCOMPARE(model.rowCount(parent), 2);
        QCOMPARE(model.index(1, 0, parent).data().toString(), QString("B"));
        QVERIFY(!model.index(2, 0, parent).isValid());
        QVERIFY(!model.index(0, 1).isValid());
        QCOMPARE(model.parent(model.index(0, 0, parent)), parent);
    }

    // The addresses as Google has them, between "https://www.google." and
    // "&hl=nl"; none when the suffix cannot form an address: with a path, a
    // space, a port, or empty. Escaped unreserved characters (. - _ ~) are the
    // same address; the parsed URL writes them plainly.
    void searchAddresses()
    {
        const std::array<const char *, 3> cases[] = {
            {"qt widgets", "com", "com/search?q=qt%20widgets"},
            {"?&=#/+.-_~", "com", "com/search?q=%3F%26%3D%23%2F%2B.-_~"},
            {"x", "co.uk", "co.uk/search?q=x"},
            {"café", "nl", "nl/search?q=caf%C3%A9"},
            {"日本", "com", "com/search?q=%E6%97%A5%E6%9C%AC"},
            {"x", "com/evil", ""},
            {"x", "co uk", ""},
            {"x", "", ""},
            {"x", "com:8080", ""}};
        for (const auto &[term, suffix, expected] : cases) {
            const std::optional<QUrl> url =
                TRBrowserWindowController::searchUrl(QString::fromUtf8(term), suffix);
            QCOMPARE(url ? url->toString(QUrl::FullyEncoded) : QString(),
                     *expected ? "https://www.google." + QString(expected) + "&hl=nl" : QString());
        }
    }

    // The address field loads addresses, with http:// where the scheme is
    // missing, and searches for anything else.
    void typedAddresses()
    {
        const QList<std::pair<QString, QString>> cases{
            {"https://example.org/a?b=c", "https://example.org/a?b=c"},
            {"example.org", "http://example.org"},
            {"http://127.0.0.1:8080/x", "http://127.0.0.1:8080/x"},
            {"localhost:3000", "http://localhost:3000"},
            {"[::1]:8080", "http://[::1]:8080"},
            {"about:blank", "about:blank"},
            {"rust borrow checker", ""},
            {"example.org is down", ""},
            {"rust", ""}};
        for (const auto &[text, expected] : cases) {
            const std::optional<QUrl> url = TRWebSearch::typedAddress(text);
            QCOMPARE(url ? url->toString() : QString(), expected);
        }
    }

    // Searches that go nowhere: an empty field does nothing, a suffix that
    // cannot form an address warns on the window. Neither starts the web engine.
    void searchesThatCannotRun()
    {
        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::Search{};
        window.showWindow();
        QCOMPARE(window.focusWidget(), window.browserSearchField());
        QTest::keyClick(window.browserSearchField(), Qt::Key_Return);
        QVERIFY(m_alerts.isEmpty());

        TRSettings::standard().setString(TRSettingsKeys::customGooglePrefix, "not a suffix");
        window.browserSearchField()->setText("trellis");
        QTest::keyClick(window.browserSearchField(), Qt::Key_Return);
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts.first().message, QString("Unable to search the given term!"));
        QCOMPARE(m_alerts.first().style, TRAlert::Style::warning);
        QCOMPARE(m_alerts.first().parent, &window);
        QVERIFY(!window.content()->browserWebViewController()->hasWebView());

        // Editing keys edit the field as usual.
        QTest::keyClick(window.browserSearchField(), Qt::Key_Backspace);
        QCOMPARE(window.browserSearchField()->text(), QString("trelli"));
    }

    void toolbarIsFixed()
    {
        TRBrowserWindowController window;
        window.browserType = TRBrowserViewController::BookmarkGroup{m_tree[0]};
        window.showWindow();
        QToolBar *toolbar = window.toolbar();
        QVERIFY(toolbar && !toolbar->isMovable());
        QVERIFY(!window.createPopupMenu());
        // The address field in the outline mode, the search field not at all.
        QVERIFY(window.browserAddressTextField()->isVisible());
        QVERIFY(!window.browserSearchField()->isVisible());
        QVERIFY(!window.browserGoBackButton()->isEnabled());
        window.showWindow();
        QCOMPARE(window.toolbar(), toolbar);
    }
};

TRELLIS_TEST_MAIN(TestBrowserOutline)
#include "TestBrowserOutline.moc"
