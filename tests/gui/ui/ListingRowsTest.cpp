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
using test::rightmostMatching;

constexpr QColor kBackground{0x22, 0x22, 0x22};
const auto isInk = [](const QColor& colour) { return colour != kBackground && colour.alpha() > 0; };
const auto isWhite = [](const QColor& colour) { return colour == QColor(Qt::white); };

QPixmap solid(QSize size, const QColor& colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

class TorrentItemTableViewCellTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_cell.resize(320, 40);
        m_cell.show();
    }

    void fill()
    {
        m_cell.setNameLbl(u"Some torrent name"_s);
        m_cell.setDateLbl(u"2 hours ago"_s);
        m_cell.setSizeLbl(u"700 MB"_s);
        m_cell.setUpLbl(u"12"_s);
        m_cell.setDownLbl(u"3"_s);
    }

    TorrentItemTableViewCell m_cell{u"torrent"_s};
};

// A marked row lets the selection show and draws white text. Rows are parted by a line of the table behind them; an
// accessory takes its room from the content, not the line.
TEST_F(TorrentItemTableViewCellTest, MarkedRowsLetTheSelectionShowAndTheLastLineShowsTheTable)
{
    fill();
    m_cell.setTypeImg(solid(QSize(33, 33), Qt::red));
    const QRect nameArea(40, 5, 230, 14);
    const QImage normal = renderImage(m_cell);
    EXPECT_EQ(normal.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_TRUE(rightmostMatching(normal, nameArea, isInk).has_value());
    EXPECT_FALSE(rightmostMatching(normal, nameArea, isWhite).has_value()) << "the name is grey until marked";
    EXPECT_EQ(normal.pixelColor(300, 38), kBackground);
    EXPECT_EQ(normal.pixelColor(300, 39).alpha(), 0);

    for (const bool selectInstead : {false, true}) {
        SCOPED_TRACE(selectInstead ? "selected" : "highlighted");
        selectInstead ? m_cell.setSelected(true) : m_cell.setHighlighted(true);
        EXPECT_FALSE(m_cell.flatContentView()->isOpaque());
        const QImage marked = renderImage(m_cell);
        const QColor grey = marked.pixelColor(300, 2);
        EXPECT_GT(grey.lightness(), kBackground.lightness()) << "the selection does not show behind the row";
        // The category picture half over the selection.
        const QColor blended((255 + grey.red()) / 2, grey.green() / 2, grey.blue() / 2);
        const QColor picture = marked.pixelColor(10, 10);
        EXPECT_NEAR(picture.red(), blended.red(), 3);
        EXPECT_NEAR(picture.green(), blended.green(), 3);
        EXPECT_NEAR(picture.blue(), blended.blue(), 3);
        EXPECT_TRUE(rightmostMatching(marked, nameArea, isWhite).has_value());
        m_cell.setHighlighted(false);
        m_cell.setSelected(false);
    }

    auto* accessory = new QWidget;
    accessory->resize(20, 20);
    m_cell.setAccessoryView(accessory);
    EXPECT_EQ(renderImage(m_cell).pixelColor(10, 39).alpha(), 0);
    EXPECT_LT(m_cell.contentView()->geometry().right(), accessory->x());
}

TEST_F(TorrentItemTableViewCellTest, AReusedRowKeepsNothingOfItsPreviousTorrent)
{
    fill();
    m_cell.setDownloadedImg(solid(QSize(24, 19), Qt::green));
    m_cell.setUpImg(solid(QSize(10, 10), Qt::blue));
    const QImage marked = renderImage(m_cell);
    EXPECT_EQ(marked.pixelColor(70, 33), QColor(Qt::green));
    EXPECT_EQ(marked.pixelColor(48, 15), QColor(Qt::green));
    EXPECT_EQ(marked.pixelColor(219, 25), QColor(Qt::blue));

    m_cell.setHighlighted(true);
    m_cell.prepareForReuse();
    EXPECT_FALSE(m_cell.isHighlighted());
    m_cell.setNameLbl(u"Another torrent"_s);
    const QImage reused = renderImage(m_cell);
    EXPECT_EQ(reused.pixelColor(70, 33), kBackground);
    EXPECT_EQ(reused.pixelColor(219, 25), kBackground);
    EXPECT_FALSE(rightmostMatching(reused, QRect(0, 20, 320, 19), isInk).has_value()) << "date, size and figures stay";
    EXPECT_TRUE(rightmostMatching(reused, QRect(40, 5, 230, 14), isInk).has_value());
}

// A long name is cut with an ellipsis inside its column. Wider than a phone the name takes the width beyond it; on
// a tablet the name has the content's width.
TEST_F(TorrentItemTableViewCellTest, ALongNameIsCutWithAnEllipsisInsideItsColumn)
{
    m_cell.setNameLbl(QString(u"A very long torrent name that goes on "_s).repeated(5));
    EXPECT_TRUE(m_cell.displayedName().endsWith(u'\u2026'));
    QWidget window;
    Device::setMainWindow(&window);
    const struct
    {
        int window, row, least, below;
    } widths[] = {{320, 320, 40 + 200, 40 + 230}, {550, 500, 40 + 230 + 100, 500}, {800, 800, 40 + 230, 800}};
    for (const auto& width : widths) {
        window.resize(width.window, 600);
        m_cell.resize(width.row, 40);
        const auto right = rightmostMatching(renderImage(m_cell), QRect(0, 5, width.row, 15), isInk);
        ASSERT_TRUE(right.has_value()) << width.window;
        EXPECT_GT(*right, width.least) << width.window;
        EXPECT_LT(*right, width.below) << width.window;
    }
    Device::setMainWindow(nullptr);
}

// The figures are right-aligned against their pictures: a short one and a long one both end just short of theirs.
TEST_F(TorrentItemTableViewCellTest, SeedersAndLeechersEndJustLeftOfTheirPictures)
{
    // The room before the seeders' picture and before the leechers' one, and where each picture begins.
    const std::pair<QRect, int> columns[] = {{QRect(130, 20, 84, 11), 214}, {QRect(214, 20, 47, 11), 261}};
    for (const QString& figure : {u"7"_s, u"12345"_s}) {
        m_cell.prepareForReuse();
        m_cell.setUpLbl(figure);
        m_cell.setDownLbl(figure);
        const QImage image = renderImage(m_cell);
        for (const auto& [room, pictureLeft] : columns) {
            const auto right = rightmostMatching(image, room, isInk);
            ASSERT_TRUE(right.has_value()) << figure.toStdString();
            EXPECT_LE(*right, pictureLeft - 4) << figure.toStdString();
            EXPECT_GE(*right, pictureLeft - 7) << figure.toStdString();
        }
    }
}

TEST(LoadMoreItemView, ShowsItsCaptionAndThePageTextAndShrinksThemToFit)
{
    LoadMoreItemView view;
    view.resize(375, LoadMoreItemView::kHeight);
    view.show();
    view.setPageText(u"2 hours ago"_s);
    ShrinkingLabel* caption = view.normalLbl();
    EXPECT_EQ(caption->displayedText(), u"Load more torrents"_s);
    EXPECT_LE(caption->geometry().bottom(), view.pageLbl()->y());
    EXPECT_LE(view.pageLbl()->geometry().bottom(), LoadMoreItemView::kHeight - 1);
    const int fullSize = caption->fittedFont().pixelSize();

    // Narrower, the caption is drawn smaller but whole.
    view.resize(130, LoadMoreItemView::kHeight);
    EXPECT_LT(caption->fittedFont().pixelSize(), fullSize);
    EXPECT_GE(caption->fittedFont().pixelSize(), caption->minimumPixelSize());
    EXPECT_EQ(caption->displayedText(), u"Load more torrents"_s);
    EXPECT_LE(QFontMetrics(caption->fittedFont()).horizontalAdvance(caption->text()), caption->width());

    // Too narrow even at the smallest size: cut with an ellipsis.
    view.resize(60, LoadMoreItemView::kHeight);
    EXPECT_EQ(caption->fittedFont().pixelSize(), caption->minimumPixelSize());
    EXPECT_TRUE(caption->displayedText().endsWith(u'\u2026')) << caption->displayedText().toStdString();
}

} // namespace
} // namespace marrowfin
