#include "CategoryTree.h"
#include "PageRenderer.h"
#include "SharedDemo.h"

#include "core/text/TextConversions.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

class DemoListing : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sharedDemo().started()) << sharedDemo().readyLine(); }

    static QList<QStringList> fetchRows(const std::string& path, QString* page = nullptr)
    {
        const HttpReply reply = get(sharedDemo().site(path));
        EXPECT_EQ(reply.status, 200) << path;
        if (page != nullptr)
            *page = reply.text();
        return listingRows(reply.text());
    }

    static std::vector<const demo::CatalogueEntry*> entriesOf(const QList<QStringList>& rows)
    {
        std::vector<const demo::CatalogueEntry*> entries;
        for (const QStringList& row : rows) {
            const auto* entry = entryOfRow(row);
            EXPECT_NE(entry, nullptr) << row.value(3).toStdString();
            if (entry != nullptr)
                entries.push_back(entry);
        }
        return entries;
    }

    // All rows of a listing, page after page until an empty page; the page count is bounded.
    static std::vector<const demo::CatalogueEntry*> allPages(const std::string& base, const std::string& order)
    {
        std::vector<const demo::CatalogueEntry*> all;
        for (int page = 1; page <= 200; ++page) {
            const auto rows = fetchRows(base + (page == 1 ? "" : std::to_string(page) + "/") + order);
            if (rows.isEmpty())
                break;
            EXPECT_LE(rows.size(), 25);
            const auto entries = entriesOf(rows);
            all.insert(all.end(), entries.begin(), entries.end());
        }
        return all;
    }
};

std::int64_t keyOf(const demo::CatalogueEntry& entry, const std::string& field)
{
    if (field == "time_add")
        return -entry.ageSeconds;
    if (field == "size")
        return std::int64_t(entry.sizeBytes);
    if (field == "files_count")
        return entry.files;
    if (field == "seeders")
        return entry.seeders;
    return entry.leechers;
}

} // namespace

// Every entry of the newest list appears exactly once, newest first, each row read by the app's pattern with the
// fields it is meant to carry, and the page after the last has no rows. The noise the rows carry is checked to be
// there, so the field checks are not passing on clean rows only.
TEST_F(DemoListing, NewestListingYieldsEveryTorrentOnceWithItsFields)
{
    const std::string host = sharedDemo().host();
    std::set<int> seen;
    std::int64_t lastAge = -1;
    int entityNames = 0, markupNames = 0, redirectAddresses = 0, absoluteAddresses = 0, spacedAddresses = 0;
    int sponsoredPages = 0;
    int page = 1;
    for (;; ++page) {
        QString html;
        const auto rows = fetchRows(
            "/new/" + (page == 1 ? std::string() : std::to_string(page) + "/") + "?field=time_add&sorder=desc", &html);
        if (rows.isEmpty())
            break;
        sponsoredPages += html.contains(u"<tr class=\"sponsored\""_s) ? 1 : 0;
        ASSERT_EQ(rows.size(), page * 25 <= kTorrents ? 25 : kTorrents % 25) << "page " << page;
        for (const QStringList& row : rows) {
            ASSERT_EQ(row.size(), 10);
            const demo::CatalogueEntry* entry = entryOfRow(row);
            ASSERT_NE(entry, nullptr) << row.value(3).toStdString();
            EXPECT_TRUE(seen.insert(entry->id).second) << "listed twice: " << entry->id;
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
    }
    EXPECT_EQ(int(seen.size()), kTorrents);
    EXPECT_EQ(page - 1, (kTorrents + 24) / 25);
    EXPECT_GT(sponsoredPages, 10);
    EXPECT_GT(entityNames, 10);
    EXPECT_GT(markupNames, 10);
    EXPECT_GT(redirectAddresses, 10);
    EXPECT_GT(absoluteAddresses, 10);
    EXPECT_GT(spacedAddresses, 10);

    // Far past the end: still an ordinary page, with no rows.
    QString html;
    EXPECT_TRUE(fetchRows("/new/999/?field=time_add&sorder=desc", &html).isEmpty());
    EXPECT_TRUE(html.contains(u"</html>"_s));
}

// A sponsored row between two torrent rows, or right after the table head, is skipped: the pattern neither
// starts a match in it nor lets one run through it into the next row.
TEST_F(DemoListing, SponsoredRowsAreSkippedExactly)
{
    const auto& entries = sharedCatalogue().entries();
    const demo::PageRenderer renderer(sharedCatalogue(), "movies.test");
    const demo::Visitor visitor{"127.0.0.1:1", std::nullopt};
    const QString html = QString::fromStdString(
        "<table>\n" + demo::PageRenderer::sponsoredRow(visitor, 1) + renderer.row(visitor, entries[3], 0) +
        demo::PageRenderer::sponsoredRow(visitor, 2) + demo::PageRenderer::sponsoredRow(visitor, 3) +
        renderer.row(visitor, entries[4], 1) + demo::PageRenderer::sponsoredRow(visitor, 4) + "</table>\n");
    const auto rows = listingRows(html);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0][3].toStdString(), demo::Catalogue::detailPath(entries[3]));
    EXPECT_EQ(rows[0][1].toStdString(), demo::PageRenderer::downloadButtonAddress(entries[3], visitor.host));
    EXPECT_EQ(rows[1][3].toStdString(), demo::Catalogue::detailPath(entries[4]));
    EXPECT_EQ(rows[1][1].toStdString(), demo::PageRenderer::downloadButtonAddress(entries[4], visitor.host));
    for (const QStringList& row : rows) {
        for (const QString& group : row.mid(1))
            EXPECT_FALSE(group.contains(u"promo"_s)) << group.toStdString();
    }
}

// Each of the five orders, both directions: the first two pages run monotonically, start at the catalogue's
// extreme, and page 2 continues page 1.
TEST_F(DemoListing, OrdersAndDirectionsAreHonoured)
{
    const auto& entries = sharedCatalogue().entries();
    for (const std::string field : {"time_add", "size", "files_count", "seeders", "leechers"}) {
        for (const std::string direction : {"desc", "asc"}) {
            SCOPED_TRACE(field + " " + direction);
            const std::string order = "?field=" + field + "&sorder=" + direction;
            auto listed = entriesOf(fetchRows("/new/" + order));
            const auto second = entriesOf(fetchRows("/new/2/" + order));
            ASSERT_EQ(listed.size(), 25u);
            ASSERT_EQ(second.size(), 25u);
            listed.insert(listed.end(), second.begin(), second.end());
            const bool ascending = direction == "asc";
            for (std::size_t i = 1; i < listed.size(); ++i) {
                if (ascending)
                    EXPECT_LE(keyOf(*listed[i - 1], field), keyOf(*listed[i], field)) << i;
                else
                    EXPECT_GE(keyOf(*listed[i - 1], field), keyOf(*listed[i], field)) << i;
            }
            std::int64_t extreme = keyOf(entries.front(), field);
            for (const auto& entry : entries)
                extreme = ascending ? std::min(extreme, keyOf(entry, field)) : std::max(extreme, keyOf(entry, field));
            EXPECT_EQ(keyOf(*listed.front(), field), extreme);
            std::set<int> ids;
            for (const auto* entry : listed)
                ids.insert(entry->id);
            EXPECT_EQ(ids.size(), listed.size());
        }
    }
    // Without an order the site's default is newest first, also at the addresses without a page or a slash.
    const auto plain = entriesOf(fetchRows("/new"));
    ASSERT_EQ(plain.size(), 25u);
    EXPECT_EQ(entriesOf(fetchRows("/new/1")), plain);
    EXPECT_EQ(entriesOf(fetchRows("/new/?field=time_add&sorder=desc")), plain);
    EXPECT_EQ(entriesOf(fetchRows("/new/2")), entriesOf(fetchRows("/new/2/?field=time_add&sorder=desc")));
}

// Category and search addresses as the app builds them: every listed torrent fits, and all that fit are listed.
TEST_F(DemoListing, CategoriesAndSearchesListExactlyWhatFits)
{
    const auto& entries = sharedCatalogue().entries();
    auto expectedIds = [&](const std::function<bool(const demo::CatalogueEntry&)>& fits) {
        std::set<int> ids;
        for (const auto& entry : entries) {
            if (fits(entry))
                ids.insert(entry.id);
        }
        return ids;
    };
    auto idsOf = [](const std::vector<const demo::CatalogueEntry*>& listed) {
        std::set<int> ids;
        for (const auto* entry : listed)
            ids.insert(entry->id);
        EXPECT_EQ(ids.size(), listed.size()) << "a torrent listed twice";
        return ids;
    };

    // A group's first word stands for the whole group.
    const auto* movies = demo::CategoryTree::groupOf("movies");
    ASSERT_NE(movies, nullptr);
    const auto inMovies = [&](const demo::CatalogueEntry& entry) {
        return std::find(movies->words.begin(), movies->words.end(), entry.category) != movies->words.end();
    };
    const auto movieIds = expectedIds(inMovies);
    ASSERT_GT(movieIds.size(), 25u);
    EXPECT_EQ(idsOf(allPages("/usearch/category%3Amovies/", "?field=time_add&sorder=desc")), movieIds);

    // A word inside a group: only that word, whatever the order.
    const auto mp3Ids = expectedIds([](const demo::CatalogueEntry& entry) { return entry.category == "mp3"; });
    ASSERT_FALSE(mp3Ids.empty());
    EXPECT_EQ(idsOf(allPages("/usearch/category%3Amp3/", "?field=seeders&sorder=asc")), mp3Ids);

    // Every group of the tree has torrents.
    for (const auto& group : demo::CategoryTree::groups()) {
        const auto rows = fetchRows("/usearch/category%3A" + std::string(group.words.front()) + "/");
        EXPECT_FALSE(rows.isEmpty()) << group.title;
    }

    // Two words, any case: both must occur in the name.
    const QString first = entries[40].listedName.split(u' ').value(1);
    const QString second = entries[40].listedName.split(u' ').value(2);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    const auto wordIds = expectedIds([&](const demo::CatalogueEntry& entry) {
        return entry.listedName.contains(first, Qt::CaseInsensitive) &&
               entry.listedName.contains(second, Qt::CaseInsensitive);
    });
    const std::string query =
        QString::fromLatin1(QUrl::toPercentEncoding(first.toUpper() + u' ' + second.toLower())).toStdString();
    EXPECT_EQ(idsOf(allPages("/usearch/" + query + "/", "?field=time_add&sorder=desc")), wordIds);

    // A word with letters outside ASCII, sent as UTF-8 escapes, in another case than the names have.
    const auto foreignIds = expectedIds(
        [](const demo::CatalogueEntry& entry) { return entry.listedName.contains(u"fjørd"_s, Qt::CaseInsensitive); });
    ASSERT_FALSE(foreignIds.empty());
    EXPECT_EQ(idsOf(allPages("/usearch/FJ%C3%98RD/", "?field=size&sorder=desc")), foreignIds);

    // A search narrowed to a category, the form "/usearch/QUERY%20category%3AC/".
    const auto tvIds = expectedIds([](const demo::CatalogueEntry& entry) {
        return entry.listedName.contains(u"HDTV"_s, Qt::CaseInsensitive) &&
               demo::CategoryTree::covers("tv", entry.category);
    });
    ASSERT_FALSE(tvIds.empty());
    EXPECT_EQ(idsOf(allPages("/usearch/hdtv%20category%3Atv/", "?field=time_add&sorder=desc")), tvIds);

    // Nothing fits: an ordinary page without rows.
    EXPECT_TRUE(fetchRows("/usearch/zzqqxx/?field=time_add&sorder=desc").isEmpty());
    EXPECT_TRUE(fetchRows("/usearch/category%3Anot-a-category/").isEmpty());
}

// Torrents added between two visits come first in the newest list, newest first, push the others down, have their
// pages, and stop coming once the reserve is spent; the catalogue made at start is untouched by them.
TEST(DemoFreshTorrents, AddedTorrentsTopTheNewestList)
{
    DemoProcess demo({"--seed", std::to_string(kSeed), "--torrents", "100"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    const QList<QStringList> before = listingRows(get(demo.site("/new/")).text());
    ASSERT_FALSE(before.isEmpty());

    const HttpReply added = get(demo.site("/_demo/add?count=2"));
    ASSERT_EQ(added.status, 200);
    const QStringList lines = added.text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QList<QStringList> after = listingRows(get(demo.site("/new/")).text());
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < 2; ++i) {
        const QStringList fields = lines.at(1 - i).split(u'\t');
        EXPECT_EQ(u'/' + after.at(i).value(3), fields.value(0)) << "newest first";
        EXPECT_EQ(get(demo.site(fields.value(0).toStdString())).status, 200);
    }
    EXPECT_EQ(after.at(2), before.at(0));
    EXPECT_EQ(get(demo.site("/_demo/add?count=0")).status, 400);
    EXPECT_EQ(get(demo.site("/_demo/add?count=1000")).status, 400);

    demo::Catalogue catalogue(kSeed, 100);
    const auto fresh = catalogue.addFresh(demo::Catalogue::kFreshReserve + 5);
    EXPECT_EQ(int(fresh.size()), demo::Catalogue::kFreshReserve);
    EXPECT_TRUE(catalogue.addFresh(1).empty());
    EXPECT_EQ(catalogue.entries().size(), 100U);
    const auto bySize = catalogue.select({{}, {}, demo::ListingOrder::Size, true});
    EXPECT_EQ(bySize.size(), 100U + demo::Catalogue::kFreshReserve);
    EXPECT_TRUE(std::is_sorted(bySize.begin(), bySize.end(), [](const auto* a, const auto* b) {
        return a->sizeBytes < b->sizeBytes;
    })) << "added torrents take their place in every order";
}
