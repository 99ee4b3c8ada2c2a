#include "core/watch/WatchRunner.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/watch/SignInChecker.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"
#include "support/LoopbackHttp.h"
#include "support/QtTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

class AnonymousSignIn final : public SignInChecker
{
public:
    [[nodiscard]] SignInCheck checkSignIn() override { return {false, true, {}, {}}; }
};

// What a runner told, in the order it came.
struct Heard
{
    QList<WatchRoundSummary> rounds;
    QStringList matches;
    QStringList failures;
    int recoveries = 0;
    QList<bool> watching;
};

} // namespace

// The window's rounds against the demo, each a period later on the runner's clock: every new match told once, the
// match-all rail holding while sending is on, a failing site told once with the health check's reason however
// many rounds fail, the recovery once, and the settings read again so that switching off stops the rounds.
TEST(WatchRunner, TellsMatchesOnceAndFailuresOnlyWhenTheyStartAndEnd)
{
    test::application();
    const demotest::DemoProcess demo;
    ASSERT_TRUE(demo.started());
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    auto store = std::make_shared<SettingsStore>(profile.path());
    // "." accepts every name and has no limit: sending is on, yet the rail keeps every match from being sent.
    ASSERT_TRUE(store->setList(SettingsKeys::filters, {u"."_s}));
    ASSERT_TRUE(store->setText(SettingsKeys::favoritesCount, u"1"_s));
    ASSERT_TRUE(store->setText(SettingsKeys::watchInBackground, kSettingYes.toString()));
    ASSERT_TRUE(store->setText(SettingsKeys::watchSend, kSettingYes.toString()));

    AppConfig config;
    config.siteHost = QString::fromStdString(demo.host());
    WatchRunner::Services services{store, profile.path(), config, nullptr,
                                   [] { return std::make_unique<AnonymousSignIn>(); }};
    WatchRunner runner(services, std::chrono::milliseconds(0));
    Heard heard;
    QObject receiver;
    QObject::connect(&runner, &WatchRunner::roundEnded, &receiver,
                     [&](const WatchRoundSummary& summary) { heard.rounds.append(summary); });
    QObject::connect(&runner, &WatchRunner::newMatch, &receiver, [&](const QString& name, bool sent) {
        EXPECT_FALSE(sent) << "the match-all rail sends nothing";
        heard.matches.append(name);
    });
    QObject::connect(&runner, &WatchRunner::roundsFailed, &receiver,
                     [&](const QString& reason) { heard.failures.append(reason); });
    QObject::connect(&runner, &WatchRunner::roundsWorkAgain, &receiver, [&] { ++heard.recoveries; });
    QObject::connect(&runner, &WatchRunner::watchingChanged, &receiver,
                     [&](bool watching) { heard.watching.append(watching); });

    const auto nextRound = [&](qsizetype rounds) {
        if (!heard.rounds.isEmpty()) {
            runner.clock().advance(std::chrono::minutes(15));
        }
        return test::processEventsUntil([&] { return heard.rounds.size() == rounds; });
    };
    const auto control = [&](const std::string& path) { return test::plainHttpAt(demo.site(path)).status == 200; };

    ASSERT_TRUE(nextRound(1));
    EXPECT_EQ(heard.watching, QList<bool>{true});
    EXPECT_EQ(heard.rounds[0].status, WatchRoundStatus::Ran);
    EXPECT_EQ(heard.rounds[0].newMatches, 25);
    EXPECT_EQ(heard.rounds[0].sent, 0);
    ASSERT_EQ(heard.rounds[0].messages.size(), 1);
    EXPECT_EQ(heard.rounds[0].messages[0].kind, WatchMessageKind::MatchAll);
    EXPECT_EQ(heard.rounds[0].messages[0].filters, QStringList{u"1 (\".\")"_s});

    ASSERT_TRUE(control("/_demo/fail?mode=500"));
    ASSERT_TRUE(nextRound(2));
    ASSERT_TRUE(nextRound(3));
    ASSERT_TRUE(control("/_demo/fail?mode=off"));
    ASSERT_TRUE(control("/_demo/add?count=2"));
    ASSERT_TRUE(nextRound(4));
    ASSERT_TRUE(test::processEventsUntil([&] { return heard.recoveries == 1; }));
    EXPECT_EQ(heard.rounds[1].status, WatchRoundStatus::Failed);
    EXPECT_EQ(heard.rounds[2].status, WatchRoundStatus::Failed);
    EXPECT_EQ(heard.rounds[3].status, WatchRoundStatus::Ran);
    EXPECT_EQ(heard.rounds[3].newMatches, 2);
    ASSERT_EQ(heard.failures.size(), 1) << "one failure for two failed rounds";
    EXPECT_TRUE(heard.failures[0].startsWith(u"site: "_s)) << heard.failures[0].toStdString();
    EXPECT_TRUE(heard.failures[0].contains(u"500"_s)) << heard.failures[0].toStdString();
    EXPECT_EQ(heard.matches.size(), 27);
    EXPECT_EQ(QSet<QString>(heard.matches.cbegin(), heard.matches.cend()).size(), 27) << "none told twice";

    // Switched off from elsewhere (the command line): the next wake reads it and the rounds stop.
    ASSERT_TRUE(store->setText(SettingsKeys::watchInBackground, kSettingNo.toString()));
    runner.apply();
    ASSERT_TRUE(test::processEventsUntil([&] { return heard.watching.size() == 2; }));
    EXPECT_FALSE(runner.isWatching());
    runner.clock().advance(std::chrono::hours(2));
    ASSERT_TRUE(control("/_demo/add?count=1"));
    test::processEventsUntil([] { return false; }, 300);
    EXPECT_EQ(heard.rounds.size(), 4) << "no round while off";
}
