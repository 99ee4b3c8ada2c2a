#include "WakeableClock.h"

#include <algorithm>

namespace marrowfin {

namespace {
constexpr std::chrono::hours kLongestStep{1};
} // namespace

WakeableClock::WakeableClock(std::function<bool()> interrupted) : m_interrupted(std::move(interrupted)) {}

WatchClock::TimePoint WakeableClock::now() const
{
    const std::lock_guard lock(m_mutex);
    return std::chrono::steady_clock::now() + m_ahead;
}

QDateTime WakeableClock::currentDateTimeUtc() const
{
    const std::lock_guard lock(m_mutex);
    return QDateTime::currentDateTimeUtc().addMSecs(m_ahead.count());
}

void WakeableClock::waitUntil(TimePoint deadline)
{
    std::unique_lock lock(m_mutex);
    // The deadline on the system's clock moves nearer whenever the clock is advanced: worked out again each wake.
    while (!m_interrupted() && std::chrono::steady_clock::now() + m_ahead < deadline) {
        // In steps of at most an hour: a wait with no deadline (the time point's maximum) is not handed on as one.
        m_changed.wait_until(lock, std::min(deadline - m_ahead, std::chrono::steady_clock::now() + kLongestStep));
    }
}

void WakeableClock::wake()
{
    const std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

void WakeableClock::advance(std::chrono::milliseconds step)
{
    const std::lock_guard lock(m_mutex);
    m_ahead += step;
    m_changed.notify_all();
}

} // namespace marrowfin
