#include "TRWebEngineOutput.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

namespace {

QtMessageHandler previousHandler = nullptr;

// The engine says these without a category of its own, once per start,
// some with a line break of their own.
bool isEngineStartLine(const QMessageLogContext &context, const QString &message)
{
    const QString line = message.trimmed();
    return qstrcmp(context.category, "default") == 0 &&
           (line == QLatin1String("Sandboxing disabled by user.") ||
            line == QLatin1String("No suitable graphics backend found"));
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!isEngineStartLine(context, message) && previousHandler) {
        previousHandler(type, context, message);
    }
}

} // namespace

void TRWebEngineOutput::quieten()
{
    // Chromium's own log (GPU, fontconfig, D-Bus) goes straight to standard
    // error; only its fatal lines are kept. A level the user chose stays.
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray(flags + " --log-level=3").trimmed());
    }
    // The engine's context report and the pages' console messages ("js").
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webengine*=false\njs=false"));
    previousHandler = qInstallMessageHandler(handleMessage);
}
