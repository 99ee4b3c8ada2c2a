#include "SessionGuard.h"

#include <mutex>

namespace marrowfin {

namespace {

std::mutex& guardMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::shared_ptr<SessionGuard>& guardSlot()
{
    // Never freed: worker threads may still send while the process exits.
    static auto* slot = new std::shared_ptr<SessionGuard>();
    return *slot;
}

} // namespace

void SessionGuard::install(std::shared_ptr<SessionGuard> guard)
{
    const std::lock_guard lock(guardMutex());
    guardSlot() = std::move(guard);
}

std::shared_ptr<SessionGuard> SessionGuard::installed()
{
    const std::lock_guard lock(guardMutex());
    return guardSlot();
}

} // namespace marrowfin
