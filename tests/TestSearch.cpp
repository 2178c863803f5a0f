#include "TRCoreTestMain.h"
#include "TRGoogleChromeBookmark.h"
#include "TRHistoryStore.h"
#include "TRPackedBookmarks.h"
#include "TRSearchCatalog.h"
#include "TRSearchIndex.h"
#include "TRSearchIndexKeeper.h"
#include "TRSearchText.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Node = TRGoogleChromeBookmark;
const qint64 now = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
const qint64 day = 24 * 60 * 60 * 1000LL;

std::shared_ptr<Node> item(const QString &name, const QByteArray &url, qint64 visits = 0,
                           qint64 lastVisit = 0)
{
    auto node = Node::init(TRBookmarkKind::item, name);
    node->setEncodedUrl(url);
    node->visitCount = visits;
    if (lastVisit != 0) {
        node->lastVisitedDate = QDateTime::fromMSecsSinceEpoch(lastVisit, Qt::UTC);
    }
    return node;
}

std::shared_ptr<Node> group(const QString &name, const std::vector<std::shared_ptr<Node>> &children)
{
    auto node = Node::init(TRBookmarkKind::group, name);
    for (const auto &child : children) {
        node->addBookmark(child);
    }
    return node;
}

struct Visit
{
    QByteArray url;
    QString title;
    qint64 visitCount;
    qint64 time;
};

TRHistoryStorePtr historyOf(const QList<Visit> &visits)
{
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, false);
    for (const Visit &visit : visits) {
        builder.addVisit(builder.address(visit.url, static_cast<qint32>(visit.visitCount)),
                         visit.time, visit.title.toUtf8());
    }
    return builder.finish();
}

std::shared_ptr<const TRSearchIndex> indexOf(const std::vector<std::shared_ptr<Node>> &bookmarks,
                                             const QList<Visit> &visits = {})
{
    auto root = group("root", bookmarks);
    const auto items = TRSearchIndex::Items::collect({{root, {}}});
    return TRSearchIndex::build({items}, visits.isEmpty() ? nullptr : historyOf(visits), "History",
                                now);
}

QStringList namesFound(const TRSearchCatalog &catalog, const QString &query)
{
    QStringList names;
    for (const auto &match : catalog.find(query)) {
        names << match.name;
    }
    return names;
}

} // namespace

// The index that the find window searches: which words find an item, in
// which order the matches come, and that any text is a query.
class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    // Every word of the query starts a word of the name or of the host,
    // whatever the case and accents.
    void matching_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("found");
        QTest::newRow("start of a word")
            << "Hello world" << QByteArray("https://a.example/") << "wor" << true;
        QTest::newRow("inside a word")
            << "Hello world" << QByteArray("https://a.example/") << "orld" << false;
        QTest::newRow("case") << "QT Documentation" << QByteArray("https://a.example/") << "qt DOC"
                              << true;
        QTest::newRow("accents in the name")
            << "Café de Flore" << QByteArray("https://a.example/") << "cafe flo" << true;
        QTest::newRow("accents in the query")
            << "Cafe de Flore" << QByteArray("https://a.example/") << "Café" << true;
        QTest::newRow("every word must match")
            << "Hello world" << QByteArray("https://a.example/") << "hello moon" << false;
        QTest::newRow("host label")
            << "Home" << QByteArray("https://www.github.com/qt") << "git" << true;
        QTest::newRow("host after a dash")
            << "Home" << QByteArray("https://my-wiki.example/") << "wiki" << true;
        QTest::newRow("www is no word")
            << "Home" << QByteArray("https://www.github.com/") << "www" << false;
        QTest::newRow("path is no word")
            << "Home" << QByteArray("https://a.example/recipes") << "recipes" << false;
        QTest::newRow("name and host")
            << "Issues" << QByteArray("https://github.com/") << "github iss" << true;
        QTest::newRow("Cyrillic") << "Москва — Википедия" << QByteArray("https://ru.wikipedia.org/")
                                  << "моск вики" << true;
        QTest::newRow("Arabic") << "الصفحة الرئيسية" << QByteArray("https://ar.example/") << "الرئي"
                                << true;
        QTest::newRow("Unicode host")
            << "Home" << QByteArray("https://xn--mnchen-3ya.example/") << "münch" << true;
        QTest::newRow("untitled finds by host")
            << "" << QByteArray("https://kernel.org/") << "kern" << true;
        QTest::newRow("symbols only")
            << "C++ & Qt" << QByteArray("https://a.example/") << "++" << false;
        QTest::newRow("emoji beside a word")
            << "🍕 Pizza Napoli" << QByteArray("https://a.example/") << "🍕pizza" << true;
    }

    void matching()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, url);
        QFETCH(QString, query);
        QFETCH(bool, found);
        const TRSearchCatalog catalog({{"Chrome", indexOf({item(name, url)})}});
        QCOMPARE(catalog.find(query).size(), found ? 1U : 0U);
    }

    // Better matches first; then bookmarks before history; then more and
    // later visits; equals in the order they came.
    void ranking_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("whole word before a word's start")
            << "rust" << QStringList{"Rust", "Rusty nails", "Mirror"};
        QTest::newRow("bookmark before history")
            << "kitchen" << QStringList{"Kitchen bookmark", "Kitchen visited often"};
        QTest::newRow("more visits first")
            << "garden" << QStringList{"Garden often", "Garden once"};
        QTest::newRow("later visit first")
            << "lake" << QStringList{"Lake this week", "Lake last year"};
        QTest::newRow("equal ones keep their order")
            << "same" << QStringList{"Same one", "Same two"};
    }

    void ranking()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        const auto index = indexOf(
            {item("Rusty nails", "https://a.example/1"), item("Rust", "https://b.example/2"),
             item("Mirror", "https://rust.example/"),
             item("Kitchen bookmark", "https://c.example/"),
             item("Same one", "https://s.example/1"), item("Same two", "https://s.example/2")},
            {{"https://d.example/", "Kitchen visited often", 90, now - day},
             {"https://e.example/", "Garden once", 1, now - day},
             {"https://f.example/", "Garden often", 40, now - 2 * day},
             {"https://g.example/", "Lake this week", 3, now - 2 * day},
             {"https://h.example/", "Lake last year", 3, now - 400 * day}});
        QCOMPARE(namesFound(TRSearchCatalog({{"Chrome", index}}), query), expected);
    }

    // An address in several places is shown once, from where it ranks best,
    // and a bookmark takes the visits its address has in the history.
    void oneMatchPerAddress()
    {
        const auto chrome = indexOf({item("Recipes", "https://food.example/")},
                                    {{"https://food.example/", "Recipes", 12, now - day},
                                     {"https://food.example/", "Recipes", 12, now - 2 * day},
                                     {"https://other.example/", "Old recipes", 50, now - day}});
        QCOMPARE(chrome->size(), 2U);
        const auto firefox = indexOf({}, {{"https://food.example/", "Recipes", 1, now - 3 * day}});
        const TRSearchCatalog catalog({{"Firefox", firefox}, {"Chrome", chrome}});
        const auto matches = catalog.find(u"recipes");
        QCOMPARE(matches.size(), 2U);
        QCOMPARE(matches[0].encodedUrl, QByteArray("https://food.example/"));
        QCOMPARE(matches[0].source, QString("Chrome"));
        QVERIFY(!matches[0].isHistory);
        // The bookmark, with 12 visits, ranks above a history entry of 50
        // only for being a bookmark: among bookmarks, its visits count.
        const auto more = indexOf(
            {item("Recipes A", "https://a.example/"), item("Recipes B", "https://b.example/")},
            {{"https://b.example/", "Recipes B", 5, now - day}});
        QCOMPARE(namesFound(TRSearchCatalog({{"Chrome", more}}), "recipes"),
                 QStringList({"Recipes B", "Recipes A"}));
    }

    // An index moved into a mapped file answers as the one in memory.
    void mappedIndexAnswersAlike()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        auto root = group("root", {item("Café de Flore", "https://flore.example/"),
                                   item("Rust", "https://rust.example/")});
        const auto items = TRSearchIndex::Items::collect({{root, {}}});
        const QList<Visit> visits = {{"https://flore.example/", "Flore", 4, now - day},
                                     {"https://kernel.org/", "", 1, now - 2 * day}};
        const auto inMemory = TRSearchIndex::build({items}, historyOf(visits), "History", now);
        const auto mapped =
            TRSearchIndex::build({TRSearchIndex::Items::collect({{root, {}}}, folder.path())},
                                 historyOf(visits), "History", now, folder.path());
        QVERIFY(!inMemory->isMapped());
        QVERIFY(mapped->isMapped());
        QCOMPARE(mapped->memoryUsed(), inMemory->memoryUsed());
        for (const QString query : {"cafe", "r", "kern", "flore example", "nothing"}) {
            QStringList a = namesFound(TRSearchCatalog({{"Chrome", inMemory}}), query);
            QStringList b = namesFound(TRSearchCatalog({{"Chrome", mapped}}), query);
            QCOMPARE(b, a);
        }
        QCOMPARE(namesFound(TRSearchCatalog({{"Chrome", mapped}}), "kern"),
                 QStringList{"https://kernel.org/"});
    }

    // A history read on top of the one indexed gets an index of its newer
    // visits only, searched with the older one; new items index all again.
    void newerVisitsIndexedApart()
    {
        TRSearchIndexKeeper keeper("History");
        keeper.setTrees({{group("root", {item("Bread", "https://bread.example/")}), {}}});
        const TRHistoryStorePtr base = historyOf({{"https://tea.example/", "Tea", 1, now - day},
                                                  {"https://soup.example/", "Soup", 2, now - day}});
        keeper.setHistory(base);
        const auto whole = keeper.rebuild(now);
        QVERIFY(whole && !whole->older());
        QVERIFY(!keeper.rebuild(now));

        // The tea page visited again, with a new title; a new page.
        TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, false);
        builder.addVisit(builder.address("https://tea.example/", 5), now - 1000, "Green tea");
        builder.addVisit(builder.address("https://cake.example/", 1), now - 2000, "Cake");
        keeper.setHistory(TRHistoryStore::layered(builder.finish(), base, {0}));
        const auto newer = keeper.rebuild(now);
        QVERIFY(newer);
        QCOMPARE(newer->older(), whole);
        QCOMPARE(newer->size(), 2U);
        const TRSearchCatalog catalog({{"Chrome", newer}});
        QCOMPARE(namesFound(catalog, "tea"), QStringList{"Green tea"});
        QCOMPARE(namesFound(catalog, "cake"), QStringList{"Cake"});
        QCOMPARE(namesFound(catalog, "soup"), QStringList{"Soup"});
        QCOMPARE(namesFound(catalog, "bread"), QStringList{"Bread"});

        keeper.setTrees({{group("root", {item("Rye", "https://rye.example/")}), {}}});
        const auto again = keeper.rebuild(now);
        QVERIFY(again && !again->older());
        const TRSearchCatalog rebuilt({{"Chrome", again}});
        QCOMPARE(namesFound(rebuilt, "tea"), QStringList{"Green tea"});
        QCOMPARE(namesFound(rebuilt, "rye"), QStringList{"Rye"});
        QVERIFY(namesFound(rebuilt, "bread").isEmpty());
    }

    // Folders kept packed and days of a history are searched without making
    // their nodes, and a place names the folders and the day.
    void searchesWithoutMakingNodes()
    {
        auto inner = group("Recipes", {item("Bread", "https://bread.example/")});
        auto bar = group("Bookmarks bar", {inner, item("Soup", "https://soup.example/")});
        auto container = group("container", {bar});
        TRPackedBookmarks<Node>::pack({bar});
        QVERIFY(bar->hasUnmadeChildren());
        const TRHistoryStorePtr store =
            historyOf({{"https://tea.example/", "Tea", 2, now - 30 * 60 * 1000}});
        auto dayGroup = Node::init(TRBookmarkKind::group, "Today");
        dayGroup->setChildSource(
            std::make_shared<TRHistoryDaySource<Node>>(store, 0, store->size()));
        const auto items = TRSearchIndex::Items::collect(
            {{container, {}}, {group("History", {dayGroup}), "Visited"}});
        QVERIFY(bar->hasUnmadeChildren());
        QVERIFY(dayGroup->hasUnmadeChildren());
        const auto index = TRSearchIndex::build({items}, store, "History", now);
        const TRSearchCatalog catalog({{"Brave · Work", index}});
        const auto bread = catalog.find(u"bread");
        QCOMPARE(bread.size(), 1U);
        QCOMPARE(bread[0].source, QString("Brave · Work · Bookmarks bar › Recipes"));
        // The day group's visit and the store's are one address.
        const auto tea = catalog.find(u"tea");
        QCOMPARE(tea.size(), 1U);
        QCOMPARE(tea[0].source, QString("Brave · Work · Visited · Today"));
        QVERIFY(bar->hasUnmadeChildren());
        QVERIFY(dayGroup->hasUnmadeChildren());
    }

    // A few thousand pages of a few sites, and bookmarks of some of them,
    // answer as reading every entry would: whichever bytes each list's
    // numbers take, however often a host comes, in whatever case.
    void agreesWithReadingEveryEntry()
    {
        QRandomGenerator random(7);
        const QStringList pool = {"tea",   "teapot", "Café", "cafe",  "Tee",  "river",
                                  "rivet", "straße", "one",  "Onion", "京都", ""};
        const QList<QByteArray> hosts = {"www.tea.example",     "WWW.Tea.Example", "river-side.org",
                                         "xn--caf-dma.example", "one.example",     "[::1]"};
        QList<Visit> visits;
        // An address's first visit carries no date and its next one does:
        // its last visit is the dated one.
        visits.push_back({"https://one.example/late", "Late", 2, TRHistoryStore::noTime});
        for (int i = 0; i < 3000; ++i) {
            QString title;
            for (int words = random.bounded(4); words > 0; --words) {
                title += pool[random.bounded(pool.size())] + ' ';
            }
            // A word in the first page and the last only: gaps of every size.
            if (i == 0 || i == 2999) {
                title += "zeppelin";
            }
            const QByteArray url =
                (i % 97 == 5 ? QByteArray("about:blank#")
                             : "https://" + hosts[random.bounded(hosts.size())] + '/') +
                QByteArray::number(i / 2);
            visits.push_back({url, title, 1 + i % 5, now - (i + 1) * 60'000LL});
        }
        visits.push_back({"https://one.example/late", "Late", 2, now - 3 * day});
        std::vector<std::shared_ptr<Node>> bookmarks;
        for (int i = 1; i < 300; i += 3) {
            bookmarks.push_back(item(pool[i % pool.size()] + " mark", visits[i].url));
        }
        const auto index = indexOf(bookmarks, visits);

        // Each address once: a bookmark's name, else its newest visit's title.
        struct Expected
        {
            QStringList words;
            QStringList hostWords;
        };
        struct Collect : TRSearchText::WordSink
        {
            void word(QByteArrayView folded) override { words << QString::fromUtf8(folded); }
            QStringList words;
        };
        QHash<QByteArray, Expected> pages;
        const auto note = [&pages](const QString &name, const QByteArray &url) {
            if (pages.contains(url)) {
                return;
            }
            Collect name_, host;
            TRSearchText::words(name, name_);
            TRSearchText::hostWords(url, host);
            pages.insert(url, {name_.words, host.words});
        };
        for (const auto &bookmark : bookmarks) {
            note(bookmark->name(), bookmark->encodedUrl());
        }
        for (const Visit &visit : visits) {
            note(visit.title, visit.url);
        }
        QCOMPARE(index->size(), static_cast<std::size_t>(pages.size()));

        const QStringList queries = {"t",          "te",    "tea",      "cafe",    "caf", "riv",
                                     "river side", "o e",   "zeppelin", "strasse", "京",  "example",
                                     "tee tea",    "about", "blank",    "late",    "xn"};
        for (const QString &query : queries) {
            QSet<QByteArray> expected;
            QHash<QByteArray, quint32> qualities;
            const auto parsed = TRSearchIndex::Query::parse(query);
            for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
                quint32 quality = 0;
                for (const QByteArray &word : parsed.words) {
                    const QString wanted = QString::fromUtf8(word);
                    quint32 best = 0;
                    for (const QString &own : page->words) {
                        best = std::max(best, own == wanted            ? 3U
                                              : own.startsWith(wanted) ? 2U
                                                                       : 0U);
                    }
                    for (const QString &own : page->hostWords) {
                        best = std::max(best, own.startsWith(wanted) ? 1U : 0U);
                    }
                    quality = best == 0 ? 0 : quality + best;
                    if (best == 0) {
                        break;
                    }
                }
                if (quality > 0) {
                    expected.insert(page.key());
                    qualities.insert(page.key(), quality);
                }
            }
            QSet<QByteArray> found;
            for (const TRSearchIndex::Hit &hit : index->match(parsed, 100'000)) {
                const QByteArray url = index->encodedUrl(hit.entry).toByteArray();
                found.insert(url);
                QVERIFY2(hit.quality == qualities.value(url), qPrintable(query + ": " + url));
            }
            QVERIFY2(found == expected, qPrintable(query));
        }
        const auto late = index->match(TRSearchIndex::Query::parse(u"late"), 1);
        QCOMPARE(late.size(), 1U);
        QCOMPARE(late[0].frecency, TRSearchIndex::frecency(2, now - 3 * day, now));
    }

    // Whatever is typed or pasted is a query: cut to a sane length and
    // searched, never a stall or a crash.
    void anyTextIsAQuery_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("found");
        QString page;
        for (int i = 0; i < 1000; ++i) {
            page += "lorem ipsum ";
        }
        QTest::newRow("a pasted page") << page << 0;
        QTest::newRow("a pasted page that starts well") << "alpha " + page << 0;
        QTest::newRow("control characters") << QString("alp\u0001\u0007ha\n\t\r") << 0;
        QTest::newRow("right to left marks") << QString("\u200Falpha\u202E") << 1;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "alpha" << 1;
        QTest::newRow("emoji only") << "😀😀😀" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("longer than any word") << "alphabetical" << 0;
    }

    void anyTextIsAQuery()
    {
        QFETCH(QString, query);
        QFETCH(int, found);
        const TRSearchCatalog catalog({{"Chrome", indexOf({item("Alpha", "https://a.example/")})}});
        QCOMPARE(static_cast<int>(catalog.find(query).size()), found);
    }
};

TRELLIS_CORE_TEST_MAIN(TestSearch)
#include "TestSearch.moc"
