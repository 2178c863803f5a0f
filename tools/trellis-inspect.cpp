// trellis-inspect: runs Trellis's own grant, copy and parser code on a file
// and prints the tree it reads as JSON.

#include "TRBookmarksParser.h"
#include "TRFileGrant.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRInspectJsonWriter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: trellis-inspect chrome-bookmarks FILE\n"
               "       trellis-inspect chrome-history FILE\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        return usage();
    }
    const QString command = arguments.at(1);
    const QString file = arguments.at(2);
    const bool history = command == QStringLiteral("chrome-history");
    if (!history && command != QStringLiteral("chrome-bookmarks")) {
        return usage();
    }

    // The copies go to a folder of the tool's own, never over the
    // application's.
    QTemporaryDir copies;
    if (!copies.isValid()) {
        std::fputs("trellis-inspect: cannot create a temporary folder\n", stderr);
        return 1;
    }
    TRBookmarksParser::setApplicationSupportDirectoryOverride(copies.path());

    const std::optional<QByteArray> grant = TRFileGrant::make(file);
    if (!grant) {
        std::printf("Could not get scoped URL: The file “%s” couldn’t be opened because there is "
                    "no such file.\n",
                    QFileInfo(file).fileName().toUtf8().constData());
        return 1;
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
        std::fprintf(stderr, "trellis-inspect: could not read %s\n", file.toUtf8().constData());
        return 1;
    }
    TRInspectJsonWriter writer(stdout);
    writer.write(history ? parser.historyBookmark() : parser.bookmarks().value(Key::bookmarks));
    return 0;
}
