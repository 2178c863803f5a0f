#include "TRCoreTestMain.h"
#include "TRPropertyList.h"
#include "TRRawPropertyList.h"
#include "TRSafariBookmark.h"
#include "TRTestSupport.h"

using TRRawPropertyList::nestedArrays;
using TRTestSupport::names;

namespace {

TRSafariBookmarkPtr group(const QString &name)
{
    return TRSafariBookmark::init(TRBookmarkKind::group, name);
}

TRSafariBookmarkPtr item(const QString &name)
{
    return TRSafariBookmark::init(TRBookmarkKind::item, name,
                                  QUrl(QStringLiteral("https://example.com/") + name));
}

} // namespace

// The Safari node and the property-list layer it is stored through.
class TestSafariBookmark : public QObject
{
    Q_OBJECT

private slots:
    void enabledReachesDescendantGroupsOnly()
    {
        const auto root = group(QStringLiteral("root"));
        const auto folder = group(QStringLiteral("folder"));
        const auto inner = group(QStringLiteral("inner"));
        const auto leaf = item(QStringLiteral("leaf"));
        const auto innerLeaf = item(QStringLiteral("innerLeaf"));
        root->addBookmark(folder);
        root->addBookmark(leaf);
        folder->addBookmark(inner);
        inner->addBookmark(innerLeaf);

        const auto states = [&] {
            return QList<bool>({root->isEnabled(), folder->isEnabled(), inner->isEnabled(),
                                leaf->isEnabled(), innerLeaf->isEnabled()});
        };
        root->setEnabled(false);
        QCOMPARE(states(), QList<bool>({false, false, false, true, true}));
        folder->setEnabled(true);
        QCOMPARE(states(), QList<bool>({false, true, true, true, true}));

        // Through the base class too: the override is what runs.
        const TRBookmarkPtr base = root;
        base->setEnabled(true);
        QVERIFY(folder->isEnabled());

        // A tree that holds itself still ends.
        inner->addBookmark(root);
        root->setEnabled(false);
        QVERIFY(!inner->isEnabled());
        inner->removeAllBookmarks();
    }

    void childGroups()
    {
        const auto root = group(QStringLiteral("root"));
        const auto a = group(QStringLiteral("a"));
        const auto a1 = group(QStringLiteral("a1"));
        const auto a2 = group(QStringLiteral("a2"));
        const auto a1x = group(QStringLiteral("a1x"));
        const auto b = group(QStringLiteral("b"));
        root->addBookmark(item(QStringLiteral("first")));
        root->addBookmark(a);
        root->addBookmark(b);
        a->addBookmark(a1);
        a->addBookmark(item(QStringLiteral("between")));
        a->addBookmark(a2);
        a1->addBookmark(a1x);

        QCOMPARE(names(root->childGroups(false)), QStringList({"a", "b"}));
        QCOMPARE(names(root->childGroups(true)), QStringList({"a", "a1", "a1x", "a2", "b"}));
        QVERIFY(item(QStringLiteral("leaf"))->childGroups(true).empty());
    }

    void keyedCodingRoundTrip()
    {
        const auto node = item(QStringLiteral("Ünïcode <title>"));
        node->setUrl(QUrl(QStringLiteral("https://example.com/a%20b?q=1")));
        node->tag = TRSafariBookmark::Tag::mostVisited;
        node->visitCount = 5000000000LL;
        node->lastVisitedDate = QDateTime(QDate(2023, 3, 4), QTime(5, 6, 7), Qt::UTC);
        node->nextFaviconDataRefresh = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5), Qt::UTC);
        node->setFaviconData(QByteArray("\x89PNG\0\1", 6));
        node->setId(QStringLiteral("ABC-123"));
        node->setEnabled(false);
        node->setPrivate(true);
        node->setPinned(true);

        const QVariantMap coded = node->encode();
        for (const QByteArray &bytes :
             {TRPropertyList::toXml(coded), TRPropertyList::toBinary(coded)}) {
            const auto read = TRPropertyList::dictionary(TRPropertyList::fromData(bytes));
            QVERIFY(read);
            QCOMPARE(read->keys(),
                     QStringList({"iconData", "isEnabled", "kind", "lastVisitedDate", "name",
                                  "nextIconDataRefresh", "tag", "url", "uuid", "visitCount"}));
            // Every stored field comes back: the copy codes as the original did.
            const auto copy = TRSafariBookmark::decode(*read);
            QVERIFY(copy);
            QCOMPARE(copy->encode(), coded);
            QCOMPARE(copy->url(), node->url());
            // Privacy and pinning belong to one session and are not stored.
            QVERIFY(!copy->isPrivate() && !copy->isPinned());
        }
    }

    void keyedCodingOptionalKeys()
    {
        const auto folder = group(QStringLiteral("Folder"));
        folder->tag = TRSafariBookmark::Tag::bookmarksBar;
        const QVariantMap coded = folder->encode();
        QVERIFY(!coded.contains("url"));
        QVERIFY(!coded.contains("iconData"));
        QVERIFY(!coded.contains("nextIconDataRefresh"));
        QCOMPARE(coded.value("isEnabled").toLongLong(), 1);

        const auto copy = TRSafariBookmark::decode(
            *TRPropertyList::dictionary(TRPropertyList::fromData(TRPropertyList::toBinary(coded))));
        QVERIFY(copy);
        QCOMPARE(copy->kind(), TRBookmarkKind::group);
        QVERIFY(!copy->hasUrl());
        QCOMPARE(copy->tag, TRSafariBookmark::Tag::bookmarksBar);
        QVERIFY(copy->isEnabled());
        QVERIFY(!copy->nextFaviconDataRefresh);

        // Without a usable kind there is no node; odd types elsewhere are ignored.
        QVERIFY(!TRSafariBookmark::decode({}));
        QVERIFY(!TRSafariBookmark::decode({{"kind", qint64(2)}}));
        QVERIFY(!TRSafariBookmark::decode({{"kind", QStringLiteral("0")}}));
        const auto odd = TRSafariBookmark::decode({{"kind", qint64(0)},
                                                   {"name", qint64(4)},
                                                   {"tag", qint64(99)},
                                                   {"visitCount", QStringLiteral("7")},
                                                   {"uuid", QVariantList()}});
        QVERIFY(odd);
        QCOMPARE(odd->name(), QString());
        QCOMPARE(odd->tag, TRSafariBookmark::Tag::generic);
        QCOMPARE(odd->visitCount, 0);
        QCOMPARE(odd->id().size(), 36);
    }

    // Too deep a tree is refused whole, before the library that would walk it
    // recursively (and overflow the stack) ever sees it.
    void deepNesting_data()
    {
        QTest::addColumn<int>("levels");
        QTest::addColumn<bool>("readable");
        QTest::newRow("shallow") << 40 << true;
        QTest::newRow("at the limit") << TRPropertyList::maximumDepth << true;
        QTest::newRow("just past the limit") << TRPropertyList::maximumDepth + 1 << false;
        QTest::newRow("past the limit") << TRPropertyList::maximumDepth + 2 << false;
        QTest::newRow("far past the limit") << 200000 << false;
    }

    void deepNesting()
    {
        QFETCH(int, levels);
        QFETCH(bool, readable);
        // Arrays inside arrays, innermost a string.
        const QByteArray xml = "<?xml version=\"1.0\"?>\n<!-- <array> in a comment --><plist>" +
                               QByteArray("<array>").repeated(levels) + "<string>x</string>" +
                               QByteArray("</array>").repeated(levels) + "</plist>";
        QCOMPARE(TRPropertyList::fromData(xml).isValid(), readable);
        QCOMPARE(TRPropertyList::fromData(nestedArrays(levels)).isValid(), readable);
        // Readers that walk the nodes in place take exactly the same files.
        QCOMPARE(TRPropertyList::treeFromData(xml).has_value(), readable);
        QCOMPARE(TRPropertyList::treeFromData(nestedArrays(levels)).has_value(), readable);
    }

    // Walked in place, a property list answers as its QVariant form does.
    void treeMatchesVariants()
    {
        const QByteArray xml = "<?xml version=\"1.0\"?><plist><dict>"
                               "<key>Title</key><string>first</string>"
                               "<key>Title</key><string>second</string>"
                               "<key></key><string>empty key</string>"
                               "<key>count</key><integer>7</integer>"
                               "<key>real</key><real>2.75</real>"
                               "<key>flag</key><true/>"
                               "<key>list</key><array><dict/><dict/></array>"
                               "<key>mixed</key><array><dict/><string>x</string></array>"
                               "</dict></plist>";
        const QVariantMap map = TRPropertyList::fromData(xml).toMap();
        const auto tree = TRPropertyList::treeFromData(xml);
        QVERIFY(tree);
        const TRPropertyList::Node root = tree->root();
        QVERIFY(root.isDictionary());
        QCOMPARE(root.value("Title").string(), TRPropertyList::string(map.value("Title")));
        QCOMPARE(root.value("").string(), std::optional<QString>(QStringLiteral("empty key")));
        QCOMPARE(root.value("count").integer(), std::optional<qint64>(7));
        QCOMPARE(root.value("real").integer(), std::optional<qint64>(2));
        QCOMPARE(root.value("real").number(), std::optional<double>(2.75));
        QCOMPARE(root.value("flag").number(), std::optional<double>(1));
        QVERIFY(!root.value("count").string());
        QVERIFY(!root.value("Title").number());
        QVERIFY(root.value("missing").isEmpty());
        QVERIFY(root.value("Title").value("x").isEmpty());
        QCOMPARE(root.value("list").listOfDictionaries()->size(), 2u);
        QVERIFY(!root.value("mixed").listOfDictionaries());
        QVERIFY(!root.value("Title").listOfDictionaries());
    }

    void referenceDates()
    {
        QCOMPARE(TRPropertyList::dateFromReferenceTime(0),
                 QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(TRPropertyList::dateFromReferenceTime(736257551.25),
                 QDateTime(QDate(2024, 5, 1), QTime(11, 59, 11, 250), Qt::UTC));
        QVERIFY(!TRPropertyList::dateFromReferenceTime(qInf()).isValid());
        QVERIFY(!TRPropertyList::dateFromReferenceTime(1e300).isValid());
    }
};

TRELLIS_CORE_TEST_MAIN(TestSafariBookmark)
#include "TestSafariBookmark.moc"
