#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace marrowfin {

class HttpRequest;
class PendingPages;

// A page-fetch operation: one unit of a screen's network work. A subclass's main() runs on a worker thread of an
// OperationQueue, makes its request, sets returnObject, and ends by calling FetchPage::main(), which hands the
// result to the selector on the receiver's thread (the main thread).
//
// Deliveries are queued calls to the receiver; queued calls to one receiver run in the order they were posted,
// which is what the ordered delivery of a batch relies on. The receiver must outlive the operation (the screen
// keeps it alive while its queue is busy); should it be gone anyway, the result is dropped rather than delivered
// to a destroyed object.
class FetchPage
{
public:
    // Takes the result: an invalid QVariant for "none", otherwise the subclass's value.
    using Selector = std::function<void(const QVariant& returnObject)>;
    // Makes the request a generic fetch uses for its address.
    using RequestFactory = std::function<std::unique_ptr<HttpRequest>(const QUrl& url)>;

    FetchPage(QUrl url, QObject* target, Selector selector);
    FetchPage(QUrl url, QObject* target, Selector selector, RequestFactory classType);
    FetchPage(QUrl url, QObject* target, Selector selector, std::shared_ptr<PendingPages> priorityQueue, int priority,
              std::optional<int> dependPriority);
    virtual ~FetchPage();
    FetchPage(const FetchPage&) = delete;
    FetchPage& operator=(const FetchPage&) = delete;

    // The delivery step; subclasses call it last, after setting the return object.
    virtual void main();

    [[nodiscard]] const QUrl& url() const { return m_url; }
    [[nodiscard]] QObject* target() const { return m_target; }
    [[nodiscard]] const QVariant& returnObject() const { return m_returnObject; }
    void setReturnObject(QVariant returnObject) { m_returnObject = std::move(returnObject); }
    [[nodiscard]] const RequestFactory& classType() const { return m_classType; }
    [[nodiscard]] const std::shared_ptr<PendingPages>& priorityQueue() const { return m_priorityQueue; }
    [[nodiscard]] int priority() const { return m_priority; }
    [[nodiscard]] std::optional<int> dependPriority() const { return m_dependPriority; }

    // For the one receiver that must run on the worker thread itself and be waited for (the root controller's
    // answer to a re-sign-in): the selector is then called directly, synchronously, on the worker thread.
    void setDeliversOnWorkerThread(bool onWorker) { m_deliversOnWorkerThread = onWorker; }

    // Wraps a typed callback as a selector: none arrives as std::nullopt.
    template <typename T>
    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<T>)> callback)
    {
        return [callback = std::move(callback)](const QVariant& value) {
            callback(value.isValid() ? std::optional<T>(value.value<T>()) : std::nullopt);
        };
    }

private:
    void post();

    QUrl m_url;
    QPointer<QObject> m_target;
    Selector m_selector;
    QVariant m_returnObject;
    RequestFactory m_classType;
    std::shared_ptr<PendingPages> m_priorityQueue;
    int m_priority = 0;
    std::optional<int> m_dependPriority;
    bool m_deliversOnWorkerThread = false;
};

} // namespace marrowfin
