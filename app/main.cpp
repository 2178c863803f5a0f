#include "AppDelegate.h"
#include "TRHeapTrim.h"
#include "TRLanguage.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRSingleInstance.h"
#include "TRWebEngineOutput.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    TRHeapTrim::useOneMemoryArena();
    AppDelegate::prepareGraphics();
    TRWebEngineOutput::quieten();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Trellis"));
    QApplication::setOrganizationDomain(QStringLiteral("kwtlabs.com"));
    QApplication::setApplicationVersion(QStringLiteral(TRELLIS_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.kwtlabs.Trellis"));
    // Before any window, menu or reader exists: all of them take their texts
    // from the language chosen here.
    TRLanguage::install();
    // Trellis lives in the tray; closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt's own options (-platform, -style, ...) are gone from the arguments
    // by now. Help, version and errors are printed here rather than through
    // the parser, which would leave with exit() past every destructor.
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Bookmarks and history of your browsers in a menu of the tray."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption findOption(
        QStringLiteral("find"),
        QCoreApplication::translate("main", "Open the window to find bookmarks and history."));
    parser.addOption(findOption);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 1;
    }
    // --help-all comes with the help option; Qt's own options are not ours
    // to list.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    const bool find = parser.isSet(findOption);

    TRSingleInstance instance;
    if (!instance.acquire(find ? TRSingleInstance::Request::find
                               : TRSingleInstance::Request::activate)) {
        return 0;
    }

    AppDelegate delegate;
    // A later start asks this one to come forward: the Plugins window is
    // the one window every user has.
    instance.onActivationRequested = [&delegate] {
        delegate.showPluginsWindow();
    };
    instance.onFindRequested = [] {
        TRNotificationCenter::defaultCenter().post(TRNotificationNames::findWindowRequested);
    };
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    if (find) {
        // Timers of one interval fire in the order they were started: the
        // find window is asked for once launching has finished.
        QTimer::singleShot(0, &delegate, [] {
            TRNotificationCenter::defaultCenter().post(TRNotificationNames::findWindowRequested);
        });
    }
    return QApplication::exec();
}
