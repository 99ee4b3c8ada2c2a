#include "FetchPage.h"

#include "HttpRequest.h"
#include "PendingPages.h"

namespace marrowfin {

FetchPage::FetchPage(QUrl url, QObject* target, Selector selector)
    : m_url(std::move(url)), m_target(target), m_selector(std::move(selector))
{}

FetchPage::FetchPage(QUrl url, QObject* target, Selector selector, RequestFactory classType)
    : m_url(std::move(url)), m_target(target), m_selector(std::move(selector)), m_classType(std::move(classType))
{}

FetchPage::FetchPage(QUrl url, QObject* target, Selector selector, std::shared_ptr<PendingPages> priorityQueue,
                     int priority, std::optional<int> dependPriority)
    : m_url(std::move(url)), m_target(target), m_selector(std::move(selector)),
      m_priorityQueue(std::move(priorityQueue)), m_priority(priority), m_dependPriority(dependPriority)
{}

FetchPage::~FetchPage() = default;

void FetchPage::main()
{
    if (!m_selector)
        return;
    if (m_priorityQueue) {
        // Wait for the predecessor to have posted its own delivery; ours is then posted after it and the receiver
        // sees the batch in order, whichever fetch finished first. Our number leaves the list only after our post.
        if (m_dependPriority)
            m_priorityQueue->waitWhileContains(*m_dependPriority);
        post();
        m_priorityQueue->remove(m_priority);
        return;
    }
    if (m_deliversOnWorkerThread) {
        m_selector(m_returnObject);
        return;
    }
    post();
}

void FetchPage::post()
{
    QObject* receiver = m_target.data();
    if (!receiver)
        return;
    QMetaObject::invokeMethod(
        receiver,
        [guard = QPointer<QObject>(receiver), selector = m_selector, value = m_returnObject] {
            if (guard)
                selector(value);
        },
        Qt::QueuedConnection);
}

} // namespace marrowfin
