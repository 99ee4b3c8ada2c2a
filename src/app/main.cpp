#include "MarrowfinVersion.h"

#include "core/app/Profile.h"
#include "core/app/StartupOptions.h"
#include "gui/app/MarrowfinAppDelegate.h"
#include "gui/app/StartingWindow.h"
#include "gui/platform/Fonts.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marrowfin"));
    QApplication::setApplicationVersion(QStringLiteral(MARROWFIN_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Marrowfin"));
    QApplication::setDesktopFileName(QStringLiteral("marrowfin"));
    marrowfin::StartupOptions::applyDebugLogging();
    marrowfin::installFontSubstitutes();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Marrowfin, a client for a torrent index site."));
    parser.addHelpOption();
    parser.addVersionOption();
    marrowfin::StartupOptions options;
    options.addTo(parser);
    parser.process(app);
    options.read(parser);

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
