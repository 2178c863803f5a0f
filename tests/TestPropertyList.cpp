#include "TRBinaryPropertyList.h"
#include "TRBrowserFiles.h"
#include "TRCoreTestMain.h"
#include "TRPropertyList.h"
#include "TRRawPropertyList.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

using TRRawPropertyList::ascii;
using TRRawPropertyList::assemble;
using TRRawPropertyList::container;
using TRRawPropertyList::utf16;

namespace {

// Where a node read in place answers otherwise than the QVariant that
// libplist made of the same file; empty when they agree throughout.
QString difference(const TRPropertyList::Node &node, const QVariant &value,
                   const QString &path = {})
{
    const std::optional<double> number = node.number();
    const std::optional<double> expected = TRPropertyList::number(value);
    // NaN is no number equal to itself; its presence is what counts.
    const bool sameNumber =
        number == expected || (number && expected && std::isnan(*number) && std::isnan(*expected));
    const std::optional<QVariantMap> map = TRPropertyList::dictionary(value);
    const auto list = node.listOfDictionaries();
    const auto expectedList = TRPropertyList::listOfDictionaries(value);
    const bool badUtf8 = node.string() && QString::fromUtf8(*node.utf8()) != *node.string();
    const bool strayKey = map && !map->contains(QStringLiteral("no such key")) &&
                          !node.value("no such key").isEmpty();
    const char *differs = node.string() != TRPropertyList::string(value)     ? "string"
                          : badUtf8                                          ? "UTF-8"
                          : !sameNumber                                      ? "number"
                          : node.integer() != TRPropertyList::integer(value) ? "integer"
                          : node.isDictionary() != map.has_value()           ? "dictionary"
                          : strayKey                                         ? "missing key"
                          : list.has_value() != expectedList.has_value()     ? "list"
                          : list && list->size() != expectedList->size()     ? "list size"
                                                                             : nullptr;
    if (differs) {
        return path + u": " + QLatin1StringView(differs);
    }
    // The first difference below.
    QString found;
    const auto compare = [&found](const TRPropertyList::Node &child, const QVariant &childValue,
                                  const QString &childPath) {
        found = found.isEmpty() ? difference(child, childValue, childPath) : found;
    };
    const QVariantMap entries = map.value_or(QVariantMap());
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QByteArray key = it.key().toUtf8();
        // A key with a NUL inside is compared up to it, as libplist does;
        // one that is no UTF-8 cannot be asked for by its QString.
        if (!key.contains('\0') && !it.key().contains(QChar::ReplacementCharacter)) {
            compare(node.value(key.constData()), it.value(), path + u'/' + it.key());
        }
    }
    for (std::size_t i = 0; list && i < list->size(); ++i) {
        compare((*list)[i], (*expectedList)[i], path + u'/' + QString::number(i));
    }
    return found;
}

// Values of every type a property list carries, as Safari's files hold them
// and beyond.
QVariantMap sampleValues()
{
    QVariantList bookmarks;
    for (int i = 0; i < 600; ++i) {
        bookmarks.append(
            TRBrowserFiles::safariLeaf(QStringLiteral("Seite %1 – Straße").arg(i),
                                       QStringLiteral("https://example.com/%1").arg(i)));
    }
    QVariantMap values{{"ascii", "plain text"},
                       {"empty", ""},
                       {"unicode", QStringLiteral("Straße – 東京 – \U0001F600 – e\u0301")},
                       {"smallest", std::numeric_limits<qint64>::min()},
                       {"true", true},
                       {"false", false},
                       {"date", QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC)},
                       {"data", QByteArray("\0\1\2\xff", 4)},
                       {"uid", QVariant::fromValue(TRPropertyList::Uid{3})},
                       {"nested", QVariantMap{{"inner", QVariantMap{{"deepest", "here"}}},
                                              {"list", QVariantList{1, "two", 3.5}}}},
                       {"Children", bookmarks},
                       {"mixed", QVariantList{QVariantMap{}, "not a dictionary"}},
                       {"no dictionaries", QVariantList{}}};
    // Integers of one, two, four and eight bytes, negative ones, and reals.
    for (const QVariant &number :
         QVariantList{7, 255, 256, 70000, Q_INT64_C(1) << 40, -1,
                      std::numeric_limits<qint64>::max(), 2.75, -0.1, 1e300}) {
        values.insert(number.toString(), number);
    }
    return values;
}

} // namespace

// Binary property lists read in place, checked against libplist's reading of
// the same bytes.
class TestPropertyList : public QObject
{
    Q_OBJECT

private slots:
    // Files read in place give what libplist reads: one that libplist wrote,
    // and shapes it reads but does not write.
    void readAsLibplistReads()
    {
        const QByteArray written = TRPropertyList::toBinary(sampleValues());
        // Several hundred objects: references take 2 bytes, offsets more.
        QCOMPARE(static_cast<int>(written.at(written.size() - 25)), 2);
        QVERIFY(written.at(written.size() - 26) >= 2);
        // Repeated keys, an ASCII string with a NUL, a 16-byte integer (of
        // which the low eight bytes count), a 4-byte real, a UTF-16 key:
        // k: first, k: second, n: "a\0b", r: 42, uk: 2.75, f: false.
        const QByteArray integer16 = "\x14" + QByteArray(8, '\x7f') + QByteArray(7, '\0') + '\x2a';
        const QByteArray handMade =
            assemble({container(0xD, {1, 1, 5, 6, 7, 11, 2, 3, 4, 8, 9, 10}), ascii("k"),
                      ascii("first"), ascii("second"), ascii(QByteArrayView("a\0b", 3)), ascii("n"),
                      ascii("r"), utf16({u'u', u'k'}), integer16,
                      QByteArray("\x22\x40\x30\x00\x00", 5), QByteArray("\x08", 1), ascii("f")});
        // Then strings of UTF-16 with lone or misplaced surrogates: a pair, a
        // lone lead, a lone trail, a lead, a letter and a trail, two leads and
        // a trail, a NUL inside, noncharacters.
        for (const QByteArray &file :
             {written, handMade, assemble({utf16({0xD83D, 0xDE00})}),
              assemble({utf16({u'a', 0xD83D})}), assemble({utf16({0xDE00, u'b'})}),
              assemble({utf16({0xD83D, u'c', 0xDE00})}),
              assemble({utf16({0xD83D, 0xD83D, 0xDE00})}), assemble({utf16({u'd', 0, u'e'})}),
              assemble({utf16({0xFFFE, 0xFFFF})})}) {
            QVERIFY2(TRBinaryPropertyList::fromData(file), file.left(64).toHex().constData());
            const auto tree = TRPropertyList::treeFromData(file);
            QVERIFY(tree);
            QCOMPARE(difference(tree->root(), TRPropertyList::fromData(file)), QString());
        }

        // Beyond agreeing with libplist: values arrive at all. A real read as
        // an integer, and a boolean as a number, are xmlThroughLibplist's.
        const auto writtenTree = TRPropertyList::treeFromData(written);
        const TRPropertyList::Node root = writtenTree->root();
        QCOMPARE(root.value("unicode").string(),
                 std::optional<QString>(QStringLiteral("Straße – 東京 – \U0001F600 – e\u0301")));
        QCOMPARE(root.value("smallest").integer(),
                 std::optional<qint64>(std::numeric_limits<qint64>::min()));
        const auto last = root.value("Children").listOfDictionaries()->back();
        QCOMPARE(last.value("URIDictionary").value("title").string(),
                 std::optional<QString>(QStringLiteral("Seite 599 – Straße")));
        const auto handMadeTree = TRPropertyList::treeFromData(handMade);
        const TRPropertyList::Node values = handMadeTree->root();
        QCOMPARE(values.value("k").string(), std::optional<QString>(QStringLiteral("second")));
        QCOMPARE(values.value("n").utf8(), std::optional<QByteArrayView>("a"));
        QCOMPARE(values.value("r").integer(), std::optional<qint64>(42));
        QCOMPARE(values.value("uk").number(), std::optional<double>(2.75));
        QCOMPARE(values.value("f").number(), std::optional<double>(0));
    }

    // XML is read through libplist's nodes, and answers as its QVariant form
    // does: repeated keys, an empty key, lists with and without dictionaries.
    // A real reads as an integer, a boolean as a number.
    void xmlThroughLibplist()
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
        const auto tree = TRPropertyList::treeFromData(xml);
        QVERIFY(tree);
        QCOMPARE(difference(tree->root(), TRPropertyList::fromData(xml)), QString());
        const TRPropertyList::Node root = tree->root();
        QCOMPARE(root.value("real").integer(), std::optional<qint64>(2));
        QCOMPARE(root.value("flag").number(), std::optional<double>(1));
        QVERIFY(root.value("Title").value("x").isEmpty());
    }

    // Broken files are refused whole, as libplist refuses them.
    void malformed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = TRPropertyList::toBinary(sampleValues());
        // The good file with bytes replaced at a distance from its end.
        const auto patched = [&good](qsizetype fromEnd, const QByteArray &replacement) {
            return QByteArray(good).replace(good.size() - fromEnd, replacement.size(), replacement);
        };
        QTest::newRow("header only") << QByteArray("bplist00");
        QTest::newRow("trailer cut") << good.chopped(1);
        QTest::newRow("half") << good.first(good.size() / 2);
        QTest::newRow("offsets of 0 bytes") << patched(26, QByteArray(1, '\0'));
        QTest::newRow("offsets of 9 bytes") << patched(26, QByteArray(1, '\x09'));
        QTest::newRow("references of 0 bytes") << patched(25, QByteArray(1, '\0'));
        QTest::newRow("no objects") << patched(24, QByteArray(8, '\0'));
        QTest::newRow("object count overflowing")
            << patched(24, QByteArray("\x20\0\0\0\0\0\0\0", 8));
        QTest::newRow("top beyond the objects") << patched(16, QByteArray(8, '\x7f'));
        QTest::newRow("table beyond the file") << patched(8, QByteArray("\0\0\0\0\x7f", 5));
        QTest::newRow("table in the header") << patched(8, QByteArray("\0\0\0\0\0\0\0\x04", 8));

        QTest::newRow("offset past the objects")
            << assemble({container(0xA, {1}), "\x51x"}, 1, 1).replace(12, 1, "\x30");
        QTest::newRow("offset into the header")
            << assemble({container(0xA, {1}), "\x51x"}, 1, 1).replace(12, 1, "\x02");
        QTest::newRow("reference out of range") << assemble({container(0xA, {2}), "\x51x"});
        QTest::newRow("key out of range") << assemble({container(0xD, {5, 1}), "\x51x"});
        QTest::newRow("number as key")
            << assemble({container(0xD, {1, 1}), QByteArray("\x10\x01", 2)});
        QTest::newRow("string past the table") << assemble({QByteArray("\x5f\x10\x40xyz", 6)});
        QTest::newRow("length of 2^63")
            << assemble({QByteArray("\x5f\x13\x80\0\0\0\0\0\0\0x", 11)});
        QTest::newRow("UTF-16 length doubled past 2^64")
            << assemble({QByteArray("\x6f\x13\x80\0\0\0\0\0\0\x01xx", 12)});
        QTest::newRow("array of 2^62") << assemble({QByteArray("\xaf\x13\x40\0\0\0\0\0\0\0", 10)});
        QTest::newRow("dictionary of 2^63")
            << assemble({QByteArray("\xdf\x13\x80\0\0\0\0\0\0\0", 10)}, 2);
        QTest::newRow("length without its integer") << assemble({QByteArray("\x5f", 1)});
        QTest::newRow("length as a string") << assemble({QByteArray("\x5f\x51\x01x", 4)});
        QTest::newRow("integer cut") << assemble({QByteArray("\x13\x01\x02", 3)});
        QTest::newRow("integer of 32 bytes") << assemble({QByteArray(33, '\x15')});
        QTest::newRow("real of 2 bytes") << assemble({QByteArray("\x21\x01\x02", 3)});
        QTest::newRow("unknown marker") << assemble({QByteArray("\x70", 1)});
        QTest::newRow("empty UTF-16") << assemble({QByteArray("\x60", 1)});
        // libplist would abort on it when handing back the key.
        QTest::newRow("UTF-16 key with a NUL")
            << assemble({container(0xD, {1, 2}), utf16({u'a', 0}), "\x51x"});
        QTest::newRow("self-referencing array") << assemble({container(0xA, {0})});
        QTest::newRow("self-referencing dictionary") << assemble({container(0xD, {1, 0}), "\x51k"});
        QTest::newRow("two arrays in a ring")
            << assemble({container(0xA, {1}), container(0xA, {2, 0}), "\x51x"});
    }

    void malformed()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!TRBinaryPropertyList::fromData(bytes));
        QVERIFY(!TRPropertyList::fromData(bytes).isValid());
        QVERIFY(!TRPropertyList::treeFromData(bytes));
    }

    // The first arrays each hold the next twice, the rest once: a shared
    // object is checked once, yet its depth counts wherever it is named,
    // and so do its nodes. Forty doublings in a file of a few hundred bytes
    // would be a tree of 2^40 nodes; libplist would make every one.
    void sharedObjects()
    {
        // levels, doubled, readable: 200 levels; the innermost array at the
        // deepest level allowed, and one below it; 8,191 nodes; 262,143.
        const std::tuple<int, int, bool> cases[] = {{200, 6, true},
                                                    {TRPropertyList::maximumDepth + 1, 6, true},
                                                    {TRPropertyList::maximumDepth + 2, 6, false},
                                                    {13, 12, true},
                                                    {18, 17, false},
                                                    {41, 40, false}};
        for (const auto &[levels, doubled, readable] : cases) {
            const QByteArray bytes = TRRawPropertyList::sharedArrays(levels, doubled);
            const QByteArray what = QByteArray::number(levels) + " levels";
            QVERIFY2(bool(TRBinaryPropertyList::fromData(bytes)) == readable, what.constData());
            QVERIFY2(TRPropertyList::treeFromData(bytes).has_value() == readable, what.constData());
            QVERIFY2(TRPropertyList::fromData(bytes).isValid() == readable, what.constData());
        }
    }

    // Damaged copies of a real file: whatever is read in place, libplist
    // reads too and to the same values; the rest gets libplist's answer.
    void damagedFiles()
    {
        QVariantMap values = sampleValues();
        values.insert("Children", QVariantList{QVariantMap{{"Title", "a"}}, QVariantMap{}});
        const QByteArray good = TRPropertyList::toBinary(values);
        QRandomGenerator random(20240501);
        int readInPlace = 0;
        for (int round = 0; round < 4000; ++round) {
            QByteArray bytes = good;
            for (int changes = 1 + random.bounded(3); changes > 0; --changes) {
                const auto position = random.bounded(static_cast<int>(bytes.size()));
                bytes[position] = static_cast<char>(random.bounded(256));
            }
            const bool inPlace = TRBinaryPropertyList::fromData(bytes) != nullptr;
            const QVariant value = TRPropertyList::fromData(bytes);
            const auto tree = TRPropertyList::treeFromData(bytes);
            const QByteArray hex = bytes.toHex();
            QVERIFY2(!inPlace || value.isValid(), hex.constData());
            QVERIFY2(tree.has_value() == value.isValid(), hex.constData());
            const QString found = tree ? difference(tree->root(), value) : QString();
            QVERIFY2(found.isEmpty(), qPrintable(found + u' ' + QString::fromLatin1(hex)));
            readInPlace += inPlace ? 1 : 0;
        }
        // Most single-byte changes hit a string's letters and leave a readable file.
        QVERIFY(readInPlace > 1000);
    }
};

TRELLIS_CORE_TEST_MAIN(TestPropertyList)
#include "TestPropertyList.moc"
