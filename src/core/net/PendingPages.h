#pragma once

#include <QList>

#include <condition_variable>
#include <mutex>

namespace marrowfin {

// The numbers of one batch of ordered page fetches that have not delivered yet. Shared by every operation of the
// batch (each holds it), read and changed from their worker threads under one lock.
class PendingPages final
{
public:
    explicit PendingPages(QList<int> numbers);
    PendingPages(const PendingPages&) = delete;
    PendingPages& operator=(const PendingPages&) = delete;

    [[nodiscard]] bool contains(int number) const;
    [[nodiscard]] QList<int> numbers() const;
    // Removes one entry equal to `number` and wakes every operation waiting on the list.
    void remove(int number);
    // Blocks the calling worker thread while `number` is in the list; returns as soon as it leaves.
    void waitWhileContains(int number) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    QList<int> m_numbers;
};

} // namespace marrowfin
