#include "core/config/AppConfig.h"
#include "core/net/HttpContext.h"
#include "core/scrape/HttpRequestRegExDetails.h"
#include "core/scrape/HttpRequestRegExForum.h"
#include "core/scrape/HttpRequestRegExProfileDetails.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

const QString kHead = u"<!DOCTYPE html>\n<html><head><title>A page</title>\n</head>"_s;
const QString kMainOpening = u"<div class=\"mainpart\">\n"_s;
const QString kSideBarTable = u"<table><tr><td class=\"sidebarCell\"><div>ad one</div>\n</td><td>data</td>\n"
                              "<td class=\"sidebarCell\">two</td></tr>\n<tr><td class=\"sidebarCell\">\n<p>3</p></td>"
                              "</tr></table>\n"_s;
const QString kEmptiedTable = u"<table><tr><td></td><td>data</td>\n<td></td></tr>\n<tr><td></td></tr></table>\n"_s;
const QString kSharing = u"<div class=\"sharingWidgetBox\"><a href=\"/share/\">share</a>\n</div>\n"_s;
const QString kTechnical = u"<div id=\"tab-technical\" class=\"tab\">codec</div>\n"_s;

// A whole page around `main`, with a movie link outside the main part that must never be offered.
QString pageAround(const QString& main)
{
    return kHead + u"\n<body><div id=\"menu\"><a href='http://movies.example/title/tt9/'>top</a></div>\n"_s +
           kMainOpening + main + u"</div>\n<div id=\"translate_site\">translate</div>\n</body></html>\n"_s;
}

// What a cut-down page keeps of pageAround(main) once `main` has become `kept`.
QString cutDown(const QString& kept)
{
    return kHead + kMainOpening + kept + u"</div>\n"_s;
}

class PageExtractionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppConfig config = saved;
        config.imdbHost = u"movies.example"_s;
        AppConfig::setCurrent(config);
    }
    void TearDown() override { AppConfig::setCurrent(saved); }

    QUrl serve(const QByteArray& path, const QString& page, int status = 200)
    {
        server.route(path, {status, "Any", {}, page.toUtf8()});
        return server.url(QString::fromLatin1(path));
    }

    AppConfig saved = AppConfig::current();
    test::TestHttpServer server;
    std::shared_ptr<HttpContext> context = std::make_shared<HttpContext>();
};

TEST_F(PageExtractionTest, DetailPageKeepsHeadAndMainPartWithoutSideBarAndSharingWidget)
{
    for (const QString& quote : {u"'"_s, u"\""_s}) {
        const QString link = u"<a href=%1http://movies.example/title/tt0111161/%1>movie</a>\n"_s.arg(quote);
        HttpRequestRegExDetails details(serve("/t1.html", pageAround(kSideBarTable + kSharing + kTechnical + link)),
                                        context);
        details.request();
        EXPECT_EQ(details.result(), cutDown(kEmptiedTable + kTechnical + link));
        EXPECT_EQ(details.imdb(), u"http://movies.example/title/tt0111161/"_s) << quote.toStdString();
    }

    const QString otherHost = u"<a href='http://movies.elsewhere/title/tt1/'>movie</a>\n"_s;
    HttpRequestRegExDetails other(serve("/t2.html", pageAround(otherHost)), context);
    other.request();
    EXPECT_EQ(other.result(), cutDown(otherHost));
    EXPECT_FALSE(other.imdb()) << "neither another host nor a link outside the main part is the movie link";
}

TEST_F(PageExtractionTest, ProfilePageEmptiesSideBarOnlyOrShowsTheErrorPage)
{
    HttpRequestRegExProfileDetails profile(serve("/user/joe/", pageAround(kSideBarTable + kSharing + kTechnical)),
                                           context);
    profile.request();
    EXPECT_EQ(profile.result(), cutDown(kEmptiedTable + kSharing + kTechnical));

    HttpRequestRegExProfileDetails missing(serve("/user/gone/", kHead + u"<body>No such user</body>"_s, 404), context);
    missing.request();
    EXPECT_EQ(missing.result(), u"<html>Error loading page.  Try again.</html>"_s);
}

TEST_F(PageExtractionTest, ForumArrivesAsThePhoneBrowserAndStaysWhole)
{
    const QString page = pageAround(kSideBarTable);
    HttpRequestRegExForum forum(serve("/community/", page), context);
    forum.setOverwriteUserAgent(true);
    forum.request();
    EXPECT_EQ(forum.result(), page);
    ASSERT_EQ(server.requestsTo("/community/").size(), 1);
    EXPECT_EQ(server.requestsTo("/community/").first().header("User-Agent"), QByteArray(kPhoneUserAgent));
}

TEST_F(PageExtractionTest, NothingFetchedLeavesEveryResultAbsent)
{
    const QUrl unreachable = test::TestHttpServer().url(u"/page/"_s);
    HttpRequestRegExDetails details(unreachable, context);
    HttpRequestRegExProfileDetails profile(unreachable, context);
    HttpRequestRegExForum forum(unreachable, context);
    details.request();
    profile.request();
    forum.request();
    EXPECT_FALSE(details.result() || details.imdb());
    EXPECT_FALSE(profile.result()) << "the error page is for an answer without the main part, not for no answer";
    EXPECT_FALSE(forum.result());
}

} // namespace
} // namespace marrowfin
