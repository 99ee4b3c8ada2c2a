#include "core/net/HttpContext.h"
#include "core/scrape/HttpRequestRegExTorrent.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "fixtures/ListingPage.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

class TorrentListTest : public ::testing::Test
{
protected:
    void TearDown() override { SettingsStore::setShared(nullptr); }

    std::optional<QList<Torrent>> fetch(const QString& page)
    {
        server.route("/list/", {200, "OK", {}, page.toUtf8()});
        request.request();
        return request.torrents();
    }

    test::TestHttpServer server;
    HttpRequestRegExTorrent request{server.url(u"/list/"_s), std::make_shared<HttpContext>()};
};

// The history comes from the shared store the executables install; without one nothing is marked. (Whole generated
// pages are read through this request by CliAgainstDemo's listing tests and DemoListing.)
TEST_F(TorrentListTest, HandWrittenRowsGiveCleanFieldsAndHistoryMarksExactNamesOnly)
{
    QList<fixtures::ListingRow> rows;
    for (const QString& nameHtml : {u"Fast &amp; <em>Furious</em>"_s, u"B"_s, u"b"_s, u"B "_s}) {
        rows.append(fixtures::sampleRow(int(rows.size())));
        rows.last().nameHtml = nameHtml;
    }
    rows[0].downloadUrl = u"http://site.test/get/Café del Mar 日|.torrent?t=a b&x=%41#top"_s;
    rows[0].sizeNumber = u"700.5"_s;
    rows[0].sizeUnit = u"MB"_s;
    rows[0].ageHtml = u"2&nbsp;hours"_s;
    QString page;
    for (int i = 0; i < rows.size(); ++i) {
        page += fixtures::rowHtml(rows.at(i), i);
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto store = std::make_shared<SettingsStore>(dir.path());
    ASSERT_TRUE(store->setList(SettingsKeys::torrentHistory, {u"A"_s, u"B"_s, u"Fast & Furious"_s}));
    SettingsStore::setShared(store);
    const std::optional<QList<Torrent>> torrents = fetch(page);
    ASSERT_TRUE(torrents && torrents->size() == 4);
    const Torrent& t = torrents->first();
    EXPECT_EQ(t.name, u"Fast & Furious"_s);
    EXPECT_EQ(t.downloadUrl, u"http://site.test/get/Caf%C3%A9%20del%20Mar%20%E6%97%A5%7C.torrent?t=a%20b&x=%41#top"_s);
    EXPECT_EQ(t.size, u"700.5 MB"_s);
    EXPECT_EQ(t.date, u"2 hours"_s);
    QList<bool> marked;
    for (int i = 0; i < 4; ++i) {
        const Torrent& each = torrents->at(i);
        marked.append(each.isDownloaded);
        EXPECT_EQ(each.type, rows[i].category) << i;
        EXPECT_EQ(each.detailsUrl, rows[i].detailPath) << i;
        EXPECT_EQ(each.up, rows[i].seeders) << i;
        EXPECT_EQ(each.down, rows[i].leechers) << i;
        EXPECT_FALSE(each.wait || each.ratio || each.active || each.isNew) << i;
    }
    EXPECT_EQ(marked, (QList<bool>{true, true, false, false})) << "whole decoded names, compared exactly";

    SettingsStore::setShared(nullptr);
    const std::optional<QList<Torrent>> withoutStore = fetch(page);
    ASSERT_TRUE(withoutStore);
    for (const Torrent& each : *withoutStore) {
        EXPECT_FALSE(each.isDownloaded);
    }
}

TEST_F(TorrentListTest, HostilePageFailsWithOneWarningAndTheNextPageReadsAgain)
{
    std::optional<QList<Torrent>> hostile;
    qsizetype warnings = 0;
    {
        const test::MessageCapture capture;
        hostile = fetch(fixtures::listingPage(25, false));
        warnings = capture.warnings(u"marrowfin.scrape"_s).size();
    }
    EXPECT_FALSE(hostile) << "a page that could not be matched must not look like a page without rows";
    EXPECT_EQ(warnings, 1);

    const std::optional<QList<Torrent>> next = fetch(fixtures::listingPage(3, true, 25));
    ASSERT_TRUE(next && next->size() == 3);
    EXPECT_EQ(next->first().detailsUrl, fixtures::sampleRow(25).detailPath);
}

} // namespace
} // namespace marrowfin
