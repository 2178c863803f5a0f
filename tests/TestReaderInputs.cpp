// The inputs that once found a fault in a reader of other programs' files,
// and the seeds of the fuzz targets (hand-made ones and the generator's tiny
// browser files), through the same code the fuzz targets run: each is read
// or refused as recorded here, and whatever a reader makes is walked to the
// last node.

#include "TRCoreTestMain.h"
#include "TRCorpusGenerator.h"
#include "TRReaderInputs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Expected
{
    const char *reader;
    const char *file;
    bool read;
    qint64 nodes;
};

// Every file in tools/fuzz/seeds and tests/regressions has its row.
const Expected expectations[] = {
    // The bar and "Other"; in the bar a link, a folder without children
    // (empty) and a folder with two links, one of them no URL; a separator
    // and elements that are no objects are skipped; "synced" is no folder.
    {"chrome-bookmarks", "seeds/odd-fields.json", true, 7},
    // A link and a switched-off folder in the bar, an empty menu, one
    // reading-list item, a feed link at the top; the proxy is skipped.
    {"safari-bookmarks", "seeds/folders.xml", true, 4},
    // Three visits on three days (a date out of range stays at the moment
    // of reading), the entry without an address skipped; two hosts most
    // visited.
    {"safari-history-plist", "seeds/entries.xml", true, 3 + 3 + 2},
    // The text that is no URL is skipped.
    {"safari-topsites", "seeds/sites.xml", true, 2},
    // The pinned tab, the private window's tab, about:blank; the tab
    // without an address is skipped.
    {"safari-lastsession", "seeds/windows.xml", true, 3},
    // References written in XML form, as dictionaries holding "CF$UID".
    {"customized-bookmarks", "seeds/two.xml", true, 2},
    // Each array or folder names the next twice: 2^40 nodes in a few
    // hundred bytes, which the readers once tried to make.
    {"safari-topsites", "regressions/shared-arrays-doubled-40-times.bplist", false, 0},
    {"safari-bookmarks", "regressions/shared-folders-doubled-40-times.bplist", false, 0},
    // A member holding a NUL is no identifier and was cut short at the NUL
    // when saved back; the other member stays.
    {"customized-bookmarks", "regressions/member-with-a-nul.xml", true, 1},
};

QString sourceFolder(const QString &kind, const QString &reader)
{
    return QStringLiteral(TRELLIS_SOURCE_DIR) +
           (kind == u"seeds" ? QStringLiteral("/tools/fuzz/seeds/")
                             : QStringLiteral("/tests/regressions/")) +
           reader;
}

} // namespace

class TestReaderInputs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_corpus;
    QJsonObject m_manifest;

private slots:
    void initTestCase()
    {
        TRCorpusGenerator generator({.scale = "tiny"});
        QVERIFY2(generator.write(m_corpus.path()), qPrintable(generator.errorString()));
        m_manifest = generator.manifest();
    }

    void everyInputHasItsRow()
    {
        QSet<QString> listed;
        for (const Expected &expected : expectations) {
            listed.insert(QLatin1StringView(expected.reader) + u'/' +
                          QLatin1StringView(expected.file));
        }
        int found = 0;
        for (const QString &kind : {QStringLiteral("seeds"), QStringLiteral("regressions")}) {
            const QDir root(sourceFolder(kind, QString()));
            for (const QString &reader : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                QVERIFY2(TRReaderInputs::reader(reader), qPrintable(reader));
                for (const QString &file : QDir(root.filePath(reader)).entryList(QDir::Files)) {
                    const QString key = reader + u'/' + kind + u'/' + file;
                    QVERIFY2(listed.remove(key), qPrintable(key + u" has no expected outcome"));
                    ++found;
                }
            }
        }
        QVERIFY2(listed.isEmpty(),
                 qPrintable(QStringList(listed.cbegin(), listed.cend()).join(u", ") + u" missing"));
        QCOMPARE(found, static_cast<int>(std::size(expectations)));
    }

    void input_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("read");
        QTest::addColumn<qint64>("nodes");
        for (const Expected &expected : expectations) {
            const QString file = QLatin1StringView(expected.file);
            const QString kind = file.section(u'/', 0, 0);
            QTest::newRow(qPrintable(QLatin1StringView(expected.reader) + u": " + file))
                << QString::fromLatin1(expected.reader)
                << sourceFolder(kind, QLatin1StringView(expected.reader)) + u'/' +
                       file.section(u'/', 1)
                << expected.read << expected.nodes;
        }
    }

    void input()
    {
        QFETCH(QString, reader);
        QFETCH(QString, path);
        QFETCH(bool, read);
        QFETCH(qint64, nodes);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        QElapsedTimer timer;
        timer.start();
        const TRReaderInputs::Outcome outcome = TRReaderInputs::reader(reader)(bytes);
        QCOMPARE(outcome.read, read);
        QCOMPARE(outcome.nodes, nodes);
        // The faults these inputs found were hangs as much as crashes: none
        // of them is big enough to take a reader longer than this.
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    }

    // The generator's tiny files, which the fuzz targets start from, read in
    // full: as many nodes as its manifest counts.
    void generatedFile_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("nodes");
        const QJsonObject &manifest = m_manifest;
        const QJsonObject chrome = manifest["chrome"]["bookmarks"].toObject();
        const QJsonObject safari = manifest["safari"].toObject();
        const QJsonObject bookmarks = safari["bookmarks"].toObject();
        const QJsonObject history = safari["history_plist"].toObject();
        // The roots' folders below the container, and each day and the most
        // visited sites beside the entries.
        QTest::newRow("chrome-bookmarks")
            << "chrome-bookmarks"
            << "chrome/Default/Bookmarks"
            << 3 + chrome["bookmarks"].toInt() + chrome["folders"].toInt();
        QTest::newRow("safari-bookmarks")
            << "safari-bookmarks"
            << "safari/Bookmarks.plist"
            << bookmarks["bookmarks"].toInt() + bookmarks["folders"].toInt() +
                   bookmarks["reading_list_items"].toInt();
        QTest::newRow("safari-history-plist")
            << "safari-history-plist"
            << "safari/History.plist"
            << history["entries"].toInt() + history["days_spanned"].toInt() +
                   int(safari["history_db"]["most_visited"].toArray().size());
        QTest::newRow("safari-topsites")
            << "safari-topsites"
            << "safari/TopSites.plist" << safari["top_sites"]["top_sites"].toInt();
        QTest::newRow("safari-lastsession")
            << "safari-lastsession"
            << "safari/LastSession.plist"
            << safari["last_session"]["items_in_last_session"].toInt();
    }

    void generatedFile()
    {
        QFETCH(QString, reader);
        QFETCH(QString, file);
        QFETCH(int, nodes);
        QFile input(m_corpus.filePath(file));
        QVERIFY(input.open(QIODevice::ReadOnly));
        const TRReaderInputs::Outcome outcome = TRReaderInputs::reader(reader)(input.readAll());
        QVERIFY(outcome.read);
        QCOMPARE(outcome.nodes, qint64(nodes));
    }
};

TRELLIS_CORE_TEST_MAIN(TestReaderInputs)
#include "TestReaderInputs.moc"
