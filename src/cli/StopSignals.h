#pragma once

#include "core/watch/WatchClock.h"

#include <array>
#include <csignal>

namespace marrowfin {

// SIGTERM and SIGINT ask the watcher to stop: the handler only notes it and wakes the main thread through a pipe;
// the watcher stops at its next safe point (after the send under way, or at once while it waits for a round). While
// it lives it is the watcher's clock: the system's time, and a wait between rounds that such a signal cuts short.
// One at a time, on the main thread; the handlers before it are back once it is gone.
class StopSignals final : public WatchClock
{
public:
    StopSignals();
    ~StopSignals() override;

    [[nodiscard]] static bool requested();

    [[nodiscard]] TimePoint now() const override;
    [[nodiscard]] QDateTime currentDateTimeUtc() const override;
    // Waits on the event loop until `deadline` or a stop signal, whichever comes first.
    void waitUntil(TimePoint deadline) override;

private:
    std::array<int, 2> m_pipe{-1, -1};
    struct sigaction m_oldTerm = {};
    struct sigaction m_oldInt = {};
};

} // namespace marrowfin
