// What the listing scraper costs on top of ICU's own matching: a generated 25-row page of about 90 KB, once turned
// into records with a 50-name history, and once only matched by a bare uregex_findNext loop with the same pattern.
// The difference is everything the scraper adds (captures, decoding, escaping, history marks). And how much the
// compiled-expression cache saves on such a page: all matches with their captures through the cached pattern layer,
// and compiling the pattern for every page.
#include "core/scrape/HttpRequestRegExTorrent.h"
#include "core/scrape/TorrentListPattern.h"
#include "core/text/RegexMatching.h"
#include "fixtures/ListingPage.h"

#include <benchmark/benchmark.h>
#include <unicode/uregex.h>

namespace {

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

constexpr int kRows = 25;

const QString& page()
{
    static const QString text = fixtures::listingPage(kRows, true, 0, 90 * 1000);
    return text;
}

// Names of other torrents, with one name of the page among them, as a history usually looks.
QStringList history()
{
    QStringList names;
    for (int i = 0; i < 49; ++i)
        names.append(u"Sample Release %1 & Friends 1080p"_s.arg(1000 + i));
    names.append(u"Sample Release 7 & Friends 1080p"_s);
    return names;
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
        if (rows.size() != kRows) {
            state.SkipWithError("the page did not give 25 rows");
        }
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
        if (rows.size() != kRows) {
            state.SkipWithError("the page did not give 25 rows");
        }
        benchmark::DoNotOptimize(rows);
    }
    setCounters(state);
}

void scraperTorrentsFromPage(benchmark::State& state)
{
    const QStringList names = history();
    for (auto _ : state) {
        const QList<Torrent> torrents = HttpRequestRegExTorrent::torrentsFromPage(page(), names);
        if (torrents.size() != kRows || !torrents.at(7).isDownloaded)
            state.SkipWithError("the page did not give the expected records");
        benchmark::DoNotOptimize(torrents);
    }
    setCounters(state);
}

void icuFindNextOnly(benchmark::State& state)
{
    const QString& pattern = torrentListPattern();
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* re =
        uregex_open(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()), 0, nullptr, &status);
    uregex_setText(re, reinterpret_cast<const UChar*>(page().utf16()), int32_t(page().size()), &status);
    for (auto _ : state) {
        uregex_reset(re, 0, &status);
        int matches = 0;
        while (uregex_findNext(re, &status))
            ++matches;
        if (U_FAILURE(status) || matches != kRows)
            state.SkipWithError("the page did not give the expected matches");
        benchmark::DoNotOptimize(matches);
    }
    uregex_close(re);
    setCounters(state);
}

} // namespace

BENCHMARK(icuFindNextOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(scraperTorrentsFromPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(listingCompiledOnce)->Unit(benchmark::kMicrosecond);
BENCHMARK(listingCompiledEveryTime)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
