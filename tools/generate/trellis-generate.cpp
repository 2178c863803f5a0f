// trellis-generate: writes realistic Chrome, Safari and Firefox files for the tests,
// the fuzz targets' seeds and the benchmarks, the same for the same options;
// with --home, a home folder of Chromium browsers for browser discovery.

#include "TRChromiumHome.h"
#include "TRCorpusGenerator.h"
#include "TRCorpusScale.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trellis-generate"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes Chrome's Bookmarks, History and Favicons, Safari's "
                       "Bookmarks.plist, History.db, History.plist, TopSites.plist and "
                       "LastSession.plist, and Firefox's profiles.ini, installs.ini and a "
                       "profile's places.sqlite and favicons.sqlite into DIR/chrome/Default, "
                       "DIR/safari and DIR/firefox, with DIR/manifest.json; or, with --home, a "
                       "home folder of Chromium browsers."));
    parser.addHelpOption();
    const TRCorpusGenerator::Options defaults;
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Output folder."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed (1)."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption scale(
        QStringLiteral("scale"),
        QStringLiteral("Size: %1 (%2).")
            .arg(TRCorpusScale::names().join(QStringLiteral(", ")), defaults.scale),
        QStringLiteral("SCALE"), defaults.scale);
    const QCommandLineOption now(QStringLiteral("now"),
                                 QStringLiteral("The moment the histories end, ISO 8601 (%1).")
                                     .arg(defaults.now.toString(Qt::ISODate)),
                                 QStringLiteral("TIME"));
    const QCommandLineOption days(QStringLiteral("days"),
                                  QStringLiteral("Days of history, instead of the scale's."),
                                  QStringLiteral("N"));
    const QCommandLineOption visits(
        QStringLiteral("visits"), QStringLiteral("Visits in each history, instead of the scale's."),
        QStringLiteral("N"));
    const QCommandLineOption leaveWal(
        QStringLiteral("leave-wal"),
        QStringLiteral("Leave Safari's and Firefox's newest visits in History.db-wal and "
                       "places.sqlite-wal, not checkpointed."));
    const QCommandLineOption only(QStringLiteral("only"),
                                  QStringLiteral("Write only this browser's files: chrome, "
                                                 "safari or firefox (repeatable)."),
                                  QStringLiteral("BROWSER"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Say nothing when all goes well."));
    const QCommandLineOption home(
        QStringLiteral("home"),
        QStringLiteral("Write a home folder with Chromium browsers (native, Flatpak and Snap), "
                       "each with a Local State and small profiles, instead of a corpus."),
        QStringLiteral("DIR"));
    const QCommandLineOption browsers(
        QStringLiteral("browsers"),
        QStringLiteral("Browsers in the home, at most %1 (6).").arg(TRChromiumHome::maxBrowsers()),
        QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption profiles(QStringLiteral("profiles"),
                                      QStringLiteral("Profiles of each browser in the home (3)."),
                                      QStringLiteral("N"), QStringLiteral("3"));
    parser.addOptions(
        {out, seed, scale, now, days, visits, leaveWal, only, quiet, home, browsers, profiles});
    parser.process(application);

    const auto fail = [](const QString &message) {
        std::fprintf(stderr, "trellis-generate: %s\n", message.toLocal8Bit().constData());
        return 2;
    };
    if (parser.isSet(home)) {
        bool ok = true;
        const int browserCount = parser.value(browsers).toInt(&ok);
        if (!ok || browserCount < 1 || browserCount > TRChromiumHome::maxBrowsers()) {
            return fail(QStringLiteral("--browsers takes a number from 1 to %1")
                            .arg(TRChromiumHome::maxBrowsers()));
        }
        const int profileCount = parser.value(profiles).toInt(&ok);
        if (!ok || profileCount < 0) {
            return fail(QStringLiteral("--profiles takes a number"));
        }
        QString error;
        if (!TRChromiumHome::write(parser.value(home),
                                   TRChromiumHome::layout(browserCount, profileCount), &error)) {
            return fail(error);
        }
        if (!parser.isSet(quiet)) {
            std::fprintf(stderr, "trellis-generate: %d browsers of %d profiles in %s\n",
                         browserCount, profileCount, parser.value(home).toLocal8Bit().constData());
        }
        return 0;
    }
    if (!parser.isSet(out)) {
        return fail(QStringLiteral("--out DIR is required"));
    }
    TRCorpusGenerator::Options options;
    bool ok = true;
    options.scale = parser.value(scale);
    options.seed = parser.value(seed).toULongLong(&ok);
    if (!ok) {
        return fail(QStringLiteral("--seed takes a number"));
    }
    if (parser.isSet(now)) {
        QDateTime moment = QDateTime::fromString(parser.value(now), Qt::ISODateWithMs);
        if (!moment.isValid()) {
            return fail(QStringLiteral("--now takes a time such as 2024-05-01T12:00:00Z"));
        }
        // A time without an offset is taken as UTC.
        if (moment.timeSpec() == Qt::LocalTime) {
            moment.setTimeSpec(Qt::UTC);
        }
        options.now = moment;
    }
    for (const auto &[option, target] :
         {std::pair{&days, &options.days}, {&visits, &options.visits}}) {
        if (parser.isSet(*option)) {
            const int value = parser.value(*option).toInt(&ok);
            if (!ok || value < 1) {
                return fail(
                    QStringLiteral("--%1 takes a positive number").arg(option->names().first()));
            }
            *target = value;
        }
    }
    options.leaveWal = parser.isSet(leaveWal);
    options.only = parser.values(only);

    QElapsedTimer timer;
    timer.start();
    TRCorpusGenerator generator(options);
    if (!generator.write(parser.value(out))) {
        return fail(generator.errorString());
    }
    if (!parser.isSet(quiet)) {
        std::fprintf(stderr, "trellis-generate: %s corpus in %s, %.1f s\n",
                     options.scale.toLocal8Bit().constData(),
                     parser.value(out).toLocal8Bit().constData(), timer.elapsed() / 1000.0);
    }
    return 0;
}
