#include "MarrowfinVersion.h"

#include "core/app/Profile.h"
#include "core/app/StartupOptions.h"
#include "gui/app/MarrowfinAppDelegate.h"
#include "gui/app/StartingWindow.h"
#include "gui/platform/Fonts.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <optional>

namespace {

// --help and --version answer without a window system, as scripts, package tools and man page makers run them.
bool asksForTextOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--help" || argument == "-h" || argument == "--help-all" || argument == "--version" ||
            argument == "-v")
            return true;
    }
    return false;
}

void describe(QCommandLineParser& parser, marrowfin::StartupOptions& options)
{
    parser.setApplicationDescription(QStringLiteral("Marrowfin, a client for a torrent index site."));
    parser.addHelpOption();
    parser.addVersionOption();
    options.addTo(parser);
}

} // namespace

int main(int argc, char* argv[])
{
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication text(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("marrowfin"));
        QCoreApplication::setApplicationVersion(QStringLiteral(MARROWFIN_VERSION));
        QCommandLineParser parser;
        marrowfin::StartupOptions options;
        describe(parser, options);
        parser.process(text); // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marrowfin"));
    QApplication::setApplicationVersion(QStringLiteral(MARROWFIN_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Marrowfin"));
    QApplication::setDesktopFileName(QStringLiteral("org.marrowfin.Marrowfin"));
    marrowfin::StartupOptions::applyDebugLogging();
    marrowfin::installFontSubstitutes();

    QCommandLineParser parser;
    marrowfin::StartupOptions options;
    describe(parser, options);
    parser.process(app);
    options.read(parser);

    // Options that lead nowhere, and a profile folder that cannot be opened, stop the start: said on standard error
    // for the command line that gave them, and in the starting window for a start from the desktop.
    QStringList refused;
    for (const marrowfin::StartupOptions::Problem& problem : options.problems()) {
        refused.append(
            QStringLiteral("%1 \"%2\" cannot be used: %3").arg(problem.source, problem.value, problem.reason));
    }
    const QString folder = marrowfin::Profile::configDirFor(options);
    if (const std::optional<QString> reason = marrowfin::Profile::folderProblem(folder)) {
        refused.append(QStringLiteral("The profile folder %1 cannot be used: %2").arg(folder, *reason));
    }
    if (!refused.isEmpty()) {
        for (const QString& line : std::as_const(refused)) {
            std::fprintf(stderr, "marrowfin: %s\n", line.toLocal8Bit().constData());
        }
        marrowfin::StartingWindow notice;
        notice.setStatus(refused.join(u'\n'));
        notice.show();
        (void)QApplication::exec();
        return 1;
    }

    marrowfin::Profile profile(options);
    // A profile that had to be repaired says so before anything else happens.
    if (!profile.problems().isEmpty()) {
        marrowfin::StartingWindow notice;
        notice.setStatus(profile.problems().join(u'\n'));
        notice.show();
        const int status = QApplication::exec();
        if (status != 0)
            return status;
    }

    marrowfin::MarrowfinAppDelegate delegate(profile);
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
