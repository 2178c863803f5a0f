#include "TRCoreTestMain.h"
#include "TRFaviconStoreReader.h"
#include "TRFaviconTable.h"
#include "TRFileGrant.h"
#include "TRFirefoxPlacesParser.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRPrivateFolder.h"
#include "TRTestSupport.h"

#include <QTemporaryDir>
#include <QUrl>

#include <SQLiteCpp/SQLiteCpp.h>

using Store = TRFaviconTable::Store;

namespace {

// Runs statements on a new database at path.
void writeStore(const QString &path, const QList<QByteArray> &statements)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    for (const QByteArray &statement : statements) {
        db.exec(statement.constData());
    }
}

// Chromium's Favicons: icon 1 of example.com in three widths, icon 2 a touch
// icon of the same page, icon 3 the front page of other.example, whose
// other pages have none of their own.
const QList<QByteArray> chromiumStore = {
    "CREATE TABLE favicons (id INTEGER PRIMARY KEY, url LONGVARCHAR NOT NULL, icon_type "
    "INTEGER DEFAULT 1)",
    "CREATE TABLE favicon_bitmaps (id INTEGER PRIMARY KEY, icon_id INTEGER NOT NULL, "
    "last_updated INTEGER DEFAULT 0, image_data BLOB, width INTEGER DEFAULT 0, height INTEGER "
    "DEFAULT 0, last_requested INTEGER DEFAULT 0)",
    "CREATE TABLE icon_mapping (id INTEGER PRIMARY KEY, page_url LONGVARCHAR NOT NULL, icon_id "
    "INTEGER)",
    "INSERT INTO favicons VALUES (1, 'https://example.com/favicon.ico', 1), (2, "
    "'https://example.com/touch.png', 2), (3, 'https://other.example/favicon.ico', 1)",
    "INSERT INTO favicon_bitmaps (id, icon_id, image_data, width, height) VALUES (1, 1, "
    "'ex-32', 32, 32), (2, 1, 'ex-16', 16, 16), (3, 1, 'ex-64', 64, 64), (4, 2, 'touch-180', "
    "180, 180), (5, 3, 'other-16', 16, 16), (6, 3, zeroblob(2000000), 8, 8)",
    "INSERT INTO icon_mapping (page_url, icon_id) VALUES ('https://example.com/a', 2), "
    "('https://example.com/a', 1), ('https://other.example/deep/page', 1), "
    "('https://other.example/', 3)",
};

// Firefox's favicons.sqlite: one icon of example.com in two widths, and the
// root icon of other.example.
const QList<QByteArray> firefoxStore = {
    "CREATE TABLE moz_icons (id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL, "
    "fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0, root INTEGER NOT "
    "NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0, flags INTEGER NOT "
    "NULL DEFAULT 0, data BLOB)",
    "CREATE TABLE moz_pages_w_icons (id INTEGER PRIMARY KEY, page_url TEXT NOT NULL, "
    "page_url_hash INTEGER NOT NULL)",
    "CREATE TABLE moz_icons_to_pages (page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL, "
    "expire_ms INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (page_id, icon_id)) WITHOUT ROWID",
    "INSERT INTO moz_icons (id, icon_url, fixed_icon_url_hash, width, root, data) VALUES (1, "
    "'https://example.com/icon.png', 1, 16, 0, 'ex-16'), (2, 'https://example.com/icon.png', 1, "
    "32, 0, 'ex-32'), (3, 'https://other.example/favicon.ico', 2, 16, 1, 'other-16')",
    "INSERT INTO moz_pages_w_icons VALUES (1, 'https://example.com/a', 1)",
    "INSERT INTO moz_icons_to_pages (page_id, icon_id) VALUES (1, 1), (1, 2)",
};

// A store of one icon for https://example.com/a, whose bytes are name: the
// two versions of the fault cases tell each other apart by them.
QByteArray storeBytes(bool firefox, const QByteArray &name)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("store"));
    QList<QByteArray> statements = firefox ? firefoxStore : chromiumStore;
    statements << (firefox ? QByteArray("UPDATE moz_icons SET data = '" + name + "' WHERE id = 1")
                           : QByteArray("UPDATE favicon_bitmaps SET image_data = '" + name +
                                        "' WHERE id = 2"));
    writeStore(path, statements);
    return TRTestSupport::readFile(path);
}

// A reader of one profile with only its icon store granted.
struct IconReader
{
    explicit IconReader(bool firefox)
    {
        if (firefox) {
            reader = std::make_unique<TRFirefoxPlacesParser>();
        } else {
            reader = std::make_unique<TRGoogleChromeBookmarksParser>();
        }
    }

    // The bytes of example.com/a's icon after an update; "none" without a
    // table.
    QByteArray iconAfterUpdate()
    {
        bool done = false;
        reader->updateBookmarks([&done] { done = true; });
        if (!QTest::qWaitFor([&done] { return done; }, 30000)) {
            return "timed out";
        }
        const auto table = reader->favicons();
        return table ? table->iconFor("https://example.com/a") : QByteArray("none");
    }

    std::unique_ptr<TRProfileReader> reader;
};

} // namespace

// The icon Trellis would show for a page from each browser's store: the
// page's own at the best size, else its site's, else none.
class TestFavicons : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    // Every change is read at once, except where the spacing is the point.
    void init() { TRFaviconStoreReader::setRereadSpacing(0); }

    void lookups_data()
    {
        QTest::addColumn<bool>("firefox");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QByteArray>("icon");
        const struct
        {
            const char *name;
            bool firefox;
            int pixels;
            const char *address;
            const char *icon;
        } rows[] = {
            {"Chromium, exact size", false, 16, "https://example.com/a", "ex-16"},
            {"Chromium, next larger", false, 20, "https://example.com/a", "ex-32"},
            {"Chromium, larger than any: the largest", false, 128, "https://example.com/a",
             "ex-64"},
            {"Chromium, site's front page before its other pages", false, 16,
             "https://other.example/unknown", "other-16"},
            {"Chromium, an icon too large is never chosen", false, 4, "https://other.example/",
             "other-16"},
            {"Chromium, another scheme is another site", false, 16, "http://other.example/x", ""},
            {"Chromium, unknown site", false, 16, "https://nowhere.example/", ""},
            {"Firefox, exact size", true, 16, "https://example.com/a", "ex-16"},
            {"Firefox, double density", true, 32, "https://example.com/a", "ex-32"},
            {"Firefox, root icon of the site", true, 16, "https://other.example/any", "other-16"},
            {"Firefox, a page of a site without root icon", true, 16, "https://example.com/b", ""},
        };
        for (const auto &row : rows) {
            QTest::newRow(row.name)
                << row.firefox << row.pixels << QByteArray(row.address) << QByteArray(row.icon);
        }
    }

    void lookups()
    {
        QFETCH(bool, firefox);
        QFETCH(int, pixels);
        QFETCH(QByteArray, address);
        QFETCH(QByteArray, icon);
        const QString path = m_folder.filePath(
            QStringLiteral("%1-%2").arg(firefox ? "firefox" : "chromium").arg(pixels));
        if (!QFile::exists(path)) {
            writeStore(path, firefox ? firefoxStore : chromiumStore);
        }
        QString error;
        const auto table =
            TRFaviconTable::read(path, firefox ? Store::firefox : Store::chromium, pixels, &error);
        QVERIFY2(table, qPrintable(error));
        QCOMPARE(table->iconFor(address), icon);
    }

    // A site is its scheme and host as QUrl gives them, whichever way the
    // address is cut.
    void sitesAsQUrlGivesThem()
    {
        const QList<QByteArray> addresses = {"https://example.com/a?b#c",
                                             "https://Example.COM:8443/x",
                                             "HTTP://example.com",
                                             "https://user:pw@example.com/",
                                             "https://b%C3%BCcher.example/",
                                             "https://xn--bcher-kva.example/",
                                             "file:///tmp/x",
                                             "https://[::1]:8080/",
                                             "about:blank",
                                             "https://.example.com/",
                                             "git+ssh://host.example/repo",
                                             "https://host_with_underscore.example/",
                                             "",
                                             "://nothing",
                                             "https://a.example:/"};
        for (const QByteArray &address : addresses) {
            const QUrl url = QUrl::fromEncoded(address);
            const QByteArray expected =
                !url.isValid() || url.host().isEmpty()
                    ? QByteArray()
                    : url.scheme().toLatin1() + "://" + url.host(QUrl::FullyEncoded).toLatin1();
            QCOMPARE(TRFaviconTable::siteOf(address), expected);
            // Hashed without a copy, to the same; a front page is the site
            // and "/" exactly.
            bool front = false;
            const std::optional<quint64> hash = TRFaviconTable::siteHashOf(address, &front);
            QCOMPARE(hash.has_value(), !expected.isEmpty());
            if (hash) {
                QCOMPARE(*hash, TRFaviconTable::hashOf(expected));
                QCOMPARE(front, address == QByteArray(expected + '/'));
            }
        }
    }

    // What happens to the store between two refreshes: a read that fails
    // keeps the icons read before, as the trees keep theirs, and says so in
    // one line; a store put right is read again.
    void faultsBetweenRefreshes_data()
    {
        TRTestSupport::addFaultColumns();
        for (const bool firefox : {false, true}) {
            const QString name = firefox ? "favicons.sqlite" : "Favicons";
            const QByteArray line = "Could not read '" + name.toUtf8() + "': ";
            TRTestSupport::addFaultRows(
                {.name = name,
                 .secondVersion = storeBytes(firefox, "second"),
                 .otherKind = TRTestSupport::json("{'roots':{}}"),
                 .otherKindOut = line + "file is not a database\n",
                 .noTablesOut = line + (firefox ? "no such table: moz_icons\n"
                                                : "no such table: favicon_bitmaps\n"),
                 .lockedBy = firefox ? "Firefox" : "Chrome"});
        }
        // Chromium's store stands for both.
        TRTestSupport::addPrivateFolderFaultRows({}, {{"google_chrome_favicons_data", "Favicons"}});
    }

    void faultsBetweenRefreshes()
    {
        QFETCH(QString, source);
        const bool firefox = source == "favicons.sqlite";
        TRTestSupport::FaultFolders folders;
        QVERIFY(folders.isValid());
        const QString path = folders.browser.filePath(
            "profile/" + (firefox ? QString("favicons.sqlite") : QString("Favicons")));
        QVERIFY(TRTestSupport::writeFile(path, storeBytes(firefox, "first")));
        QVERIFY(
            QFile::setPermissions(folders.browser.filePath("profile"), TRTestSupport::openToAll));
        IconReader reader(firefox);
        reader.reader->setIconStore(TRFileGrant::make(path), 16);
        QByteArray shown;
        folders.runRow(
            source.isEmpty() ? QString() : path,
            {.refresh = [&] { shown = reader.iconAfterUpdate(); },
             .trees = [&] { return QStringList{QString::fromUtf8(shown)}; },
             .expected = [](const QString &, bool showsNew,
                            bool) { return QStringList{showsNew ? "second" : "first"}; },
             .writeSecondVersions =
                 [&] { QVERIFY(TRTestSupport::writeFile(path, storeBytes(firefox, "second"))); },
             .committed = firefox
                              ? "UPDATE moz_icons SET data = 'second' WHERE id = 1;"
                              : "UPDATE favicon_bitmaps SET image_data = 'second' WHERE id = 2;",
             .uncommitted = firefox ? "UPDATE moz_icons SET data = 'uncommitted';"
                                    : "UPDATE favicon_bitmaps SET image_data = 'uncommitted';"});
    }

    // Icons off reads nothing of the store; on, it is read once while it
    // stays as it is, and again for another icon size or once changed.
    void readsOnlyWhenShownAndChanged()
    {
        for (const bool firefox : {false, true}) {
            QTemporaryDir folder;
            const QString path = folder.filePath("store");
            QVERIFY(TRTestSupport::writeFile(path, storeBytes(firefox, "first")));
            // Old enough that an unchanged look means unchanged.
            TRTestSupport::settle(path);
            IconReader reader(firefox);
            const QString copy = TRPrivateFolder::path().value_or(QString()) + u'/' +
                                 (firefox ? "firefox" : "google_chrome") + "_favicons_data";
            QFile::remove(copy);
            reader.reader->setIconStore(TRFileGrant::make(path), 0);
            QCOMPARE(reader.iconAfterUpdate(), QByteArray("none"));
            QVERIFY2(!QFile::exists(copy), "copied while icons are off");

            reader.reader->setIconStore(TRFileGrant::make(path), 16);
            QCOMPARE(reader.iconAfterUpdate(), QByteArray("first"));
            const auto table = reader.reader->favicons();
            QCOMPARE(reader.iconAfterUpdate(), QByteArray("first"));
            QCOMPARE(reader.reader->favicons(), table);
            // Twice the pixels: the 32-pixel bitmap.
            reader.reader->setIconStore(TRFileGrant::make(path), 32);
            QCOMPARE(reader.iconAfterUpdate(), QByteArray("ex-32"));
            reader.reader->setIconStore(std::nullopt, 32);
            QCOMPARE(reader.iconAfterUpdate(), QByteArray("none"));
        }
    }

    // A store that keeps changing, as a browser in use writes it, is read
    // again only after a while; another size is read at once.
    void changesWaitForTheSpacing()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("store");
        QVERIFY(TRTestSupport::writeFile(path, storeBytes(false, "first")));
        TRTestSupport::settle(path);
        IconReader reader(false);
        reader.reader->setIconStore(TRFileGrant::make(path), 16);
        QCOMPARE(reader.iconAfterUpdate(), QByteArray("first"));
        TRFaviconStoreReader::setRereadSpacing(3600LL * 1000 * 1000 * 1000);
        QVERIFY(TRTestSupport::writeFile(path, storeBytes(false, "second")));
        TRTestSupport::settle(path);
        QCOMPARE(reader.iconAfterUpdate(), QByteArray("first"));
        reader.reader->setIconStore(TRFileGrant::make(path), 32);
        QCOMPARE(reader.iconAfterUpdate(), QByteArray("ex-32"));
        reader.reader->setIconStore(TRFileGrant::make(path), 16);
        QCOMPARE(reader.iconAfterUpdate(), QByteArray("second"));
        TRFaviconStoreReader::setRereadSpacing(0);
        QVERIFY(TRTestSupport::writeFile(path, storeBytes(false, "third")));
        TRTestSupport::settle(path);
        QCOMPARE(reader.iconAfterUpdate(), QByteArray("third"));
    }

    // A store without the tables, or no database at all, gives no table and
    // a reason.
    void unreadableStores()
    {
        const QString other = m_folder.filePath("other.sqlite");
        writeStore(other, {"CREATE TABLE t (x)"});
        const QString text = m_folder.filePath("text.sqlite");
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a database at all, but long enough to look like a header of one");
        file.close();
        for (const QString &path : {other, text, m_folder.filePath("missing.sqlite")}) {
            for (const Store store : {Store::chromium, Store::firefox}) {
                QString error;
                QVERIFY(!TRFaviconTable::read(path, store, 16, &error));
                QVERIFY(!error.isEmpty());
            }
        }
    }
};

TRELLIS_CORE_TEST_MAIN(TestFavicons)
#include "TestFavicons.moc"
