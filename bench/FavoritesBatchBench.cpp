// A favorites batch against the demo site with 200 ms added to every answer: ten pages fetched at once on a
// queue of ten and delivered in page order. Measured: the time until the last page reaches the main thread. Then the
// filtering of such a batch: 1, 10, 100 and 1,000 filters of the shape "Word.*12|word\d{2}" over the 250
// newest names, per batch and per (filter, name) pair, and `marrowfin-cli favorites --pages 10` with as many
// filters against the same demo site: its wall time and the CPU time it took.
#include "Catalogue.h"

#include "core/lists/FetchPageAllTorrents.h"
#include "core/lists/FilterSet.h"
#include "core/net/OperationQueue.h"
#include "core/net/PendingPages.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "support/DemoProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

using namespace marrowfin;

constexpr int kPages = 10;

demotest::DemoProcess& demo()
{
    static demotest::DemoProcess process({"--latency-ms", "200"});
    return process;
}

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
            queue.addOperation(std::make_shared<FetchPageAllTorrents>(
                address, &receiver,
                [&](const QVariant&) {
                    if (++delivered == kPages) {
                        loop.quit();
                    }
                },
                pending, page, waitFor));
        }
        loop.exec();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        queue.waitUntilAllOperationsAreFinished();
    }
}

// The names of the demo's 250 newest torrents (its default catalogue), and `count` filters made of their words.
QList<Torrent> newestTorrents()
{
    static const demo::Catalogue catalogue(1, demo::Catalogue::kDefaultSize);
    QList<Torrent> torrents;
    for (const demo::CatalogueEntry* entry : catalogue.select({})) {
        if (torrents.size() == kPages * 25) {
            break;
        }
        torrents.append(Torrent{entry->listedName, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}});
    }
    return torrents;
}

QStringList filtersOf(int count)
{
    QStringList words;
    for (const Torrent& torrent : newestTorrents()) {
        for (const QString& word : torrent.name->split(QRegularExpression(QStringLiteral("[^A-Za-z]+")))) {
            if (word.size() >= 4 && !words.contains(word)) {
                words.append(word);
            }
        }
    }
    QStringList filters;
    for (int i = 0; i < count; ++i) {
        const QString word = words.at(i % words.size()) + (i < words.size() ? QString() : QString::number(i));
        filters.append(word + QStringLiteral(".*12|") + word.toLower() + QStringLiteral("\\d{2}"));
    }
    return filters;
}

void filterBatch(benchmark::State& state)
{
    const QList<Torrent> torrents = newestTorrents();
    const FilterSet filters(filtersOf(int(state.range(0))));
    qsizetype kept = 0;
    for (auto _ : state) {
        for (qsizetype page = 0; page < torrents.size(); page += 25) {
            kept = filters.filterTorrents(torrents.mid(page, 25)).size();
        }
    }
    state.counters["kept_last_page"] = double(kept);
    state.counters["per_pair"] =
        benchmark::Counter(double(state.iterations()) * double(torrents.size()) * double(state.range(0)),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void cliFavorites(benchmark::State& state)
{
    if (!demo().started()) {
        state.SkipWithError("the demo site did not start");
        return;
    }
    QTemporaryDir profile;
    SettingsStore(profile.path()).setList(SettingsKeys::filters, filtersOf(int(state.range(0))));
    const auto childCpu = [] {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double cpuBefore = childCpu();
    for (auto _ : state) {
        QProcess cli;
        cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        cli.start(QString::fromUtf8(MARROWFIN_CLI_PATH),
                  {QStringLiteral("--site-host"), QString::fromStdString(demo().host()), QStringLiteral("--config-dir"),
                   profile.path(), QStringLiteral("favorites"), QStringLiteral("--pages"), QStringLiteral("10")});
        if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
            state.SkipWithError("marrowfin-cli favorites failed");
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["cpu_ms"] = benchmark::Counter((childCpu() - cpuBefore) * 1000, benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(filterBatch)->RangeMultiplier(10)->Range(1, 1000)->Unit(benchmark::kMillisecond);
constexpr auto kMs = benchmark::kMillisecond;
BENCHMARK(cliFavorites)->Arg(0)->RangeMultiplier(10)->Range(1, 1000)->UseManualTime()->Iterations(3)->Unit(kMs);
BENCHMARK(favoritesBatch)->UseManualTime()->Iterations(10)->Unit(kMs);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
