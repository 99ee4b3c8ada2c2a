#include "MarrowfinVersion.h"

#include "core/app/Profile.h"
#include "core/app/StartupOptions.h"
#include "gui/app/StartingWindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marrowfin"));
    QApplication::setApplicationVersion(QStringLiteral(MARROWFIN_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Marrowfin"));
    marrowfin::StartupOptions::applyDebugLogging();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Marrowfin, a client for a torrent index site."));
    parser.addHelpOption();
    parser.addVersionOption();
    marrowfin::StartupOptions options;
    options.addTo(parser);
    parser.process(app);
    options.read(parser);

    marrowfin::Profile profile(options);
    profile.recordBuildVersion();

    marrowfin::StartingWindow window;
    if (!profile.problems().isEmpty())
        window.setStatus(profile.problems().join(u'\n'));
    window.show();
    return QApplication::exec();
}
