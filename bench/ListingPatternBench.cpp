// How much the compiled-expression cache saves on a listing page: all matches of the listing pattern over a
// generated 25-row page, once through the cached pattern layer and once compiling the pattern for every page.
#include "core/scrape/TorrentListPattern.h"
#include "core/text/RegexMatching.h"
#include "fixtures/ListingPage.h"

#include <benchmark/benchmark.h>
#include <unicode/uregex.h>

namespace {

using namespace marrowfin;

const QString& page()
{
    static const QString text = fixtures::listingPage(25, true, 0, 90 * 1000);
    return text;
}

void setCounters(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * page().size() * int64_t(sizeof(QChar)));
    state.counters["pages/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void listingCompiledOnce(benchmark::State& state)
{
    for (auto _ : state) {
        const QList<QStringList> rows = arrayOfCaptureComponentsMatchedByRegex(page(), torrentListPattern());
        if (rows.size() != 25)
            state.SkipWithError("the page did not give 25 rows");
        benchmark::DoNotOptimize(rows);
    }
    setCounters(state);
}

void listingCompiledEveryTime(benchmark::State& state)
{
    const QString& pattern = torrentListPattern();
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        URegularExpression* re =
            uregex_open(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()), 0, nullptr, &status);
        uregex_setText(re, reinterpret_cast<const UChar*>(page().utf16()), int32_t(page().size()), &status);
        const int groups = uregex_groupCount(re, &status);
        QList<QStringList> rows;
        while (uregex_findNext(re, &status)) {
            QStringList row;
            for (int g = 0; g <= groups; ++g) {
                const int32_t start = uregex_start(re, g, &status);
                row.append(page().mid(start, uregex_end(re, g, &status) - start));
            }
            rows.append(row);
        }
        uregex_close(re);
        if (rows.size() != 25)
            state.SkipWithError("the page did not give 25 rows");
        benchmark::DoNotOptimize(rows);
    }
    setCounters(state);
}

} // namespace

BENCHMARK(listingCompiledOnce)->Unit(benchmark::kMicrosecond);
BENCHMARK(listingCompiledEveryTime)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
