#pragma once

#include "WatchClock.h"

#include <condition_variable>
#include <functional>
#include <mutex>

namespace marrowfin {

// A watcher's clock for a thread of its own: the system's time, and a wait between rounds that another thread cuts
// short with wake() once `interrupted` says so. Tests move its time on with advance(), which ends a wait whose
// deadline that passes, so rounds follow each other without sleeping. Every member may be called from any thread.
class WakeableClock final : public WatchClock
{
public:
    // `interrupted` is asked under the clock's lock whenever a wait wakes: set what it reads before calling wake().
    explicit WakeableClock(std::function<bool()> interrupted);

    [[nodiscard]] TimePoint now() const override;
    [[nodiscard]] QDateTime currentDateTimeUtc() const override;
    // Returns at `deadline` (on this clock), or before when `interrupted` says so.
    void waitUntil(TimePoint deadline) override;

    // Has a wait ask `interrupted` again.
    void wake();
    // Moves this clock's time on by `step`, its steady and its wall time alike.
    void advance(std::chrono::milliseconds step);

private:
    std::function<bool()> m_interrupted;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::chrono::milliseconds m_ahead{0};
};

} // namespace marrowfin
