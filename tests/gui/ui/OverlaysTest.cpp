#include "Rendering.h"

#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/LoadingTexts.h"
#include "gui/ui/RoundedRectView.h"
#include "gui/ui/SendingTorrentIndicator.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

// The overlays' panel shows only its shape, whatever background its owner asks for.
TEST(RoundedRectView, ClampsTheRadiusToHalfTheHeightAndStaysTransparentOutsideTheShape)
{
    RoundedRectView view;
    view.resize(100, 20);
    view.setCornerRadius(30);
    view.setRectColor(Qt::red);
    view.setStrokeColor(Qt::red);
    view.setAutoFillBackground(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::blue);
    view.setPalette(palette);
    view.setBackgroundColor(Qt::blue);

    const QImage image = test::renderImage(view, QWidget::DrawWindowBackground | QWidget::DrawChildren);
    // Radius 10: the short sides are half circles, reaching the left edge at mid-height and leaving the corners.
    EXPECT_EQ(image.pixelColor(1, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(99, 19).alpha(), 0);
    EXPECT_EQ(image.pixelColor(1, 2).alpha(), 0);
    // Along the long sides the fill runs straight between the two half circles.
    EXPECT_EQ(image.pixelColor(50, 1), QColor(Qt::red));
}

class LoadingIndicatorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_screen.resize(320, 480);
        m_other.resize(200, 300);
        m_screen.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_screen));
    }

    // The overlays outlive every test; none may leave a panel behind on a window about to go.
    void TearDown() override
    {
        LoadingIndicator::sharedInstance().hideLoadingIndicators();
        SendingTorrentIndicator::sharedInstance().hideLoadingIndicators();
    }

    static LoadingIndicator& show(QWidget* parent, QStringView text, int offset = 0)
    {
        LoadingIndicator& indicator = LoadingIndicator::sharedInstance();
        indicator.setParentView(parent);
        indicator.setString(text.toString());
        indicator.setOffset(offset);
        indicator.showLoadingIndicators();
        return indicator;
    }

    static qsizetype panelsIn(const QWidget& parent)
    {
        return parent.findChildren<RoundedRectView*>(Qt::FindDirectChildrenOnly).size();
    }

    QWidget m_screen;
    QWidget m_other;
};

// Each show while the panel is up changes the text of that one panel, which stays centred on the screen with the
// spinner and the whole text side by side inside it.
TEST_F(LoadingIndicatorTest, ShowingAgainKeepsOnePanelCentredAroundItsText)
{
    QPointer<RoundedRectView> first;
    int firstWidth = 0;
    for (const QString& text : {kLoadingText.toString(), kFilteringText.toString(), u"Filtering the whole list..."_s}) {
        SCOPED_TRACE(text.toStdString());
        LoadingIndicator& indicator = show(&m_screen, text);
        RoundedRectView* panel = indicator.panel();
        if (!first) {
            first = panel;
            firstWidth = panel->width();
        }
        EXPECT_EQ(panel, first.data()) << "showing again made another panel";
        EXPECT_EQ(panelsIn(m_screen), 1);
        EXPECT_EQ(m_screen.children().last(), panel) << "the panel is not above the screen's other views";
        EXPECT_EQ(indicator.label()->text(), text);
        EXPECT_TRUE(indicator.spinner()->isAnimating());
        EXPECT_NEAR(QRectF(panel->geometry()).center().x(), m_screen.width() / 2.0, 1);
        EXPECT_NEAR(QRectF(panel->geometry()).center().y(), m_screen.height() / 2.0, 1);
        const QRect spinner = indicator.spinner()->geometry();
        EXPECT_TRUE(panel->rect().contains(spinner.united(indicator.label()->geometry())));
        EXPECT_GT(indicator.label()->x(), spinner.right());
    }
    EXPECT_GT(first->width(), firstWidth) << "the longer text did not widen the panel";

    // An offset moves the panel down from the centre, where it stays when the screen is resized.
    show(&m_screen, kLoadingText, 150);
    m_screen.resize(700, 900);
    EXPECT_NEAR(QRectF(first->geometry()).center().x(), 350, 1);
    EXPECT_NEAR(QRectF(first->geometry()).center().y(), 450 + 150, 1);
}

// The one overlay: each caller sets it up anew, one hide ends any number of shows, a new parent waits for the hide,
// and a parent that goes takes the panel with it.
TEST_F(LoadingIndicatorTest, EachCallerSetsItUpAndOneHideEndsEveryShow)
{
    LoadingIndicator& indicator = LoadingIndicator::sharedInstance();
    indicator.setParentView(&m_screen);
    indicator.setOffset(42);
    indicator.setString(u"Busy"_s);
    EXPECT_EQ(LoadingIndicator::sharedInstance().parentView(), nullptr);
    EXPECT_EQ(indicator.offset(), 0);
    EXPECT_EQ(indicator.string(), QString());
    // Showing without a parent view has nowhere to go.
    indicator.showLoadingIndicators();
    EXPECT_FALSE(indicator.isShown());

    show(&m_screen, kLoadingText);
    show(&m_other, kFilteringText);
    EXPECT_EQ(indicator.panel()->parentWidget(), &m_screen) << "the panel moved while it was up";
    EXPECT_EQ(panelsIn(m_other), 0);
    EXPECT_NEAR(QRectF(indicator.panel()->geometry()).center().x(), m_screen.width() / 2.0, 1)
        << "centred on the parent still to come";

    indicator.hideLoadingIndicators();
    indicator.hideLoadingIndicators();
    EXPECT_FALSE(indicator.isShown());
    EXPECT_EQ(panelsIn(m_screen), 0);
    show(&m_other, kFilteringText);
    EXPECT_EQ(indicator.panel()->parentWidget(), &m_other);
    EXPECT_EQ(panelsIn(m_screen), 0);
    indicator.hideLoadingIndicators();

    {
        QWidget shortLived;
        shortLived.resize(100, 100);
        show(&shortLived, kLoadingText);
        EXPECT_TRUE(indicator.isShown());
    }
    EXPECT_FALSE(indicator.isShown());

    // The sending overlay is another, up at the same time as this one (its texts are checked in WindowTest).
    SendingTorrentIndicator& sending = SendingTorrentIndicator::sharedInstance();
    show(&m_screen, kLoadingText);
    sending.setParentView(&m_screen);
    sending.setString(SendingTorrentIndicator::sendingText(3));
    sending.showLoadingIndicators();
    EXPECT_EQ(panelsIn(m_screen), 2);
    sending.hideLoadingIndicators();
    EXPECT_TRUE(indicator.isShown());
    EXPECT_EQ(panelsIn(m_screen), 1);
}

} // namespace
} // namespace marrowfin
