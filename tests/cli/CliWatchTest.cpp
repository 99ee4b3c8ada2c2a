#include "CliDemoTest.h"

#include "support/TransmissionDaemon.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

// The watcher against one demo site whose newest list grows between rounds (its /_demo/add); each test has its own
// profile with a filter that accepts every name (with a limit that keeps none out, so that its matches are sent)
// and rounds of one page, so a round reports exactly what was added since the round before.
class CliWatch : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo(); }

    void SetUp() override
    {
        CliDemoTest::SetUp();
        ASSERT_EQ(cli("login --anonymous").exitCode, 0);
        ASSERT_EQ(cli("filters add . --min-seeders 0").exitCode, 0);
        useUtorrent();
        // The first round reports what is listed already.
        ASSERT_EQ(watch().size(), 25U);
    }

    // New torrents at the top of the site's newest list; their names, newest first.
    static QStringList addTorrents(int count)
    {
        const auto reply = marrowfin::test::plainHttpAt(demo().site("/_demo/add?count=" + std::to_string(count)));
        EXPECT_EQ(reply.status, 200);
        QStringList names;
        for (const QString& line : QString::fromUtf8(reply.body).split(u'\n', Qt::SkipEmptyParts)) {
            names.prepend(line.section(u'\t', 1));
        }
        return names;
    }

    // One round; its JSON lines.
    QJsonArray watch(const QStringList& extra = {}, int expectedStatus = 0, CliRun* run = nullptr) const
    {
        const CliRun round = cli(QStringList{u"--json"_s, u"watch"_s, u"--once"_s, u"--pages"_s, u"1"_s} + extra);
        EXPECT_EQ(round.exitCode, expectedStatus) << round.err.toStdString();
        if (run != nullptr) {
            *run = round;
        }
        QJsonArray lines;
        for (const QString& line : round.out.split(u'\n', Qt::SkipEmptyParts)) {
            lines.append(QJsonDocument::fromJson(line.toUtf8()).object());
        }
        return lines;
    }

    // The history shows the last sent first; a round sends in page order.
    static QStringList sentLastFirst(QStringList names)
    {
        std::reverse(names.begin(), names.end());
        return names;
    }
    QStringList history() const
    {
        return QVariant(jsonArray({u"history"_s, u"list"_s}).toVariantList()).toStringList();
    }

    QString stateFile() const { return m_profile.filePath(u"watch.json"_s); }
};

} // namespace

// Each new torrent is reported once and sent once, to a real transmission-daemon first; a round with the client
// down reports its matches as not sent and the next round sends them; a new run repeats nothing.
TEST_F(CliWatch, ReportsAndSendsEachNewMatchOnceAcrossRounds)
{
    EXPECT_TRUE(watch().empty()) << "nothing new since the first round";

    marrowfin::test::TransmissionDaemon daemon;
    ASSERT_TRUE(daemon.started());
    useClient(u"Transmission"_s, daemon.port());
    const QStringList first = addTorrents(2);
    const auto sent = watch({u"--send"_s});
    EXPECT_EQ(fieldOf(sent), first);
    for (const QJsonValue& line : sent) {
        EXPECT_TRUE(line[u"sent"_s].toBool() && line[u"isDownloaded"_s].toBool());
        EXPECT_EQ(line[u"round"_s].toInt(), 3) << "rounds are counted across runs";
        EXPECT_EQ(cli({u"detail"_s, line[u"detailsUrl"_s].toString()}).exitCode, 0) << "a new torrent's page";
    }
    const std::optional<QStringList> held = daemon.torrentNames();
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->size(), 2);

    useUtorrent(u"wrong"_s);
    const QStringList second = addTorrents(2);
    CliRun down;
    const auto refused = watch({u"--send"_s}, 1, &down);
    EXPECT_EQ(fieldOf(refused), second);
    for (const QJsonValue& line : refused) {
        EXPECT_FALSE(line[u"sent"_s].toBool());
    }
    EXPECT_TRUE(down.err.contains(u"Connection with server failed."_s)) << down.err.toStdString();

    useUtorrent();
    EXPECT_EQ(fieldOf(watch({u"--send"_s})), second) << "the matches the client refused go with the next round";
    EXPECT_TRUE(watch({u"--send"_s}).empty());
    EXPECT_EQ(history(), sentLastFirst(first + second)) << "each sent once";

    QFile state(stateFile());
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    EXPECT_EQ(state.permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    const QJsonObject stored = QJsonDocument::fromJson(state.readAll()).object();
    EXPECT_EQ(stored[u"rounds"_s].toInt(), 6);
    EXPECT_EQ(stored[u"torrents"_s].toArray().size(), 29);

    // What the first round only reported: a sending round says so, and --send-earlier sends it within --max-sends.
    CliRun told;
    EXPECT_TRUE(watch({u"--send"_s}, 0, &told).empty());
    EXPECT_TRUE(told.err.contains(u"that earlier rounds reported without --send are not sent"_s))
        << told.err.toStdString();
    const auto earlier = watch({u"--send"_s, u"--send-earlier"_s, u"--max-sends"_s, u"2"_s});
    EXPECT_EQ(fieldOf(earlier, u"status"_s).count(u"sent"_s), 2);
    EXPECT_EQ(history().size(), 6);
}

// A state that cannot be read is left as it is and nothing is fetched or sent. (A state that could not be written
// after a send, as when the watcher is killed there, is the write-failure walk's below.)
TEST_F(CliWatch, AStateThatCannotBeReadIsLeftAsItIs)
{
    QFile state(stateFile());
    ASSERT_TRUE(state.open(QIODevice::WriteOnly | QIODevice::Truncate) && state.write("{ not a state") > 0);
    state.close();
    addTorrents(1);
    CliRun broken;
    EXPECT_TRUE(watch({u"--send"_s}, 1, &broken).empty());
    EXPECT_TRUE(broken.err.contains(stateFile())) << broken.err.toStdString();
    EXPECT_EQ(profileFile(u"watch.json"_s), "{ not a state");
    EXPECT_TRUE(history().isEmpty());
}

// The loop: rounds follow --every, and SIGTERM ends it cleanly at once while it waits. A site that cannot be read
// fails a single round with status 1.
TEST_F(CliWatch, RoundsInALoopEndOnSigtermAndFailuresAreReported)
{
    QProcess loop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"MARROWFIN_CONFIG_DIR"_s, m_profile.path());
    loop.setProcessEnvironment(environment);
    loop.start(QString::fromUtf8(MARROWFIN_CLI_PATH),
               {u"--site-host"_s, QString::fromStdString(demo().host()), u"--json"_s, u"watch"_s, u"--pages"_s, u"1"_s,
                u"--every"_s, u"0.01"_s});
    ASSERT_TRUE(loop.waitForStarted());
    const QStringList added = addTorrents(1);
    QByteArray output;
    for (int i = 0; i < 100 && !output.contains('\n'); ++i) {
        loop.waitForReadyRead(100);
        output += loop.readAllStandardOutput();
    }
    const QJsonObject line = QJsonDocument::fromJson(output.left(output.indexOf('\n'))).object();
    EXPECT_EQ(line[u"name"_s].toString(), added.value(0));
    EXPECT_GE(line[u"round"_s].toInt(), 2);
    // A second watcher on the profile between the loop's rounds: what either reports, the other does not repeat,
    // though the loop keeps its state in memory from round to round.
    const QString second = addTorrents(1).value(0);
    const CliRun once = cli("--json watch --once --pages 1");
    for (int i = 0; i < 20; ++i) {
        loop.waitForReadyRead(100);
        output += loop.readAllStandardOutput();
    }
    EXPECT_EQ(QString::fromUtf8(output).count(second) + once.out.count(second), 1) << once.out.toStdString();
    ::kill(pid_t(loop.processId()), SIGTERM);
    ASSERT_TRUE(loop.waitForFinished(10000));
    EXPECT_EQ(loop.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(loop.exitCode(), 0);

    const CliRun unreachable = cli("watch --once --pages 2", u"127.0.0.1:1"_s);
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_TRUE(unreachable.err.contains(u"could not be fetched"_s)) << unreachable.err.toStdString();
}

// Rails for unattended sends: a filter that takes every name sends nothing without a limit or --allow-match-all
// (said once a round); --max-sends holds the rest for the next round, first; --dry-run changes nothing; a torrent
// posted again under another page and name is known by its info hash and not sent again.
TEST_F(CliWatch, UnattendedSendsKeepToTheirRails)
{
    ASSERT_EQ(cli("filters add |").exitCode, 0);
    ASSERT_EQ(cli("filters remove 1").exitCode, 0);
    const QStringList unguarded = addTorrents(2);
    CliRun said;
    const auto reported = watch({u"--send"_s}, 0, &said);
    EXPECT_EQ(fieldOf(reported), unguarded);
    EXPECT_EQ(fieldOf(reported, u"status"_s).value(0), u"new"_s);
    EXPECT_EQ(said.err.count(u"filter 1 (\"|\") accepts every name"_s), 1) << said.err.toStdString();
    EXPECT_TRUE(history().isEmpty());

    const QStringList capped = addTorrents(3);
    const auto first = watch({u"--send"_s, u"--allow-match-all"_s, u"--max-sends"_s, u"2"_s});
    ASSERT_EQ(first.size(), 3U);
    EXPECT_EQ(fieldOf(first, u"status"_s).value(2), u"held"_s);
    const auto next = watch({u"--send"_s, u"--allow-match-all"_s, u"--max-sends"_s, u"1"_s});
    EXPECT_EQ(fieldOf(next), QStringList{capped.last()}) << "the held torrent goes first in the next round";
    EXPECT_EQ(history(), sentLastFirst(capped));

    const QByteArray before = profileFile(u"watch.json"_s);
    const QStringList dry = addTorrents(1);
    const auto wouldSend = watch({u"--dry-run"_s, u"--allow-match-all"_s});
    EXPECT_EQ(fieldOf(wouldSend), dry);
    EXPECT_EQ(fieldOf(wouldSend, u"status"_s).value(0), u"would send"_s);
    EXPECT_EQ(profileFile(u"watch.json"_s), before) << "a dry run writes nothing";
    EXPECT_EQ(history(), sentLastFirst(capped));
    EXPECT_EQ(fieldOf(watch({u"--send"_s, u"--allow-match-all"_s})), dry) << "sent for real";

    // The newest torrent, sent just now, posted again.
    ASSERT_EQ(control("/_demo/add?count=1&repost=1"), 200);
    const auto repost = watch({u"--send"_s, u"--allow-match-all"_s});
    EXPECT_EQ(fieldOf(repost), QStringList{dry.first() + u" REPACK"_s});
    EXPECT_EQ(fieldOf(repost, u"status"_s).value(0), u"already sent"_s);
    EXPECT_EQ(history(), sentLastFirst(capped + dry));

    // A filter no fixed name catches, taking nearly every torrent of the batch in hand, is held back the same way.
    ASSERT_EQ(cli("filters add ..").exitCode, 0);
    ASSERT_EQ(cli("filters remove 1").exitCode, 0);
    const CliRun nearlyAll = cli("--json watch --once --send --dry-run --pages 2");
    EXPECT_FALSE(nearlyAll.out.contains(u"would send"_s)) << nearlyAll.out.toStdString();
    EXPECT_TRUE(nearlyAll.err.contains(u"filter 1 (\"..\") accepts 90 % or more of the 50 torrents listed"_s))
        << nearlyAll.err.toStdString();
}

// A round whose profile writes fail at any one of their steps, walked over every step of a round that reports and
// sends two new torrents: the round ends with status 1 and names the file and the reason, the state and the journal
// stay readable, and what reached the client is on record (history, state or journal). The round after it, with the
// disk back, sends what was left, and nothing reaches the client twice.
TEST_F(CliWatch, AWriteFailingAnywhereInARoundLosesNothingAndSendsNothingTwice)
{
    const auto accepted = [] {
        QStringList uploads; // a magnet link comes in the address, a file in the body
        const auto reply = marrowfin::test::plainHttpAt(demo().utorrent("/_demo/received"));
        for (const QJsonValue& upload : QJsonDocument::fromJson(reply.body)[u"uploads"_s].toArray()) {
            if (upload[u"accepted"_s].toBool()) {
                uploads.append(upload[u"target"_s].toString() + upload[u"bodySha1"_s].toString());
            }
        }
        return uploads;
    };
    const auto json = [&](const char* file) { return QJsonDocument::fromJson(profileFile(QString::fromLatin1(file))); };
    int step = 1;
    for (; step < 80; ++step) {
        SCOPED_TRACE(step);
        const QStringList fresh = addTorrents(2);
        const qsizetype before = accepted().size();
        const CliRun round = cliFailingWrite(step, {u"watch"_s, u"--once"_s, u"--send"_s, u"--pages"_s, u"1"_s});
        if (round.exitCode == 0) {
            break;
        }
        EXPECT_EQ(round.exitCode, 1);
        EXPECT_TRUE(round.err.contains(m_profile.path()) &&
                    round.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
            << round.err.toStdString();
        EXPECT_TRUE(json("watch.json").isObject());
        EXPECT_TRUE(profileFile(u"sending.json"_s).isEmpty() || json("sending.json").isObject());
        qsizetype recorded = 0;
        for (const QJsonValue& torrent : json("watch.json")[u"torrents"_s].toArray()) {
            recorded += fresh.contains(torrent[u"name"_s].toString()) && torrent[u"sent"_s].isString() ? 1 : 0;
        }
        for (const QString& name : fresh) {
            recorded += history().contains(name) || profileFile(u"sending.json"_s).contains(name.toUtf8()) ? 1 : 0;
        }
        EXPECT_GE(recorded, accepted().size() - before);
        (void)watch({u"--send"_s});
    }
    EXPECT_GT(step, 20) << "the state, each send's journal entry and history, and the state again were each walked";
    const QStringList all = accepted();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), all.size()) << "nothing reached the client twice";
    // Nothing is left due: each was sent, or found in the history (the demo's names repeat) or sent before.
    for (const QJsonValue& torrent : json("watch.json")[u"torrents"_s].toArray()) {
        EXPECT_FALSE(torrent[u"sendDue"_s].toBool()) << torrent[u"name"_s].toString().toStdString();
    }
}
