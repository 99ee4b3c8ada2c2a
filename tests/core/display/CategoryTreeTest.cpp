#include "core/display/CategoryTree.h"

#include "support/QtTestSupport.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::StringLiterals;

// The picker, the stored choice and the site's addresses all rely on a value naming exactly one entry.
TEST(CategoryTree, EveryOneOfTheSeventyValuesIsFoundWhereItSits)
{
    int entries = 0;
    for (int g = 0; g < CategoryTree::kGroupCount; ++g) {
        const CategoryGroup* group = CategoryTree::group(g);
        ASSERT_NE(group, nullptr) << g;
        for (int e = 0; e < int(group->entries.size()); ++e, ++entries) {
            EXPECT_EQ(CategoryTree::find(CategoryTree::entry(g, e)->value), (CategoryPosition{g, e}));
        }
    }
    EXPECT_EQ(entries, 70);
    const QStringList values = CategoryTree::allValues();
    EXPECT_EQ(QSet<QString>(values.cbegin(), values.cend()).size(), 70) << "a value occurs twice";
}

// A stored value is compared exactly, and the picker may ask for rows outside the tree before it knows it.
TEST(CategoryTree, OnlyExactValuesAndPlacesInsideTheTreeAreFound)
{
    EXPECT_EQ(CategoryTree::find(u""), (CategoryPosition{0, 0})) << "All categories is the empty value, first";
    EXPECT_FALSE(CategoryTree::find(u"android-games").has_value()) << "a title is not a value";
    EXPECT_FALSE(CategoryTree::find(u"Movies").has_value());
    EXPECT_EQ(CategoryTree::group(CategoryTree::kGroupCount), nullptr);
    EXPECT_EQ(CategoryTree::entry(CategoryTree::find(u"tv")->group, 2), nullptr);
    EXPECT_EQ(CategoryTree::entry(0, -1), nullptr);
}

TEST(CategoryTree, AValueBelongsToTheGroupItSitsIn)
{
    const std::pair<QStringView, std::optional<QStringView>> cases[] = {
        {u"audio-books", u"books"}, {u"books", u"books"}, {u"android-game", u"games"}, {u"pictures", u"other"},
        {u"other-xxx", u"xxx"},     {u"", std::nullopt},  {u"nonsense", std::nullopt},
    };
    for (const auto& [value, group] : cases) {
        EXPECT_EQ(CategoryTree::groupValue(value), group) << value.toString().toStdString();
    }
}
