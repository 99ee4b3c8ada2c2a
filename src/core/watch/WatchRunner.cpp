#include "WatchRunner.h"

#include "HealthCheck.h"
#include "SignInChecker.h"
#include "Watcher.h"

#include "core/settings/SettingsStore.h"

#include <QThread>
#include <QTimer>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

// One run of the watcher with one set of settings: its face and notifier, gathering each round's summary.
class WatchRunner::Round final : public WatchFace, public WatchNotifier
{
public:
    Round(WatchRunner& runner, const BackgroundWatchSettings& settings) : m_runner(runner), m_settings(settings) {}

    void showLine(const WatchLine& line) override
    {
        begin();
        if (line.kind == WatchLineKind::Sent) {
            ++m_summary.sent;
        }
    }
    void showMessage(const WatchMessage& message) override
    {
        begin();
        m_summary.messages.append(message);
    }
    void showPages(int, int) override { begin(); }
    [[nodiscard]] bool stopRequested() const override { return m_runner.interrupted(); }
    void roundEnded(WatchRoundStatus status) override
    {
        begin();
        m_begun = false;
        m_summary.status = status;
        m_summary.endedUtc = m_runner.m_clock.currentDateTimeUtc();
        m_runner.ended(std::exchange(m_summary, {}));
        // A change made elsewhere (the command line) ends this run, and the next is made with the new settings.
        BackgroundWatchSettings now = BackgroundWatchSettings::read(*m_runner.m_services.settings);
        now.keepInTray = m_settings.keepInTray;
        if (now != m_settings) {
            ++m_runner.m_generation;
        }
    }
    void notify(const QString& name, bool sent) override
    {
        begin();
        ++m_summary.newMatches;
        Q_EMIT m_runner.newMatch(name, sent);
    }

private:
    // The first thing a round tells marks its start, from which the next round of a later run is timed.
    void begin()
    {
        if (!m_begun) {
            m_begun = true;
            m_runner.m_lastStart = m_runner.m_clock.now();
        }
    }

    WatchRunner& m_runner;
    const BackgroundWatchSettings m_settings;
    WatchRoundSummary m_summary;
    bool m_begun = false;
};

WatchRunner::WatchRunner(Services services, std::chrono::milliseconds firstDelay, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_clock([this] { return interrupted(); }),
      m_firstRound(m_clock.now() + firstDelay)
{
    m_thread = QThread::create([this] { runLoop(); });
    m_thread->setObjectName(u"watch"_s);
    // On the next turn of the maker's event loop, once it has connected to what the rounds tell: a round's signals
    // sent before then would reach no one.
    QTimer::singleShot(0, this, [this] { m_thread->start(); });
}

WatchRunner::~WatchRunner()
{
    m_quitting = true;
    m_clock.wake();
    m_thread->wait();
    delete m_thread;
}

void WatchRunner::apply()
{
    ++m_generation;
    m_clock.wake();
}

void WatchRunner::setPaused(bool paused)
{
    m_paused = paused;
    apply();
}

bool WatchRunner::interrupted() const
{
    return m_quitting.load() || m_generation.load() != m_runGeneration.load();
}

void WatchRunner::runLoop()
{
    while (!m_quitting.load()) {
        m_runGeneration = m_generation.load();
        const BackgroundWatchSettings settings = BackgroundWatchSettings::read(*m_services.settings);
        const bool watching = settings.on && !m_paused.load();
        if (m_watching.exchange(watching) != watching) {
            Q_EMIT watchingChanged(watching);
        }
        if (!watching) {
            // Turned on again, the rounds start afresh: a failure said before is not carried over.
            m_failing = false;
            m_clock.waitUntil(WatchClock::TimePoint::max());
            continue;
        }
        // A restart keeps the rhythm: the next round is due a period after the last one started.
        const std::chrono::milliseconds period(qint64(settings.everyMinutes) * 60'000);
        m_clock.waitUntil(m_lastStart ? *m_lastStart + period : m_firstRound);
        if (interrupted()) {
            continue;
        }
        WatchOptions options;
        options.send = settings.send;
        Round round(*this, settings);
        Watcher watcher(options, *m_services.settings, m_services.configDir, m_services.config.siteHost,
                        m_services.http, m_clock, round, &round);
        if (watcher.run(period) == WatchRoundStatus::Stuck) {
            // No round can do better until the state file is moved away: wait for a change of settings.
            m_clock.waitUntil(WatchClock::TimePoint::max());
        }
    }
}

void WatchRunner::ended(const WatchRoundSummary& summary)
{
    const bool failed = summary.status != WatchRoundStatus::Ran;
    Q_EMIT roundEnded(summary);
    if (failed && !m_failing) {
        m_failing = true;
        Q_EMIT roundsFailed(failureReason(summary.messages));
    } else if (!failed && m_failing) {
        m_failing = false;
        Q_EMIT roundsWorkAgain();
    }
}

QString WatchRunner::failureReason(const QList<WatchMessage>& messages) const
{
    if (m_services.signInChecker) {
        const std::unique_ptr<SignInChecker> signIn = m_services.signInChecker();
        HealthCheck check(m_services.settings, m_services.config, m_services.http, *signIn);
        for (const HealthCheck::Check& one : check.run()) {
            if (!one.ok) {
                return u"%1: %2"_s.arg(one.name, one.detail);
            }
        }
    }
    const auto problem = std::find_if(messages.cbegin(), messages.cend(), [](const WatchMessage& message) {
        return message.kind == WatchMessageKind::State || message.kind == WatchMessageKind::Page ||
               message.kind == WatchMessageKind::Send;
    });
    return problem != messages.cend() ? problem->text : u"a round did not end as it should"_s;
}

} // namespace marrowfin
