#include "core/lists/Filter.h"

#include "support/QtTestSupport.h"

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

TEST(Filter, MatchesItsExpressionAnywhereInTheNameCaseSensitively)
{
    const Filter ubuntu(u"Ubuntu"_s);
    EXPECT_TRUE(ubuntu.isAccepted(u"Ubuntu 14.04 Desktop"_s));
    EXPECT_TRUE(ubuntu.isAccepted(u"Kubuntu and Ubuntu"_s));
    EXPECT_FALSE(ubuntu.isAccepted(u"ubuntu server"_s));

    // The alternation covers the whole filter, so either side may stand anywhere in the name.
    const Filter resolutions(u"720p|1080p"_s);
    EXPECT_TRUE(resolutions.isAccepted(u"Some Show S01E01 720p WEB"_s));
    EXPECT_TRUE(resolutions.isAccepted(u"A Film 1080p BluRay"_s));
    EXPECT_FALSE(resolutions.isAccepted(u"A Film 480p DVDRip"_s));

    // The user's own anchors take effect inside the wrapping.
    EXPECT_TRUE(Filter(u"^Linux"_s).isAccepted(u"Linux Mint 17"_s));
    EXPECT_FALSE(Filter(u"^Linux"_s).isAccepted(u"Arch Linux"_s));
    EXPECT_FALSE(Filter(u"E\\d\\d$"_s).isAccepted(u"Show S02E10 PROPER"_s));

    // An empty filter accepts every name, an empty one too; a missing name is an empty one.
    EXPECT_TRUE(Filter(u""_s).isAccepted(u"FreeBSD 10"_s));
    EXPECT_TRUE(Filter(u""_s).isAccepted(QString()));
    EXPECT_FALSE(Filter(u"x"_s).isAccepted(QString()));
}
