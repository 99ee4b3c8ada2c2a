#include "core/text/RegexCache.h"

#include "core/scrape/TorrentListPattern.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"
#include "fixtures/ListingPage.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

// Restores the default budget whatever a test did with it.
struct TimeLimitGuard
{
    ~TimeLimitGuard() { RegexCache::setMatchTimeLimit(RegexCache::kDefaultMatchTimeLimit); }
};

QString expressionNumber(int i)
{
    return u"item%1=(\\d+)"_s.arg(i);
}

QString subjectFor(int i)
{
    return u"x item%1=%2 y"_s.arg(i).arg(i * 11);
}

} // namespace

TEST(RegexCache, CompilesOnceAndSurvivesEvictionsAndFlushes)
{
    RegexCache::flushAll();
    RegexCache& cache = RegexCache::forCurrentThread();

    const quint64 before = cache.compilations();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(stringByMatching(u"a=17"_s, u"a=(\\d+)"_s, 1), u"17"_s);
    }
    EXPECT_EQ(cache.compilations(), before + 1) << "the same expression must be compiled once";

    // 24 expressions cannot fit 23 slots: at least two share one and evict each other, yet every answer
    // stays right round after round.
    const quint64 start = cache.compilations();
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 24; ++i) {
            ASSERT_EQ(stringByMatching(subjectFor(i), expressionNumber(i), 1), QString::number(i * 11));
        }
    }
    const quint64 used = cache.compilations() - start;
    EXPECT_GT(used, 24u) << "an evicted expression is compiled again when used again";
    EXPECT_LT(used, 72u) << "expressions that kept their slot are not compiled again";

    // After a flush the next call compiles again and answers as before.
    const quint64 beforeFlush = RegexCache::forCurrentThread().compilations();
    RegexCache::flushAll();
    EXPECT_EQ(stringByMatching(subjectFor(3), expressionNumber(3), 1), u"33"_s);
    EXPECT_EQ(RegexCache::forCurrentThread().compilations(), beforeFlush + 1);
}

TEST(RegexCache, SameSubjectObjectAndChangedTextBothMatchCorrectly)
{
    QString page = u"<b>one</b>"_s;
    EXPECT_EQ(stringByMatching(page, u"<b>(.*?)</b>"_s, 1), u"one"_s);
    // The slot remembers the text it was set to; changing the caller's copy must not leave a stale subject.
    page.replace(u"one"_s, u"three"_s);
    EXPECT_EQ(stringByMatching(page, u"<b>(.*?)</b>"_s, 1), u"three"_s);
    const QString other = u"<b>two</b>"_s;
    EXPECT_EQ(stringByMatching(other, u"<b>(.*?)</b>"_s, 1), u"two"_s);
    EXPECT_EQ(stringByMatching(page, u"<b>(.*?)</b>"_s, 1), u"three"_s);
}

TEST(RegexCache, ThreadsMatchAtOnceWithoutDisturbingEachOther)
{
    const QString page = fixtures::listingPage(25);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                if (arrayOfCaptureComponentsMatchedByRegex(page, torrentListPattern()).size() != 25) {
                    ++wrong;
                }
                const int i = (t * 20 + round) % 30;
                if (stringByMatching(subjectFor(i), expressionNumber(i), 1) != QString::number(i * 11)) {
                    ++wrong;
                }
                if (round == 10 && t == 0) {
                    RegexCache::flushAll();
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST(RegexCache, HostilePageEndsAsTimeOutWhileALongNormalPageDoesNot)
{
    TimeLimitGuard guard;
    // A page whose cells lost their end tags makes the listing pattern backtrack without end. It must end as
    // a time-out (the test's own time limit in ctest catches a hang), never as "no rows".
    const QString broken = fixtures::listingPage(25, false);
    try {
        (void)arrayOfCaptureComponentsMatchedByRegex(broken, torrentListPattern());
        FAIL() << "a page that backtracks without end must not come back as a result";
    } catch (const RegexException& e) {
        EXPECT_EQ(e.kind(), RegexException::Kind::TimedOut);
    }

    // The budget is per match: with a budget far smaller than the whole scan of a 2,000-row page needs, every
    // row is still found because each single row is cheap.
    RegexCache::setMatchTimeLimit(20);
    const QString huge = fixtures::listingPage(2000);
    EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(huge, torrentListPattern()).size(), 2000);
}
