#include "gui/ui/RoundedRectView.h"

#include "Rendering.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using test::renderImage;

TEST(RoundedRectView, ClampsTheRadiusToHalfTheHeightAndStaysTransparentOutsideTheShape)
{
    RoundedRectView view;
    view.resize(100, 20);
    view.setCornerRadius(30);
    view.setRectColor(Qt::red);
    view.setStrokeColor(Qt::red);
    // None of these may put a background behind the shape.
    view.setAutoFillBackground(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::blue);
    view.setPalette(palette);
    view.setBackgroundColor(Qt::blue);
    view.setOpaque(true);
    EXPECT_FALSE(view.isOpaque());

    const QImage image = renderImage(view, QWidget::DrawWindowBackground | QWidget::DrawChildren);
    // Radius 10: the short sides are half circles, reaching the left edge at mid-height and leaving the corners.
    EXPECT_EQ(image.pixelColor(1, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(99, 19).alpha(), 0);
    EXPECT_EQ(image.pixelColor(1, 2).alpha(), 0);
    // Along the long sides the fill runs straight between the two half circles.
    EXPECT_EQ(image.pixelColor(50, 1), QColor(Qt::red));
}

} // namespace
} // namespace marrowfin
