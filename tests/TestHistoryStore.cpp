#include "TRCoreTestMain.h"
#include "TRGoogleChromeBookmark.h"
#include "TRHistoryStore.h"
#include "TRPackedBookmarks.h"
#include "TRSafariBookmark.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct Row
{
    QByteArray url;
    qint32 count;
    qint64 time;
    QByteArray title;
};

using Untitled = TRHistoryStore::UntitledName;
using DaySource = TRHistoryDaySource<TRGoogleChromeBookmark>;

// A store of rows, mapped from a file in folder when one is given.
TRHistoryStorePtr build(const QList<Row> &rows, const QString &folder = {},
                        Untitled untitled = Untitled::encodedUrl)
{
    TRHistoryStore::Builder builder(untitled, true);
    for (const Row &row : rows) {
        builder.addVisit(builder.address(row.url, row.count), row.time, row.title);
    }
    const auto store = builder.finish();
    store->moveToFile(folder);
    return store;
}

// Everything a node is made of, for comparing two stores.
QStringList describe(const TRHistoryStore &store)
{
    QStringList lines;
    for (std::size_t i = 0; i < store.size(); ++i) {
        lines << QStringLiteral("%1|%2|%3|%4")
                     .arg(store.name(i), QString::fromLatin1(store.encodedUrl(i)))
                     .arg(store.visitCount(i))
                     .arg(store.date(i).toString(Qt::ISODateWithMs));
    }
    return lines;
}

const QList<Row> rows{
    {"https://a.example/x%20y", 3, 1000, "A"},
    {"https://b.example/", 1, 5000, ""},
    {"https://a.example/x%20y", 3, 3000, "A"},
    {"https://a.example/x%20y", 4, 3000, "A again"},
    {"https://c.example/", 2, TRHistoryStore::noTime, "undated"},
    {"https://a.example/x%20y", 3, 3000, "A"},
};

// A tree as text: every field of every node, depth first.
QStringList describeTree(const TRBookmarkPtr &node, int depth = 0)
{
    QString line =
        QString(depth * 2, u' ') + QStringLiteral("%1|%2|%3|%4|%5%6%7|%8")
                                       .arg(int(node->kind()))
                                       .arg(node->name(), QString::fromLatin1(node->encodedUrl()),
                                            node->idIfMade().isNull() ? "<none>" : node->idIfMade())
                                       .arg(node->isEnabled())
                                       .arg(node->isPrivate())
                                       .arg(node->isPinned())
                                       .arg(QString::fromLatin1(node->faviconData().toHex()));
    if (const auto *safari = dynamic_cast<const TRSafariBookmark *>(node.get())) {
        line += QStringLiteral("|%1|%2|%3|%4|%5")
                    .arg(int(safari->tag))
                    .arg(safari->lastVisitedDate.toString(Qt::ISODateWithMs))
                    .arg(safari->lastVisitedDate.timeSpec())
                    .arg(safari->visitCount)
                    .arg(safari->nextFaviconDataRefresh
                             ? safari->nextFaviconDataRefresh->toString(Qt::ISODateWithMs)
                             : QStringLiteral("-"));
    }
    QStringList lines{line};
    for (const TRBookmarkPtr &child : node->bookmarks()) {
        lines << describeTree(child, depth + 1);
    }
    return lines;
}

TRSafariBookmarkPtr sampleTree()
{
    // Fixed dates: two trees made a moment apart must describe alike.
    const QDateTime made(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
    const auto group = [&made](const QString &name) {
        return TRSafariBookmark::init(TRBookmarkKind::group, name, QUrl(), made);
    };
    const auto root = group("Root");
    const auto folder = group("Folder \u00e9");
    folder->setId("F-1");
    folder->setEnabled(false);
    const auto inner = group("Inner");
    inner->TRBookmark::setEnabled(true);
    const auto leaf =
        TRSafariBookmark::init(TRBookmarkKind::item, "Leaf", QUrl("https://a.example/x y"),
                               QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5, 6), Qt::UTC));
    leaf->visitCount = 42;
    leaf->tag = TRSafariBookmark::Tag::readingList;
    leaf->setFaviconData(QByteArray("\x89PNG\0data", 9));
    leaf->nextFaviconDataRefresh =
        QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::OffsetFromUTC, 3600);
    leaf->setPrivate(true);
    leaf->setPinned(true);
    const auto local =
        TRSafariBookmark::init(TRBookmarkKind::item, "", QUrl("file:///tmp/a"),
                               QDateTime(QDate(2023, 6, 1), QTime(12, 0), Qt::LocalTime));
    const auto undated = TRSafariBookmark::init(TRBookmarkKind::item, "Undated", {}, {});
    undated->setId(QString());
    root->addBookmark(folder);
    folder->addBookmark(inner);
    inner->addBookmark(leaf);
    folder->addBookmark(local);
    folder->addBookmark(group("Empty"));
    root->addBookmark(undated);
    return root;
}

} // namespace

// The packed history: what goes in comes out, newest first, in memory and
// mapped from a file; and the groups that make their children on demand.
class TestHistoryStore : public QObject
{
    Q_OBJECT

private slots:
    void visitsComeBackNewestFirstWithSharedTexts()
    {
        const auto store = build(rows);
        // One address per URL and count.
        QCOMPARE(store->addressCount(), 4u);
        // Newest first; equal times keep the order they came in; no time last.
        QCOMPARE(describe(*store),
                 QStringList({"https://b.example/|https://b.example/|1|1970-01-01T00:00:05.000Z",
                              "A|https://a.example/x%20y|3|1970-01-01T00:00:03.000Z",
                              "A again|https://a.example/x%20y|4|1970-01-01T00:00:03.000Z",
                              "A|https://a.example/x%20y|3|1970-01-01T00:00:03.000Z",
                              "A|https://a.example/x%20y|3|1970-01-01T00:00:01.000Z",
                              "undated|https://c.example/|2|"}));
        // An address's repeated title and its URL are one text each.
        QVERIFY(store->title(1).data() == store->title(3).data());
        QVERIFY(store->encodedUrl(1).data() == store->encodedUrl(3).data());
        QVERIFY(store->encodedUrl(1).data() != store->encodedUrl(2).data());

        // Untitled visits named by the address as people read it.
        const auto display =
            build({{"https://d.example/a%20b", 1, 0, ""}}, {}, Untitled::displayUrl);
        QCOMPARE(display->name(0), QStringLiteral("https://d.example/a b"));
        // The nodes made of a store's visits are the Chrome reader's test.
    }

    // The mapped store reads exactly as the one in memory, and its file is
    // gone from the folder at once; a folder that takes no file leaves the
    // store in memory.
    void mappedFromAFile()
    {
        QTemporaryDir folder;
        QList<Row> many = rows;
        for (int i = 0; i < 5000; ++i) {
            many.append({"https://m.example/" + QByteArray::number(i % 300), i % 7, i * 1000LL,
                         "Title " + QByteArray::number(i % 11) + " \xc3\xa9"});
        }
        const auto inMemory = build(many);
        const auto mapped = build(many, folder.path());
        QVERIFY(!inMemory->isMapped());
        QVERIFY(mapped->isMapped());
        QCOMPARE(describe(*mapped), describe(*inMemory));
        QVERIFY(QDir(folder.path()).isEmpty());

        const auto nowhere = build(many, folder.filePath("missing/deeper"));
        QVERIFY(!nowhere->isMapped());
        QCOMPARE(describe(*nowhere), describe(*inMemory));

        QCOMPARE(build({}, folder.path())->size(), 0u);
    }

    // Packed folders give back every field of every node, in memory and
    // mapped, and count what they hold without making it.
    void packedFoldersComeBackAsTheyWere()
    {
        QTemporaryDir folder;
        for (const QString &where : {QString(), folder.path()}) {
            const auto original = sampleTree();
            const QStringList expected = describeTree(original);

            // Two groups share one block.
            const auto packed = sampleTree();
            const auto second = sampleTree();
            TRPackedBookmarks<TRSafariBookmark>::pack({second, packed}, where);
            QVERIFY(packed->hasUnmadeChildren());
            QCOMPARE(packed->childCount(), 2u);
            // Groups and items, made and packed.
            QList<qint64> counts(4, 0);
            original->countBelow(counts[0], counts[1]);
            packed->countBelow(counts[2], counts[3]);
            QCOMPARE(counts, QList<qint64>({3, 3, 3, 3}));
            QVERIFY(QDir(folder.path()).isEmpty());

            // One level at a time: the folder below stays packed.
            const TRBookmarkPtr first = packed->bookmarks().front();
            QVERIFY(first->hasUnmadeChildren());
            QCOMPARE(first->parent(), TRBookmarkPtr(packed));
            for (const auto &tree : {packed, second}) {
                QCOMPARE(describeTree(tree), expected);
            }
        }

        // A child of another type is not packed, nor is a tree that holds
        // itself.
        const auto mixed = sampleTree();
        mixed->addBookmark(TRBookmark::init(TRBookmarkKind::item, "plain"));
        TRPackedBookmarks<TRSafariBookmark>::pack({mixed});
        QVERIFY(!mixed->hasUnmadeChildren());
        const auto looped = sampleTree();
        const TRBookmarkPtr loopedFolder = looped->bookmarks().front();
        loopedFolder->addBookmark(looped);
        TRPackedBookmarks<TRSafariBookmark>::pack({looped});
        QVERIFY(!looped->hasUnmadeChildren());
        // Broken again, or the two would keep each other alive.
        loopedFolder->removeAllBookmarks();
    }

    void groupsMakeTheirChildrenWhenAsked()
    {
        const auto store = build(rows);
        const auto day = TRGoogleChromeBookmark::init(TRBookmarkKind::group, "Day");
        auto source = std::make_shared<DaySource>(store, 1, 4);
        const auto elsewhere = TRGoogleChromeBookmark::init(TRBookmarkKind::group, "Elsewhere");
        const auto shared = store->makeNode<TRGoogleChromeBookmark>(2);
        elsewhere->addBookmark(shared);
        source->reuse(2, shared);
        day->setChildSource(source);

        QCOMPARE(day->childCount(), 3u);
        QVERIFY(day->hasUnmadeChildren());
        const std::vector<TRBookmarkPtr> children = day->bookmarks();
        QVERIFY(!day->hasUnmadeChildren());
        QCOMPARE(children.size(), 3u);
        QCOMPARE(children[1], TRBookmarkPtr(shared));
        // Made once: asking again gives the same nodes.
        QCOMPARE(day->bookmarks(), children);
        QCOMPARE(children[0]->parent(), TRBookmarkPtr(day));
        QCOMPARE(children[1]->parent(), TRBookmarkPtr(elsewhere));
        QCOMPARE(children[2]->name(), QStringLiteral("A"));

        // Adding to a group not yet made keeps the made ones first.
        const auto other = TRGoogleChromeBookmark::init(TRBookmarkKind::group, "Other");
        other->setChildSource(std::make_shared<DaySource>(store, 0, 2));
        other->addBookmark(TRBookmark::init(TRBookmarkKind::item, "added"));
        QCOMPARE(other->childCount(), 3u);
        QCOMPARE(other->bookmarks().back()->name(), QStringLiteral("added"));

        // Emptying drops what was never made; items take no source.
        other->setChildSource(std::make_shared<DaySource>(store, 0, 6));
        other->removeAllBookmarks();
        QCOMPARE(other->childCount(), 0u);
        QVERIFY(other->bookmarks().empty());
        const auto item = TRBookmark::init(TRBookmarkKind::item, "item");
        item->setChildSource(std::make_shared<DaySource>(store, 0, 6));
        QCOMPARE(item->childCount(), 0u);
    }
};

TRELLIS_CORE_TEST_MAIN(TestHistoryStore)
#include "TestHistoryStore.moc"
