#include "PendingPages.h"

namespace marrowfin {

PendingPages::PendingPages(QList<int> numbers) : m_numbers(std::move(numbers)) {}

bool PendingPages::contains(int number) const
{
    const std::lock_guard lock(m_mutex);
    return m_numbers.contains(number);
}

QList<int> PendingPages::numbers() const
{
    const std::lock_guard lock(m_mutex);
    return m_numbers;
}

void PendingPages::remove(int number)
{
    {
        const std::lock_guard lock(m_mutex);
        m_numbers.removeOne(number);
    }
    m_changed.notify_all();
}

void PendingPages::waitWhileContains(int number) const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !m_numbers.contains(number); });
}

} // namespace marrowfin
