// A favorite filter of any text over names of any text: it matches, or it is reported and skipped, within the match
// time limit; the preview and the rule always agree, and so do the filters' fast matching and the documented
// wrapped search, wherever neither ran out of time.
#include "FuzzInput.h"

#include "core/lists/FilterPreview.h"
#include "core/lists/FilterSet.h"
#include "core/text/RegexCache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    // What is looked at is how a match that runs out of time is handled, not how long the limit is: a short limit
    // lets the fuzzer try more filters.
    static const bool shortLimit = (RegexCache::setMatchTimeLimit(20), true);
    (void)shortLimit;
    // The filter text, then after a NUL the names, one a line.
    const auto [filter, rest] = fuzz::splitAtNul(data, size);
    const QString text = QString::fromUtf8(filter);
    const QStringList names = QString::fromUtf8(rest).split(u'\n');

    FilterSet set({text});
    const QStringList kept = set.filterNames(names);
    const FilterPreview preview = previewFilter(text, names);
    MARROWFIN_FUZZ_CHECK(preview.total == names.size());
    if (!preview.problem && set.problems().isEmpty()) {
        MARROWFIN_FUZZ_CHECK(preview.accepted == kept.size());
    }
    // A filter that does not compile keeps nothing.
    if (filterProblem(text)) {
        MARROWFIN_FUZZ_CHECK(kept.isEmpty());
    }
    for (const QString& name : names) {
        const FilterSet fast({text});
        const bool accepted = fast.accepts(name);
        try {
            const bool documented = Filter(text).isAccepted(name);
            if (fast.problems().isEmpty()) {
                MARROWFIN_FUZZ_CHECK(accepted == documented);
            }
        } catch (const RegexException& e) {
            // Unusable alike, unless one of them only ran out of time.
            MARROWFIN_FUZZ_CHECK(!fast.problems().isEmpty() || e.kind() == RegexException::Kind::TimedOut);
        }
    }
    return 0;
}
