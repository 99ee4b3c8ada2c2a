#include "core/display/ListingAddresses.h"

#include "core/display/ListingSettings.h"
#include "support/QtTestSupport.h"

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

namespace {

// A host with a port, as the demo site has: the port must survive into every address.
const QString kHost = u"site.test:48470"_s;
const ListingSettings kNothingStored = ListingSettings::fromStored(std::nullopt, std::nullopt, std::nullopt);

ListingSettings choices(const QString& category, const QString& orderBy, const QString& sortBy)
{
    return ListingSettings::fromStored(category, orderBy, sortBy);
}

} // namespace

// The page part follows the query and its category; page 0, which no screen asks for, must not become "/new/0/".
TEST(ListingAddresses, PagesOfTheListingAndTheSearch)
{
    EXPECT_EQ(searchAddress(escapeSearchQuery(u"ubuntu"_s), choices(u"anime"_s, u"seeders"_s, u"asc"_s), 3, kHost),
              u"http://site.test:48470/usearch/ubuntu%20category%3Aanime/3/?field=seeders&sorder=asc"_s);
    EXPECT_EQ(newestListingAddress(kNothingStored, 0, kHost),
              u"http://site.test:48470/new/?field=time_add&sorder=desc"_s);
}

TEST(ListingAddresses, FavoritesDetailProfileAndSendAddresses)
{
    // The favorites batch asks for bare page numbers, page 1 included, with no trailing slash.
    EXPECT_EQ(favoritesPageAddress(1, kHost), u"http://site.test:48470/new/1"_s);
    EXPECT_EQ(favoritesPageAddress(12, kHost), u"http://site.test:48470/new/12"_s);
    EXPECT_EQ(detailsAddress(u"some-torrent-t123.html"_s, kHost), u"http://site.test:48470/some-torrent-t123.html"_s);
    EXPECT_EQ(profileAddress(u"Some User"_s, kHost), u"http://site.test:48470/user/Some User"_s);

    // A download address holding the host anywhere is fetched as written; only one without it is a site path.
    for (const QString& whole :
         {u"http://site.test:48470/torrents/a.torrent"_s, u"http://files.test/get?from=site.test:48470"_s}) {
        EXPECT_EQ(sendAddress(whole, kHost), whole);
    }
    EXPECT_EQ(sendAddress(u"/get?mirror=site.test:1"_s, kHost), u"http://site.test:48470/get?mirror=site.test:1"_s);
}

TEST(SearchQueryEscaping, AsciiIsKeptOrEscapedInUpperCaseHexAndTheRestGoesAsUtf8)
{
    const QString keptMarks = u"-_.!~*'();/?:@&=+$,"_s;
    for (char16_t c = 0; c < 128; ++c) {
        const QChar ch(c);
        const bool kept =
            (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || keptMarks.contains(ch);
        const QString expected = kept ? QString(ch) : u"%%1"_s.arg(int(c), 2, 16, QChar(u'0')).toUpper();
        EXPECT_EQ(escapeSearchQuery(QString(ch)), expected) << "character " << int(c);
    }
    EXPECT_EQ(escapeSearchQuery(u"AC/DC & friends: 100% #1?"_s), u"AC/DC%20&%20friends:%20100%25%20%231?"_s);
    EXPECT_EQ(escapeSearchQuery(u"café 日本 🐟"_s), u"caf%C3%A9%20%E6%97%A5%E6%9C%AC%20%F0%9F%90%9F"_s);
}
