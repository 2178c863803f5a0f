#include "TRCoreTestMain.h"
#include "TRPropertyList.h"
#include "TRRawPropertyList.h"
#include "TRSafariBookmark.h"
#include "TRTestSupport.h"

using TRTestSupport::names;

namespace {

TRSafariBookmarkPtr item(const QString &name)
{
    return TRSafariBookmark::init(TRBookmarkKind::item, name, QUrl("https://example.com/" + name));
}

TRSafariBookmarkPtr group(const QString &name, const QList<TRSafariBookmarkPtr> &children = {})
{
    const auto node = TRSafariBookmark::init(TRBookmarkKind::group, name);
    for (const auto &child : children) {
        node->addBookmark(child);
    }
    return node;
}

// The names of the switched-off nodes at and below node, depth first.
QString disabled(const TRBookmarkPtr &node)
{
    QString off = node->isEnabled() ? QString() : node->name() + u' ';
    for (const auto &child : node->bookmarks()) {
        off += disabled(child);
    }
    return off;
}

} // namespace

// The Safari node and the property-list layer it is stored through.
class TestSafariBookmark : public QObject
{
    Q_OBJECT

private slots:
    // The groups below a group, its own or at every depth in order; its
    // enabled state reaches them, and no items.
    void childGroupsAndEnabled()
    {
        const auto first = item("first");
        const auto a1x = group("a1x");
        const auto a = group("a", {group("a1", {a1x}), item("between"), group("a2")});
        const auto root = group("root", {first, a, group("b")});
        QCOMPARE(names(root->childGroups(false)), QStringList({"a", "b"}));
        QCOMPARE(names(root->childGroups(true)), QStringList({"a", "a1", "a1x", "a2", "b"}));
        QVERIFY(first->childGroups(true).empty());

        root->setEnabled(false);
        QCOMPARE(disabled(root), QString("root a a1 a1x a2 b "));
        a->setEnabled(true);
        QCOMPARE(disabled(root), QString("root b "));
        // Through the base class too: the override is what runs.
        const TRBookmarkPtr base = root;
        base->setEnabled(true);
        QCOMPARE(disabled(root), QString());

        // A tree that holds itself still ends.
        a1x->addBookmark(root);
        root->setEnabled(false);
        QVERIFY(!a1x->isEnabled());
        a1x->removeAllBookmarks();
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
            // Privacy and pinning belong to one session and are not stored.
            QVERIFY(!copy->isPrivate() && !copy->isPinned());
        }
    }

    void keyedCodingOptionalKeys()
    {
        const auto folder = group(QStringLiteral("Folder"));
        folder->tag = TRSafariBookmark::Tag::bookmarksBar;
        const QVariantMap coded = folder->encode();
        QCOMPARE(coded.keys(), QStringList({"isEnabled", "kind", "lastVisitedDate", "name", "tag",
                                            "uuid", "visitCount"}));
        QCOMPARE(coded.value("isEnabled").toLongLong(), 1);
        // Read back without the optional keys, it codes as it did.
        const auto copy = TRSafariBookmark::decode(
            *TRPropertyList::dictionary(TRPropertyList::fromData(TRPropertyList::toBinary(coded))));
        QVERIFY(copy && copy->kind() == TRBookmarkKind::group && !copy->hasUrl());
        QCOMPARE(copy->encode(), coded);

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
    void deepNesting()
    {
        constexpr int most = TRPropertyList::maximumDepth;
        for (int levels : {40, most, most + 1, most + 2, 200000}) {
            const bool readable = levels <= most;
            // Arrays inside arrays, innermost a string.
            const QByteArray xml = "<?xml version=\"1.0\"?>\n<!-- <array> in a comment --><plist>" +
                                   QByteArray("<array>").repeated(levels) + "<string>x</string>" +
                                   QByteArray("</array>").repeated(levels) + "</plist>";
            // Readers that walk the nodes in place take exactly the same files.
            for (const QByteArray &bytes : {xml, TRRawPropertyList::nestedArrays(levels)}) {
                QVERIFY2(TRPropertyList::fromData(bytes).isValid() == readable &&
                             TRPropertyList::treeFromData(bytes).has_value() == readable,
                         qPrintable(QString::number(levels)));
            }
        }
    }

    // The reference date and the rounding are TestSafariReaders'
    // historyDatabaseTimes; times that no file means are refused.
    void referenceDates()
    {
        QVERIFY(!TRPropertyList::dateFromReferenceTime(qInf()).isValid());
        QVERIFY(!TRPropertyList::dateFromReferenceTime(1e300).isValid());
    }
};

TRELLIS_CORE_TEST_MAIN(TestSafariBookmark)
#include "TestSafariBookmark.moc"
