#pragma once

#include "core/net/OperationQueue.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

namespace marrowfin {

// Queues of screens that went while a fetch of theirs was still running: kept until the fetch is done, so that no
// screen's end waits for the network. Main thread.
class RetiredQueues final : public QObject
{
public:
    static void retire(std::unique_ptr<OperationQueue> queue);

private:
    RetiredQueues();

    std::vector<std::unique_ptr<OperationQueue>> m_queues;
    QTimer m_timer;
};

} // namespace marrowfin
