#include "cli/CliApplication.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowfin-cli"));
    // The command line says what went wrong in its own messages; the subsystems' warnings would say it twice.
    // MARROWFIN_DEBUG=1 brings them back with everything else.
    QLoggingCategory::setFilterRules(QStringLiteral("marrowfin.*.warning=false"));
    marrowfin::StartupOptions::applyDebugLogging();
    QTextStream out(stdout);
    QTextStream err(stderr);
    marrowfin::CliApplication cli(out, err);
    return cli.run(QCoreApplication::arguments());
}
