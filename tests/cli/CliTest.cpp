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

    // Every wrong command line is refused with status 2 before anything is read or sent (the site host leads nowhere,
    // so a command that went on would fail with 1), and says so on stderr only. The lines are separated by "|".
    const QString wrongLines =
        QStringLiteral("|no-such-command|--bogus|--site-host|new --page 0|search|filters remove x|"
                       "settings set Marrowfin_orderBy bogus|settings set Marrowfin_nope x|"
                       "settings set Marrowfin_favoritesCount 0|remote set --client nope|"
                       "remote set --port 70000|remote set|remote show --port 1|history remove 0|"
                       "login --anonymous --user bob|login --user bob --password -|doctor extra|watch --once --every 5|"
                       "watch --every 0|watch --pages 0|watch --pages 101|watch extra");
    for (const QString& line : wrongLines.split(u'|')) {
        const CliRun run =
            runCli(line.split(u' ', Qt::SkipEmptyParts), profile.path(), {u"--site-host"_s, u"127.0.0.1:1"_s});
        EXPECT_EQ(run.exitCode, 2) << line.toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << line.toStdString();
        EXPECT_TRUE(run.err.startsWith(u"marrowfin-cli: "_s)) << line.toStdString() << ": " << run.err.toStdString();
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
    EXPECT_EQ(read->find(u"t2.html"_s), nullptr) << "the oldest with nothing to keep goes";
    EXPECT_NE(read->find(u"t0.html"_s), nullptr) << "a hash keeps a torrent posted again from being sent again";
    EXPECT_TRUE(read->sentHashes().contains(QByteArray::number(0).rightJustified(40, '0')) &&
                !read->sentHashes().contains(QByteArray::number(3).rightJustified(40, '0')))
        << "a hash counts once its torrent is no longer due";
    EXPECT_EQ(read->due().size(), marrowfin::WatchState::kLimit / 2);
    EXPECT_EQ(read->due().first(), u"t1.html"_s);
    EXPECT_EQ(read->due().last(), u"t%1.html"_s.arg(marrowfin::WatchState::kLimit - 1));
    // Hashes are kept where known; an entry without one, as older states hold, reads as it is.
    EXPECT_EQ(read->find(u"t3.html"_s)->hash, QByteArray::number(3).rightJustified(40, '0'));
    EXPECT_TRUE(read->find(u"t4.html"_s)->hash.isEmpty());
    // A round that reports more than the limit at once keeps every send still due.
    for (qsizetype i = 0; i < marrowfin::WatchState::kLimit; ++i) {
        read->add({u"n%1.html"_s.arg(i), u"N"_s, {}, QDateTime::currentDateTimeUtc(), std::nullopt, false, {}});
    }
    EXPECT_EQ(read->due().size(), marrowfin::WatchState::kLimit / 2);
}
