#include "CliRunner.h"
#include "MarrowfinVersion.h"

#include "cli/WatchState.h"

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

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

// The watcher's state keeps the newest kLimit torrents, the oldest reported going first, and reads back as written.
TEST(WatchState, KeepsTheNewestTorrentsUpToItsLimit)
{
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    const QString file = profile.filePath(u"watch.json"_s);
    QString error;
    std::optional<marrowfin::WatchState> state = marrowfin::WatchState::load(file, &error);
    ASSERT_TRUE(state);
    for (qsizetype i = 0; i <= marrowfin::WatchState::kLimit; ++i) {
        state->add({u"t%1.html"_s.arg(i),
                    u"T %1"_s.arg(i),
                    {},
                    QDateTime::currentDateTimeUtc(),
                    std::nullopt,
                    i % 2 == 1,
                    i % 3 == 0 ? QByteArray::number(i).rightJustified(40, '0') : QByteArray()});
    }
    ASSERT_TRUE(state->save(&error)) << error.toStdString();
    std::optional<marrowfin::WatchState> read = marrowfin::WatchState::load(file, &error);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->find(u"t0.html"_s), nullptr) << "the oldest goes";
    EXPECT_EQ(read->due().size(), marrowfin::WatchState::kLimit / 2);
    EXPECT_EQ(read->due().first(), u"t1.html"_s);
    EXPECT_EQ(read->due().last(), u"t%1.html"_s.arg(marrowfin::WatchState::kLimit - 1));
    // Hashes are kept where known; an entry without one, as older states hold, reads as it is.
    EXPECT_EQ(read->find(u"t3.html"_s)->hash, QByteArray::number(3).rightJustified(40, '0'));
    EXPECT_TRUE(read->find(u"t4.html"_s)->hash.isEmpty());
}
