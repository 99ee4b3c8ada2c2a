#include "DemoOptions.h"
#include "PageRenderer.h"
#include "SharedDemo.h"

#include "core/scrape/PagePatterns.h"

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

const demo::CatalogueEntry* firstWith(demo::MovieLink link)
{
    for (const auto& entry : sharedCatalogue().entries()) {
        if (entry.movieLink == link) {
            return &entry;
        }
    }
    return nullptr;
}

class DemoPages : public SharedDemoTest
{};

} // namespace

// Detail pages carry what the app's detail cut looks for: a head, a main part up to the translation bar, three
// side-bar cells, the sharing widget before the technical tab, and a link to the film at the app's built-in film
// host, in either quote, only where the torrent has one. The forum is read through the window (tests/gui/web).
TEST_F(DemoPages, DetailPagesFitTheDetailCut)
{
    const std::string films = demo::DemoOptions().movieHost;
    const QString filmLink = imdbPattern(QString::fromStdString(films));
    const struct
    {
        demo::MovieLink link;
        bool filmFound;
    } cases[] = {{demo::MovieLink::SingleQuoted, true},
                 {demo::MovieLink::DoubleQuoted, true},
                 {demo::MovieLink::OtherHost, false},
                 {demo::MovieLink::None, false}};
    for (const auto& c : cases) {
        const demo::CatalogueEntry* entry = firstWith(c.link);
        ASSERT_NE(entry, nullptr);
        SCOPED_TRACE(entry->id);
        const PlainAnswer answer = get(sharedDemo().site("/" + demo::Catalogue::detailPath(*entry)));
        ASSERT_EQ(answer.status, 200);
        const QStringList parts = captureComponentsMatchedByRegex(text(answer), mainPartPattern());
        ASSERT_EQ(parts.size(), 3);
        EXPECT_TRUE(parts[2].contains(u"<h1 class=\"novertmarg\"><span>"_s));

        const QString film = stringByMatching(parts[2], filmLink, 1);
        if (c.filmFound) {
            EXPECT_EQ(film.toStdString(), "http://" + films + "/title/" + entry->movieId + "/");
        } else {
            EXPECT_TRUE(film.isNull()) << film.toStdString();
        }
        // A film link outside the main part exists on every page; only the cut keeps the app from taking it.
        EXPECT_FALSE(stringByMatching(text(answer), filmLink, 1).isNull());

        QString cut = parts[1] + parts[2];
        EXPECT_EQ(replaceOccurrencesOfRegex(cut, sideBarCellPattern(), emptyCell()), 3);
        EXPECT_EQ(replaceOccurrencesOfRegex(cut, sharingWidgetPattern(), technicalTabOpening()), 1);
        EXPECT_FALSE(cut.contains(u"sharingWidgetBox"_s));
        EXPECT_TRUE(cut.contains(u"target=\"_blank\""_s));
        EXPECT_TRUE(cut.contains(u".torrent\">"_s)) << "a link to the torrent file";
    }
}

// Profiles at the address the app builds (no trailing slash) have the main part and its side bar; the closed one
// has not, which the app answers with its error page.
TEST_F(DemoPages, ProfilesWithAndWithoutTheMainPart)
{
    const auto& uploader = sharedCatalogue().entries().front().uploader;
    ASSERT_NE(uploader, demo::PageRenderer::kClosedProfile);
    const PlainAnswer open = get(sharedDemo().site("/user/" + uploader));
    ASSERT_EQ(open.status, 200);
    const QStringList parts = captureComponentsMatchedByRegex(text(open), mainPartPattern());
    ASSERT_EQ(parts.size(), 3);
    QString cut = parts[2];
    EXPECT_EQ(replaceOccurrencesOfRegex(cut, sideBarCellPattern(), emptyCell()), 3);

    const PlainAnswer closed = get(sharedDemo().site(std::string("/user/") + demo::PageRenderer::kClosedProfile + "/"));
    ASSERT_EQ(closed.status, 200);
    EXPECT_LT(captureComponentsMatchedByRegex(text(closed), mainPartPattern()).size(), 3);
    EXPECT_EQ(get(sharedDemo().site("/user/nobody-at-all")).status, 404);
}
