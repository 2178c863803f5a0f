// Runs one of Trellis's own writers in a loop, alternating between two
// versions of its file, until it is killed; TestCrashSafeWrites kills it at
// random moments and looks at what is left.
//
//   trellis-crash-writer customized           customized_bookmarks.plist
//   trellis-crash-writer copy SOURCE0 SOURCE1 the private copy history_data
//   trellis-crash-writer settings             the settings store
//
// Prints "ready" and how long that save took, in microseconds, once a first
// version is complete on disk; anything else it prints is a product's
// failure message.

#include "TRCrashVersions.h"
#include "TRFileGrant.h"
#include "TRPrivateCopy.h"
#include "TRSafariBookmarksParser.h"
#include "TRSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <array>
#include <cstdio>
#include <functional>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);

    // Writes one version; false when the product says it could not.
    std::function<bool(int)> write;
    std::unique_ptr<TRSafariBookmarksParser> parser;
    std::array<QSet<QString>, 2> folders;
    std::array<std::optional<QByteArray>, 2> grants;
    if (mode == u"customized") {
        parser = std::make_unique<TRSafariBookmarksParser>();
        folders = {TRCrashVersions::disabledFolders(0), TRCrashVersions::disabledFolders(1)};
        write = [&](int version) {
            parser->disabledBookmarkUUIDs() = folders[version];
            parser->saveCustomizedBookmarks();
            return true;
        };
    } else if (mode == u"copy" && arguments.size() == 4) {
        grants = {TRFileGrant::make(arguments[2]), TRFileGrant::make(arguments[3])};
        if (!grants[0] || !grants[1]) {
            return 2;
        }
        write = [&](int version) {
            return TRPrivateCopy::make(QStringLiteral("history_data"), grants[version]).has_value();
        };
    } else if (mode == u"settings") {
        write = [](int version) {
            TRSettings &settings = TRSettings::standard();
            for (int i = 0; i < TRCrashVersions::settingsKeyCount; ++i) {
                settings.setData(TRCrashVersions::settingsKey(i),
                                 TRCrashVersions::settingsValue(version, i));
            }
            return settings.synchronize();
        };
    } else {
        std::fputs("usage: trellis-crash-writer customized | settings | copy SOURCE0 SOURCE1\n",
                   stderr);
        return 2;
    }

    for (int version = 0, round = 0;; version ^= 1, ++round) {
        QElapsedTimer timer;
        timer.start();
        if (!write(version)) {
            return 1;
        }
        if (round == 0) {
            std::printf("ready %lld\n", static_cast<long long>(timer.nsecsElapsed() / 1000));
            std::fflush(stdout);
        }
    }
}
