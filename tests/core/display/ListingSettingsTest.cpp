#include "core/display/ListingSettings.h"

#include "QtPrinting.h"

#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/display/ListingChoices.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

namespace {

const QString kHost = u"site.test"_s;

QString pathOn(const QString& address)
{
    const QString site = u"http://"_s + kHost;
    return address.startsWith(site) ? address.mid(site.size()) : u"(elsewhere) "_s + address;
}

QString newestPath(const SettingsStore& store, int page)
{
    return pathOn(newestListingAddress(ListingSettings::read(store, ListingKind::Newest), page, kHost));
}

QString searchPath(const SettingsStore& store, const QString& query)
{
    return pathOn(searchAddress(escapeSearchQuery(query), ListingSettings::read(store, ListingKind::Search), 1, kHost));
}

} // namespace

TEST(ListingSettings, MissingOrEmptyTextsFallBackEachOnItsOwn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    EXPECT_EQ(newestPath(store, 1), u"/new/?field=time_add&sorder=desc"_s);
    EXPECT_EQ(searchPath(store, u"ubuntu 12.04"_s), u"/usearch/ubuntu%2012.04/?field=time_add&sorder=desc"_s);

    // "" is what the picker stores for All, and what a cleared setting holds.
    const ListingKeys search = ListingKeys::of(ListingKind::Search);
    ASSERT_TRUE(store.setText(search.category, u""_s));
    ASSERT_TRUE(store.setText(search.orderBy, u""_s));
    ASSERT_TRUE(store.setText(search.sortBy, u"asc"_s));
    EXPECT_EQ(searchPath(store, u"ubuntu"_s), u"/usearch/ubuntu/?field=time_add&sorder=asc"_s);
}

TEST(ListingSettings, SearchAndListingChoicesStayApart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    ASSERT_TRUE(store.setText(SettingsKeys::searchCategories, u"mp3"_s));
    ASSERT_TRUE(store.setText(SettingsKeys::searchOrderBy, u"seeders"_s));
    ASSERT_TRUE(store.setText(SettingsKeys::searchSortBy, u"asc"_s));
    ASSERT_TRUE(store.setText(SettingsKeys::categories, u"movies"_s));
    ASSERT_TRUE(store.setText(SettingsKeys::orderBy, u"size"_s));
    EXPECT_EQ(newestPath(store, 2), u"/usearch/category%3Amovies/2/?field=size&sorder=desc"_s);
    EXPECT_EQ(searchPath(store, u"x y"_s), u"/usearch/x%20y%20category%3Amp3/?field=seeders&sorder=asc"_s);

    // The keys a settings screen writes are the ones its own listing reads, and only that one.
    ASSERT_TRUE(store.setText(ListingKeys::of(ListingKind::Newest).orderBy, u"leechers"_s));
    ASSERT_TRUE(store.setText(ListingKeys::of(ListingKind::Search).category, u"tv"_s));
    EXPECT_EQ(newestPath(store, 1), u"/usearch/category%3Amovies/?field=leechers&sorder=desc"_s);
    EXPECT_EQ(searchPath(store, u"x"_s), u"/usearch/x%20category%3Atv/?field=seeders&sorder=asc"_s);

    // A stored order no segment offers selects none, and still reaches the site as stored.
    EXPECT_EQ(choiceIndex(kOrderChoices, u"size"), 1);
    EXPECT_FALSE(choiceIndex(kOrderChoices, u"Size").has_value()) << "a title is not a value";
    ASSERT_TRUE(store.setText(SettingsKeys::orderBy, u"popularity"_s));
    EXPECT_EQ(newestPath(store, 1), u"/usearch/category%3Amovies/?field=popularity&sorder=desc"_s);
}

// A click on a column's heading orders by it, largest first; the ordered column clicked again flips the sort. It is
// stored where the settings screen stores it, for that listing only.
TEST(ListingSettings, AHeadingClickOrdersByItsColumnAndASecondFlipsTheSort)
{
    const struct
    {
        const char* orderBy;
        const char* sortBy;
        QStringView clicked;
        const char* expectedOrder;
        const char* expectedSort;
    } cases[] = {
        {"time_add", "desc", u"time_add", "time_add", "asc"},
        {"time_add", "asc", u"time_add", "time_add", "desc"},
        {"time_add", "asc", u"seeders", "seeders", "desc"},
        {"popularity", "asc", u"size", "size", "desc"},
    };
    for (const auto& c : cases) {
        const ListingSettings next =
            ListingSettings{u""_s, QString::fromLatin1(c.orderBy), QString::fromLatin1(c.sortBy)}.withHeadingClicked(
                c.clicked);
        EXPECT_EQ(next.orderBy, QString::fromLatin1(c.expectedOrder)) << c.orderBy << " " << c.sortBy;
        EXPECT_EQ(next.sortBy, QString::fromLatin1(c.expectedSort)) << c.orderBy << " " << c.sortBy;
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
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    EXPECT_EQ(favoritesPageCount(store), 5);

    const struct
    {
        QString stored;
        int pages;
    } cases[] = {
        {u"7"_s, 7},
        {u" 12 "_s, 12},
        {u"6.6"_s, 7},
        {u"0"_s, 1},
        {u"-3"_s, 1},
        {u""_s, 5},
        {u"many"_s, 5},
        {u"inf"_s, 5},
        {u"7 pages"_s, 5},
        {u"101"_s, 100},
        {u"99999999999999999999"_s, 100},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(store.setText(SettingsKeys::favoritesCount, c.stored));
        EXPECT_EQ(favoritesPageCount(store), c.pages) << c.stored.toStdString();
    }
    // The command line may store it as a number rather than as text.
    ASSERT_TRUE(store.setNumber(SettingsKeys::favoritesCount, 3));
    EXPECT_EQ(favoritesPageCount(store), 3);
}
