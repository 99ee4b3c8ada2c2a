#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/watch/WatchClock.h"
#include "core/watch/WatchFace.h"
#include "core/watch/Watcher.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"
#include "support/LoopbackHttp.h"
#include "support/QtTestSupport.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

// Moves on to the deadline at once when waited on, and runs `betweenRounds` there.
class SteppingClock final : public WatchClock
{
public:
    explicit SteppingClock(std::function<void()> betweenRounds) : m_betweenRounds(std::move(betweenRounds)) {}

    [[nodiscard]] TimePoint now() const override { return m_now; }
    [[nodiscard]] QDateTime currentDateTimeUtc() const override
    {
        return kStart.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(m_now - TimePoint()).count());
    }
    void waitUntil(TimePoint deadline) override
    {
        m_now = std::max(m_now, deadline);
        if (m_waited) {
            m_waited();
        }
        m_betweenRounds();
    }

    // Told after each wait, the clock at its deadline.
    using Waited = std::function<void()>;
    void setWaited(Waited waited) { m_waited = std::move(waited); }

    inline static const QDateTime kStart = QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC);

private:
    std::function<void()> m_betweenRounds;
    Waited m_waited;
    TimePoint m_now;
};

class RecordingFace final : public WatchFace
{
public:
    void showLine(const WatchLine& line) override { lines.append(line); }
    void showMessage(const WatchMessage& message) override { messages.append(message.text); }
    void showPages(int, int) override {}
    [[nodiscard]] bool stopRequested() const override { return stop; }

    QList<WatchLine> lines;
    QStringList messages;
    bool stop = false;
};

// The demo site, and a profile whose one favorite filter accepts every name.
class WatcherAgainstDemo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::application();
        ASSERT_TRUE(demo.started());
        ASSERT_TRUE(profile.isValid());
        ASSERT_TRUE(store.setList(SettingsKeys::filters, {u"."_s}));
    }

    const demotest::DemoProcess demo;
    QTemporaryDir profile;
    SettingsStore store{profile.path()};
};

} // namespace

// A loop of rounds against the demo site, whose newest list grows between them: each round reports what was added
// since the one before, and nothing twice; the rounds keep to their period on the clock they are given, and the
// state records the clock's time.
TEST_F(WatcherAgainstDemo, ReportsEachNewMatchOnceAcrossRoundsOnItsClock)
{

    const QList<int> added{2, 0, 3};
    QList<QStringList> addedNames;
    RecordingFace face;
    SteppingClock clock([&] {
        if (addedNames.size() == added.size()) {
            face.stop = true;
            return;
        }
        QStringList names;
        const int count = added[addedNames.size()];
        const auto reply = count == 0 ? test::PlainAnswer{200, {}, {}}
                                      : test::plainHttpAt(demo.site("/_demo/add?count=" + std::to_string(count)));
        EXPECT_EQ(reply.status, 200);
        for (const QString& line : QString::fromUtf8(reply.body).split(u'\n', Qt::SkipEmptyParts)) {
            names.prepend(line.section(u'\t', 1));
        }
        addedNames.append(names);
    });
    WatchOptions options;
    options.pages = 1;
    const auto period = std::chrono::minutes(15);
    Watcher watcher(options, store, profile.path(), QString::fromStdString(demo.host()), nullptr, clock, face);
    EXPECT_EQ(watcher.run(period), WatchRoundStatus::Ran);

    EXPECT_TRUE(face.messages.isEmpty()) << face.messages.join(u'\n').toStdString();
    EXPECT_EQ(clock.now() - WatchClock::TimePoint(), 4 * period) << "four rounds, each a period after the last";
    QList<QStringList> reported(4);
    QSet<QString> paths;
    for (const WatchLine& line : std::as_const(face.lines)) {
        ASSERT_TRUE(line.round >= 1 && line.round <= 4);
        EXPECT_EQ(line.kind, WatchLineKind::New);
        reported[line.round - 1].append(line.torrent.name.value_or(QString()));
        paths.insert(line.torrent.detailsUrl.value_or(QString()));
    }
    EXPECT_EQ(reported[0].size(), 25) << "the first round reports what is listed already";
    for (qsizetype round = 1; round < reported.size(); ++round) {
        EXPECT_EQ(reported[round], addedNames.value(round - 1)) << "round " << round;
    }
    EXPECT_EQ(paths.size(), face.lines.size()) << "no torrent reported twice";

    QString error;
    std::optional<WatchState> state = WatchState::load(watcher.stateFile(), &error);
    ASSERT_TRUE(state) << error.toStdString();
    EXPECT_EQ(state->rounds(), 4);
    ASSERT_FALSE(face.lines.isEmpty());
    const WatchState::Entry* last = state->find(*face.lines.last().torrent.detailsUrl);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->reported, SteppingClock::kStart.addSecs(3 * 15 * 60));
}

// The watcher asks the site for its pages at the stored rate; a page refused for being asked too often holds every
// request of the watcher, the next round's too, until the wait the site asked for is over.
TEST_F(WatcherAgainstDemo, SpacesItsPagesAndHoldsThemAsLongAsTheSiteAsks)
{
    ASSERT_TRUE(store.setNumber(SettingsKeys::watchRequestsPerMinute, 20));

    QList<std::chrono::seconds> waits;
    RecordingFace face;
    SteppingClock clock([] {});
    const auto at = [&] {
        return std::chrono::duration_cast<std::chrono::seconds>(clock.now() - WatchClock::TimePoint());
    };
    clock.setWaited([&] { waits.append(at()); });
    WatchOptions options;
    options.pages = 3;
    Watcher watcher(options, store, profile.path(), QString::fromStdString(demo.host()), nullptr, clock, face);

    using std::chrono::seconds;
    EXPECT_EQ(watcher.round(), WatchRoundStatus::Ran);
    EXPECT_EQ(waits, (QList<seconds>{seconds(3), seconds(6)})) << "three pages, three seconds apart";

    clock.waitUntil(WatchClock::TimePoint(seconds(100)));
    waits.clear();
    ASSERT_EQ(test::plainHttpAt(demo.site("/_demo/fail?mode=429&retry=300&times=1&exact=1&prefix=/new/2")).status, 200);
    EXPECT_EQ(watcher.round(), WatchRoundStatus::Failed);
    ASSERT_EQ(face.messages.size(), 1);
    EXPECT_TRUE(face.messages.first().contains(u"asks to wait 300 seconds"_s)) << face.messages.first().toStdString();
    waits.clear();
    EXPECT_EQ(watcher.round(), WatchRoundStatus::Ran);
    EXPECT_EQ(waits, (QList<seconds>{seconds(406), seconds(409), seconds(412)}))
        << "the next round waits from the refusal on, then keeps its pace";
}
