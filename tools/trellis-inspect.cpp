// trellis-inspect: runs Trellis's own grant, copy and parser code on a file
// and prints the tree it reads as JSON; safari-menu prints the Safari submenu
// that the real plugin builds from the given files; browsers prints what
// browser discovery finds.

#include "TRBrowserDiscovery.h"
#include "TRFaviconTable.h"
#include "TRFileGrant.h"
#include "TRFirefoxDiscovery.h"
#include "TRFirefoxPlacesParser.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRHeapTrim.h"
#include "TRInspectFind.h"
#include "TRInspectJsonWriter.h"
#include "TRPrivateFolder.h"
#include "TRSafariBookmarksParser.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>

#include <unistd.h>

namespace {

int usage()
{
    std::fputs(
        "usage: trellis-inspect [--summary] chrome-bookmarks FILE\n"
        "       trellis-inspect [--summary] chrome-history FILE\n"
        "       trellis-inspect [--summary] firefox-bookmarks FILE\n"
        "       trellis-inspect [--summary] firefox-history FILE\n"
        "       trellis-inspect [--summary] safari-bookmarks FILE\n"
        "       trellis-inspect [--summary] safari-history FILE\n"
        "       trellis-inspect [--summary] safari-topsites FILE\n"
        "       trellis-inspect [--summary] safari-lastsession FILE\n"
        "       trellis-inspect safari-menu [--bookmarks FILE] [--topsites FILE]\n"
        "                       [--history FILE] [--lastsession FILE] [--set KEY=VALUE]...\n"
        "       trellis-inspect favicon FILE ADDRESS [--pixels N]\n"
        "           the icon Trellis would show for ADDRESS from the icon store FILE\n"
        "           (favicons.sqlite: Firefox's; another name: a Chromium browser's Favicons)\n"
        "       trellis-inspect find QUERY --source KIND FILE [--source KIND FILE]...\n"
        "           the best 20 matches of QUERY among the files' bookmarks and history, as\n"
        "           the find window ranks them (KIND: one of the commands above)\n"
        "       trellis-inspect browsers [--home DIR]\n"
        "           the Chromium browsers and Firefox found in the user's home, or in DIR (its\n"
        "           configuration folder then DIR/.config), with their profiles\n",
        stderr);
    return 2;
}

// With --summary the trees are read in full but only counted: what a
// benchmark times is the read, not the printing.
void writeTrees(const std::vector<TRBookmarkPtr> &roots, bool summary, bool asArray)
{
    if (summary) {
        for (const TRBookmarkPtr &root : roots) {
            qint64 groups = 0;
            qint64 items = 0;
            // Children not made yet (a history's days, packed folders) are
            // counted where they are kept: making them here would time node
            // making that the application does only for what is opened.
            root->countBelow(groups, items);
            std::printf("%s: %lld groups, %lld bookmarks\n", root->name().toUtf8().constData(),
                        static_cast<long long>(groups), static_cast<long long>(items));
        }
        return;
    }
    TRInspectJsonWriter writer(stdout);
    if (asArray) {
        writer.write(roots);
    } else {
        writer.write(roots.front());
    }
}

int couldNotRead(const QString &file)
{
    std::fprintf(stderr, "trellis-inspect: could not read %s\n", file.toUtf8().constData());
    return 1;
}

// Runs one Safari parse with file granted as the command's kind and prints
// the roots it fills: the four bookmark roots as an array (favourites bar,
// menu folder, reading list, other bookmarks), the history and most-visited
// roots as an array, or the one root of top sites or the last session.
int inspectSafari(const QString &command, const QString &file, const QByteArray &grant,
                  bool summary)
{
    using Key = TRSafariBookmarksParser::BookmarkTypeKey;
    TRSafariBookmarksParser parser;
    std::vector<Key> keys;
    if (command == u"safari-bookmarks") {
        parser.bookmarkDataForBookmarks = grant;
        keys = {Key::bookmarksBar, Key::bookmarksMenu, Key::readingList, Key::user};
    } else if (command == u"safari-history") {
        parser.bookmarkDataForHistory = grant;
        keys = {Key::history, Key::mostVisited};
    } else if (command == u"safari-topsites") {
        parser.bookmarkDataForTopSites = grant;
        keys = {Key::topSites};
    } else {
        parser.bookmarkDataForLastSession = grant;
        keys = {Key::lastSession};
    }
    parser.updateBookmarks([] { QCoreApplication::quit(); });
    QCoreApplication::exec();

    std::vector<TRBookmarkPtr> roots;
    for (Key key : keys) {
        const TRSafariBookmarkPtr root = parser.bookmarks().value(key);
        if (!root) {
            return couldNotRead(file);
        }
        roots.push_back(root);
    }
    writeTrees(roots, summary, roots.size() > 1);
    return 0;
}

// Runs one Firefox parse of places.sqlite and prints the container of its
// bookmark roots, or the history root.
int inspectFirefox(const QString &command, const QString &file, const QByteArray &grant,
                   bool summary)
{
    TRFirefoxPlacesParser parser;
    parser.dataForPlaces = grant;
    parser.updateBookmarks([] { QCoreApplication::quit(); });
    QCoreApplication::exec();

    using Outcome = TRFirefoxPlacesParser::Outcome;
    const bool history = command == u"firefox-history";
    const auto result = parser.lastUpdateResult();
    const Outcome outcome = history ? result.history : result.bookmarks;
    if (outcome == Outcome::unreadable || outcome == Outcome::notGranted) {
        return couldNotRead(file);
    }
    writeTrees({history
                    ? parser.historyBookmark()
                    : parser.bookmarks().value(TRFirefoxPlacesParser::BookmarkTypeKey::bookmarks)},
               summary, false);
    return 0;
}

QJsonValue pathOrNull(const std::optional<QString> &path)
{
    return path ? QJsonValue(*path) : QJsonValue(QJsonValue::Null);
}

// Prints every browser discovery finds, in its order, as a JSON list.
int inspectBrowsers(const QStringList &arguments)
{
    TRBrowserDiscovery::Places places = TRBrowserDiscovery::currentPlaces();
    if (arguments.size() == 4 && arguments.at(2) == u"--home") {
        const QString home = QFileInfo(arguments.at(3)).absoluteFilePath();
        places = {home, home + QStringLiteral("/.config")};
    } else if (arguments.size() != 2) {
        return usage();
    }
    QJsonArray browsers;
    std::vector<TRBrowserInstallation> found = TRBrowserDiscovery::discover(places);
    for (const TRBrowserInstallation &browser : found) {
        QJsonArray profiles;
        for (const TRBrowserProfile &profile : browser.profiles) {
            profiles.append(QJsonObject{{"folder", profile.folder},
                                        {"name", profile.name},
                                        {"bookmarks", pathOrNull(profile.bookmarks)},
                                        {"accountBookmarks", pathOrNull(profile.accountBookmarks)},
                                        {"history", pathOrNull(profile.history)},
                                        {"favicons", pathOrNull(profile.favicons)}});
        }
        browsers.append(QJsonObject{{"browser", browser.displayName},
                                    {"id", browser.id},
                                    {"root", browser.root},
                                    {"profiles", profiles}});
    }
    const QByteArray text = QJsonDocument(browsers).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    return 0;
}

} // namespace

// Prints {"width", "height", "sha256"} of the icon bytes the store gives a
// page (width and height from the PNG header, 0 for another format), or
// null. The store is read from a throwaway copy, as a running browser may
// hold it locked.
int inspectFavicon(QStringList arguments)
{
    int pixels = 16;
    const qsizetype option = arguments.indexOf(QStringLiteral("--pixels"));
    if (option >= 0 && option + 1 < arguments.size()) {
        pixels = arguments.at(option + 1).toInt();
        arguments.remove(option, 2);
    }
    if (arguments.size() != 4 || pixels <= 0) {
        return usage();
    }
    const QString file = arguments.at(2);
    QTemporaryDir folder;
    const QString copy = folder.filePath(QFileInfo(file).fileName());
    if (!folder.isValid() || !QFile::copy(file, copy)) {
        std::fprintf(stderr, "trellis-inspect: cannot copy %s\n", qPrintable(file));
        return 1;
    }
    QFile::copy(file + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
    const auto store = QFileInfo(file).fileName() == u"favicons.sqlite"
                           ? TRFaviconTable::Store::firefox
                           : TRFaviconTable::Store::chromium;
    QString error;
    const auto table = TRFaviconTable::read(copy, store, pixels, &error);
    if (!table) {
        std::fprintf(stderr, "trellis-inspect: %s: %s\n", qPrintable(file), qPrintable(error));
        return 1;
    }
    const QByteArray bytes = table->iconFor(arguments.at(3).toUtf8());
    if (bytes.isEmpty()) {
        std::puts("null");
        return 0;
    }
    qint64 width = 0;
    qint64 height = 0;
    if (bytes.startsWith("\x89PNG\r\n\x1a\n") && bytes.size() >= 24 && bytes.mid(12, 4) == "IHDR") {
        width = qFromBigEndian<quint32>(bytes.constData() + 16);
        height = qFromBigEndian<quint32>(bytes.constData() + 20);
    }
    const QJsonObject result{
        {QStringLiteral("width"), width},
        {QStringLiteral("height"), height},
        {QStringLiteral("sha256"),
         QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())},
    };
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}

int main(int argc, char *argv[])
{
    // As the application does, so that the reads cost what they cost there.
    TRHeapTrim::useOneMemoryArena();
    QCoreApplication app(argc, argv);
    // The menu needs the widgets and everything they load; the readers need
    // Qt Core only, so the menu lives in a tool of its own beside this one.
    if (argc >= 2 && qstrcmp(argv[1], "safari-menu") == 0) {
        const QByteArray menuTool =
            QFile::encodeName(QCoreApplication::applicationDirPath() + "/trellis-inspect-menu");
        argv[0] = const_cast<char *>(menuTool.constData());
        ::execv(menuTool.constData(), argv);
        std::fprintf(stderr, "trellis-inspect: cannot run %s\n", menuTool.constData());
        return 1;
    }
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 2 && arguments.at(1) == u"browsers") {
        return inspectBrowsers(arguments);
    }
    if (arguments.size() >= 2 && arguments.at(1) == u"favicon") {
        return inspectFavicon(arguments);
    }
    if (arguments.size() >= 2 && arguments.at(1) == u"find") {
        QTemporaryDir copies;
        if (!copies.isValid()) {
            std::fputs("trellis-inspect: cannot create a temporary folder\n", stderr);
            return 1;
        }
        TRPrivateFolder::setOverride(copies.path());
        const int code = inspectFind(arguments);
        return code < 0 ? usage() : code;
    }
    const bool summary = arguments.removeAll(QStringLiteral("--summary")) > 0;
    if (arguments.size() != 3) {
        return usage();
    }
    const QString command = arguments.at(1);
    const QString file = arguments.at(2);
    const bool history = command == QStringLiteral("chrome-history");
    const bool safari = command == u"safari-bookmarks" || command == u"safari-history" ||
                        command == u"safari-topsites" || command == u"safari-lastsession";
    const bool firefox = command == u"firefox-bookmarks" || command == u"firefox-history";
    if (!safari && !firefox && !history && command != QStringLiteral("chrome-bookmarks")) {
        return usage();
    }

    // The copies go to a folder of the tool's own, never over the
    // application's.
    QTemporaryDir copies;
    if (!copies.isValid()) {
        std::fputs("trellis-inspect: cannot create a temporary folder\n", stderr);
        return 1;
    }
    TRPrivateFolder::setOverride(copies.path());

    const std::optional<QByteArray> grant = TRFileGrant::make(file);
    if (!grant) {
        std::printf("Could not get scoped URL: The file “%s” couldn’t be opened because there is "
                    "no such file.\n",
                    QFileInfo(file).fileName().toUtf8().constData());
        return 1;
    }

    if (safari) {
        return inspectSafari(command, file, *grant, summary);
    }
    if (firefox) {
        return inspectFirefox(command, file, *grant, summary);
    }

    TRGoogleChromeBookmarksParser parser;
    (history ? parser.dataForHistory : parser.dataForBookmarks) = grant;
    parser.updateBookmarks([] { QCoreApplication::quit(); });
    QCoreApplication::exec();

    using Outcome = TRGoogleChromeBookmarksParser::Outcome;
    using Key = TRGoogleChromeBookmarksParser::BookmarkTypeKey;
    const auto result = parser.lastUpdateResult();
    const Outcome outcome = history ? result.history : result.bookmarks;
    if (outcome == Outcome::unreadable || outcome == Outcome::notGranted) {
        return couldNotRead(file);
    }
    writeTrees({history ? parser.historyBookmark() : parser.bookmarks().value(Key::bookmarks)},
               summary, false);
    return 0;
}
