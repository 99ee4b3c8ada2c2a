#include "core/display/CategoryTree.h"
#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/display/ListingSettings.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

// The picker, the stored choice and the site's addresses all rely on a value naming exactly one entry.
TEST(CategoryTree, EveryValueIsFoundWhereItSitsAndNothingElseIs)
{
    int entries = 0;
    for (int g = 0; g < CategoryTree::kGroupCount; ++g) {
        const CategoryGroup* group = CategoryTree::group(g);
        ASSERT_NE(group, nullptr) << g;
        for (int e = 0; e < int(group->entries.size()); ++e, ++entries) {
            EXPECT_EQ(CategoryTree::find(CategoryTree::entry(g, e)->value), (CategoryPosition{g, e}));
        }
    }
    // Each found at its own place, no value occurs twice; the command line's list holds every one.
    EXPECT_EQ(CategoryTree::allValues().size(), entries);

    // A stored value is compared exactly, and the picker may ask for rows outside the tree before it knows it.
    EXPECT_EQ(CategoryTree::find(u""), (CategoryPosition{0, 0})) << "All categories is the empty value, first";
    EXPECT_FALSE(CategoryTree::find(u"Movies").has_value()) << "a title is not a value";
    EXPECT_EQ(CategoryTree::group(CategoryTree::kGroupCount), nullptr);
    EXPECT_EQ(CategoryTree::entry(CategoryTree::find(u"tv")->group, 2), nullptr);
    EXPECT_EQ(CategoryTree::entry(0, -1), nullptr);

    // A value belongs to the group it sits in.
    const std::pair<QStringView, std::optional<QStringView>> cases[] = {
        {u"audio-books", u"books"}, {u"books", u"books"}, {u"other-xxx", u"xxx"}, {u"", std::nullopt}};
    for (const auto& [value, group] : cases) {
        EXPECT_EQ(CategoryTree::groupValue(value), group) << value.toString().toStdString();
    }
}

// A host with a port, as the demo site has: the port must survive into every address.
const QString kHost = u"site.test:48470"_s;

// The page part follows the query and its category; page 0, which no screen asks for, must not become "/new/0/".
TEST(ListingAddresses, ListingSearchFavoritesAndSendAddressesAndTheEscapedQuery)
{
    EXPECT_EQ(searchAddress(escapeSearchQuery(u"ubuntu"_s),
                            ListingSettings::fromStored(u"anime"_s, u"seeders"_s, u"asc"_s), 3, kHost),
              u"http://site.test:48470/usearch/ubuntu%20category%3Aanime/3/?field=seeders&sorder=asc"_s);
    EXPECT_EQ(newestListingAddress(ListingSettings::fromStored(std::nullopt, std::nullopt, std::nullopt), 0, kHost),
              u"http://site.test:48470/new/?field=time_add&sorder=desc"_s);
    // The favorites batch asks for bare page numbers, page 1 included, with no trailing slash.
    EXPECT_EQ(favoritesPageAddress(1, kHost), u"http://site.test:48470/new/1"_s);

    // A download address holding the host anywhere, or a whole one elsewhere, is fetched as written; only a path
    // is the site's.
    for (const QString& whole : {u"http://site.test:48470/torrents/a.torrent"_s,
                                 u"http://files.test/get?from=site.test:48470"_s, u"HTTPS://mirror.test/a.torrent"_s}) {
        EXPECT_EQ(sendAddress(whole, kHost), whole);
    }
    EXPECT_EQ(sendAddress(u"/get?mirror=site.test:1"_s, kHost), u"http://site.test:48470/get?mirror=site.test:1"_s);
    // A link written without its scheme takes the pages' own, though it holds the host.
    EXPECT_EQ(sendAddress(u"//site.test:48470/dl/102.torrent?x=1"_s, kHost),
              u"http://site.test:48470/dl/102.torrent?x=1"_s);

    const QString keptMarks = u"-_.!~*'();/?:@&=+$,"_s;
    for (char16_t c = 0; c < 128; ++c) {
        const QChar ch(c);
        const bool kept =
            (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || keptMarks.contains(ch);
        const QString expected = kept ? QString(ch) : u"%%1"_s.arg(int(c), 2, 16, QChar(u'0')).toUpper();
        EXPECT_EQ(escapeSearchQuery(QString(ch)), expected) << "character " << int(c);
    }
    EXPECT_EQ(escapeSearchQuery(u"café 日本 🐟"_s), u"caf%C3%A9%20%E6%97%A5%E6%9C%AC%20%F0%9F%90%9F"_s);
}

// A click on a column's heading orders by it, largest first; the ordered column clicked again flips the sort.
// What is stored reaches the site: each text falls back on its own when missing or empty, each listing reads and
// stores only its own keys, and an order no settings screen offers goes out as stored.
TEST(ListingSettings, AHeadingClickFlipsOrOrdersAndEachListingKeepsToItsOwnKeys)
{
    // Ordered by, sort, the heading clicked; then ordered by and sort after the click.
    const std::array<QString, 5> cases[] = {{u"time_add"_s, u"desc"_s, u"time_add"_s, u"time_add"_s, u"asc"_s},
                                            {u"time_add"_s, u"asc"_s, u"time_add"_s, u"time_add"_s, u"desc"_s},
                                            {u"popularity"_s, u"asc"_s, u"size"_s, u"size"_s, u"desc"_s}};
    for (const auto& [orderBy, sortBy, clicked, orderAfter, sortAfter] : cases) {
        EXPECT_EQ((ListingSettings{u""_s, orderBy, sortBy}.withHeadingClicked(clicked)),
                  (ListingSettings{u""_s, orderAfter, sortAfter}))
            << clicked.toStdString() << " after " << orderBy.toStdString() << " " << sortBy.toStdString();
    }

    QTemporaryDir dir;
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

    // A heading click is stored where the settings screen stores it, for that listing only.
    const ListingSettings clicked = ListingSettings::read(store, ListingKind::Newest).withHeadingClicked(u"size");
    ASSERT_TRUE(clicked.storeOrder(store, ListingKind::Newest));
    EXPECT_EQ(ListingSettings::read(store, ListingKind::Newest), (ListingSettings{u"movies"_s, u"size"_s, u"desc"_s}));
    EXPECT_EQ(search(), u"http://h/usearch/x/?field=time_add&sorder=asc"_s) << "the search keeps its own order";
}

TEST(FavoritesPageCount, ABatchAlwaysHoldsAtLeastOnePage)
{
    const std::pair<QString, int> cases[] = {
        {u" 12 "_s, 12}, {u"6.6"_s, 7},     {u"0"_s, 1},     {u""_s, 5},
        {u"inf"_s, 5},   {u"7 pages"_s, 5}, {u"101"_s, 100}, {u"99999999999999999999"_s, 100}};
    for (const auto& [stored, pages] : cases) {
        EXPECT_EQ(favoritesPageCount(stored), pages) << stored.toStdString();
    }
    EXPECT_EQ(favoritesPageCount(std::nullopt), 5);
    // The command line may store it as a number rather than as text.
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    ASSERT_TRUE(store.setNumber(SettingsKeys::favoritesCount, 3));
    EXPECT_EQ(favoritesPageCount(store), 3);
}
