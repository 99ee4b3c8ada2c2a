#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <ostream>

// Runs the real marrowfin-cli, as scripts and cron do, with a profile folder of the test's own.
namespace marrowfin::clitest {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList& arguments, const QString& configDir, const QStringList& globalOptions = {},
                     const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MARROWFIN_CONFIG_DIR"), configDir);
    environment.insert(QStringLiteral("COLUMNS"), QStringLiteral("100"));
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(MARROWFIN_CLI_PATH), globalOptions + arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace marrowfin::clitest

// Lists of names, readable in failure messages.
inline void PrintTo(const QStringList& names, std::ostream* out)
{
    *out << names.join(QStringLiteral(" | ")).toStdString();
}
