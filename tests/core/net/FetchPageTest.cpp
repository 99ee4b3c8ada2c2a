#include "core/net/FetchPage.h"

#include "core/net/FetchPageGeneric.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/OperationQueue.h"
#include "core/net/PendingPages.h"
#include "support/EventLoop.h"
#include "support/TestHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using namespace marrowfin;
using namespace marrowfin::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// Records the order in which its operations' fetches finish, before they deliver.
struct FinishLog
{
    std::mutex mutex;
    std::condition_variable changed;
    QList<int> order;

    void add(int page)
    {
        {
            const std::lock_guard lock(mutex);
            order.append(page);
        }
        changed.notify_all();
    }
    bool waitFor(int page)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [&] { return order.contains(page); });
    }
};

// An ordered page fetch as a batch uses it: fetches its page, then delivers through the base's ordered step.
class OrderedPageFetch final : public FetchPage
{
public:
    OrderedPageFetch(QUrl url, QObject* target, Selector selector, std::shared_ptr<PendingPages> pending, int page,
                     std::optional<int> waitFor, std::shared_ptr<HttpContext> context, FinishLog& log)
        : FetchPage(std::move(url), target, std::move(selector), std::move(pending), page, waitFor),
          m_context(std::move(context)), m_log(log)
    {}

    void main() override
    {
        HttpRequest request(url(), m_context);
        request.request();
        if (request.result()) {
            setReturnObject(*request.result());
        }
        m_log.add(priority());
        FetchPage::main();
    }

private:
    std::shared_ptr<HttpContext> m_context;
    FinishLog& m_log;
};

} // namespace

TEST(FetchPage, BatchIsDeliveredInPageOrderWhateverOrderTheFetchesFinish)
{
    application();
    TestHttpServer server;
    auto context = std::make_shared<HttpContext>();
    std::map<int, std::shared_ptr<Gate>> gates;
    for (int page = 1; page <= 5; ++page) {
        ScriptedResponse answer(200, "OK", {{"Content-Type", "text/html"}}, "page " + QByteArray::number(page));
        answer.gate = gates[page] = std::make_shared<Gate>();
        server.route("/new/" + QByteArray::number(page), answer);
    }

    QObject receiver;
    QStringList delivered;
    FinishLog finished;
    OperationQueue queue(10);
    auto pending = std::make_shared<PendingPages>(QList<int>{1, 2, 3, 4, 5});
    for (int page = 1; page <= 5; ++page) {
        queue.addOperation(std::make_shared<OrderedPageFetch>(
            server.url(u"/new/%1"_s.arg(page)), &receiver,
            [&delivered](const QVariant& value) { delivered.append(value.toString()); }, pending, page,
            page == 1 ? std::nullopt : std::optional<int>(page - 1), context, finished));
    }

    // Page 3 finishes first and must wait; page 1 is then handed over at once, without the rest.
    gates[3]->open();
    ASSERT_TRUE(finished.waitFor(3));
    gates[1]->open();
    ASSERT_TRUE(finished.waitFor(1));
    ASSERT_TRUE(processEventsUntil([&] { return !delivered.isEmpty(); }));
    EXPECT_EQ(delivered, QStringList{u"page 1"_s});
    // A page's number leaves the list just after its delivery is posted, so the main thread may see the delivery
    // first.
    ASSERT_TRUE(processEventsUntil([&] { return !pending->numbers().contains(1); }));
    EXPECT_EQ(pending->numbers(), (QList<int>{2, 3, 4, 5}));

    for (int page : {5, 2, 4}) {
        gates[page]->open();
        ASSERT_TRUE(finished.waitFor(page));
    }
    ASSERT_TRUE(processEventsUntil([&] { return delivered.size() == 5; }));
    EXPECT_EQ(finished.order, (QList<int>{3, 1, 5, 2, 4}));
    EXPECT_EQ(delivered, (QStringList{u"page 1"_s, u"page 2"_s, u"page 3"_s, u"page 4"_s, u"page 5"_s}));
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(pending->numbers().isEmpty());
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(FetchPage, SelectorlessAndFailedFetchesAndWorkerDelivery)
{
    application();
    TestHttpServer server;
    server.route("/front", ScriptedResponse(200, "OK", {}, "<html>front</html>"));
    HttpContext::setDefaultContext(std::make_shared<HttpContext>());
    OperationQueue queue(1);
    QObject receiver;

    // Without a selector the page is still fetched, and nothing is delivered.
    queue.addOperation(std::make_shared<FetchPageGeneric>(server.url(u"/front"_s), &receiver, FetchPage::Selector(),
                                                          FetchPageGeneric::requestOfType<HttpRequest>()));
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(server.requestsTo("/front").size(), 1);

    // A fetch that could not be made delivers none.
    std::optional<std::optional<QString>> generic;
    queue.addOperation(std::make_shared<FetchPageGeneric>(
        QUrl(u"http://127.0.0.1:1/"_s), &receiver,
        FetchPage::selectorFor<QString>([&generic](std::optional<QString> text) { generic = text; }),
        FetchPageGeneric::requestOfType<HttpRequest>()));
    ASSERT_TRUE(processEventsUntil([&] { return generic.has_value(); }));
    EXPECT_FALSE(generic->has_value());

    // The one receiver that runs on the worker thread is called there, before the operation ends.
    std::atomic<QThread*> calledOn{nullptr};
    auto onWorker = std::make_shared<FetchPageGeneric>(
        server.url(u"/front"_s), &receiver, [&calledOn](const QVariant&) { calledOn = QThread::currentThread(); },
        FetchPageGeneric::requestOfType<HttpRequest>());
    onWorker->setDeliversOnWorkerThread(true);
    queue.addOperation(onWorker);
    onWorker.reset();
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_NE(calledOn.load(), nullptr);
    EXPECT_NE(calledOn.load(), QThread::currentThread());
    HttpContext::setDefaultContext(nullptr);
}

TEST(FetchPage, QueueWidthBoundsConcurrencyAndAGoneReceiverIsNotCalled)
{
    application();
    TestHttpServer server;
    auto gate = std::make_shared<Gate>();
    ScriptedResponse held(200, "OK", {}, "held");
    held.gate = gate;
    server.route("/slow", held);
    const auto context = std::make_shared<HttpContext>();
    HttpContext::setDefaultContext(context);

    OperationQueue queue(2);
    bool called = false;
    {
        auto receiver = std::make_unique<QObject>();
        for (int i = 0; i < 5; ++i) {
            queue.addOperation(std::make_shared<FetchPageGeneric>(
                server.url(u"/slow"_s), receiver.get(), [&called](const QVariant&) { called = true; },
                FetchPageGeneric::requestOfType<HttpRequest>()));
        }
        ASSERT_TRUE(server.waitForRequests("/slow", 2));
        EXPECT_EQ(queue.operationCount(), 5);
        QThread::msleep(200); // give a third worker the chance to start, which it must not take
        EXPECT_EQ(server.requestsTo("/slow").size(), 2);
        gate->open();
        queue.waitUntilAllOperationsAreFinished();
    } // the receiver goes before its queued deliveries run
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_EQ(server.requestsTo("/slow").size(), 5);
    HttpContext::setDefaultContext(nullptr);
}
