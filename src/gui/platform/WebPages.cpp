#include "WebPages.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QStringList>

#include <unistd.h>

// Qt Gui's context that every drawing context of the process shares with; the engine draws through it. Exported
// by Qt Gui for the engine's own use and declared in no public header.
QOpenGLContext* qt_gl_global_share_context();
void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

struct LoadState
{
    bool tried = false;
    WebPages* pages = nullptr;
    QString error;
};

LoadState& state()
{
    static LoadState loaded;
    return loaded;
}

// The engine needs a drawing context that the window's contexts share, which Qt makes at start only when asked
// before the application object exists; made then, it loads the graphics drivers into every run, some 60 MB,
// whether a page is ever shown or not. Made here instead, just before the first page.
void prepareSharedDrawingContext()
{
    if (qt_gl_global_share_context())
        return;
    // Qt says the attribute comes late; it is in time for every context made from now on, which is what counts.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.contains(u"must be set before QCoreApplication"_s) && previous)
            previous(type, context, text);
    });
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(previous);
    auto* shared = new QOpenGLContext(QCoreApplication::instance());
    shared->create();
    qt_gl_set_global_share_context(shared);
}

QStringList candidates()
{
    QStringList paths;
    if (const QString given = qEnvironmentVariable("MARROWFIN_WEB_MODULE"); !given.isEmpty())
        paths.append(given);
    const QString fileName = u"" MARROWFIN_WEB_MODULE_FILE_NAME ""_s;
    const QDir programFolder(QCoreApplication::applicationDirPath());
    paths.append(programFolder.filePath(fileName));
    paths.append(programFolder.filePath(u"../lib/marrowfin/"_s + fileName));
    paths.append(u"" MARROWFIN_WEB_MODULE_BUILD_PATH ""_s);
    return paths;
}

constexpr char kRendererAccessibility[] = "--force-renderer-accessibility";

} // namespace

WebPages* WebPages::load()
{
    LoadState& loaded = state();
    if (loaded.tried)
        return loaded.pages;
    loaded.tried = true;
    // As root (CI, containers) the engine's sandbox cannot start and the engine would abort; anywhere else it
    // stays on. Must be set before the engine's first object.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // With a screen reader on, the pages' own content must reach it too: the engine leaves it out unless told.
    if (QAccessible::isActive()) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains(kRendererAccessibility)) {
            flags.append(flags.isEmpty() ? "" : " ").append(kRendererAccessibility);
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
        }
    }
    prepareSharedDrawingContext();
    QStringList problems;
    for (const QString& path : candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        QPluginLoader loader(path);
        // Every symbol bound at once: a program that does not host the module fails here, not at a later call.
        loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (QObject* instance = loader.instance()) {
            loaded.pages = qobject_cast<WebPages*>(instance);
            if (loaded.pages)
                return loaded.pages;
            problems.append(path + u": not the web pages module"_s);
        } else {
            problems.append(loader.errorString());
        }
    }
    loaded.error = problems.isEmpty() ? u"The web pages module was not found."_s : problems.join(u"; "_s);
    return nullptr;
}

WebPages* WebPages::loaded()
{
    return state().pages;
}

QString WebPages::loadError()
{
    return state().error;
}

} // namespace marrowfin
