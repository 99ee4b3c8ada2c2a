#pragma once

#include <QDateTime>

#include <chrono>

namespace marrowfin {

// The time a watcher reads and waits on: the steady time that schedules its rounds, and the wall time its state
// records. Tests give one that moves on at once when waited on, so many rounds run without sleeping.
class WatchClock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    WatchClock() = default;
    virtual ~WatchClock() = default;
    WatchClock(const WatchClock&) = delete;
    WatchClock& operator=(const WatchClock&) = delete;

    [[nodiscard]] virtual TimePoint now() const = 0;
    // UTC: when a torrent was reported and sent.
    [[nodiscard]] virtual QDateTime currentDateTimeUtc() const = 0;
    // Returns at `deadline`, or before it when the watcher is to stop (the face then says so). Main thread.
    virtual void waitUntil(TimePoint deadline) = 0;
};

} // namespace marrowfin
