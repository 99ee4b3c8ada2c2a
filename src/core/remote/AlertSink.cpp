#include "AlertSink.h"

#include <mutex>

namespace marrowfin {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<AlertSink>& sinkSlot()
{
    static std::shared_ptr<AlertSink> sink;
    return sink;
}

} // namespace

void AlertSink::install(std::shared_ptr<AlertSink> sink)
{
    const std::lock_guard lock(sinkMutex());
    sinkSlot() = std::move(sink);
}

std::shared_ptr<AlertSink> AlertSink::installed()
{
    const std::lock_guard lock(sinkMutex());
    return sinkSlot();
}

} // namespace marrowfin
