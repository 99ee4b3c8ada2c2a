// A favorites batch against the demo site with 200 ms added to every answer: ten pages fetched at once on a
// queue of ten and delivered in page order. Measured: the time until the last page reaches the main thread, with
// the predecessor wait woken by a condition (what the application does) and with a 200 ms polling loop.
#include "core/lists/FetchPageAllTorrents.h"
#include "core/net/OperationQueue.h"
#include "core/net/PendingPages.h"
#include "support/DemoProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

using namespace marrowfin;

constexpr int kPages = 10;

demotest::DemoProcess& demo()
{
    static demotest::DemoProcess process({"--latency-ms", "200"});
    return process;
}

// The ordering done by looking every 200 ms instead of waiting on the list's condition.
class PollingFetch final : public FetchPage
{
public:
    using FetchPage::FetchPage;

    void main() override
    {
        FetchPageAllTorrents fetch(url(), nullptr, {});
        fetch.main(); // the fetch and scrape only: without a selector it delivers nothing
        if (dependPriority()) {
            while (priorityQueue()->contains(*dependPriority()))
                QThread::msleep(200);
        }
        QMetaObject::invokeMethod(
            target(), [deliver = m_deliver] { deliver(); }, Qt::QueuedConnection);
        priorityQueue()->remove(priority());
    }

    std::function<void()> m_deliver;
};

template <typename Operation>
void favoritesBatch(benchmark::State& state)
{
    if (!demo().started()) {
        state.SkipWithError("the demo site did not start");
        return;
    }
    const QString host = QString::fromStdString(demo().host());
    for (auto _ : state) {
        QObject receiver;
        QEventLoop loop;
        int delivered = 0;
        QList<int> numbers;
        for (int page = 1; page <= kPages; ++page)
            numbers.append(page);
        auto pending = std::make_shared<PendingPages>(numbers);
        QElapsedTimer clock;
        clock.start();
        OperationQueue queue(10);
        for (int page = 1; page <= kPages; ++page) {
            const QUrl address(QStringLiteral("http://%1/new/%2").arg(host).arg(page));
            const std::optional<int> waitFor = page == 1 ? std::nullopt : std::optional<int>(page - 1);
            const auto onPage = [&] {
                if (++delivered == kPages)
                    loop.quit();
            };
            if constexpr (std::is_same_v<Operation, PollingFetch>) {
                auto operation =
                    std::make_shared<PollingFetch>(address, &receiver, FetchPage::Selector(), pending, page, waitFor);
                operation->m_deliver = onPage;
                queue.addOperation(operation);
            } else {
                queue.addOperation(std::make_shared<FetchPageAllTorrents>(
                    address, &receiver, [onPage](const QVariant&) { onPage(); }, pending, page, waitFor));
            }
        }
        loop.exec();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        queue.waitUntilAllOperationsAreFinished();
    }
}

} // namespace

BENCHMARK(favoritesBatch<FetchPageAllTorrents>)
    ->Name("favoritesBatch/conditionWake")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(favoritesBatch<PollingFetch>)
    ->Name("favoritesBatch/polling200ms")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
