#include "CliRunner.h"
#include "DemoOptions.h"
#include "MarrowfinVersion.h"

#include "core/watch/WatchState.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
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
    for (const QString& option : {u"--site-host"_s, u"--config-dir"_s, u"--ca-file"_s, u"--password P|- "_s,
                                  u"--max-sends N"_s, u"--allow-match-all"_s, u"LIMITS:"_s})
        EXPECT_TRUE(help.out.contains(option)) << option.toStdString();
    EXPECT_TRUE(QString::fromStdString(marrowfin::demo::DemoOptions::parse({"demo", "--help"}).message)
                    .startsWith(u"Usage: marrowfin-demo-site [options]"_s));
    // The settings' help counts the settings it lists.
    const QString settingsHelp = runCli({u"settings"_s, u"--help"_s}, profile.path()).out;
    const QRegularExpressionMatch count = QRegularExpression(u"the (\\d+) settings"_s).match(settingsHelp);
    EXPECT_EQ(count.captured(1).toInt(),
              settingsHelp.count(QRegularExpression(u"\n  Marrowfin_\\w+ +(text|number|list) "_s)));
    EXPECT_GT(count.captured(1).toInt(), 20);

    // Every wrong command line is refused with status 2 before anything is read or sent (the site host leads nowhere,
    // so a command that went on would fail with 1), and says so on stderr only. The lines are separated by "|".
    QString wrongLines =
        QStringLiteral("|no-such-command|--bogus|--site-host|new --page 0|search|filters remove x|"
                       "settings set Marrowfin_orderBy bogus|settings set Marrowfin_nope x|"
                       "settings set Marrowfin_favoritesCount 0|remote set --client nope|"
                       "remote set --port 70000|remote set|remote show --port 1|history remove 0|"
                       "login --anonymous --user bob|login --user bob --password -|doctor extra|watch --once --every 5|"
                       "watch --every 0|watch --pages 0|watch --pages 101|watch extra|"
                       "settings set Marrowfin_tab 8|settings set Marrowfin_version 9|settings unset Marrowfin_version|"
                       "settings set \x1b[2J\x1b]0;x\x07 1|\x1b[31m|--\x1b[31m|settings set Marrowfin_") +
        QString(100'000, u'k') + u" 1"_s;
    // Negative numbers are values, refused for their range; values unfit to be a site host or CA file are refused
    // before anything is read. What was typed is shown, its control characters escaped and its length cut.
    const std::pair<QString, QString> namedLines[] = {
        {u"settings set Marrowfin_tab -1"_s, u"from 0 to 7"_s},
        {u"filters set -1 --min-seeders 3"_s, u"filters set takes the number"_s},
        {u"history remove -1"_s, u"history remove takes the row number"_s},
        {u"watch --pages -2"_s, u"--pages takes a number"_s},
        {u"--site-host http://127.0.0.1 new"_s, u"\"http://127.0.0.1\" cannot be used: leave out the scheme"_s},
        {u"--site-host= new"_s, u"it is empty; give HOST or HOST:PORT"_s},
        {u"--site-host 127.0.0.1:99999 new"_s, u"the port is not a number from 1 to 65535"_s},
        {u"--site-host a.b/c new"_s, u"leave out the path"_s},
        {u"--site-host me@a.b new"_s, u"leave out the user part"_s},
        {u"--site-host ::1 new"_s, u"goes in brackets"_s},
        {u"--site-host 10.1 new"_s, u"not a host name or an IP address"_s},
        {u"--ca-file /no/such.pem new"_s, u"--ca-file \"/no/such.pem\" cannot be used: No such file or directory"_s},
        {u"settings get \x1b[2J"_s, u"\"\\x1b[2J\" is not a setting"_s},
        {u"settings set x\ny 1"_s, u"\"x\\ny\" is not a setting"_s},
    };
    for (const auto& [line, named] : namedLines)
        wrongLines += u'|' + line;
    for (const QString& line : wrongLines.split(u'|')) {
        const CliRun run =
            runCli(line.split(u' ', Qt::SkipEmptyParts), profile.path(), {u"--site-host"_s, u"127.0.0.1:1"_s});
        EXPECT_EQ(run.exitCode, 2) << line.toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << line.toStdString();
        EXPECT_TRUE(run.err.startsWith(u"marrowfin-cli: "_s)) << line.toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.size() < 500 && !run.err.contains(QChar(0x1b)) && run.err.count(u'\n') <= 2)
            << line.left(80).toStdString() << ": " << run.err.left(600).toStdString();
        for (const auto& [namedLine, named] : namedLines) {
            if (line == namedLine) {
                EXPECT_TRUE(run.err.contains(named)) << line.toStdString() << ": " << run.err.toStdString();
            }
        }
    }

    // A profile folder that cannot be used fails every command before it runs, naming the folder and the reason;
    // the helps and the version need none.
    QFile file(profile.filePath(u"a-file"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const QString& folder : {file.fileName(), file.fileName() + u"/profile"_s}) {
        for (const char* line : {"login --anonymous", "doctor", "settings list", "filters add x", "history list"}) {
            const CliRun run = runCli(QString::fromUtf8(line).split(u' '), folder);
            EXPECT_EQ(run.exitCode, 1) << line;
            EXPECT_EQ(run.err,
                      u"marrowfin-cli: the profile folder \"%1\" cannot be used: %2 is a file, not a folder\n"_s.arg(
                          folder, folder == file.fileName() ? u"it"_s : file.fileName()));
            EXPECT_TRUE(run.out.isEmpty()) << line;
        }
        for (const char* line : {"--help", "--version", "login --help", "settings --help"})
            EXPECT_EQ(runCli(QString::fromUtf8(line).split(u' '), folder).exitCode, 0) << line;
    }
    // A folder still to be made is no problem when its parent is a folder it can be made in.
    EXPECT_EQ(runCli({u"settings"_s, u"get"_s, u"Marrowfin_tab"_s}, profile.filePath(u"new/profile"_s)).out, u"0\n"_s);
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
