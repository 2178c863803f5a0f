// Measures how long the Safari submenu takes to rebuild from parsed trees,
// and how long the parse before it takes, on the Safari files given.
//
// Usage: trellis-bench-safari-menu BOOKMARKS TOPSITES HISTORY LASTSESSION [ROUNDS]

#include "TRFileGrant.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariPlugin.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fputs("usage: trellis-bench-safari-menu BOOKMARKS TOPSITES HISTORY LASTSESSION "
                   "[ROUNDS]\n",
                   stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellis"));
    const int rounds = argc > 5 ? std::max(1, QByteArray(argv[5]).toInt()) : 20;

    // Settings and private copies in a scratch folder: the user's stay untouched.
    QTemporaryDir scope;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scope.filePath("settings"));
    qputenv("XDG_DATA_HOME", scope.filePath("data").toUtf8());
    TRSettings &settings = TRSettings::standard();
    const QString keys[] = {TRSettingsKeys::bookmarksData, TRSettingsKeys::topSitesData,
                            TRSettingsKeys::historyData, TRSettingsKeys::lastSessionData};
    for (int i = 0; i < 4; ++i) {
        const std::optional<QByteArray> grant =
            TRFileGrant::make(QString::fromLocal8Bit(argv[i + 1]));
        if (!grant) {
            std::fprintf(stderr, "cannot grant %s\n", argv[i + 1]);
            return 1;
        }
        settings.setData(keys[i], *grant);
    }
    // Everything the submenu can show is on.
    for (const QString &key : {TRSettingsKeys::allowHistory, TRSettingsKeys::allowMostVisitedItems,
                               TRSettingsKeys::allowTopSites, TRSettingsKeys::allowLastSession,
                               TRSettingsKeys::allowReadingList, TRSettingsKeys::showItemCount,
                               TRSettingsKeys::showVisitCount}) {
        settings.setBool(key, true);
    }

    QObject observer;
    TRNotificationCenter::defaultCenter().addObserver(
        &observer, TRNotificationNames::pluginDidUpdate,
        [](const TRNotification &) { QCoreApplication::quit(); });
    QElapsedTimer parse;
    parse.start();
    TRSafariBookmarksParser parser;
    TRSafariPlugin plugin(&parser);
    QApplication::exec();
    const qint64 parseMs = parse.elapsed();

    QElapsedTimer rebuild;
    rebuild.start();
    for (int i = 0; i < rounds; ++i) {
        plugin.rebuildMenu();
        // Deleting the previous build's items is part of the cost.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    const double rebuildMs = double(rebuild.nsecsElapsed()) / 1e6 / rounds;
    std::printf(
        "parse+first build: %lld ms; rebuild: %.3f ms (mean of %d); top-level items: %lld\n",
        static_cast<long long>(parseMs), rebuildMs, rounds,
        static_cast<long long>(plugin.parentMenu()->actions().size()));
    return 0;
}
