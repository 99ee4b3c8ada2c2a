#include "cli/CliApplication.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowfin-cli"));
    marrowfin::StartupOptions::applyDebugLogging();
    QTextStream out(stdout);
    QTextStream err(stderr);
    marrowfin::CliApplication cli(out, err);
    return cli.run(QCoreApplication::arguments());
}
