#include "gui/ui/TorrentItemTableViewCell.h"

#include "Printing.h"
#include "Rendering.h"

#include "gui/platform/Device.h"
#include "gui/ui/FlatTableViewCellView.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;
using test::renderImage;
using test::rightmostMatching;

constexpr QSize kRowSize{320, 40};
constexpr QColor kBackground{0x22, 0x22, 0x22};

QPixmap solid(QSize size, const QColor& colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

bool isBackground(const QColor& colour)
{
    return colour == kBackground;
}

bool isInk(const QColor& colour)
{
    return !isBackground(colour) && colour.alpha() > 0;
}

// The brightest grey level in an area, and whether every pixel there is grey.
std::pair<int, bool> brightestGrey(const QImage& image, const QRect& area)
{
    int brightest = 0;
    bool allGrey = true;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            allGrey = allGrey && c.red() == c.green() && c.green() == c.blue();
            brightest = std::max(brightest, c.red());
        }
    }
    return {brightest, allGrey};
}

class TorrentItemTableViewCellTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_cell.resize(kRowSize);
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

TEST_F(TorrentItemTableViewCellTest, HighlightedRowsLetTheSelectionShowAndDrawWhiteText)
{
    fill();
    m_cell.setTypeImg(solid(QSize(33, 33), Qt::red));
    const QRect nameArea(40, 5, 230, 14);

    const QImage normal = renderImage(m_cell);
    EXPECT_EQ(normal.pixelColor(300, 2), kBackground);
    EXPECT_EQ(normal.pixelColor(10, 10), QColor(Qt::red));
    const auto [normalInk, normalGrey] = brightestGrey(normal, nameArea);
    EXPECT_LT(normalInk, 255) << "the name is grey until the row is marked";
    EXPECT_TRUE(normalGrey);
    EXPECT_TRUE(m_cell.flatContentView()->isOpaque());

    for (const bool selectInstead : {false, true}) {
        SCOPED_TRACE(selectInstead ? "selected" : "highlighted");
        if (selectInstead)
            m_cell.setSelected(true);
        else
            m_cell.setHighlighted(true);
        EXPECT_FALSE(m_cell.flatContentView()->isOpaque());
        const QImage marked = renderImage(m_cell);
        EXPECT_EQ(marked.pixelColor(300, 2), TableViewCell::kSelectionGrey);
        // Half the red over the selection grey.
        const QColor grey = TableViewCell::kSelectionGrey;
        const QColor blended((255 + grey.red()) / 2, grey.green() / 2, grey.blue() / 2);
        EXPECT_TRUE(test::closeTo(marked.pixelColor(10, 10), blended))
            << marked.pixelColor(10, 10).name().toStdString();
        EXPECT_EQ(brightestGrey(marked, nameArea).first, 255);
        m_cell.setHighlighted(false);
        m_cell.setSelected(false);
    }
    EXPECT_TRUE(m_cell.flatContentView()->isOpaque());
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
    EXPECT_FALSE(rightmostMatching(reused, QRect(0, 20, 320, 19), isInk).has_value())
        << "date, size and figures are gone";
    EXPECT_TRUE(rightmostMatching(reused, QRect(40, 5, 230, 14), isInk).has_value());
}

TEST_F(TorrentItemTableViewCellTest, ALongNameIsCutWithAnEllipsisInsideItsColumn)
{
    m_cell.setNameLbl(QString(u"A very long torrent name that goes on "_s).repeated(5));
    EXPECT_TRUE(m_cell.displayedName().endsWith(u'\u2026'));
    const QImage image = renderImage(m_cell);
    const auto right = rightmostMatching(image, QRect(0, 5, 320, 15), isInk);
    ASSERT_TRUE(right.has_value());
    EXPECT_LT(*right, 40 + 230);
    EXPECT_GT(*right, 40 + 200) << "the cut name uses its column";

    // Wider than a phone, the name takes the width beyond it; on a tablet the name has the content's width.
    QWidget window;
    window.resize(550, 600);
    Device::setMainWindow(&window);
    m_cell.resize(500, 40);
    const auto wideRight = rightmostMatching(renderImage(m_cell), QRect(0, 5, 500, 15), isInk);
    ASSERT_TRUE(wideRight.has_value());
    EXPECT_GT(*wideRight, 40 + 230 + 100);
    window.resize(800, 600);
    m_cell.resize(800, 40);
    const auto tabletRight = rightmostMatching(renderImage(m_cell), QRect(0, 5, 800, 15), isInk);
    Device::setMainWindow(nullptr);
    ASSERT_TRUE(tabletRight.has_value());
    EXPECT_GT(*tabletRight, 40 + 230);
    EXPECT_LT(*tabletRight, 800);
}

TEST_F(TorrentItemTableViewCellTest, SeedersAndLeechersEndFourPointsLeftOfTheirPictures)
{
    for (const QString& figure : {u"7"_s, u"12345"_s}) {
        SCOPED_TRACE(figure.toStdString());
        m_cell.prepareForReuse();
        m_cell.setUpLbl(figure);
        m_cell.setDownLbl(figure);
        const QImage image = renderImage(m_cell);
        const auto upRight = rightmostMatching(image, QRect(130, 20, 214 - 130, 11), isInk);
        ASSERT_TRUE(upRight.has_value());
        EXPECT_LE(*upRight, 210);
        EXPECT_GE(*upRight, 207);
        const auto downRight = rightmostMatching(image, QRect(214, 20, 261 - 214, 11), isInk);
        ASSERT_TRUE(downRight.has_value());
        EXPECT_LE(*downRight, 257);
        EXPECT_GE(*downRight, 254);
    }
}

TEST_F(TorrentItemTableViewCellTest, TheLastLineOfTheRowShowsTheTableBehindIt)
{
    fill();
    EXPECT_EQ(m_cell.contentView()->geometry(), QRect(0, 0, 320, 39));
    const QImage image = renderImage(m_cell);
    EXPECT_EQ(image.pixelColor(300, 38), kBackground);
    EXPECT_EQ(image.pixelColor(300, 39).alpha(), 0);

    // An accessory takes its room from the content on the right; the line stays.
    auto* accessory = new QWidget;
    accessory->resize(20, 20);
    m_cell.setAccessoryView(accessory);
    const QRect content = m_cell.contentView()->geometry();
    EXPECT_EQ(content.height(), 39);
    EXPECT_LT(content.right(), accessory->x());
}

} // namespace
} // namespace marrowfin
