#include "Rendering.h"

#include "gui/platform/Device.h"
#include "gui/ui/FlatTableViewCellView.h"
#include "gui/ui/LoadMoreItemView.h"
#include "gui/ui/ShrinkingLabel.h"
#include "gui/ui/TorrentItemTableViewCell.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;
using test::renderImage;

constexpr QColor kBackground{0x22, 0x22, 0x22};
// Whether anything but the row's background is drawn in the area.
bool hasInk(const QImage& image, const QRect& area)
{
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QColor colour = image.pixelColor(x, y);
            if (colour != kBackground && colour.alpha() > 0) {
                return true;
            }
        }
    }
    return false;
}

QPixmap solid(QSize size, const QColor& colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

TEST(TorrentItemTableViewCellTest, AReusedRowKeepsNothingOfItsPreviousTorrentAndALongNameIsCut)
{
    TorrentItemTableViewCell cell(u"torrent"_s);
    cell.resize(320, 40);
    cell.show();
    cell.setNameLbl(u"Some torrent name"_s);
    cell.setDateLbl(u"2 hours ago"_s);
    cell.setSizeLbl(u"700 MB"_s);
    cell.setUpLbl(u"12"_s);
    cell.setDownLbl(u"3"_s);
    cell.setDownloadedImg(solid(QSize(24, 19), Qt::green));
    cell.setUpImg(solid(QSize(10, 10), Qt::blue));
    const QImage marked = renderImage(cell);
    EXPECT_EQ(marked.pixelColor(70, 33), QColor(Qt::green));
    EXPECT_EQ(marked.pixelColor(48, 15), QColor(Qt::green));
    EXPECT_EQ(marked.pixelColor(219, 25), QColor(Qt::blue));

    cell.setHighlighted(true);
    cell.prepareForReuse();
    EXPECT_FALSE(cell.isHighlighted());
    cell.setNameLbl(u"Another torrent"_s);
    const QImage reused = renderImage(cell);
    EXPECT_EQ(reused.pixelColor(70, 33), kBackground);
    EXPECT_EQ(reused.pixelColor(219, 25), kBackground);
    EXPECT_FALSE(hasInk(reused, QRect(0, 20, 320, 19))) << "date, size and figures stay";
    EXPECT_TRUE(hasInk(reused, QRect(40, 5, 230, 14)));

    // A name too long for the row is cut with an ellipsis.
    cell.setNameLbl(QString(u"A very long torrent name that goes on "_s).repeated(5));
    EXPECT_TRUE(cell.displayedName().endsWith(u'\u2026'));

    // In a window wider than a phone (and narrower than a tablet), the figures move right with the extra room.
    QWidget window;
    window.resize(550, 667);
    Device::setMainWindow(&window);
    cell.resize(500, 40);
    cell.setUpImg(solid(QSize(10, 10), Qt::blue));
    const QImage wider = renderImage(cell);
    Device::setMainWindow(nullptr);
    EXPECT_EQ(wider.pixelColor(219 + 550 - 375, 25), QColor(Qt::blue));
    EXPECT_EQ(wider.pixelColor(219, 25), kBackground);
}

TEST(LoadMoreItemView, ShowsItsCaptionAndCutsItWhenTooNarrow)
{
    LoadMoreItemView view;
    view.resize(375, LoadMoreItemView::kHeight);
    view.show();
    ShrinkingLabel* caption = view.normalLbl();
    EXPECT_EQ(caption->displayedText(), u"Load more torrents"_s);
    // Too narrow even at the smallest size: cut with an ellipsis.
    view.resize(60, LoadMoreItemView::kHeight);
    EXPECT_EQ(caption->fittedFont().pixelSize(), caption->minimumPixelSize());
    EXPECT_TRUE(caption->displayedText().endsWith(u'\u2026')) << caption->displayedText().toStdString();
}

} // namespace
} // namespace marrowfin
