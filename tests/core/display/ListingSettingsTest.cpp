#include "core/display/ListingSettings.h"

#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "support/QtTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

// What is stored reaches the site: each text falls back on its own when missing or empty, each listing reads only
// its own keys, and an order no settings screen offers goes out as stored.
TEST(ListingSettings, EachListingReadsItsOwnKeysAndFallsBackTextByText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    const auto newest = [&store] {
        return newestListingAddress(ListingSettings::read(store, ListingKind::Newest), 2, u"h"_s);
    };
    const auto search = [&store] {
        return searchAddress(u"x"_s, ListingSettings::read(store, ListingKind::Search), 1, u"h"_s);
    };
    EXPECT_EQ(newest(), u"http://h/new/2/?field=time_add&sorder=desc"_s);
    EXPECT_EQ(search(), u"http://h/usearch/x/?field=time_add&sorder=desc"_s);

    // "" is what the picker stores for All, and what a cleared setting holds.
    ASSERT_TRUE(store.setText(SettingsKeys::searchCategories, u""_s));
    ASSERT_TRUE(store.setText(SettingsKeys::searchOrderBy, u""_s));
    ASSERT_TRUE(store.setText(SettingsKeys::searchSortBy, u"asc"_s));
    EXPECT_EQ(search(), u"http://h/usearch/x/?field=time_add&sorder=asc"_s);
    EXPECT_EQ(newest(), u"http://h/new/2/?field=time_add&sorder=desc"_s);

    ASSERT_TRUE(store.setText(SettingsKeys::categories, u"movies"_s));
    ASSERT_TRUE(store.setText(SettingsKeys::orderBy, u"popularity"_s));
    EXPECT_EQ(newest(), u"http://h/usearch/category%3Amovies/2/?field=popularity&sorder=desc"_s);
    EXPECT_EQ(search(), u"http://h/usearch/x/?field=time_add&sorder=asc"_s);
}

// A click on a column's heading orders by it, largest first; the ordered column clicked again flips the sort. It is
// stored where the settings screen stores it, for that listing only.
TEST(ListingSettings, AHeadingClickOrdersByItsColumnAndASecondFlipsTheSort)
{
    const struct
    {
        QStringView orderBy, sortBy, clicked, orderAfter, sortAfter;
    } cases[] = {
        {u"time_add", u"desc", u"time_add", u"time_add", u"asc"},
        {u"time_add", u"asc", u"time_add", u"time_add", u"desc"},
        {u"time_add", u"asc", u"seeders", u"seeders", u"desc"},
        {u"popularity", u"asc", u"size", u"size", u"desc"},
    };
    for (const auto& c : cases) {
        const ListingSettings next =
            ListingSettings{u""_s, c.orderBy.toString(), c.sortBy.toString()}.withHeadingClicked(c.clicked);
        EXPECT_EQ(next, (ListingSettings{u""_s, c.orderAfter.toString(), c.sortAfter.toString()}))
            << "row " << &c - cases;
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    ASSERT_TRUE(store.setText(SettingsKeys::categories, u"movies"_s));
    const ListingSettings clicked = ListingSettings::read(store, ListingKind::Newest).withHeadingClicked(u"size");
    ASSERT_TRUE(clicked.storeOrder(store, ListingKind::Newest));
    EXPECT_EQ(ListingSettings::read(store, ListingKind::Newest), (ListingSettings{u"movies"_s, u"size"_s, u"desc"_s}));
    EXPECT_FALSE(store.text(SettingsKeys::searchOrderBy).has_value()) << "the search keeps its own order";
}

TEST(FavoritesPageCount, ABatchAlwaysHoldsAtLeastOnePage)
{
    const std::pair<QString, int> cases[] = {
        {u"7"_s, 7}, {u" 12 "_s, 12}, {u"6.6"_s, 7}, {u"0"_s, 1},       {u"-3"_s, 1},
        {u""_s, 5},  {u"many"_s, 5},  {u"inf"_s, 5}, {u"7 pages"_s, 5}, {u"101"_s, 100},
    };
    for (const auto& [stored, pages] : cases) {
        EXPECT_EQ(favoritesPageCount(stored), pages) << stored.toStdString();
    }
    EXPECT_EQ(favoritesPageCount(u"99999999999999999999"_s), 100);
    EXPECT_EQ(favoritesPageCount(std::nullopt), 5);
    // The command line may store it as a number rather than as text.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    ASSERT_TRUE(store.setNumber(SettingsKeys::favoritesCount, 3));
    EXPECT_EQ(favoritesPageCount(store), 3);
}
