#include "PageRenderer.h"
#include "SharedDemo.h"

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

// The patterns the app cuts detail and profile pages with, and the film link pattern with the demo's default
// film host written plainly, dots unescaped, as the app writes it.
const QString kMainPart = uR"re(([\s\S]*</head>)[\s\S]*?(<div class="mainpart">[\s\S]*?)<div id="translate_site")re"_s;
const QString kSideBar = uR"re(<td class="sidebarCell">[\s\S]*?</td>)re"_s;
const QString kSharing = uR"re(<div class="sharingWidgetBox">[\s\S]*?<div id="tab-technical")re"_s;
const QString kFilmLink = uR"re(['"](http://www.imdb.com/.*?)['"])re"_s;

const demo::CatalogueEntry* firstWith(demo::MovieLink link)
{
    for (const auto& entry : sharedCatalogue().entries()) {
        if (entry.movieLink == link)
            return &entry;
    }
    return nullptr;
}

class DemoPages : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sharedDemo().started()) << sharedDemo().readyLine(); }
};

} // namespace

// Detail pages carry what the detail cut looks for: a head, a main part up to the translation bar, three side-bar
// cells, the sharing widget before the technical tab, and a film link in either quote only where there is one.
TEST_F(DemoPages, DetailPagesFitTheDetailCut)
{
    struct Case
    {
        demo::MovieLink link;
        bool filmFound;
    };
    for (const Case& c : {Case{demo::MovieLink::SingleQuoted, true}, Case{demo::MovieLink::DoubleQuoted, true},
                          Case{demo::MovieLink::OtherHost, false}, Case{demo::MovieLink::None, false}}) {
        const demo::CatalogueEntry* entry = firstWith(c.link);
        ASSERT_NE(entry, nullptr);
        SCOPED_TRACE(entry->id);
        const HttpReply reply = get(sharedDemo().site("/" + demo::Catalogue::detailPath(*entry)));
        ASSERT_EQ(reply.status, 200);
        const QString page = reply.text();
        const QStringList parts = captureComponentsMatchedByRegex(page, kMainPart);
        ASSERT_EQ(parts.size(), 3);
        EXPECT_TRUE(parts[1].endsWith(u"</head>"_s));
        EXPECT_TRUE(parts[2].contains(QString::fromStdString("<h1 class=\"novertmarg\"><span>")));

        const QString film = stringByMatching(parts[2], kFilmLink, 1);
        if (c.filmFound)
            EXPECT_EQ(film.toStdString(), "http://www.imdb.com/title/" + entry->movieId + "/");
        else
            EXPECT_TRUE(film.isNull()) << film.toStdString();
        // A film link outside the main part exists on every page; only the cut keeps the app from taking it.
        EXPECT_FALSE(stringByMatching(page, kFilmLink, 1).isNull());

        QString cut = parts[1] + parts[2];
        EXPECT_EQ(replaceOccurrencesOfRegex(cut, kSideBar, u"<td></td>"_s), 3);
        EXPECT_EQ(cut.count(u"<td></td>"_s), 3);
        EXPECT_EQ(replaceOccurrencesOfRegex(cut, kSharing, u"<div id=\"tab-technical\""_s), 1);
        EXPECT_FALSE(cut.contains(u"sharingWidgetBox"_s));
        EXPECT_TRUE(cut.contains(u"<div id=\"tab-technical\""_s));
        EXPECT_TRUE(cut.contains(u"target=\"_blank\""_s));
        EXPECT_TRUE(cut.contains(u".torrent\">"_s)) << "a link to the torrent file";
    }
    EXPECT_EQ(get(sharedDemo().site("/no-such-torrent-t1.html")).status, 404);
}

// Profiles at the address the app builds (no trailing slash): with the main part, or, for the closed one,
// without; the forum and front page answer with their links.
TEST_F(DemoPages, ProfileForumAndFrontPages)
{
    const auto& uploader = sharedCatalogue().entries().front().uploader;
    ASSERT_NE(uploader, demo::PageRenderer::kClosedProfile);
    const HttpReply open = get(sharedDemo().site("/user/" + uploader));
    ASSERT_EQ(open.status, 200);
    const QStringList parts = captureComponentsMatchedByRegex(open.text(), kMainPart);
    ASSERT_EQ(parts.size(), 3);
    QString cut = parts[2];
    EXPECT_EQ(replaceOccurrencesOfRegex(cut, kSideBar, u"<td></td>"_s), 3);

    const HttpReply closed = get(sharedDemo().site(std::string("/user/") + demo::PageRenderer::kClosedProfile + "/"));
    ASSERT_EQ(closed.status, 200);
    EXPECT_LT(captureComponentsMatchedByRegex(closed.text(), kMainPart).size(), 3);
    EXPECT_EQ(get(sharedDemo().site("/user/nobody-at-all")).status, 404);

    const HttpReply forum = get(sharedDemo().site("/community"));
    ASSERT_EQ(forum.status, 200);
    EXPECT_TRUE(forum.text().contains(u"href=\"/community/show/1/\""_s));
    EXPECT_TRUE(forum.text().contains(u"href=\"/\""_s)) << "a link out of the forum";
    EXPECT_EQ(get(sharedDemo().site("/community/show/3/")).status, 200);
    EXPECT_EQ(get(sharedDemo().site("/community/show/99/")).status, 404);

    const HttpReply front = get(sharedDemo().site("/"));
    ASSERT_EQ(front.status, 200);
    EXPECT_TRUE(front.text().contains(u"/auth/login/"_s)) << "anonymous pages link the sign-in form";
    EXPECT_TRUE(front.text().contains(u"/usearch/category%3Axxx/"_s));
}
