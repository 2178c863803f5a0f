// The inputs that once found a fault in a reader of other programs' files,
// and the seeds of the fuzz targets (hand-made ones and the generator's tiny
// browser files), through the same code the fuzz targets run: each is read
// or refused as recorded here, and whatever a reader makes is walked to the
// last node.

#include "TRCorpusGenerator.h"
#include "TRFaviconTable.h"
#include "TRFirefoxPlacesParser.h"
#include "TRReaderInputs.h"
#include "TRTestMain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <set>
#include <tuple>

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
    // Profile 2 and Default in the list's order (the missing and the repeated
    // folder left out), then Profile 1 and Profile 10 by number; the folders
    // that would leave the browser's folder are skipped.
    {"local-state", "seeds/odd-profiles.json", true, 4},
    // The four roots; in the toolbar a link, a separator and a folder of one
    // untitled link (the query left out), in the menu one link (the record
    // without a page left out); the tags and a folder that is its own parent
    // are not reached. Two days of one entry each: the page's two visits of
    // a day are one entry, reloads, downloads and framed links are left
    // out, and so is the hidden page.
    {"firefox-places", "seeds/odd-rows.sqlite", true, 4 + 4 + 1 + 2 + 2},
    // Icons as browsers store them decode; a header claiming 30,000 pixels
    // square is refused before its pixels are, as are a server's error page
    // stored as an icon and a cut PNG.
    {"favicon-image", "seeds/rgba-16.png", true, 0},
    {"favicon-image", "seeds/palette-32.png", true, 0},
    {"favicon-image", "seeds/wide-64x16.png", true, 0},
    {"favicon-image", "seeds/favicon.ico", true, 0},
    {"favicon-image", "seeds/icon.svg", true, 0},
    {"favicon-image", "seeds/huge-header.png", false, 0},
    {"favicon-image", "seeds/not-found.html", false, 0},
    {"favicon-image", "seeds/cut-short.png", false, 0},
    // Whatever is typed is searched: two words across name and host, accents
    // and case, right-to-left letters, a pasted page cut to its start; only
    // symbols, or control bytes and broken UTF-8, find nothing.
    {"search", "seeds/two-words.txt", true, 1},
    {"search", "seeds/accents.txt", true, 1},
    {"search", "seeds/right-to-left.txt", true, 1},
    {"search", "seeds/pasted-page.txt", true, 1},
    {"search", "seeds/symbols-only.txt", false, 0},
    {"search", "seeds/control-bytes.txt", false, 0},
    // Each array or folder names the next twice: 2^40 nodes in a few
    // hundred bytes, which the readers once tried to make.
    {"safari-topsites", "regressions/shared-arrays-doubled-40-times.bplist", false, 0},
    {"safari-bookmarks", "regressions/shared-folders-doubled-40-times.bplist", false, 0},
    // The index of visit times is damaged, so rows come out of order: a
    // page's two visits of one day were two entries. Read again in order:
    // its day in 2024 and one in 2178, an entry each (the bookmarks' pages
    // are beyond reading).
    {"firefox-places", "regressions/visit-index-out-of-order.sqlite", true, 2 + 2},
    // A member holding a NUL is no identifier and was cut short at the NUL
    // when saved back; the other member stays.
    {"customized-bookmarks", "regressions/member-with-a-nul.xml", true, 1},
};

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

    // Each file is read or refused as its row says, and every row's file is
    // there.
    void everyInputAsRecorded()
    {
        std::set<const Expected *> unmet;
        for (const Expected &expected : expectations) {
            unmet.insert(&expected);
        }
        for (const char *kind : {"tools/fuzz/seeds", "tests/regressions"}) {
            const QDir root(QStringLiteral(TRELLIS_SOURCE_DIR "/") + QLatin1StringView(kind));
            for (const QString &reader : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                const TRReaderInputs::Reader read = TRReaderInputs::reader(reader);
                QVERIFY2(read, qPrintable(reader));
                for (const QString &file : QDir(root.filePath(reader)).entryList(QDir::Files)) {
                    const QString name = QString(kind).section(u'/', -1) + u'/' + file;
                    const QString where = reader + u": " + name;
                    const Expected *row = std::find_if(
                        std::begin(expectations), std::end(expectations), [&](const Expected &e) {
                            return reader == QLatin1StringView(e.reader) &&
                                   name == QLatin1StringView(e.file);
                        });
                    QVERIFY2(unmet.erase(row), qPrintable(where + u" has no expected outcome"));
                    QFile input(root.filePath(reader + u'/' + file));
                    QVERIFY2(input.open(QIODevice::ReadOnly), qPrintable(where));
                    QElapsedTimer timer;
                    timer.start();
                    const TRReaderInputs::Outcome outcome = read(input.readAll());
                    QVERIFY2(outcome.read == row->read && outcome.nodes == row->nodes,
                             qPrintable(where + u": " + QString::number(outcome.nodes)));
                    // The faults these inputs found were hangs as much as
                    // crashes: none of them is big enough to take a reader
                    // longer than this.
                    QVERIFY2(timer.elapsed() < 10000, qPrintable(where));
                }
            }
        }
        QVERIFY2(
            unmet.empty(),
            qPrintable(unmet.empty() ? QString() : (*unmet.begin())->file + QString(" missing")));
    }

    // The generator's tiny files, which the fuzz targets start from, read in
    // full: as many nodes as its manifest counts.
    // The roots' folders below the container, and each day and the most
    // visited sites beside the entries.
    void generatedFiles()
    {
        const QJsonObject &manifest = m_manifest;
        const QJsonObject chrome = manifest["chrome"]["bookmarks"].toObject();
        const QJsonObject safari = manifest["safari"].toObject();
        const QJsonObject bookmarks = safari["bookmarks"].toObject();
        const QJsonObject history = safari["history_plist"].toObject();
        const QJsonObject firefox = manifest["firefox"].toObject();
        const QJsonObject firefoxBookmarks = firefox["bookmarks"].toObject();
        const std::tuple<QString, QString, int> files[] = {
            {"chrome-bookmarks", "chrome/Default/Bookmarks",
             3 + chrome["bookmarks"].toInt() + chrome["folders"].toInt()},
            {"safari-bookmarks", "safari/Bookmarks.plist",
             bookmarks["bookmarks"].toInt() + bookmarks["folders"].toInt() +
                 bookmarks["reading_list_items"].toInt()},
            {"safari-history-plist", "safari/History.plist",
             history["entries"].toInt() + history["days_spanned"].toInt() +
                 int(safari["history_db"]["most_visited"].toArray().size())},
            {"safari-topsites", "safari/TopSites.plist", safari["top_sites"]["top_sites"].toInt()},
            {"safari-lastsession", "safari/LastSession.plist",
             safari["last_session"]["items_in_last_session"].toInt()},
            // The suite runs in UTC, the zone the manifest counts days in.
            {"firefox-places", "firefox/" + firefox["profile"].toString() + "/places.sqlite",
             4 + firefoxBookmarks["bookmarks"].toInt() + firefoxBookmarks["folders"].toInt() +
                 firefoxBookmarks["separators"].toInt() +
                 firefox["history"]["days_with_history_items"].toInt() +
                 firefox["history"]["history_items"].toInt()}};
        for (const auto &[reader, file, nodes] : files) {
            QFile input(m_corpus.filePath(file));
            QVERIFY2(input.open(QIODevice::ReadOnly), qPrintable(file));
            const TRReaderInputs::Outcome outcome = TRReaderInputs::reader(reader)(input.readAll());
            QVERIFY2(outcome.read, qPrintable(file));
            QCOMPARE(outcome.nodes, qint64(nodes));
        }
    }

    // The generated places.sqlite read as the manifest counts it: each
    // shown root's bookmarks, folders and separators below it (saved
    // searches and tags left out), in the reader's order of the roots.
    void generatedFirefoxBookmarks_data()
    {
        QTest::addColumn<int>("root");
        QTest::addColumn<QString>("name");
        QTest::newRow("toolbar") << 0 << "toolbar";
        QTest::newRow("menu") << 1 << "menu";
        QTest::newRow("other") << 2 << "unfiled";
        QTest::newRow("mobile") << 3 << "mobile";
    }
    void generatedFirefoxBookmarks()
    {
        QFETCH(int, root);
        QFETCH(QString, name);
        QString error;
        const TRGoogleChromeBookmarkPtr container =
            TRFirefoxPlacesParser::readBookmarks(firefoxPlaces(), &error);
        QVERIFY2(container, qPrintable(error));
        QCOMPARE(container->bookmarks().size(), std::size_t(4));
        qint64 bookmarks = 0;
        qint64 folders = 0;
        qint64 separators = 0;
        std::vector<TRBookmarkPtr> pending{container->bookmarks()[std::size_t(root)]};
        while (!pending.empty()) {
            const TRBookmarkPtr folder = pending.back();
            pending.pop_back();
            for (const TRBookmarkPtr &child : folder->bookmarks()) {
                if (child->kind() == TRBookmarkKind::group) {
                    ++folders;
                    pending.push_back(child);
                } else if (std::static_pointer_cast<TRGoogleChromeBookmark>(child)->tag ==
                           TRGoogleChromeBookmark::Tag::separator) {
                    ++separators;
                } else {
                    ++bookmarks;
                }
            }
        }
        const QJsonObject firefox = firefoxManifest();
        const QJsonObject expected = firefox["bookmarks"]["by_root"][name].toObject();
        QVERIFY(expected["bookmarks"].toInt() > 0);
        QCOMPARE(bookmarks, qint64(expected["bookmarks"].toInt()));
        QCOMPARE(folders, qint64(expected["folders"].toInt()));
        QCOMPARE(separators, qint64(expected["separators"].toInt()));
    }

    // One history entry per page and UTC day of its listed visits: hidden
    // pages, embeds, downloads, framed links and reloads left out.
    void generatedFirefoxHistory()
    {
        QString error;
        const auto store =
            TRFirefoxPlacesParser::readHistory(firefoxPlaces(), &error, QTimeZone::utc());
        QVERIFY2(store, qPrintable(error));
        const QJsonObject expected = firefoxManifest().value("history").toObject();
        QVERIFY(expected["history_items"].toInt() > 0);
        QCOMPARE(qint64(store->size()), qint64(expected["history_items"].toInt()));
    }

    // Each generated icon store read as its manifest says: the icon shown
    // at 16 pixels for a page with its own, for one with only its site's
    // and for one with none, and as many pages and icons as it holds.
    void generatedIconStores_data()
    {
        QTest::addColumn<bool>("firefox");
        QTest::addColumn<QString>("sample");
        for (const bool firefox : {false, true}) {
            for (const char *sample : {"sample_exact", "sample_site_only", "sample_none"}) {
                QTest::addRow("%s %s", firefox ? "firefox" : "chrome", sample)
                    << firefox << QString::fromLatin1(sample);
            }
        }
    }
    void generatedIconStores()
    {
        QFETCH(bool, firefox);
        QFETCH(QString, sample);
        const QString path = firefox ? QFileInfo(firefoxPlaces()).dir().filePath("favicons.sqlite")
                                     : m_corpus.filePath("chrome/Default/Favicons");
        const QJsonObject counts =
            m_manifest[firefox ? QStringLiteral("firefox") : QStringLiteral("chrome")]
                .toObject()["favicons"]
                .toObject();
        QString error;
        const auto table = TRFaviconTable::read(
            path, firefox ? TRFaviconTable::Store::firefox : TRFaviconTable::Store::chromium, 16,
            &error);
        QVERIFY2(table, qPrintable(error));
        QCOMPARE(qint64(table->pageCount()), qint64(counts["pages_with_exact_icon"].toInt()));
        QCOMPARE(qint64(table->iconCount()), qint64(counts["icons"].toInt()));

        QVERIFY2(counts[sample].isObject(), "the store holds no page of this kind");
        const QByteArray address = counts[sample]["address"].toString().toUtf8();
        const QJsonValue expected = counts[sample]["expected"];
        const QByteArray icon = table->iconFor(address);
        QCOMPARE(icon.isEmpty(), expected.isNull());
        if (!expected.isNull()) {
            const QImage image = QImage::fromData(icon, "PNG");
            QCOMPARE(image.width(), expected["width"].toInt());
            QCOMPARE(image.height(), expected["height"].toInt());
            QCOMPARE(QCryptographicHash::hash(icon, QCryptographicHash::Sha256).toHex(),
                     expected["sha256"].toString().toLatin1());
        }
    }

private:
    QJsonObject firefoxManifest() const { return m_manifest["firefox"].toObject(); }
    QString firefoxPlaces() const
    {
        return m_corpus.filePath(QStringLiteral("firefox/") +
                                 firefoxManifest()["profile"].toString() +
                                 QStringLiteral("/places.sqlite"));
    }
};

TRELLIS_TEST_MAIN(TestReaderInputs)
#include "TestReaderInputs.moc"
