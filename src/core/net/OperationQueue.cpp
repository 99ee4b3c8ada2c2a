#include "OperationQueue.h"

#include "FetchPage.h"

#include <QThreadPool>

namespace marrowfin {

namespace {

// Idle workers are kept a while so that their HTTP handles (connections, TLS sessions) serve the next page.
constexpr int kIdleWorkerMilliseconds = 5 * 60 * 1000;

} // namespace

OperationQueue::OperationQueue(int width, const QString& name)
    : m_width(width < 1 ? 1 : width), m_pool(std::make_unique<QThreadPool>())
{
    m_pool->setMaxThreadCount(m_width);
    m_pool->setExpiryTimeout(kIdleWorkerMilliseconds);
    if (!name.isEmpty())
        m_pool->setObjectName(name);
}

OperationQueue::~OperationQueue()
{
    waitUntilAllOperationsAreFinished();
    m_pool->waitForDone();
}

int OperationQueue::operationCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_count;
}

void OperationQueue::addOperation(std::shared_ptr<FetchPage> operation)
{
    {
        const std::lock_guard lock(m_mutex);
        ++m_count;
    }
    m_pool->start([this, operation = std::move(operation)]() mutable {
        operation->main();
        // The operation (and the request and target it holds) is released on its worker thread, before the queue
        // counts it as finished, so an idle queue holds nothing.
        operation.reset();
        {
            const std::lock_guard lock(m_mutex);
            --m_count;
        }
        m_idle.notify_all();
    });
}

void OperationQueue::waitUntilAllOperationsAreFinished() const
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_count == 0; });
}

} // namespace marrowfin
