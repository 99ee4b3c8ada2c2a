#include "CategoryTree.h"
#include "PageRenderer.h"
#include "SharedDemo.h"

#include "core/text/TextConversions.h"

#include <QUrl>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <tuple>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

using Entry = demo::CatalogueEntry;

using DemoListing = SharedDemoTest;

// A listing's rows with the catalogue entries they name, page after page up to `pages` or an empty page; every page
// but the last is full, a row naming no entry is a failure and left out. Counts the pages carrying sponsored rows.
struct Listed
{
    std::vector<std::pair<QStringList, const Entry*>> rows;
    int sponsoredPages = 0;
};
Listed listed(const std::string& base, const std::string& order, int pages = 200)
{
    Listed result;
    std::size_t lastPageRows = 25;
    for (int page = 1; page <= pages; ++page) {
        const PlainAnswer answer = get(sharedDemo().site(base + (page == 1 ? "" : std::to_string(page) + "/") + order));
        EXPECT_EQ(answer.status, 200) << base << " " << page;
        const auto rows = arrayOfCaptureComponentsMatchedByRegex(text(answer), torrentListPattern());
        if (rows.isEmpty()) {
            break;
        }
        EXPECT_EQ(lastPageRows, 25U) << "a short page before page " << page;
        EXPECT_LE(rows.size(), 25);
        lastPageRows = std::size_t(rows.size());
        result.sponsoredPages += text(answer).contains(u"<tr class=\"sponsored\""_s) ? 1 : 0;
        for (const QStringList& row : rows) {
            if (const Entry* entry = entryOfRow(row)) {
                result.rows.emplace_back(row, entry);
            } else {
                ADD_FAILURE() << row.value(3).toStdString();
            }
        }
    }
    return result;
}

// The ids of a listing's torrents, none twice.
std::set<int> idsOf(const Listed& listing)
{
    std::set<int> ids;
    for (const auto& [row, entry] : listing.rows) {
        EXPECT_TRUE(ids.insert(entry->id).second) << "listed twice: " << entry->id;
    }
    return ids;
}

// What each order of the listing sorts by; newest first is the smallest age first.
std::int64_t keyOf(const Entry& entry, const std::string& field)
{
    return std::map<std::string, std::int64_t>{{"time_add", -entry.ageSeconds},
                                               {"size", std::int64_t(entry.sizeBytes)},
                                               {"files_count", entry.files},
                                               {"seeders", entry.seeders},
                                               {"leechers", entry.leechers}}
        .at(field);
}

} // namespace

// Every entry of the newest list appears exactly once, newest first, each row read by the app's pattern with the
// fields it is meant to carry, and the page after the last has no rows (pages far past the end, and the site's
// default order at the favorites' addresses, are the command line's listing tests). The noise the rows carry is
// checked to be there, so the field checks are not passing on clean rows only: among it sponsored rows between two
// torrent rows and right after the table head (page 25), in which the pattern must neither start a match nor run
// through into the next row.
TEST_F(DemoListing, NewestListingYieldsEveryTorrentOnceWithItsFields)
{
    const std::string host = sharedDemo().host();
    const Listed newest = listed("/new/", "?field=time_add&sorder=desc");
    EXPECT_EQ(int(idsOf(newest).size()), kTorrents) << "every torrent, none twice";
    std::int64_t lastAge = -1;
    int entityNames = 0, markupNames = 0, redirectAddresses = 0, absoluteAddresses = 0, spacedAddresses = 0;
    for (const auto& [row, entry] : newest.rows) {
        ASSERT_EQ(row.size(), 10);
        EXPECT_GE(entry->ageSeconds, lastAge);
        lastAge = entry->ageSeconds;

        EXPECT_EQ(row[1].toStdString(), demo::PageRenderer::downloadButtonAddress(*entry, host));
        EXPECT_EQ(row[2].toStdString(), entry->category);
        EXPECT_EQ(row[3].toStdString(), demo::Catalogue::detailPath(*entry));
        // The listing's rule for names: entities decoded first, then markup removed.
        EXPECT_EQ(stringByStrippingHTML(gtm_stringByUnescapingFromHTML(row[4])), entry->listedName)
            << row[4].toStdString();
        const auto size = demo::Catalogue::sizeParts(entry->sizeBytes);
        EXPECT_EQ(row[5].toStdString(), size[0]);
        EXPECT_EQ(row[6].toStdString(), size[1]);
        EXPECT_EQ(row[7].toStdString(), demo::Catalogue::ageHtml(entry->ageSeconds));
        EXPECT_TRUE(row[7].contains(u"&nbsp;"_s));
        EXPECT_EQ(row[8].toInt(), entry->seeders);
        EXPECT_EQ(row[9].toInt(), entry->leechers);

        entityNames += row[4].contains(u"&amp;"_s) || row[4].contains(u"&#39;"_s) ? 1 : 0;
        markupNames += row[4].contains(u"<strong"_s) || row[4].contains(u"&lt;b&gt;"_s) ? 1 : 0;
        redirectAddresses += row[1].contains(u'=') ? 0 : 1;
        absoluteAddresses += row[1].startsWith(u"http://"_s) ? 1 : 0;
        spacedAddresses += row[1].contains(u' ') ? 1 : 0;
    }
    EXPECT_GT(newest.sponsoredPages, 10);
    EXPECT_GT(entityNames, 10);
    EXPECT_GT(markupNames, 10);
    EXPECT_GT(redirectAddresses, 10);
    EXPECT_GT(absoluteAddresses, 10);
    EXPECT_GT(spacedAddresses, 10);
}

// Each of the five orders, both directions: the first two pages run monotonically, start at the catalogue's
// extreme, and page 2 continues page 1.
TEST_F(DemoListing, OrdersAndDirectionsAreHonoured)
{
    const auto& entries = sharedCatalogue().entries();
    for (const std::string field : {"time_add", "size", "files_count", "seeders", "leechers"}) {
        for (const std::string direction : {"desc", "asc"}) {
            SCOPED_TRACE(field + " " + direction);
            const auto rows = listed("/new/", "?field=" + field + "&sorder=" + direction, 2).rows;
            ASSERT_EQ(rows.size(), 50U);
            EXPECT_EQ(idsOf({rows}).size(), 50U);
            const bool ascending = direction == "asc";
            for (std::size_t i = 1; i < rows.size(); ++i) {
                const std::int64_t before = keyOf(*rows[i - 1].second, field);
                const std::int64_t after = keyOf(*rows[i].second, field);
                EXPECT_TRUE(ascending ? before <= after : before >= after) << i << ": " << before << ", " << after;
            }
            const auto [least, most] =
                std::minmax_element(entries.begin(), entries.end(),
                                    [&](const Entry& a, const Entry& b) { return keyOf(a, field) < keyOf(b, field); });
            EXPECT_EQ(keyOf(*rows.front().second, field), keyOf(ascending ? *least : *most, field));
        }
    }
}

// Category and search addresses as the app builds them: every listed torrent fits, and all that fit are listed.
TEST_F(DemoListing, CategoriesAndSearchesListExactlyWhatFits)
{
    const auto* movies = demo::CategoryTree::groupOf("movies");
    ASSERT_NE(movies, nullptr);
    const QStringList words = sharedCatalogue().entries()[40].listedName.split(u' ');
    const QString first = words.value(1);
    const QString second = words.value(2);
    ASSERT_FALSE(first.isEmpty() || second.isEmpty());
    const std::string twoWords =
        QString::fromLatin1(QUrl::toPercentEncoding(first.toUpper() + u' ' + second.toLower())).toStdString();
    // What the listing stands for, its address and order, and what fits it.
    const std::tuple<const char*, std::string, std::string, std::function<bool(const Entry&)>> listings[] = {
        {"a group's first word, for the whole group", "/usearch/category%3Amovies/", "?field=time_add&sorder=desc",
         [&](const Entry& entry) {
             return std::find(movies->words.begin(), movies->words.end(), entry.category) != movies->words.end();
         }},
        {"a word inside a group, only that word", "/usearch/category%3Amp3/", "?field=seeders&sorder=asc",
         [](const Entry& entry) { return entry.category == "mp3"; }},
        {"two words in any case, both in the name", "/usearch/" + twoWords + "/", "?field=time_add&sorder=desc",
         [&](const Entry& entry) {
             return entry.listedName.contains(first, Qt::CaseInsensitive) &&
                    entry.listedName.contains(second, Qt::CaseInsensitive);
         }},
        {"letters outside ASCII as UTF-8 escapes, in another case", "/usearch/FJ%C3%98RD/", "?field=size&sorder=desc",
         [](const Entry& entry) { return entry.listedName.contains(u"fjørd"_s, Qt::CaseInsensitive); }},
        {"a search narrowed to a category", "/usearch/hdtv%20category%3Atv/", "?field=time_add&sorder=desc",
         [](const Entry& entry) {
             return entry.listedName.contains(u"HDTV"_s, Qt::CaseInsensitive) &&
                    demo::CategoryTree::covers("tv", entry.category);
         }},
    };
    for (const auto& [what, address, order, fits] : listings) {
        SCOPED_TRACE(what);
        std::set<int> fitting;
        for (const Entry& entry : sharedCatalogue().entries()) {
            if (fits(entry)) {
                fitting.insert(entry.id);
            }
        }
        ASSERT_FALSE(fitting.empty());
        EXPECT_EQ(idsOf(listed(address, order)), fitting);
    }

    for (const auto& group : demo::CategoryTree::groups()) {
        EXPECT_FALSE(listed("/usearch/category%3A" + std::string(group.words.front()) + "/", "", 1).rows.empty())
            << group.title;
    }
    // Nothing fits: an ordinary page without rows.
    EXPECT_TRUE(listed("/usearch/zzqqxx/", "?field=time_add&sorder=desc").rows.empty());
    EXPECT_TRUE(listed("/usearch/category%3Anot-a-category/", "").rows.empty());
}

// /_demo/add, which the watcher's tests and the stress tools grow the newest list with, refuses counts it cannot
// serve; the reserve it draws from ends, and the torrents it adds take their place in every order. That they top
// the newest list, newest first, with their pages and files, is what the watcher's rounds report and send.
TEST_F(DemoListing, TheFreshReserveEndsAndItsTorrentsTakeTheirPlaceInEveryOrder)
{
    for (const std::string count : {"0", "1000"}) {
        EXPECT_EQ(get(sharedDemo().site("/_demo/add?count=" + count)).status, 400) << count;
    }

    demo::Catalogue catalogue(kSeed, 100);
    EXPECT_EQ(int(catalogue.addFresh(demo::Catalogue::kFreshReserve + 5).size()), demo::Catalogue::kFreshReserve);
    EXPECT_TRUE(catalogue.addFresh(1).empty());
    EXPECT_EQ(catalogue.entries().size(), 100U) << "the catalogue made at start keeps its torrents";
    const auto bySize = catalogue.select({{}, {}, demo::ListingOrder::Size, true});
    EXPECT_EQ(bySize.size(), 100U + demo::Catalogue::kFreshReserve);
    EXPECT_TRUE(std::is_sorted(bySize.begin(), bySize.end(),
                               [](const Entry* a, const Entry* b) { return a->sizeBytes < b->sizeBytes; }));
}
