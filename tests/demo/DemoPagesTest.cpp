#include "PageRenderer.h"
#include "SharedDemo.h"

#include "core/scrape/PagePatterns.h"

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

using DemoPages = SharedDemoTest;

// Detail pages and their film links are read through the app's cut by the command line's tests
// (CliAgainstDemo.DetailPagesAreCutAndGiveTheirFilmLinkOnly).

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
