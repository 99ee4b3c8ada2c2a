#include "CliRunner.h"
#include "MarrowfinVersion.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

using namespace marrowfin::clitest;

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
