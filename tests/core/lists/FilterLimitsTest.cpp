#include "core/lists/FilterLimits.h"

#include "core/lists/FilterPreview.h"
#include "core/lists/FilterSet.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMB = 1024 * 1024;

Torrent torrent(const QString& name, const QString& size, const QString& seeders)
{
    Torrent made;
    made.name = name;
    made.size = size;
    made.up = seeders;
    return made;
}

} // namespace

TEST(FilterLimits, SizesReadAsTheSiteAndAPersonWriteThem)
{
    const std::pair<const char16_t*, std::optional<qint64>> rows[] = {
        {u"1.38 GB", qint64(1.38 * 1024 * kMB + 0.5)},
        {u"1,5 GB", 1536 * kMB},
        {u"1,023 MB", 1023 * kMB},
        {u"16.15\u00a0GB", qint64(16.15 * 1024 * kMB + 0.5)},
        {u"900 bytes", 900},
        {u"4 gb", 4096 * kMB},
        {u"2TiB", 2 * 1024 * 1024 * kMB},
        {u"700", std::nullopt},
        {u"12 parsecs", std::nullopt},
        {u"-5 MB", std::nullopt},
        {u"2000 TB", std::nullopt}};
    for (const auto& [text, bytes] : rows) {
        EXPECT_EQ(sizeInBytes(QStringView(text)), bytes) << QString::fromUtf16(text).toStdString();
    }
    EXPECT_EQ(sizeText(qint64(1.38 * 1024 * kMB)), u"1.38 GB"_s);
}

// Each limit at its edge; a size or seeder count that cannot be read fails a limit on it and passes without one.
TEST(FilterLimits, EachLimitHoldsAtItsEdge)
{
    const FilterLimits sizes{700 * kMB, 4096 * kMB, std::nullopt, {}};
    const FilterLimits seeders{std::nullopt, std::nullopt, 5, {}};
    // Each row's size and seeder count stand at the same side of their limits.
    const std::tuple<const char*, Torrent, bool> rows[] = {
        {"smallest size", torrent(u"a"_s, u"700 MB"_s, u"5"_s), true},
        {"just below", torrent(u"a"_s, u"699.99 MB"_s, u"4"_s), false},
        {"largest size", torrent(u"a"_s, u"4 GB"_s, u"1000"_s), true},
        {"just above", torrent(u"a"_s, u"4.01 GB"_s, u"0"_s), false},
        {"unreadable", torrent(u"a"_s, u"big"_s, u"many"_s), false},
        {"no figures", torrent(u"a"_s, {}, {}), false}};
    for (const auto& [name, figures, admitted] : rows) {
        EXPECT_EQ(sizes.admitsFigures(figures), admitted) << name;
        EXPECT_EQ(seeders.admitsFigures(figures), admitted) << name;
        EXPECT_TRUE(FilterLimits{}.admitsFigures(figures)) << name;
    }
}

// The exclude expression is matched as a filter is, and each filter's limits are its own: a torrent one filter's
// limits refuse is kept by another filter that accepts it.
TEST(FilterLimits, FiltersApplyTheirOwnLimitsAndExclude)
{
    const FilterSet filters({u"Show"_s, u"720p"_s},
                            {{u"Show"_s, {std::nullopt, 1024 * kMB, std::nullopt, u"CAM|TS"_s}}});
    const std::pair<Torrent, bool> rows[] = {{torrent(u"Show S01E01 1080p"_s, u"900 MB"_s, u"1"_s), true},
                                             {torrent(u"Show S01E01 CAM"_s, u"900 MB"_s, u"1"_s), false},
                                             {torrent(u"Show S01E01"_s, u"2 GB"_s, u"1"_s), false},
                                             {torrent(u"Show S01E01 720p"_s, u"2 GB"_s, u"1"_s), true},
                                             {torrent(u"Show CAM 720p"_s, u"900 MB"_s, u"1"_s), true}};
    for (const auto& [each, kept] : rows) {
        EXPECT_EQ(filters.accepts(each), kept) << each.name->toStdString();
    }
    FilterSet broken({u"Show"_s}, {{u"Show"_s, {std::nullopt, std::nullopt, std::nullopt, u"(CAM"_s}}});
    ASSERT_EQ(broken.problems().size(), 1);
    EXPECT_FALSE(broken.accepts(rows[0].first)) << "a broken exclude makes its filter unusable";
    // Mended (as "filters set" does while a watcher runs): the same text is tried again, not skipped for good.
    broken.setFilters({u"Show"_s}, {{u"Show"_s, {std::nullopt, std::nullopt, std::nullopt, u"CAM"_s}}});
    EXPECT_TRUE(broken.problems().isEmpty() && broken.accepts(rows[0].first));
    EXPECT_TRUE(previewFilter(u"Show"_s, {2 * kMB, kMB, std::nullopt, {}}, {}).problem) << "smallest above largest";
    const FilterPreview preview = previewFilter(u"Show"_s, {std::nullopt, 1024 * kMB, std::nullopt, u"CAM"_s},
                                                {rows[0].first, rows[1].first, rows[2].first, rows[4].first});
    EXPECT_EQ(std::pair(preview.accepted, preview.total), std::pair(1, 4)) << "accepted of all";
}

TEST(FilterLimits, FiltersThatTakeAWholeListingAreKnownAndNotSentUnguarded)
{
    for (const QString& text : {u""_s, u"."_s, u"|"_s, u"[^x]|x"_s}) {
        EXPECT_TRUE(acceptsEveryName(text)) << text.toStdString();
    }
    for (const QString& text : {u"\\w"_s, u"720p|1080p"_s, u"(unclosed"_s}) {
        EXPECT_FALSE(acceptsEveryName(text)) << text.toStdString();
    }
    const FilterSet filters({u"."_s, u"Linux"_s, u"|"_s}, {{u"|"_s, {std::nullopt, std::nullopt, 1, {}}}});
    EXPECT_EQ(filters.unguardedFilters(), QStringList{u"."_s});
    EXPECT_FALSE(filters.accepts(torrent(u"Windows"_s, u"1 GB"_s, u"0"_s), true))
        << "only the unguarded filter took it";
    EXPECT_TRUE(filters.accepts(torrent(u"Windows"_s, u"1 GB"_s, u"1"_s), true)) << "the limited match-all filter";
    EXPECT_TRUE(filters.accepts(torrent(u"Linux"_s, u"1 GB"_s, u"0"_s), true));
}

// The filter list keeps its key and one text per filter; limits live beside it, keyed by text, shared by equal
// texts, and go with the last filter of their text. An older store without limits reads as filters without any.
TEST(FilterLimits, StoredBesideTheFilterListAndDroppedWithTheirFilter)
{
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    ASSERT_TRUE(store.setList(SettingsKeys::filters, {u"old"_s, u"Show"_s}));
    EXPECT_TRUE(storedFilterLimits(store).isEmpty());

    const FilterLimits limits{700 * kMB, std::nullopt, 3, u"CAM"_s};
    ASSERT_TRUE(appendFilter(store, u"Show"_s, limits));
    ASSERT_TRUE(appendFilter(store, u"new"_s, {}));
    EXPECT_EQ(store.list(SettingsKeys::filters), (QStringList{u"old"_s, u"Show"_s, u"Show"_s, u"new"_s}));
    EXPECT_EQ(storedFilterLimits(store), (FilterLimitsMap{{u"Show"_s, limits}}));
    EXPECT_EQ(SettingsStore(dir.path()).list(SettingsKeys::filterLimits)->size(), 1) << "one entry per text";

    ASSERT_TRUE(removeFilter(store, 1));
    EXPECT_EQ(storedFilterLimits(store).value(u"Show"_s), limits) << "the other Show keeps the shared limits";
    ASSERT_TRUE(removeFilter(store, 1));
    EXPECT_FALSE(store.contains(SettingsKeys::filterLimits));
    EXPECT_EQ(store.list(SettingsKeys::filters), (QStringList{u"old"_s, u"new"_s}));
    EXPECT_FALSE(removeFilter(store, 2));

    const FilterLimitsMap read =
        limitsFromStored({u"not json"_s, u"{\"minSize\":1}"_s, u"{\"filter\":\"a\",\"minSeeders\":-1}"_s});
    EXPECT_EQ(read, (FilterLimitsMap{{u"a"_s, {}}})) << "unreadable entries and values are left out";
}

// A filter opened and saved keeps its place, found again by its text when another program moved it, put back when
// another program deleted it; new limits of a text are shared by its filters. A deleted filter put back (Undo) takes
// its place, or the end, and keeps the limits its text has by then.
TEST(FilterLimits, ChangedAndRestoredFiltersKeepTheirPlaceAndLimits)
{
    const FilterLimits shared{700 * kMB, std::nullopt, 3, u"CAM"_s};
    const FilterLimits other{std::nullopt, 4096 * kMB, std::nullopt, {}};
    const QStringList start{u"old"_s, u"Show"_s, u"Show"_s, u"new"_s};
    // The index and text shown (a null text puts the filter back), the text and limits saved; the place taken, and
    // the filters and limits stored then.
    // clang-format off
    const std::tuple<qsizetype, QString, QString, FilterLimits, qsizetype, QStringList, FilterLimitsMap> rows[] = {
        {2, u"Show"_s, u"Show"_s, other, 2, start, {{u"Show"_s, other}}},
        {0, u"new"_s, u"newer"_s, {}, 3, {u"old"_s, u"Show"_s, u"Show"_s, u"newer"_s}, {{u"Show"_s, shared}}},
        {1, u"gone"_s, u"back"_s, {}, 1, {u"old"_s, u"back"_s, u"Show"_s, u"Show"_s, u"new"_s}, {{u"Show"_s, shared}}},
        {9, QString(), u"Show"_s, other, 4, start + QStringList{u"Show"_s}, {{u"Show"_s, shared}}},
    };
    // clang-format on
    for (const auto& [index, shown, text, limits, place, filters, stored] : rows) {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        ASSERT_TRUE(updateFilters(store, [&](QStringList& list, FilterLimitsMap& map) {
            list = start;
            map.insert(u"Show"_s, shared);
        }));
        EXPECT_EQ(shown.isNull() ? insertFilter(store, index, text, limits)
                                 : replaceFilter(store, index, shown, text, limits),
                  place)
            << text.toStdString();
        EXPECT_EQ(store.list(SettingsKeys::filters), filters) << text.toStdString();
        EXPECT_EQ(storedFilterLimits(store), stored) << text.toStdString();
    }
}
