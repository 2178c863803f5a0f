// trellis-inspect-menu: the Safari submenu that the real plugin builds from
// the given files, as a text tree. trellis-inspect runs it for its
// safari-menu command.

#include "TRFileGrant.h"
#include "TRInspectMenuWriter.h"
#include "TRNotificationCenter.h"
#include "TRNotificationNames.h"
#include "TRPrivateFolder.h"
#include "TRSafariBookmarksParser.h"
#include "TRSafariPlugin.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int usage()
{
    std::fputs(
        "usage: trellis-inspect safari-menu [--bookmarks FILE] [--topsites FILE]\n"
        "                       [--history FILE] [--lastsession FILE] [--set KEY=VALUE]...\n",
        stderr);
    return 2;
}

int couldNotRead(const QString &file)
{
    std::fprintf(stderr, "trellis-inspect: could not read %s\n", file.toUtf8().constData());
    return 1;
}

} // namespace

// Grants the given Safari files in a settings store of the tool's own,
// applies the --set values, lets the real plugin parse and build its submenu,
// and prints that submenu as a text tree.
int main(int argc, char *argv[])
{
    // Menus need a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Trellis"));

    QCommandLineParser options;
    const QList<std::pair<QString, QString>> files{
        {QStringLiteral("bookmarks"), TRSettingsKeys::bookmarksData},
        {QStringLiteral("topsites"), TRSettingsKeys::topSitesData},
        {QStringLiteral("history"), TRSettingsKeys::historyData},
        {QStringLiteral("lastsession"), TRSettingsKeys::lastSessionData},
    };
    for (const auto &[option, key] : files) {
        options.addOption({option, QStringLiteral("Safari file to grant"), QStringLiteral("FILE")});
    }
    options.addOption(
        {QStringLiteral("set"), QStringLiteral("setting to store"), QStringLiteral("KEY=VALUE")});
    if (!options.parse(QCoreApplication::arguments()) ||
        options.positionalArguments() != QStringList{QStringLiteral("safari-menu")}) {
        return usage();
    }

    // The settings and the private copies live in folders of the tool's own,
    // so the user's settings and copies are never touched.
    QTemporaryDir scope;
    if (!scope.isValid()) {
        std::fputs("trellis-inspect: cannot create a temporary folder\n", stderr);
        return 1;
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scope.filePath("settings"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scope.filePath("settings"));
    TRPrivateFolder::setOverride(scope.path());
    TRSettings &settings = TRSettings::standard();

    bool granted = false;
    for (const auto &[option, key] : files) {
        if (!options.isSet(option)) {
            continue;
        }
        const QString file = options.value(option);
        const std::optional<QByteArray> grant = TRFileGrant::make(file);
        if (!grant) {
            return couldNotRead(file);
        }
        settings.setData(key, *grant);
        granted = true;
    }
    if (!granted) {
        return usage();
    }
    for (const QString &assignment : options.values(QStringLiteral("set"))) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            return usage();
        }
        const QString value = assignment.mid(equals + 1);
        const QString lower = value.toLower();
        if (lower == u"1" || lower == u"true" || lower == u"yes") {
            settings.setBool(assignment.left(equals), true);
        } else if (lower == u"0" || lower == u"false" || lower == u"no") {
            settings.setBool(assignment.left(equals), false);
        } else {
            settings.setString(assignment.left(equals), value);
        }
    }

    QObject observer;
    TRNotificationCenter::defaultCenter().addObserver(
        &observer, TRNotificationNames::pluginDidUpdate,
        [](const TRNotification &) { QCoreApplication::quit(); });
    TRSafariBookmarksParser parser;
    TRSafariPlugin plugin(&parser);
    QApplication::exec();
    TRInspectMenuWriter(stdout).write(plugin.parentMenu());
    return 0;
}
