#include "Rendering.h"

#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/LoadingTexts.h"
#include "gui/ui/RoundedRectView.h"
#include "gui/ui/SendingTorrentIndicator.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

// The overlays' panel shows only its shape, whatever background its owner asks for.
TEST(RoundedRectView, FillsItsShapeAndLeavesTheCornersClear)
{
    RoundedRectView view;
    view.resize(100, 20);
    view.setCornerRadius(30);
    view.setRectColor(Qt::red);
    view.setStrokeColor(Qt::red);
    view.setAutoFillBackground(true);
    view.setBackgroundColor(Qt::blue);

    const QImage image = test::renderImage(view, QWidget::DrawWindowBackground | QWidget::DrawChildren);
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::red));
    // Radius clamped to 10: the corners stay clear.
    EXPECT_EQ(image.pixelColor(1, 2).alpha(), 0);
}

class LoadingIndicatorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_screen.resize(320, 480);
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

// The one overlay: each caller sets it up anew; each show while the panel is up changes the text of that one panel,
// centred on the screen with the whole text inside it; one hide ends any number of shows, a new parent waits for the
// hide, and a parent that goes takes the panel with it.
TEST_F(LoadingIndicatorTest, OnePanelForEveryCallerAndOneHideEndsEveryShow)
{
    LoadingIndicator& indicator = LoadingIndicator::sharedInstance();
    indicator.setParentView(&m_screen);
    // Showing without a parent view (the last caller's is forgotten) has nowhere to go.
    LoadingIndicator::sharedInstance().showLoadingIndicators();
    EXPECT_FALSE(indicator.isShown());

    for (const QString& text : {kLoadingText.toString(), kFilteringText.toString(), u"Filtering the whole list..."_s}) {
        SCOPED_TRACE(text.toStdString());
        RoundedRectView* panel = show(&m_screen, text).panel();
        EXPECT_EQ(panelsIn(m_screen), 1);
        EXPECT_EQ(m_screen.children().last(), panel) << "the panel is not above the screen's other views";
        EXPECT_EQ(indicator.label()->text(), text);
        EXPECT_TRUE(indicator.spinner()->isAnimating());
    }
    show(&m_other, kFilteringText);
    EXPECT_EQ(indicator.panel()->parentWidget(), &m_screen) << "the panel moved while it was up";

    indicator.hideLoadingIndicators();
    EXPECT_FALSE(indicator.isShown());
    show(&m_other, kFilteringText);
    EXPECT_EQ(indicator.panel()->parentWidget(), &m_other);
    EXPECT_EQ(panelsIn(m_screen), 0);
    indicator.hideLoadingIndicators();

    {
        QWidget shortLived;
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
