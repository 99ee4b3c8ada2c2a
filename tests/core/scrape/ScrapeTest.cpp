#include "core/net/HttpContext.h"
#include "core/scrape/HttpRequestRegExForum.h"
#include "core/scrape/HttpRequestRegExProfileDetails.h"
#include "core/scrape/HttpRequestRegExTorrent.h"
#include "core/scrape/HttpRequestRegExUserInfo.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "fixtures/ListingPage.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

const QString kHead = u"<!DOCTYPE html>\n<html><head><title>A page</title>\n</head>"_s;
const QString kMainOpening = u"<div class=\"mainpart\">\n"_s;
const QString kSideBarTable =
    u"<table><tr><td class=\"sidebarCell\"><div>ad</div>\n</td><td>data</td><td class=\"sidebarCell\">2</td></tr>"_s;
const QString kEmptiedTable = u"<table><tr><td></td><td>data</td><td></td></tr>"_s;
const QString kSharing = u"<div class=\"sharingWidgetBox\"><a href=\"/share/\">share</a>\n</div>\n"_s;
const QString kTechnical = u"<div id=\"tab-technical\" class=\"tab\">codec</div>\n"_s;

// A whole page around `main`, with a movie link outside the main part that must never be offered.
QString pageAround(const QString& main)
{
    return kHead + u"\n<body><div id=\"menu\"><a href='http://movies.example/title/tt9/'>top</a></div>\n"_s +
           kMainOpening + main + u"</div>\n<div id=\"translate_site\">translate</div>\n</body></html>\n"_s;
}

class PageExtractionTest : public ::testing::Test
{
protected:
    QUrl serve(const QByteArray& path, const QString& page, int status = 200)
    {
        server.route(path, {status, "Any", {}, page.toUtf8()});
        return server.url(QString::fromLatin1(path));
    }

    test::TestHttpServer server;
    std::shared_ptr<HttpContext> context = std::make_shared<HttpContext>();
};

// (Detail pages, cut and searched for their film link, are read from the demo site by CliAgainstDemo's detail test.)
TEST_F(PageExtractionTest, ProfilePageIsCutOrAnErrorPageOrNothingAndTheForumComesWholeToThePhone)
{
    HttpRequestRegExProfileDetails profile(serve("/user/joe/", pageAround(kSideBarTable + kSharing + kTechnical)),
                                           context);
    profile.request();
    // The head and the main part only, its side bar cells emptied.
    EXPECT_EQ(profile.result(), kHead + kMainOpening + kEmptiedTable + kSharing + kTechnical + u"</div>\n"_s);

    HttpRequestRegExProfileDetails missing(serve("/user/gone/", kHead + u"<body>No such user</body>"_s, 404), context);
    missing.request();
    EXPECT_EQ(missing.result(), u"<html>Error loading page.  Try again.</html>"_s);

    HttpRequestRegExProfileDetails unreachable(test::TestHttpServer().url(u"/user/joe/"_s), context);
    unreachable.request();
    EXPECT_FALSE(unreachable.result()) << "the error page is for an answer without the main part, not for no answer";

    const QString page = pageAround(kSideBarTable);
    HttpRequestRegExForum forum(serve("/community/", page), context);
    forum.setOverwriteUserAgent(true);
    forum.request();
    EXPECT_EQ(forum.result(), page);
    EXPECT_EQ(server.requestsTo("/community/").value(0).header("User-Agent"), QByteArray(kPhoneUserAgent));
}

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
    rows[0].ageHtml = u"2&nbsp;hours"_s;
    QString page;
    for (int i = 0; i < rows.size(); ++i) {
        page += fixtures::rowHtml(rows.at(i), i);
    }

    QTemporaryDir dir;
    auto store = std::make_shared<SettingsStore>(dir.path());
    ASSERT_TRUE(store->setList(SettingsKeys::torrentHistory, {u"A"_s, u"B"_s, u"Fast & Furious"_s}));
    SettingsStore::setShared(store);
    const std::optional<QList<Torrent>> torrents = fetch(page);
    ASSERT_TRUE(torrents && torrents->size() == 4);
    const Torrent& t = torrents->first();
    EXPECT_EQ(t.name, u"Fast & Furious"_s);
    EXPECT_EQ(t.downloadUrl, u"http://site.test/get/Caf%C3%A9%20del%20Mar%20%E6%97%A5%7C.torrent?t=a%20b&x=%41#top"_s);
    EXPECT_EQ(t.size, rows[0].sizeNumber + u' ' + rows[0].sizeUnit);
    EXPECT_EQ(t.date, u"2 hours"_s);
    SettingsStore::setShared(nullptr);
    const std::optional<QList<Torrent>> unshared = fetch(page);
    ASSERT_TRUE(unshared && unshared->size() == 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(torrents->at(i).isDownloaded, i < 2) << i << ": whole decoded names, compared exactly";
        EXPECT_FALSE(unshared->at(i).isDownloaded) << i;
    }
}

TEST_F(TorrentListTest, HostilePageFailsWithOneWarningAndTheNextPageReadsAgain)
{
    {
        const test::MessageCapture capture;
        EXPECT_FALSE(fetch(fixtures::listingPage(25, false)))
            << "a page that could not be matched must not look like a page without rows";
        EXPECT_EQ(capture.warnings(u"marrowfin.scrape"_s).size(), 1);
    }

    const std::optional<QList<Torrent>> next = fetch(fixtures::listingPage(3, true, 25));
    ASSERT_TRUE(next && next->size() == 3);
    EXPECT_EQ(next->first().detailsUrl, fixtures::sampleRow(25).detailPath);
}

// Runs the scraper over `data` as the sign-in operations do; the shared record afterwards.
UserInfo& readUser(const QByteArray& data)
{
    HttpRequestRegExUserInfo reader;
    reader.setResponseData(data);
    reader.request();
    return UserInfo::sharedInstance();
}

TEST(UserInfoTest, AnonymousCheckClearsTheIdASignInKeepsItAndTheNicknameIsClean)
{
    UserInfo::sharedInstance().setIds(u"4711"_s);
    EXPECT_EQ(readUser("0").username(), u"Anonymous"_s);
    EXPECT_FALSE(UserInfo::sharedInstance().ids());

    UserInfo::sharedInstance().setIds(u"4711"_s);
    const UserInfo& user = readUser("<script>var u = {id: 7,\n nickname: 'joe', lang: 'en'};</script>");
    EXPECT_EQ(user.username(), u"joe"_s);
    EXPECT_EQ(user.ids(), u"4711"_s);

    // The nickname is trimmed and read as UTF-8, while undecodable data changes nothing.
    EXPECT_EQ(readUser("x = {nickname: ' \t joe  ', y: 1}").username(), u"joe"_s);
    EXPECT_EQ(readUser("nickname: 'Zo\xc3\xab',").username(), u"Zoë"_s);

    HttpRequestRegExUserInfo broken;
    broken.setResponseData(QByteArray("nickname: 'bad\xff',"));
    broken.request();
    EXPECT_FALSE(broken.result() || broken.userInfo());
    EXPECT_EQ(UserInfo::sharedInstance().username(), u"Zoë"_s);
}

} // namespace
} // namespace marrowfin
