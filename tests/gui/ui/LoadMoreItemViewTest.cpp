#include "gui/ui/LoadMoreItemView.h"

#include "Printing.h"

#include "gui/ui/ShrinkingLabel.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(LoadMoreItemView, ShowsItsCaptionAndThePageTextAndShrinksThemToFit)
{
    LoadMoreItemView view;
    view.resize(375, LoadMoreItemView::kHeight);
    view.show();
    view.setPageText(u"2 hours ago"_s);
    EXPECT_EQ(view.normalLbl()->displayedText(), u"Load more torrents"_s);
    EXPECT_EQ(view.normalLbl()->fittedFont().pixelSize(), 14);
    EXPECT_LE(view.normalLbl()->geometry().bottom(), view.pageLbl()->y());
    EXPECT_LE(view.pageLbl()->geometry().bottom(), LoadMoreItemView::kHeight - 1);

    // Narrower, the caption is drawn smaller but whole.
    view.resize(130, LoadMoreItemView::kHeight);
    ShrinkingLabel* caption = view.normalLbl();
    const int fitted = caption->fittedFont().pixelSize();
    EXPECT_LT(fitted, 14);
    EXPECT_GE(fitted, caption->minimumPixelSize());
    EXPECT_EQ(caption->displayedText(), u"Load more torrents"_s);
    EXPECT_LE(QFontMetrics(caption->fittedFont()).horizontalAdvance(caption->text()), caption->width());

    // Too narrow even at the smallest size: cut with an ellipsis.
    view.resize(60, LoadMoreItemView::kHeight);
    EXPECT_EQ(caption->fittedFont().pixelSize(), caption->minimumPixelSize());
    EXPECT_TRUE(caption->displayedText().endsWith(u'\u2026')) << caption->displayedText().toStdString();
}

} // namespace
} // namespace marrowfin
