#include "RetiredQueues.h"

namespace marrowfin {

void RetiredQueues::retire(std::unique_ptr<OperationQueue> queue)
{
    static RetiredQueues* const retired = new RetiredQueues;
    retired->m_queues.push_back(std::move(queue));
    retired->m_timer.start();
}

RetiredQueues::RetiredQueues()
{
    m_timer.setInterval(200);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        std::erase_if(m_queues,
                      [](const std::unique_ptr<OperationQueue>& queue) { return queue->operationCount() == 0; });
        if (m_queues.empty())
            m_timer.stop();
    });
}

} // namespace marrowfin
