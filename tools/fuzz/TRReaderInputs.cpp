#include "TRReaderInputs.h"

#include "TRBrowserDiscovery.h"
#include "TRDayFormatter.h"
#include "TRFirefoxPlacesParser.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRHistoryStore.h"
#include "TRPackedBookmarks.h"
#include "TRSafariBookmarksReader.h"
#include "TRSafariCustomizedBookmarks.h"
#include "TRSafariHistoryListReader.h"
#include "TRSafariHistoryReader.h"
#include "TRSafariLastSessionReader.h"
#include "TRSafariTopSitesReader.h"
#include "TRSearchCatalog.h"
#include "TRWebsiteIconImage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimeZone>

#include <algorithm>
#include <memory>
#include <optional>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace TRReaderInputs {

namespace {

// The readers take a path, as they read a private copy. On Linux the bytes
// go into one anonymous memory file that every input reuses, named by its
// /proc entry: no disk write per input.
class InputFile
{
public:
    explicit InputFile(const QByteArray &bytes)
    {
#ifdef __linux__
        static const int descriptor = ::memfd_create("trellis-input", MFD_CLOEXEC);
        if (descriptor >= 0 && ::ftruncate(descriptor, 0) == 0 && writeAll(descriptor, bytes)) {
            m_path = QStringLiteral("/proc/self/fd/%1").arg(descriptor);
            return;
        }
#endif
        m_file = std::make_unique<QTemporaryFile>();
        if (m_file->open() && m_file->write(bytes) == bytes.size() && m_file->flush()) {
            m_path = m_file->fileName();
        }
    }

    const QString &path() const
    {
        return m_path;
    }

private:
#ifdef __linux__
    static bool writeAll(int descriptor, const QByteArray &bytes)
    {
        qsizetype written = 0;
        while (written < bytes.size()) {
            const ssize_t count = ::pwrite(descriptor, bytes.constData() + written,
                                           static_cast<size_t>(bytes.size() - written), written);
            if (count <= 0) {
                return false;
            }
            written += count;
        }
        return true;
    }
#endif

    QString m_path;
    std::unique_ptr<QTemporaryFile> m_file;
};

// Packed folders and moved histories are mapped from files made here, as
// from the private folder in the application.
QString storeFolder()
{
    static QTemporaryDir folder;
    return folder.isValid() ? folder.path() : QString();
}

// Asks every node for what the menus and the browser window ask for, and
// makes every child that is made on demand.
qint64 walk(const TRBookmarkPtr &node, int depth = 0)
{
    qint64 nodes = 1;
    volatile qsizetype sink = node->name().size() + node->idIfMade().size() +
                              node->faviconData().size() + node->url().toString().size();
    static_cast<void>(sink);
    // Deeper than any reader keeps; a cycle would show as unbounded depth.
    if (depth > 10000) {
        std::abort();
    }
    const std::size_t expected = node->childCount();
    const std::vector<TRBookmarkPtr> &children = node->bookmarks();
    if (children.size() != expected) {
        // A count that the children made do not match is a fault the menus
        // would show as a wrong " (n)" label.
        std::abort();
    }
    for (const TRBookmarkPtr &child : children) {
        nodes += walk(child, depth + 1);
    }
    return nodes;
}

template <class Node>
qint64 walkAll(const std::vector<std::shared_ptr<Node>> &nodes)
{
    qint64 count = 0;
    for (const auto &node : nodes) {
        count += walk(node);
    }
    return count;
}

} // namespace

Outcome chromeBookmarks(const QByteArray &bytes)
{
    QString error;
    const TRGoogleChromeBookmarkPtr container =
        TRGoogleChromeBookmarksParser::decodeBookmarks(bytes, &error);
    if (!container) {
        return {};
    }
    std::vector<TRGoogleChromeBookmarkPtr> rootFolders;
    for (const TRBookmarkPtr &rootFolder : container->bookmarks()) {
        rootFolders.push_back(std::static_pointer_cast<TRGoogleChromeBookmark>(rootFolder));
    }
    TRPackedBookmarks<TRGoogleChromeBookmark>::pack(rootFolders, storeFolder());
    return {true, walk(container) - 1};
}

Outcome safariBookmarks(const QByteArray &bytes)
{
    const InputFile file(bytes);
    // One folder switched off by identifier, as customisation does.
    static const QSet<QString> disabled{QStringLiteral("00000000-0000-0000-0000-000000000001")};
    const auto read = TRSafariBookmarksReader::read(file.path(), disabled);
    if (!read) {
        return {};
    }
    std::vector<TRSafariBookmarkPtr> folders;
    for (const TRSafariBookmarkPtr &root : std::as_const(read->roots)) {
        for (const TRBookmarkPtr &child : root->bookmarks()) {
            if (child->kind() == TRBookmarkKind::group) {
                folders.push_back(std::static_pointer_cast<TRSafariBookmark>(child));
            }
        }
    }
    TRPackedBookmarks<TRSafariBookmark>::pack(folders, storeFolder());
    qint64 nodes = 0;
    for (const TRSafariBookmarkPtr &root : std::as_const(read->roots)) {
        nodes += walk(root) - 1;
    }
    return {true, nodes};
}

Outcome safariHistoryPropertyList(const QByteArray &bytes)
{
    const InputFile file(bytes);
    const std::shared_ptr<TRHistoryStore> store = TRSafariHistoryListReader::read(file.path());
    if (!store) {
        return {};
    }
    std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> made;
    std::vector<TRSafariBookmarkPtr> mostVisited;
    for (std::size_t index : TRSafariHistoryReader::selectMostVisited(*store)) {
        mostVisited.push_back(store->makeNode<TRSafariBookmark>(index));
        made.emplace_back(index, mostVisited.back());
    }
    static const TRDayFormatter formatter;
    const std::vector<TRSafariBookmarkPtr> days =
        TRSafariHistoryReader::groupByDay(store, formatter, made);
    store->moveToFile(storeFolder());
    const qint64 nodes = walkAll(days);
    if (nodes - static_cast<qint64>(days.size()) != static_cast<qint64>(store->size())) {
        // Every visit belongs to exactly one day.
        std::abort();
    }
    return {true, nodes + walkAll(mostVisited)};
}

Outcome safariTopSites(const QByteArray &bytes)
{
    const InputFile file(bytes);
    const auto sites = TRSafariTopSitesReader::read(file.path());
    return sites ? Outcome{true, walkAll(*sites)} : Outcome{};
}

Outcome safariLastSession(const QByteArray &bytes)
{
    const InputFile file(bytes);
    const auto tabs = TRSafariLastSessionReader::read(file.path());
    return tabs ? Outcome{true, walkAll(*tabs)} : Outcome{};
}

Outcome customizedBookmarks(const QByteArray &bytes)
{
    const auto strings = TRSafariCustomizedBookmarks::unarchiveStringSet(bytes);
    if (!strings) {
        return {};
    }
    // What is read is written back on the next save: it must survive the
    // round trip unchanged.
    if (TRSafariCustomizedBookmarks::unarchiveStringSet(
            TRSafariCustomizedBookmarks::archiveStringSet(*strings)) != strings) {
        std::abort();
    }
    return {true, static_cast<qint64>(strings->size())};
}

Outcome localState(const QByteArray &bytes)
{
    const auto listed = TRBrowserDiscovery::profilesFromLocalState(bytes);
    if (!listed) {
        return {};
    }
    QSet<QString> folders;
    for (const TRBrowserDiscovery::ListedProfile &profile : *listed) {
        // A folder joined to the browser's own must stay inside it, once;
        // a name must be fit for one menu line.
        const QString &folder = profile.folder;
        if (folder.isEmpty() || folder == u"." || folder == u".." || folder.contains(u'/') ||
            folder.contains(u'\\') || folders.contains(folder)) {
            std::abort();
        }
        folders.insert(folder);
        const QString &name = profile.name;
        if (name.size() > 101 || name != name.trimmed() ||
            std::any_of(name.begin(), name.end(), [](QChar c) {
                return c.category() == QChar::Other_Control || c == QChar(0x202E);
            })) {
            std::abort();
        }
    }
    return {true, static_cast<qint64>(listed->size())};
}

Outcome firefoxPlaces(const QByteArray &bytes)
{
    // SQLite resolves the memory file's /proc link to a name it cannot open:
    // a real file instead, written anew for each input, without companions
    // left by the last one.
    const QString path = storeFolder() + QStringLiteral("/places.sqlite");
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        QFile::remove(path + QLatin1StringView(suffix));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return {};
    }
    file.close();
    const TRGoogleChromeBookmarkPtr container = TRFirefoxPlacesParser::readBookmarks(path, nullptr);
    const std::shared_ptr<TRHistoryStore> store = TRFirefoxPlacesParser::readHistory(path);
    if (!container && !store) {
        return {};
    }
    // The container is only a holder of the roots.
    qint64 nodes = container ? walk(container) - 1 : 0;
    if (store) {
        // A page has at most one entry a day.
        const QTimeZone zone = QTimeZone::systemTimeZone();
        QSet<std::pair<qint64, qint64>> pageDays;
        for (std::size_t index = 0; index < store->size(); ++index) {
            const qint64 time = store->visit(index).time;
            // Undated entries apart from those of a day out of range.
            qint64 day = std::numeric_limits<qint64>::min();
            if (time != TRHistoryStore::noTime) {
                const QDate date = TRDayFormatter::daySpan(time, zone).day;
                day = date.isValid() ? date.toJulianDay() : std::numeric_limits<qint64>::max();
            }
            if (pageDays.contains({store->rowId(index), day})) {
                std::abort();
            }
            pageDays.insert({store->rowId(index), day});
        }
        static const TRDayFormatter formatter;
        const std::vector<TRGoogleChromeBookmarkPtr> days =
            TRFirefoxPlacesParser::groupHistoryByDay(store, formatter);
        store->moveToFile(storeFolder());
        const qint64 dayNodes = walkAll(days);
        if (dayNodes - static_cast<qint64>(days.size()) != static_cast<qint64>(store->size())) {
            std::abort();
        }
        nodes += dayNodes;
    }
    return {true, nodes};
}

Outcome faviconImage(const QByteArray &bytes)
{
    // The sizes of a menu on an ordinary and on a dense screen.
    bool read = false;
    for (const int pixels : {16, 32}) {
        const QImage image = TRWebsiteIconImage::decode(bytes, pixels);
        if (image.isNull()) {
            continue;
        }
        // Never larger than asked, never empty.
        if (image.width() < 1 || image.height() < 1 || image.width() > pixels ||
            image.height() > pixels) {
            std::abort();
        }
        read = true;
    }
    return {read, 0};
}

Outcome searchText(const QByteArray &bytes)
{
    // The first line is what is typed; each line after it a name, a tab and
    // an address, indexed as a bookmark and as a visit of a history.
    const QList<QByteArray> lines = bytes.split('\n');
    auto root = TRBookmark::init(TRBookmarkKind::group, QString());
    TRHistoryStore::Builder history(TRHistoryStore::UntitledName::encodedUrl, false);
    QSet<QByteArray> addresses;
    for (qsizetype i = 1; i < lines.size() && i < 2000; ++i) {
        const qsizetype tab = lines[i].indexOf('\t');
        const QByteArray name = tab < 0 ? lines[i] : lines[i].left(tab);
        const QByteArray url = tab < 0 ? QByteArray() : lines[i].mid(tab + 1);
        auto item = TRBookmark::init(TRBookmarkKind::item, QString::fromUtf8(name));
        item->setEncodedUrl(url);
        root->addBookmark(item);
        history.addVisit(history.address(url, static_cast<qint32>(i)), i * 1000, name);
        addresses.insert(url);
    }
    const auto items = TRSearchIndex::Items::collect({{root, {}}});
    const auto index =
        TRSearchIndex::build({items}, history.finish(), QStringLiteral("History"), 1000 * 1000);
    const TRSearchCatalog catalog({{QStringLiteral("Fuzz"), index}});
    const auto matches = catalog.find(QString::fromUtf8(lines.value(0)));
    // At most a page of matches, each of an address given, each once.
    QSet<QByteArray> shown;
    if (matches.size() > TRSearchCatalog::defaultLimit) {
        std::abort();
    }
    for (const TRSearchCatalog::Match &match : matches) {
        if (!addresses.contains(match.encodedUrl) ||
            (!match.encodedUrl.isEmpty() && shown.contains(match.encodedUrl))) {
            std::abort();
        }
        shown.insert(match.encodedUrl);
    }
    return {!matches.empty(), static_cast<qint64>(matches.size())};
}

Reader reader(const QString &name)
{
    static const QHash<QString, Outcome (*)(const QByteArray &)> readers{
        {QStringLiteral("chrome-bookmarks"), chromeBookmarks},
        {QStringLiteral("safari-bookmarks"), safariBookmarks},
        {QStringLiteral("safari-history-plist"), safariHistoryPropertyList},
        {QStringLiteral("safari-topsites"), safariTopSites},
        {QStringLiteral("safari-lastsession"), safariLastSession},
        {QStringLiteral("customized-bookmarks"), customizedBookmarks},
        {QStringLiteral("local-state"), localState},
        {QStringLiteral("firefox-places"), firefoxPlaces},
        {QStringLiteral("favicon-image"), faviconImage},
        {QStringLiteral("search"), searchText},
    };
    const auto found = readers.constFind(name);
    return found == readers.constEnd() ? Reader() : Reader(*found);
}

} // namespace TRReaderInputs
