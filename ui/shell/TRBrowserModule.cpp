#include "TRBrowserModule.h"

#include "TRBrowserWindowFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QOpenGLContext>

// Exported by Qt GUI without a public header; the web engine declares it
// the same way.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace {

struct ModuleState
{
    QString path;
    bool tried = false;
    TRBrowserWindowFactory *factory = nullptr;
};

ModuleState &moduleState()
{
    static ModuleState state;
    return state;
}

// The web engine takes the application's shared OpenGL context for granted:
// without one it warns on loading and crashes with the first page. When the
// user asked for OpenGL, prepareGraphics has the application make it at
// start-up. Drawing in software, it is never made current, so an empty one
// will do; creating it would only fail, with a warning.
void provideShareContext()
{
    if (QOpenGLContext::globalShareContext()) {
        return;
    }
    qt_gl_set_global_share_context(new QOpenGLContext);
    // Post routines run last-added first: this one after the web engine's.
    qAddPostRoutine([] {
        QOpenGLContext *context = QOpenGLContext::globalShareContext();
        qt_gl_set_global_share_context(nullptr);
        delete context;
    });
}

} // namespace

TRBrowserWindowFactory *TRBrowserModule::factory()
{
    ModuleState &state = moduleState();
    if (state.tried) {
        return state.factory;
    }
    state.tried = true;
    provideShareContext();
    QLibrary library(state.path.isEmpty() ? defaultPath() : state.path);
    // Windows and the web engine's threads may run module code until exit.
    // Binding every symbol now turns a module that does not match this
    // executable into a failed load, not a later abort.
    library.setLoadHints(QLibrary::PreventUnloadHint | QLibrary::ResolveAllSymbolsHint);
    const auto entry = reinterpret_cast<TRBrowserWindowFactoryEntry>(
        library.resolve(trBrowserWindowFactoryEntryName));
    state.factory = entry ? entry() : nullptr;
    if (!state.factory) {
        qWarning("The built-in browser is unavailable, pages open in the default browser: %s",
                 qUtf8Printable(library.errorString()));
    }
    return state.factory;
}

QStringList TRBrowserModule::searchPaths(const QString &executableFolder)
{
    const QString name = QStringLiteral(TRELLIS_BROWSER_MODULE_NAME);
    const QDir folder(executableFolder);
    // The installed folder is given relative to the executable's, so that
    // a tree installed under any prefix, or moved whole, still finds it.
    return {folder.filePath(name),
            QDir::cleanPath(
                folder.filePath(QStringLiteral(TRELLIS_BROWSER_MODULE_INSTALL_DIR) + u'/' + name))};
}

QString TRBrowserModule::pathFor(const QString &executableFolder)
{
    const QStringList paths = searchPaths(executableFolder);
    for (const QString &path : paths) {
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return paths.constFirst();
}

QString TRBrowserModule::defaultPath()
{
    return pathFor(QCoreApplication::applicationDirPath());
}

void TRBrowserModule::setPathForTesting(const QString &path)
{
    ModuleState &state = moduleState();
    state = ModuleState{};
    state.path = path;
}
