#include "MarrowfinVersion.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs marrowfin-cli with a profile folder of the test's own, so nothing of the user's is read or written.
CliRun runCli(const QStringList& arguments, const QString& configDir)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"MARROWFIN_CONFIG_DIR"_s, configDir);
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(MARROWFIN_CLI_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(Cli, AnswersHelpAndVersionAndRefusesWhatItDoesNotKnow)
{
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());

    const CliRun version = runCli({u"--version"_s}, profile.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), u"marrowfin-cli "_s + QString::fromLatin1(MARROWFIN_VERSION));

    const CliRun help = runCli({u"--help"_s}, profile.path());
    EXPECT_EQ(help.exitCode, 0);
    for (const QString& option : {u"--site-host"_s, u"--config-dir"_s, u"--ca-file"_s})
        EXPECT_TRUE(help.out.contains(option)) << option.toStdString();

    for (const QStringList& wrong :
         {QStringList{}, QStringList{u"no-such-command"_s}, QStringList{u"--bogus"_s}, QStringList{u"--site-host"_s}}) {
        const CliRun run = runCli(wrong, profile.path());
        EXPECT_EQ(run.exitCode, 2) << wrong.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith(u"marrowfin-cli: "_s)) << run.err.toStdString();
    }
}
