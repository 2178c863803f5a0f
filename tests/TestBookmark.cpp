#include "TRBookmark.h"
#include "TRCoreTestMain.h"

#include <QRegularExpression>
#include <QSet>

class TestBookmark : public QObject
{
    Q_OBJECT

private slots:
    // A node keeps its address as encoded text; what it gives back must be
    // the URL it was given, whatever the URL holds.
    void urlComesBackUnchanged()
    {
        // Plain, an international host, an encoded path, a Unicode query, a
        // file, user, port and IPv6, and what tolerant parsing took in.
        for (const QUrl &url :
             {QUrl("https://example.org/a/b?c=d#e"), QUrl("http://bücher.example/straße"),
              QUrl("https://example.org/a%20b/%E2%82%AC?q=%26x"),
              QUrl("https://example.org/?q=日本語&r=ü"),
              QUrl::fromLocalFile("/tmp/My Files/ça.html"),
              QUrl("ftp://user:pw@[2001:db8::1]:2121/x"),
              QUrl("http://example.org/a b|c", QUrl::TolerantMode)}) {
            QVERIFY(url.isValid());
            const TRBookmarkPtr node = TRBookmark::init(TRBookmarkKind::item, "x", url);
            QCOMPARE(node->url(), url);
            QCOMPARE(node->encodedUrl(), url.toEncoded());
            QVERIFY(node->hasUrl());

            // A node given the same text shares it.
            const TRBookmarkPtr other = TRBookmark::init(TRBookmarkKind::item, "y");
            other->setEncodedUrl(node->encodedUrl());
            QCOMPARE(other->url(), url);
            other->setUrl(QUrl());
            QVERIFY(!other->hasUrl() && other->url().isEmpty());
        }
    }

    void identifiersAreUpperCaseRandomUuids()
    {
        static const QRegularExpression form(
            "^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
        QSet<QString> seen;
        for (int i = 0; i < 10000; ++i) {
            const QString id = TRBookmark::makeIdentifier();
            QVERIFY2(form.match(id).hasMatch(), qPrintable(id));
            seen.insert(id);
        }
        QCOMPARE(seen.size(), 10000);

        // Each node makes its own.
        const auto a = TRBookmark::init(TRBookmarkKind::item, "Same", QUrl("https://a.example/"));
        const auto b = TRBookmark::init(TRBookmarkKind::item, "Same", QUrl("https://a.example/"));
        QVERIFY(form.match(a->id()).hasMatch());
        QVERIFY(a->id() != b->id());
    }

    // The one caller checks the range first; the refusal is only seen here.
    void kindFromRawValue()
    {
        QCOMPARE(TRBookmarkKindFromRawValue(0), std::optional(TRBookmarkKind::item));
        QCOMPARE(TRBookmarkKindFromRawValue(1), std::optional(TRBookmarkKind::group));
        QVERIFY(!TRBookmarkKindFromRawValue(2).has_value());
        QVERIFY(!TRBookmarkKindFromRawValue(-1).has_value());
    }

    // An item never takes children, the same node twice is listed twice,
    // and emptying reaches every level, even of a group that holds itself.
    void addAndRemoveBookmarks()
    {
        const auto root = TRBookmark::init(TRBookmarkKind::group, "Root");
        const auto sub = TRBookmark::init(TRBookmarkKind::group, "Sub");
        const auto leaf = TRBookmark::init(TRBookmarkKind::item, "Leaf", QUrl("https://l/"));
        const auto top = TRBookmark::init(TRBookmarkKind::item, "Top", QUrl("https://t/"));
        root->addBookmark(sub);
        sub->addBookmark(leaf);
        top->addBookmark(leaf);
        root->addBookmark(nullptr);
        QVERIFY(top->bookmarks().empty());
        QCOMPARE(leaf->parent(), sub);
        root->addBookmark(top);
        root->addBookmark(top);
        QCOMPARE(root->bookmarks(), std::vector<TRBookmarkPtr>({sub, top, top}));
        root->addBookmark(root);
        sub->addBookmark(root);

        root->removeAllBookmarks();
        QVERIFY(root->bookmarks().empty());
        QVERIFY(sub->bookmarks().empty());
        // The removed children still name their former parent.
        QCOMPARE(std::vector({sub->parent(), leaf->parent(), top->parent()}),
                 std::vector({root, sub, root}));
    }

    // A subclass that turns the group being emptied into an item stops the
    // walk where it is.
    void removeAllBookmarksStopsWhenNoLongerAGroup()
    {
        class Flipper : public TRBookmark
        {
        public:
            Flipper(TRBookmarkKind kind, const QString &name, const QUrl &url, TRBookmark *target)
                : TRBookmark(kind, name, url)
                , m_target(target)
            {}
            static std::shared_ptr<Flipper> make(TRBookmark *target)
            {
                return makeShared<Flipper>(TRBookmarkKind::group, QString("F"), QUrl(), target);
            }
            void removeAllBookmarks() override
            {
                m_target->setKind(TRBookmarkKind::item);
                TRBookmark::removeAllBookmarks();
            }

        private:
            TRBookmark *m_target;
        };
        const auto root = TRBookmark::init(TRBookmarkKind::group, "Root");
        const auto after = TRBookmark::init(TRBookmarkKind::item, "After", QUrl("https://a/"));
        root->addBookmark(Flipper::make(root.get()));
        root->addBookmark(after);
        root->removeAllBookmarks();
        QCOMPARE(root->bookmarks().size(), std::size_t(1));
        QCOMPARE(root->bookmarks()[0], after);
    }

    // Children name their parent without owning it: a parent held by its
    // child would keep the whole tree alive, the leaf with it.
    void droppedTreeFreesItself()
    {
        std::weak_ptr<TRBookmark> leaf;
        {
            const auto root = TRBookmark::init(TRBookmarkKind::group, "Root");
            root->addBookmark(TRBookmark::init(TRBookmarkKind::item, "Leaf", QUrl("https://l/")));
            leaf = root->bookmarks().front();
        }
        QVERIFY(leaf.expired());
    }
};

TRELLIS_CORE_TEST_MAIN(TestBookmark)
#include "TestBookmark.moc"
