#include "core/lists/Filter.h"
#include "core/lists/FilterPreview.h"
#include "core/lists/FilterSet.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexCache.h"
#include "support/QtTestSupport.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

TEST(Filter, MatchesItsExpressionAnywhereInTheNameCaseSensitively)
{
    const Filter ubuntu(u"Ubuntu"_s);
    EXPECT_TRUE(ubuntu.isAccepted(u"Kubuntu and Ubuntu"_s));
    EXPECT_FALSE(ubuntu.isAccepted(u"ubuntu server"_s));

    // The alternation covers the whole filter, so either side may stand anywhere in the name.
    const Filter resolutions(u"720p|1080p"_s);
    EXPECT_TRUE(resolutions.isAccepted(u"Some Show S01E01 720p WEB"_s));
    EXPECT_TRUE(resolutions.isAccepted(u"A Film 1080p BluRay"_s));
    EXPECT_FALSE(resolutions.isAccepted(u"A Film 480p DVDRip"_s));

    // The user's own anchors take effect inside the wrapping.
    EXPECT_TRUE(Filter(u"^Linux"_s).isAccepted(u"Linux Mint 17"_s));
    EXPECT_FALSE(Filter(u"^Linux"_s).isAccepted(u"Arch Linux"_s));
    EXPECT_FALSE(Filter(u"E\\d\\d$"_s).isAccepted(u"Show S02E10 PROPER"_s));

    // An empty filter accepts every name, an empty one too; a missing name is an empty one.
    EXPECT_TRUE(Filter(u""_s).isAccepted(QString()));
    EXPECT_FALSE(Filter(u"x"_s).isAccepted(QString()));
}

namespace {

const QStringList kPage = {u"FreeBSD 10"_s, u"Linux Mint"_s, u"Windows 8"_s};

// Records that differ in more than their names, so that a record rebuilt from its name would not pass for it.
QList<Torrent> torrentsOf(const QStringList& names)
{
    QList<Torrent> torrents;
    for (const QString& name : names) {
        Torrent& torrent = torrents.emplace_back();
        torrent.name = name;
        torrent.detailsUrl = name + u".html"_s;
    }
    return torrents;
}

} // namespace

// Whole records in page order, repeats kept; no filters keep nothing, and a torrent without a name is never kept,
// not even by the empty filter, which accepts every name.
TEST(FilterSet, KeepsWhatAnyFilterAcceptsInPageOrder)
{
    const FilterSet filters(QStringList{u"Linux"_s, u"BSD"_s});
    const QList<Torrent> page = torrentsOf(kPage);
    EXPECT_EQ(filters.filterTorrents(page), page.mid(0, 2));
    EXPECT_EQ(filters.filterNames({u"Linux b"_s, u"a BSD"_s, u"Windows"_s, u"Linux b"_s}),
              (QStringList{u"Linux b"_s, u"a BSD"_s, u"Linux b"_s}));
    EXPECT_TRUE(FilterSet().filterTorrents(page).isEmpty());
    const FilterSet everything(QStringList{u""_s});
    QList<Torrent> withNameless = page;
    withNameless.insert(1, Torrent{});
    EXPECT_EQ(everything.filterTorrents(withNameless), page);
}

// What is wrong with a filter, said in plain words at the place a person would look, counted in characters of the
// text as typed (not of the wrapped expression ICU compiled): brackets left open found where they open, on any
// line, past characters outside the BMP.
TEST(FilterProblem, SaysWhatIsWrongInPlainWordsAndWhere)
{
    const std::pair<const char16_t*, const char16_t*> rows[] = {
        {u"Ubuntu [0-9", u"a [ is not closed, at character 8"},
        {u"[[a]", u"a [ is not closed, at character 1"},
        {u"[]x", u"a [ is not closed, at character 1"},
        {u"a(b|c", u"a ( is not closed, at character 2"},
        {u"[(]|(a", u"a ( is not closed, at character 5"},
        {u"720p|1080p)", u"a ) has no ( before it, at character 11"},
        {u"\\(a)", u"a ) has no ( before it, at character 4"},
        {u"end\\", u"a \\ at the end has nothing to escape, at character 4"},
        {u"a\\Qb", u"a \\Q is not ended by \\E, at character 2"},
        {u"*abc", u"a * has nothing before it to repeat, at character 1"},
        {u"a{", u"a { must be a count such as {2} or {2,5}, at character 2"},
        {u"[z-a]", u"a range in [...] runs backwards, at character 2"},
        {u"ab\\p{Nothing}", u"a \\p{...} or \\P{...} names no property there is, at character 3"},
        {u"(?zz)", u"this cannot be read as an expression, at character 3"},
        {u"x\n(?zz)", u"this cannot be read as an expression, at character 5"},
        {u"x\r\n(?zz)", u"this cannot be read as an expression, at character 6"},
        {u"\U0001F600\u2028(?zz)", u"this cannot be read as an expression, at character 5"},
    };
    for (const auto& [typed, words] : rows) {
        EXPECT_EQ(filterProblem(QString::fromUtf16(typed)), QString::fromUtf16(words))
            << QString::fromUtf16(typed).toStdString();
    }
    // An exclude expression is read as a filter is; a valid filter has no problem.
    EXPECT_EQ(limitsProblem({std::nullopt, std::nullopt, std::nullopt, u"(CAM"_s}),
              u"the exclude expression \"(CAM\" is not valid: a ( is not closed, at character 1"_s);
    EXPECT_EQ(filterProblem(u"a)(b"_s), std::nullopt);
}

TEST(FilterSet, AnInvalidFilterIsSkippedAndReportedOnceWhileTheOthersWork)
{
    const test::MessageCapture capture;
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    // Valid alone but not once wrapped ("\" takes the closing parenthesis), and the reverse ("a)(b" is valid
    // inside the wrapping): what counts is the expression actually matched.
    for (const QString& text : {u"(unclosed"_s, u"Mint"_s, u"(unclosed"_s, u"end\\"_s, u"a)(b"_s}) {
        ASSERT_TRUE(appendFilter(store, text).has_value());
    }

    FilterSet filters(QStringList{u"stale"_s});
    filters.reloadFilters(store);
    EXPECT_EQ(filters.filterNames({u"Linux Mint"_s, u"stale"_s, u"(unclosed"_s, u"end\\"_s, u"cab"_s}),
              (QStringList{u"Linux Mint"_s, u"cab"_s}));
    // Reloading the same stored list, as every return to the favorites tab does, reports nothing new.
    filters.reloadFilters(store);
    EXPECT_EQ(filters.filterNames({u"Linux Mint"_s}), QStringList{u"Linux Mint"_s});

    const QList<FilterProblem> problems = filters.problems();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_EQ(problems[0].text, u"(unclosed"_s);
    EXPECT_EQ(problems[0].kind, RegexException::Kind::CompileFailed);
    EXPECT_EQ(problems[0].reason, u"a ( is not closed, at character 1"_s);
    EXPECT_EQ(problems[1].text, u"end\\"_s);
    EXPECT_EQ(capture.warnings(u"marrowfin.lists"_s).size(), 2);

    // Once the text is deleted its problem goes; typed again, it is reported again.
    ASSERT_TRUE(removeListEntry(store, SettingsStore::LockedList::Filters, 0));
    ASSERT_TRUE(removeListEntry(store, SettingsStore::LockedList::Filters, 1));
    filters.reloadFilters(store);
    EXPECT_EQ(filters.problems().size(), 1);
    ASSERT_TRUE(appendFilter(store, u"(unclosed"_s).has_value());
    filters.reloadFilters(store);
    EXPECT_EQ(filters.problems().size(), 2);
    EXPECT_EQ(capture.warnings(u"marrowfin.lists"_s).size(), 3);
}

// A hostile filter would stall every page: once a match of it runs out of time it is out of use. The favorites
// screen and a command beside it may filter with one set at once, and the time-out, met by several threads, is
// still reported once.
TEST(FilterSet, AFilterThatRunsOutOfTimeIsSkippedAndReportedOnceAcrossThreads)
{
    const auto restore = qScopeGuard([] { RegexCache::setMatchTimeLimit(RegexCache::kDefaultMatchTimeLimit); });
    const test::MessageCapture capture;
    RegexCache::setMatchTimeLimit(1);
    // Nested repetition backtracks exponentially on a long run of "x" not followed by the "y" (there is one later, so
    // the name is searched). Once it is out of use "xxy", which it would accept, is no longer kept.
    const QString hostile = u"(x+x+)+y"_s;
    const FilterSet filters(QStringList{u"Linux"_s, hostile, u"BSD"_s});
    const QStringList page = {u"FreeBSD 10"_s, QString(40, u'x') + u"-y"_s, u"Linux Mint"_s, u"xxy"_s};
    std::vector<std::thread> threads;
    std::atomic<int> wrong = 0;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                if (filters.filterNames(page) != QStringList{u"FreeBSD 10"_s, u"Linux Mint"_s}) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, 0);
    const QList<FilterProblem> problems = filters.problems();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0].text, hostile);
    EXPECT_EQ(problems[0].kind, RegexException::Kind::TimedOut);
    EXPECT_EQ(capture.warnings(u"marrowfin.lists"_s).size(), 1);
}
