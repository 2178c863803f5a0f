#include "TRSafariBookmarksParser.h"

#include "TRDayFormatter.h"
#include "TRDiagnostics.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TROperationQueue.h"
#include "TRPlainAddress.h"
#include "TRPrivateCopy.h"
#include "TRPrivateFolder.h"
#include "TRPropertyList.h"
#include "TRSQLiteDatabase.h"
#include "TRSettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

namespace {

const char *const historyQuery =
    "SELECT history_items.url, history_items.visit_count, history_visits.visit_time, "
    "history_visits.title FROM history_items INNER JOIN history_visits ON "
    "history_visits.history_item = history_items.id ORDER BY history_visits.visit_time DESC;";

constexpr int maximumMostVisited = 10;
// Folders nest no deeper than this; the property-list reader bounds it too.
constexpr int maximumFolderDepth = 128;

using BookmarkTypeKey = TRSafariBookmarksParser::BookmarkTypeKey;

TRSafariBookmark::Tag rootTag(BookmarkTypeKey key)
{
    using Tag = TRSafariBookmark::Tag;
    switch (key) {
    case BookmarkTypeKey::topSites:
        return Tag::topSites;
    case BookmarkTypeKey::history:
        return Tag::history;
    case BookmarkTypeKey::mostVisited:
        return Tag::mostVisited;
    case BookmarkTypeKey::lastSession:
        return Tag::lastSession;
    case BookmarkTypeKey::readingList:
        return Tag::readingList;
    case BookmarkTypeKey::bookmarksBar:
        return Tag::bookmarksBar;
    case BookmarkTypeKey::bookmarksMenu:
        return Tag::bookmarksMenu;
    case BookmarkTypeKey::user:
        break;
    }
    return Tag::generic;
}

// The roots that a bookmarks read fills, in the order they enter the map.
const BookmarkTypeKey bookmarkRoots[] = {BookmarkTypeKey::readingList,
                                         BookmarkTypeKey::bookmarksBar,
                                         BookmarkTypeKey::bookmarksMenu, BookmarkTypeKey::user};

// A time text of Safari's files, taken only when the whole text is a number.
std::optional<QDateTime> dateFromTimeText(const QString &text)
{
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace()) {
        return std::nullopt;
    }
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    const QDateTime date = TRPropertyList::dateFromReferenceTime(seconds);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// A time text as bytes. Safari's plain decimals ("735000000.5") are read
// without making a QString; any other text goes the general way, so both
// ways give the same date for every text.
std::optional<QDateTime> dateFromTimeBytes(QByteArrayView bytes)
{
    const char *const begin = bytes.data();
    const char *const end = begin + bytes.size();
    const char *p = begin;
    if (p != end && *p == '-') {
        ++p;
    }
    const char *const digits = p;
    while (p != end && *p >= '0' && *p <= '9') {
        ++p;
    }
    // Leading zeros are left to the general way.
    bool plain = p != digits && (p - digits == 1 || *digits != '0');
    if (plain && p != end && *p == '.') {
        const char *const fraction = ++p;
        while (p != end && *p >= '0' && *p <= '9') {
            ++p;
        }
        plain = p != fraction;
    }
    // Short enough that no text of this form can overflow or underflow, where
    // the two ways of reading could differ.
    if (plain && p == end && bytes.size() <= 32) {
        double seconds = 0;
        const auto [last, error] = std::from_chars(begin, end, seconds);
        if (error == std::errc() && last == end) {
            const QDateTime date = TRPropertyList::dateFromReferenceTime(seconds);
            return date.isValid() ? std::optional(date) : std::nullopt;
        }
    }
    return dateFromTimeText(QString::fromUtf8(bytes));
}

// A column's text as SQLite holds it in UTF-8; empty for NULL.
QByteArrayView columnBytes(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    if (!text) {
        return {};
    }
    return QByteArrayView(text, sqlite3_column_bytes(statement, column));
}

// A visit time column. The column is read as text, as SQLite writes a real
// number with 15 significant digits. For a real that text is only rendered
// when it matters: reading the real itself gives the same millisecond unless
// it lies within a whisker of half a millisecond, far more than those digits
// can move it.
std::optional<QDateTime> dateFromTimeColumn(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_FLOAT: {
        const double seconds = sqlite3_column_double(statement, column);
        const double milliseconds = std::fabs(seconds * 1000.0);
        const double fraction = milliseconds - std::floor(milliseconds);
        if (std::fabs(seconds) < 1e10 && std::fabs(fraction - 0.5) > 0.05) {
            const double rounded = std::copysign(std::round(milliseconds), seconds);
            const QDateTime date = TRPropertyList::dateFromReferenceTime(rounded / 1000.0);
            return date.isValid() ? std::optional(date) : std::nullopt;
        }
        break;
    }
    default:
        break;
    }
    return dateFromTimeBytes(columnBytes(statement, column));
}

// Whether the application asked the running parse to stop; looked at once
// every few thousand entries.
bool stopRequested(std::size_t done)
{
    return (done & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled();
}

// Strict as the platform's parser is: printable ASCII only, so no spaces
// and no raw non-ASCII letters.
QUrl strictUrl(const QString &text)
{
    const bool printableAscii = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f;
    });
    if (!printableAscii || text.isEmpty()) {
        return {};
    }
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

} // namespace

// The grants going to the worker, and what it brings back.
struct TRSafariBookmarksParser::Parsed
{
    std::optional<QByteArray> bookmarksGrant;
    std::optional<QByteArray> topSitesGrant;
    std::optional<QByteArray> historyGrant;
    std::optional<QByteArray> lastSessionGrant;
    QSet<QString> disabled;

    std::optional<std::vector<TRSafariBookmarkPtr>> historyDays;
    std::optional<std::vector<TRSafariBookmarkPtr>> mostVisited;
    std::optional<std::vector<TRSafariBookmarkPtr>> lastSession;
    std::optional<std::vector<TRSafariBookmarkPtr>> topSites;
    std::optional<BookmarksRead> bookmarks;
};

TRSafariBookmarksParser &TRSafariBookmarksParser::shared()
{
    static TRSafariBookmarksParser *parser = new TRSafariBookmarksParser;
    return *parser;
}

TRSafariBookmarksParser::TRSafariBookmarksParser()
    : m_operationQueue(
          std::make_unique<TROperationQueue>(QStringLiteral("safari_updateBookmarksQueue")))
{
    loadCustomizedBookmarks();
}

TRSafariBookmarksParser::~TRSafariBookmarksParser()
{
    saveCustomizedBookmarks();
}

QByteArray TRSafariBookmarksParser::archiveStringSet(const QSet<QString> &strings)
{
    // NSKeyedArchiver's layout: "$null" first, the set, its class, then
    // the members, which the set names by their place in the list.
    QStringList members(strings.cbegin(), strings.cend());
    members.sort();
    QVariantList references;
    QVariantList objects{QStringLiteral("$null"), QVariant(),
                         QVariantMap{{"$classname", QStringLiteral("NSSet")},
                                     {"$classes", QVariantList{QStringLiteral("NSSet"),
                                                               QStringLiteral("NSObject")}}}};
    for (const QString &member : members) {
        references.append(QVariant::fromValue(TRPropertyList::Uid{quint64(objects.size())}));
        objects.append(member);
    }
    objects[1] = QVariantMap{{"NS.objects", references},
                             {"$class", QVariant::fromValue(TRPropertyList::Uid{2})}};
    return TRPropertyList::toBinary(
        QVariantMap{{"$archiver", QStringLiteral("NSKeyedArchiver")},
                    {"$version", qint64(100000)},
                    {"$top", QVariantMap{{"root", QVariant::fromValue(TRPropertyList::Uid{1})}}},
                    {"$objects", objects}});
}

std::optional<QSet<QString>> TRSafariBookmarksParser::unarchiveStringSet(const QByteArray &archive)
{
    const auto root = TRPropertyList::dictionary(TRPropertyList::fromData(archive));
    if (!root || TRPropertyList::string(root->value("$archiver")) != u"NSKeyedArchiver") {
        return std::nullopt;
    }
    const QVariant objectsValue = root->value("$objects");
    const auto top = TRPropertyList::dictionary(root->value("$top"));
    if (objectsValue.metaType().id() != QMetaType::QVariantList || !top) {
        return std::nullopt;
    }
    const QVariantList objects = objectsValue.toList();
    // The object a reference names; reference 0 is nil, never an object.
    // An archive in XML form writes a reference as a dictionary holding only
    // "CF$UID", which libplist leaves a dictionary.
    const auto object = [&objects](const QVariant &reference) -> std::optional<QVariant> {
        std::optional<qint64> index;
        if (reference.metaType() == QMetaType::fromType<TRPropertyList::Uid>()) {
            index = static_cast<qint64>(reference.value<TRPropertyList::Uid>().value);
        } else if (const auto written = TRPropertyList::dictionary(reference);
                   written && written->size() == 1) {
            index = TRPropertyList::integer(written->value(QStringLiteral("CF$UID")));
        }
        if (!index || *index <= 0 || *index >= objects.size()) {
            return std::nullopt;
        }
        return objects.at(static_cast<qsizetype>(*index));
    };
    const auto rootObject = object(top->value("root"));
    const auto set = rootObject ? TRPropertyList::dictionary(*rootObject) : std::nullopt;
    if (!set) {
        return std::nullopt;
    }
    const auto classObject = object(set->value("$class"));
    const auto classInfo = classObject ? TRPropertyList::dictionary(*classObject) : std::nullopt;
    const auto className =
        classInfo ? TRPropertyList::string(classInfo->value("$classname")) : std::nullopt;
    if (!className || (*className != u"NSSet" && *className != u"NSMutableSet")) {
        return std::nullopt;
    }
    const QVariant members = set->value("NS.objects");
    if (members.metaType().id() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    QSet<QString> strings;
    for (const QVariant &reference : members.toList()) {
        const auto member = object(reference);
        const auto text = member ? TRPropertyList::string(*member) : std::nullopt;
        if (!text) {
            return std::nullopt;
        }
        // A text holding a NUL names no folder, and the next save could not
        // write it back whole.
        if (!text->contains(QChar(u'\0'))) {
            strings.insert(*text);
        }
    }
    return strings;
}

void TRSafariBookmarksParser::saveCustomizedBookmarks()
{
    const std::optional<QString> directory = TRPrivateFolder::path();
    if (!directory) {
        return;
    }
    const QString target = QDir(*directory).filePath(QStringLiteral("customized_bookmarks.plist"));
    const QString temporary = target + QStringLiteral(".partial");
    const QByteArray bytes = archiveStringSet(m_disabledBookmarkUUIDs);
    QFile file(temporary);
    QString error;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
    }
    file.close();
    // Renamed into place, so a reader never meets half an archive.
    if (error.isEmpty() && std::rename(QFile::encodeName(temporary).constData(),
                                       QFile::encodeName(target).constData()) != 0) {
        error = QStringLiteral("The file “customized_bookmarks.plist” couldn’t be saved.");
    }
    if (!error.isEmpty()) {
        QFile::remove(temporary);
        TRDiagnostics::writeLine(QStringLiteral("Could not save customized bookmarks: ") + error);
    }
}

void TRSafariBookmarksParser::loadCustomizedBookmarks()
{
    const std::optional<QString> directory = TRPrivateFolder::path();
    if (!directory) {
        return;
    }
    QFile file(QDir(*directory).filePath(QStringLiteral("customized_bookmarks.plist")));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    if (auto strings = unarchiveStringSet(file.readAll())) {
        m_disabledBookmarkUUIDs = std::move(*strings);
    }
}

TRSafariBookmarkPtr TRSafariBookmarksParser::root(BookmarkTypeKey key)
{
    TRSafariBookmarkPtr &node = m_roots[key];
    if (!node) {
        QString title;
        switch (key) {
        case BookmarkTypeKey::topSites:
            title = tr("Top Sites");
            break;
        case BookmarkTypeKey::history:
            title = tr("History");
            break;
        case BookmarkTypeKey::mostVisited:
            title = tr("Most Visited");
            break;
        case BookmarkTypeKey::lastSession:
            title = tr("Last Session");
            break;
        case BookmarkTypeKey::readingList:
            title = tr("Reading List");
            break;
        case BookmarkTypeKey::user:
            title = tr("Bookmarks");
            break;
        case BookmarkTypeKey::bookmarksBar:
            title = tr("Favorites");
            break;
        case BookmarkTypeKey::bookmarksMenu:
            title = tr("Bookmarks Menu");
            break;
        }
        node = TRSafariBookmark::init(TRBookmarkKind::group, title);
        node->tag = rootTag(key);
    }
    return node;
}

TRSafariBookmarkPtr TRSafariBookmarksParser::allGenericBookmarkGroup()
{
    if (!m_allGenericBookmarkGroup) {
        m_allGenericBookmarkGroup = TRSafariBookmark::init(TRBookmarkKind::group, QString());
        for (BookmarkTypeKey key : {BookmarkTypeKey::bookmarksBar, BookmarkTypeKey::bookmarksMenu,
                                    BookmarkTypeKey::user}) {
            const TRSafariBookmarkPtr source = m_bookmarks.value(key);
            if (!source) {
                continue;
            }
            for (const TRBookmarkPtr &child : source->bookmarks()) {
                m_allGenericBookmarkGroup->addBookmark(child);
            }
        }
    }
    return m_allGenericBookmarkGroup;
}

void TRSafariBookmarksParser::updateBookmarks(std::function<void()> completion)
{
    // A parse that the application stopped before it ended leaves no work
    // behind and must not block the next one; one whose result is still on
    // its way to this thread is running.
    if (m_isParsing && (m_operationQueue->operationCount() > 0 || m_resultPending)) {
        return;
    }
    m_isParsing = true;
    saveCustomizedBookmarks();
    m_bookmarks.clear();
    m_operationQueue->cancelAllOperations();
    // The worker gets copies of the grants and of the switched-off folders;
    // it builds new nodes only, and they reach the roots here, on the main
    // thread, in publish().
    Parsed input;
    input.bookmarksGrant = bookmarkDataForBookmarks;
    input.topSitesGrant = bookmarkDataForTopSites;
    input.historyGrant = bookmarkDataForHistory;
    input.lastSessionGrant = bookmarkDataForLastSession;
    input.disabled = m_disabledBookmarkUUIDs;
    m_operationQueue->addOperation(
        [this, input = std::move(input), completion = std::move(completion)] {
            auto parsed = std::make_shared<Parsed>(parse(input));
            // Stopped half-way: what was read is incomplete and is dropped.
            if (TROperationQueue::isCurrentOperationCancelled()) {
                TROperationQueue::runOnMainQueue(this, [this] { m_isParsing = false; });
                return;
            }
            // Before the operation ends, so that the queue never looks idle
            // while the result travels.
            m_resultPending = true;
            TROperationQueue::runOnMainQueue(this, [this, parsed, completion] {
                m_resultPending = false;
                publish(*parsed);
                TRNotificationCenter::defaultCenter().post(
                    TRNotificationNames::safariBookmarksParserDidFinishParsing);
                m_isParsing = false;
                if (completion) {
                    completion();
                }
            });
        });
}

TRSafariBookmarksParser::Parsed TRSafariBookmarksParser::parse(const Parsed &grants)
{
    Parsed parsed;
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::history), grants.historyGrant)) {
        // The copy has no extension: the granted file's own name says which
        // kind of history it is.
        if (const auto granted = TRPrivateCopy::resolveGrant(*grants.historyGrant)) {
            const std::shared_ptr<TRHistoryStore> store = readHistory(*copy, *granted);
            if (store && store->size() > 0) {
                // The most visited are made now and are the nodes their days
                // hold once opened.
                std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> made;
                std::vector<TRSafariBookmarkPtr> mostVisited;
                for (std::size_t index : selectMostVisited(*store)) {
                    mostVisited.push_back(store->makeNode<TRSafariBookmark>(index));
                    made.emplace_back(index, mostVisited.back());
                }
                const TRDayFormatter formatter;
                parsed.historyDays = groupHistoryByDay(store, formatter, made);
                parsed.mostVisited = std::move(mostVisited);
                // Every visit has been looked at; what stays is read only
                // when a day is opened.
                store->moveToFile(TRPrivateFolder::path().value_or(QString()));
            }
        }
    }
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::lastSession), grants.lastSessionGrant)) {
        parsed.lastSession = readLastSession(*copy);
    }
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::topSites), grants.topSitesGrant)) {
        parsed.topSites = readTopSites(*copy);
    }
    if (const auto copy =
            TRPrivateCopy::make(rawValue(BookmarkDataKey::bookmarks), grants.bookmarksGrant)) {
        parsed.bookmarks = readBookmarks(*copy, grants.disabled);
        // Kept packed below the roots' own children until a folder is opened.
        if (parsed.bookmarks) {
            std::vector<TRSafariBookmarkPtr> folders;
            for (const TRSafariBookmarkPtr &root : std::as_const(parsed.bookmarks->roots)) {
                for (const TRBookmarkPtr &child : root->bookmarks()) {
                    if (child->kind() == TRBookmarkKind::group) {
                        folders.push_back(std::static_pointer_cast<TRSafariBookmark>(child));
                    }
                }
            }
            TRPackedBookmarks<TRSafariBookmark>::pack(folders,
                                                      TRPrivateFolder::path().value_or(QString()));
        }
    }
    return parsed;
}

void TRSafariBookmarksParser::publish(Parsed &parsed)
{
    const auto fill = [this](BookmarkTypeKey key, const std::vector<TRSafariBookmarkPtr> &nodes) {
        const TRSafariBookmarkPtr node = root(key);
        node->removeAllBookmarks();
        for (const TRSafariBookmarkPtr &child : nodes) {
            node->addBookmark(child);
        }
        m_bookmarks.insert(key, node);
    };
    if (parsed.historyDays) {
        fill(BookmarkTypeKey::history, *parsed.historyDays);
        // The same entries as the day groups hold; they now name the
        // most-visited root as their parent.
        if (parsed.mostVisited) {
            fill(BookmarkTypeKey::mostVisited, *parsed.mostVisited);
        }
    }
    if (parsed.lastSession) {
        fill(BookmarkTypeKey::lastSession, *parsed.lastSession);
    }
    if (parsed.topSites) {
        fill(BookmarkTypeKey::topSites, *parsed.topSites);
    }
    if (parsed.bookmarks) {
        publishBookmarks(*parsed.bookmarks);
    }
}

void TRSafariBookmarksParser::publishBookmarks(const BookmarksRead &read)
{
    for (BookmarkTypeKey key : bookmarkRoots) {
        const TRSafariBookmarkPtr node = root(key);
        const TRSafariBookmarkPtr standIn = read.roots.value(key);
        // A special folder missing from this file leaves its root empty, not
        // holding the previous file's bookmarks.
        node->removeAllBookmarks();
        if (read.rootIdentifiers.contains(key)) {
            node->setId(read.rootIdentifiers.value(key));
            node->setEnabled(standIn->isEnabled());
        }
        for (const TRBookmarkPtr &child : standIn->bookmarks()) {
            node->addBookmark(child);
        }
        m_bookmarks.insert(key, node);
    }
    m_allBookmarkUUIDs = read.allBookmarkUUIDs;
    // Folders that are gone are forgotten; the file follows at the next save.
    for (auto it = m_disabledBookmarkUUIDs.begin(); it != m_disabledBookmarkUUIDs.end();) {
        it = m_allBookmarkUUIDs.contains(*it) ? std::next(it) : m_disabledBookmarkUUIDs.erase(it);
    }
}

std::optional<TRSafariBookmarksParser::BookmarksRead>
TRSafariBookmarksParser::readBookmarks(const QString &path, const QSet<QString> &disabled)
{
    // Walked in place: a copy of the whole file as QVariants would cost more
    // than the bookmarks made from it.
    const auto tree = TRPropertyList::treeFromFile(path);
    if (!tree || !tree->root().isDictionary()) {
        return std::nullopt;
    }
    const auto children = tree->root().value("Children").listOfDictionaries();
    if (!children || children->empty()) {
        return std::nullopt;
    }
    BookmarksRead read;
    for (BookmarkTypeKey key : bookmarkRoots) {
        read.roots.insert(key, TRSafariBookmark::init(TRBookmarkKind::group, QString()));
    }
    parseBookmarkList(*children, read.roots.value(BookmarkTypeKey::user), 0, disabled, read);
    return read;
}

void TRSafariBookmarksParser::parseBookmarkList(const std::vector<TRPropertyList::Node> &list,
                                                const TRSafariBookmarkPtr &parent, int depth,
                                                const QSet<QString> &disabled, BookmarksRead &read)
{
    if (depth > maximumFolderDepth) {
        return;
    }
    for (const TRPropertyList::Node &node : list) {
        const auto type = node.value("WebBookmarkType").utf8();
        // A node without a type ends its own list; the levels above go on.
        if (!type || type->isEmpty()) {
            return;
        }
        if (*type == "WebBookmarkTypeList") {
            QString title = node.value("Title").string().value_or(QString());
            if (title.startsWith(QLatin1StringView("com.apple"))) {
                const QStringList parts = title.split(QLatin1Char('.'));
                if (parts.size() >= 2) {
                    title = parts.last();
                }
            }
            std::optional<BookmarkTypeKey> special;
            if (depth == 0) {
                if (title == u"ReadingList") {
                    special = BookmarkTypeKey::readingList;
                } else if (title == u"BookmarksBar") {
                    special = BookmarkTypeKey::bookmarksBar;
                } else if (title == u"BookmarksMenu") {
                    special = BookmarkTypeKey::bookmarksMenu;
                }
            }
            const TRSafariBookmarkPtr target =
                special ? read.roots.value(*special)
                        : TRSafariBookmark::init(TRBookmarkKind::group, title);
            target->removeAllBookmarks();
            if (const auto uuid = node.value("WebBookmarkUUID").string()) {
                target->setId(*uuid);
                target->setEnabled(!disabled.contains(*uuid));
                read.allBookmarkUUIDs.insert(*uuid);
                if (special) {
                    read.rootIdentifiers.insert(*special, *uuid);
                }
            }
            if (!special) {
                parent->addBookmark(target);
            }
            if (const auto grandChildren = node.value("Children").listOfDictionaries()) {
                parseBookmarkList(*grandChildren, target, depth + 1, disabled, read);
            }
        } else if (*type == "WebBookmarkTypeLeaf") {
            const TRPropertyList::Node urlNode = node.value("URLString");
            const auto urlBytes = urlNode.utf8();
            if (!urlBytes || urlBytes->isEmpty()) {
                continue;
            }
            QString title;
            const TRPropertyList::Node uri = node.value("URIDictionary");
            if (uri.isDictionary()) {
                title = uri.value("title").string().value_or(QString());
            }
            // A plain web address is what parsing would give back: it is
            // kept as it is, and only the others are parsed.
            QByteArray encodedUrl;
            if (TRPlainAddress::isPlain(*urlBytes)) {
                encodedUrl = urlBytes->toByteArray();
            } else {
                const std::optional<QString> urlString = urlNode.string();
                // Only a URL with a scheme is a bookmark; a feed is read over http.
                const QUrl components = strictUrl(*urlString);
                const QString scheme = components.isEmpty() ? QString() : components.scheme();
                if (scheme.isEmpty()) {
                    continue;
                }
                // The address is the text itself unless it is a feed: the URL
                // already made serves.
                const QUrl url = scheme == u"feed"
                                     ? strictUrl(QStringLiteral("http") + urlString->mid(4))
                                     : components;
                if (url.isEmpty()) {
                    continue;
                }
                encodedUrl = url.toEncoded();
            }
            auto leaf = TRSafariBookmark::init(TRBookmarkKind::item, title);
            leaf->setEncodedUrl(encodedUrl);
            if (const auto uuid = node.value("WebBookmarkUUID").string()) {
                leaf->setId(*uuid);
            }
            parent->addBookmark(leaf);
        }
    }
}

QString TRSafariBookmarksParser::rawValue(BookmarkDataKey key)
{
    switch (key) {
    case BookmarkDataKey::bookmarks:
        return TRSettingsKeys::bookmarksData;
    case BookmarkDataKey::topSites:
        return TRSettingsKeys::topSitesData;
    case BookmarkDataKey::history:
        return TRSettingsKeys::historyData;
    case BookmarkDataKey::lastSession:
        return TRSettingsKeys::lastSessionData;
    }
    return {};
}

std::optional<TRSafariBookmarksParser::BookmarkDataKey>
TRSafariBookmarksParser::bookmarkDataKey(const QString &raw)
{
    for (BookmarkDataKey key : {BookmarkDataKey::bookmarks, BookmarkDataKey::topSites,
                                BookmarkDataKey::history, BookmarkDataKey::lastSession}) {
        if (raw == rawValue(key)) {
            return key;
        }
    }
    return std::nullopt;
}

QStringList TRSafariBookmarksParser::allowedFileTypes(BookmarkDataKey key)
{
    if (key == BookmarkDataKey::history) {
        return {QStringLiteral("plist"), QStringLiteral("db")};
    }
    return {QStringLiteral("plist")};
}

QStringList TRSafariBookmarksParser::allowedFileNames(BookmarkDataKey key)
{
    switch (key) {
    case BookmarkDataKey::bookmarks:
        return {QStringLiteral("Bookmarks.plist")};
    case BookmarkDataKey::topSites:
        return {QStringLiteral("TopSites.plist")};
    case BookmarkDataKey::history:
        return {QStringLiteral("History.plist"), QStringLiteral("History.db")};
    case BookmarkDataKey::lastSession:
        return {QStringLiteral("LastSession.plist")};
    }
    return {};
}

QString TRSafariBookmarksParser::rawValue(BookmarkTypeKey key)
{
    switch (key) {
    case BookmarkTypeKey::topSites:
        return QStringLiteral("trTopSites");
    case BookmarkTypeKey::history:
        return QStringLiteral("trHistory");
    case BookmarkTypeKey::mostVisited:
        return QStringLiteral("trMostVisited");
    case BookmarkTypeKey::lastSession:
        return QStringLiteral("trLastSession");
    case BookmarkTypeKey::readingList:
        return QStringLiteral("trReadingList");
    case BookmarkTypeKey::user:
        return QStringLiteral("trUser");
    case BookmarkTypeKey::bookmarksBar:
        return QStringLiteral("trBookmarksBar");
    case BookmarkTypeKey::bookmarksMenu:
        return QStringLiteral("trBookmarksMenu");
    }
    return {};
}

std::optional<TRSafariBookmarksParser::BookmarkTypeKey>
TRSafariBookmarksParser::bookmarkTypeKey(const QString &raw)
{
    for (BookmarkTypeKey key :
         {BookmarkTypeKey::topSites, BookmarkTypeKey::history, BookmarkTypeKey::mostVisited,
          BookmarkTypeKey::lastSession, BookmarkTypeKey::readingList, BookmarkTypeKey::user,
          BookmarkTypeKey::bookmarksBar, BookmarkTypeKey::bookmarksMenu}) {
        if (raw == rawValue(key)) {
            return key;
        }
    }
    return std::nullopt;
}

QUrl TRSafariBookmarksParser::urlFromText(const QString &text, bool byteFallback)
{
    if (text.isEmpty()) {
        return {};
    }
    if (text.startsWith(QLatin1StringView("file://"))) {
        // Parsed as a file URL, so file:///a%20b names the file "a b".
        const QUrl url(text, QUrl::TolerantMode);
        return url.isValid() && url.isLocalFile() ? url : QUrl();
    }
    const QUrl strict = strictUrl(text);
    if (!strict.isEmpty()) {
        return strict;
    }
    if (!byteFallback) {
        return {};
    }
    // The raw bytes as a URL reference: what the strict parser refuses is
    // percent-encoded rather than lost.
    const QUrl tolerant = QUrl::fromEncoded(text.toUtf8(), QUrl::TolerantMode);
    return tolerant.isValid() ? tolerant : QUrl();
}

std::shared_ptr<TRHistoryStore> TRSafariBookmarksParser::readHistoryDatabase(const QString &path)
{
    const std::unique_ptr<SQLite::Database> database = TRSQLiteDatabase::openCopy(path);
    if (!database) {
        return nullptr;
    }
    sqlite3 *const handle = database->getHandle();
    // The rows are read through SQLite's own interface: by column index, as
    // raw UTF-8, without a wrapper object per value.
    const auto failed = [handle] {
        TRDiagnostics::writeLine(QStringLiteral("Could not execute query: ") +
                                 QString::fromUtf8(sqlite3_errmsg(handle)));
        return nullptr;
    };
    sqlite3_stmt *statement = nullptr;
    const int prepared = sqlite3_prepare_v2(handle, historyQuery, -1, &statement, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalizer(statement,
                                                                           sqlite3_finalize);
    if (prepared != SQLITE_OK) {
        return failed();
    }
    // Looked up by name once; every row is then read by index.
    const auto columnIndex = [statement](std::string_view name) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            if (name == sqlite3_column_name(statement, column)) {
                return column;
            }
        }
        return -1;
    };
    const int urlColumn = columnIndex("url");
    const int titleColumn = columnIndex("title");
    const int visitTimeColumn = columnIndex("visit_time");
    const int visitCountColumn = columnIndex("visit_count");
    // A visit without a time is dated when it is read.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // The visits of one item share its URL text and, mostly, its title.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, true);
    int step = SQLITE_ROW;
    std::size_t rows = 0;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        if (stopRequested(++rows)) {
            return nullptr;
        }
        if (sqlite3_column_type(statement, urlColumn) == SQLITE_NULL) {
            continue;
        }
        const QByteArrayView urlBytes = columnBytes(statement, urlColumn);
        // A plain web address is what parsing would give back; only the
        // others are parsed.
        QByteArray parsedUrl;
        if (!TRPlainAddress::isPlain(urlBytes)) {
            parsedUrl = urlFromText(QString::fromUtf8(urlBytes), true).toEncoded();
            if (parsedUrl.isEmpty()) {
                continue;
            }
        }
        const quint32 address =
            builder.address(parsedUrl.isNull() ? urlBytes : QByteArrayView(parsedUrl),
                            sqlite3_column_int(statement, visitCountColumn));
        const std::optional<QDateTime> date = dateFromTimeColumn(statement, visitTimeColumn);
        builder.addVisit(address, date ? date->toMSecsSinceEpoch() : now,
                         columnBytes(statement, titleColumn));
    }
    if (step != SQLITE_DONE) {
        return failed();
    }
    return builder.finish();
}

std::shared_ptr<TRHistoryStore>
TRSafariBookmarksParser::readHistoryPropertyList(const QString &path)
{
    const auto tree = TRPropertyList::treeFromFile(path);
    if (!tree || !tree->root().isDictionary()) {
        return nullptr;
    }
    const auto dates = tree->root().value("WebHistoryDates").listOfDictionaries();
    if (!dates) {
        return nullptr;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // One entry per address.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, false);
    std::size_t entries = 0;
    for (const TRPropertyList::Node &entry : *dates) {
        if (stopRequested(++entries)) {
            return nullptr;
        }
        const auto text = entry.value("").string();
        if (!text || text->isEmpty()) {
            continue;
        }
        const QByteArray url = urlFromText(*text, true).toEncoded();
        if (url.isEmpty()) {
            continue;
        }
        const quint32 address = builder.addAddress(
            url, static_cast<qint32>(entry.value("visitCount").integer().value_or(0)));
        std::optional<QDateTime> date;
        if (const auto time = entry.value("lastVisitedDate").utf8()) {
            date = dateFromTimeBytes(*time);
        }
        builder.addVisit(address, date ? date->toMSecsSinceEpoch() : now,
                         entry.value("title").string().value_or(QString()).toUtf8());
    }
    return builder.finish();
}

std::shared_ptr<TRHistoryStore> TRSafariBookmarksParser::readHistory(const QString &path,
                                                                     const QString &grantedPath)
{
    const QString extension = QFileInfo(grantedPath).suffix().toLower();
    if (extension == u"plist") {
        return readHistoryPropertyList(path);
    }
    if (extension == u"db") {
        return readHistoryDatabase(path);
    }
    return nullptr;
}

std::vector<TRSafariBookmarkPtr> TRSafariBookmarksParser::groupHistoryByDay(
    const TRHistoryStorePtr &store, const TRDayFormatter &formatter,
    const std::vector<std::pair<std::size_t, TRSafariBookmarkPtr>> &made)
{
    return formatter.groupByDay<TRSafariBookmark>(store, made);
}

std::vector<std::size_t> TRSafariBookmarksParser::selectMostVisited(const TRHistoryStore &store)
{
    // The visits in day order, each with its count; the order of equal
    // counts is that order, so the latest visit of a host wins: the order of
    // a stable sort by count.
    struct Candidate
    {
        qint64 visitCount;
        std::size_t index;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(store.size());
    for (std::size_t index = 0; index < store.size(); ++index) {
        candidates.push_back({store.visitCount(index), index});
    }
    const auto before = [](const Candidate &a, const Candidate &b) {
        return a.visitCount != b.visitCount ? a.visitCount > b.visitCount : a.index < b.index;
    };
    // Ten hosts are nearly always found among the first few thousand
    // entries, so only a head of that order is sorted; a longer one when the
    // walk runs out of it.
    std::vector<std::size_t> selected;
    std::size_t head = std::min<std::size_t>(candidates.size(), 4096);
    std::size_t sorted = 0;
    QStringList hosts;
    while (selected.size() < maximumMostVisited && sorted < candidates.size()) {
        std::partial_sort(candidates.begin() + static_cast<std::ptrdiff_t>(sorted),
                          candidates.begin() + static_cast<std::ptrdiff_t>(head), candidates.end(),
                          before);
        for (; sorted < head && selected.size() < maximumMostVisited; ++sorted) {
            const std::size_t index = candidates[sorted].index;
            const QString host = QUrl::fromEncoded(store.encodedUrl(index).toByteArray()).host();
            if (host.isEmpty() || hosts.contains(host)) {
                continue;
            }
            hosts.append(host);
            selected.push_back(index);
        }
        head = std::min(candidates.size(), head * 2);
    }
    return selected;
}

std::optional<std::vector<TRSafariBookmarkPtr>>
TRSafariBookmarksParser::readTopSites(const QString &path)
{
    const auto root = TRPropertyList::dictionary(TRPropertyList::fromFile(path));
    if (!root) {
        return std::nullopt;
    }
    const auto sites = TRPropertyList::listOfDictionaries(root->value("TopSites"));
    if (!sites) {
        return std::nullopt;
    }
    std::vector<TRSafariBookmarkPtr> entries;
    for (const QVariantMap &site : *sites) {
        const auto text = TRPropertyList::string(site.value("TopSiteURLString"));
        if (!text || text->isEmpty()) {
            continue;
        }
        // A text that is no URL is skipped, as a last session's tab is.
        const QUrl url = urlFromText(*text, false);
        if (url.isEmpty()) {
            continue;
        }
        const QString name = TRPropertyList::string(site.value("TopSiteTitle")).value_or(*text);
        entries.push_back(TRSafariBookmark::init(TRBookmarkKind::item, name, url));
    }
    return entries;
}

TRSafariBookmarkPtr TRSafariBookmarksParser::makeTabBookmark(const QVariantMap &tab, bool pinned)
{
    const auto text = TRPropertyList::string(tab.value("TabURL"));
    if (!text) {
        return nullptr;
    }
    const QUrl url = strictUrl(*text);
    if (url.isEmpty()) {
        return nullptr;
    }
    const QString name = TRPropertyList::string(tab.value("TabTitle")).value_or(QString());
    auto node = TRSafariBookmark::init(TRBookmarkKind::item, name, url);
    if (const auto uuid = TRPropertyList::string(tab.value("TabUUID"))) {
        node->setId(*uuid);
    }
    if (pinned) {
        node->setPinned(true);
    }
    return node;
}

std::optional<std::vector<TRSafariBookmarkPtr>>
TRSafariBookmarksParser::readLastSession(const QString &path)
{
    const auto root = TRPropertyList::dictionary(TRPropertyList::fromFile(path));
    if (!root) {
        return std::nullopt;
    }
    std::vector<TRSafariBookmarkPtr> tabs;
    if (const auto pinned = TRPropertyList::listOfDictionaries(root->value("SessionPinnedTabs"))) {
        for (const QVariantMap &tab : *pinned) {
            if (auto node = makeTabBookmark(tab, true)) {
                tabs.push_back(std::move(node));
            }
        }
    }
    if (const auto windows = TRPropertyList::listOfDictionaries(root->value("SessionWindows"))) {
        for (const QVariantMap &window : *windows) {
            const auto states = TRPropertyList::listOfDictionaries(window.value("TabStates"));
            if (!states) {
                continue;
            }
            // Real files store a boolean; older ones a number.
            const std::optional<double> isPrivate =
                TRPropertyList::number(window.value("IsPrivateWindow"));
            for (const QVariantMap &tab : *states) {
                auto node = makeTabBookmark(tab, false);
                if (!node) {
                    continue;
                }
                if (isPrivate) {
                    node->setPrivate(*isPrivate != 0);
                }
                tabs.push_back(std::move(node));
            }
        }
    }
    return tabs;
}
