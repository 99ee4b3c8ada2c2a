#pragma once

#include "BackgroundWatchSettings.h"
#include "WakeableClock.h"
#include "WatchFace.h"
#include "WatchNotifier.h"
#include "WatchReport.h"

#include "core/config/AppConfig.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace marrowfin {

class HttpContext;
class SettingsStore;
class SignInChecker;

// What one background round came to, for a face to show.
struct WatchRoundSummary
{
    WatchRoundStatus status = WatchRoundStatus::Ran;
    QDateTime endedUtc;
    int newMatches = 0;
    int sent = 0;
    QList<WatchMessage> messages;
};

// The watcher as a program with a window runs it: rounds on a thread of their own, as the stored background watch
// settings say (on or off, the minutes between rounds, sending or not), with the command line's rails (the match-all
// rail and the cap of sends a round always hold; nothing earlier rounds only reported is sent). It tells of each new
// match and each round as they happen, and of failing rounds twice only: once when rounds start to fail, with the
// health check's reason (the first check that fails, else the round's own problem), and once when they work again.
//
// Settings are read again before every round and after apply(): a change from any screen, or from the command line,
// counts from the next round on, and a change of the minutes keeps the rhythm of the last round's start. Pausing
// stops the rounds without changing a setting. The signals come from the watch's thread, so receivers on the main
// thread hear them queued, in order. The object itself lives on the thread that made it (the main thread).
class WatchRunner final : public QObject
{
    Q_OBJECT

public:
    // What the rounds use: the profile's store and folder (state, lock and send journal), the site, the transport,
    // and, to find why rounds fail, a sign-in checker made on the watch's thread when one is needed.
    struct Services
    {
        std::shared_ptr<SettingsStore> settings;
        QString configDir;
        AppConfig config;
        std::shared_ptr<HttpContext> http;
        std::function<std::unique_ptr<SignInChecker>()> signInChecker;
    };

    // The first round waits `firstDelay` from here, so that a start shows its own screens first.
    WatchRunner(Services services, std::chrono::milliseconds firstDelay, QObject* parent = nullptr);
    // Stops at the next safe point (after the send under way) and waits for it.
    ~WatchRunner() override;

    // Reads the stored settings again now, rather than before the next round: starts, restarts or stops rounds.
    void apply();
    void setPaused(bool paused);
    [[nodiscard]] bool isPaused() const { return m_paused.load(); }
    // On in the settings and not paused (as last read).
    [[nodiscard]] bool isWatching() const { return m_watching.load(); }
    // Its time: tests move it on to run the next round at once.
    [[nodiscard]] WakeableClock& clock() { return m_clock; }

Q_SIGNALS:
    void newMatch(const QString& name, bool sent);
    void roundEnded(const marrowfin::WatchRoundSummary& summary);
    void roundsFailed(const QString& reason);
    void roundsWorkAgain();
    // Rounds started or stopped (the settings, or a pause).
    void watchingChanged(bool watching);

private:
    class Round;

    void runLoop();
    // Why a round failed: the first health check that fails, "name: what was found"; else the round's own message.
    [[nodiscard]] QString failureReason(const QList<WatchMessage>& messages) const;
    [[nodiscard]] bool interrupted() const;
    void ended(const WatchRoundSummary& summary);

    const Services m_services;
    WakeableClock m_clock;
    QThread* m_thread = nullptr;
    std::atomic<bool> m_quitting{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_watching{false};
    // Counts apply() and pauses: a run made for an older count stops at its next safe point.
    std::atomic<int> m_generation{0};
    std::atomic<int> m_runGeneration{0};
    // When the first round is due; the watch's thread only: when the last round started.
    const WatchClock::TimePoint m_firstRound;
    std::optional<WatchClock::TimePoint> m_lastStart;
    std::optional<BackgroundWatchSettings> m_running;
    bool m_failing = false;
};

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::WatchRoundSummary)
