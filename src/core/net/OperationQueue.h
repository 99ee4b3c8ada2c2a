#pragma once

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>

class QThreadPool;

namespace marrowfin {

class FetchPage;

// A screen's own queue of page-fetch operations: at most `width` run at once, each on a worker thread of the
// queue, in the order they were added. Operations are never cancelled; the owner keeps the queue (and the
// receivers its operations deliver to) alive until operationCount() is 0 — the destructor waits for that.
class OperationQueue final
{
public:
    explicit OperationQueue(int width, const QString& name = QString());
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    [[nodiscard]] int width() const { return m_width; }
    // Operations added and not yet finished (waiting or running). Any thread.
    [[nodiscard]] int operationCount() const;

    void addOperation(std::shared_ptr<FetchPage> operation);
    // Blocks until every operation added so far has finished. Not for the main thread of a window: deliveries
    // to the main thread are only posted, never awaited, so this cannot deadlock, but the window would freeze.
    void waitUntilAllOperationsAreFinished() const;

private:
    int m_width;
    std::unique_ptr<QThreadPool> m_pool;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_idle;
    int m_count = 0;
};

} // namespace marrowfin
