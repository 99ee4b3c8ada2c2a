#include "gui/ui/LoadingIndicator.h"

#include "Printing.h"

#include "gui/ui/LoadingTexts.h"
#include "gui/ui/SendingTorrentIndicator.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

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

TEST_F(LoadingIndicatorTest, ShowingAgainChangesTheTextOfTheOnePanelAndCentresItAnew)
{
    LoadingIndicator& indicator = show(&m_screen, kLoadingText);
    ASSERT_TRUE(indicator.isShown());
    RoundedRectView* panel = indicator.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->parentWidget(), &m_screen);
    EXPECT_EQ(indicator.label()->text(), kLoadingText);
    EXPECT_TRUE(indicator.spinner()->isAnimating());
    EXPECT_EQ(m_screen.children().last(), panel) << "the panel is raised above the screen's other views";

    const int loadingWidth = indicator.label()->width();
    EXPECT_EQ(panel->geometry(), LoadingIndicator::panelFrame(m_screen.size(), 20, loadingWidth, 0));
    // Spinner and text side by side, both whole inside the panel.
    const QRect spinner = indicator.spinner()->geometry();
    EXPECT_TRUE(panel->rect().contains(spinner.united(indicator.label()->geometry())));
    EXPECT_GT(indicator.label()->x(), spinner.right());

    show(&m_screen, kFilteringText);
    EXPECT_EQ(panelsIn(m_screen), 1);
    EXPECT_EQ(indicator.panel(), panel);
    EXPECT_EQ(indicator.label()->text(), kFilteringText);
    EXPECT_EQ(panel->geometry(), LoadingIndicator::panelFrame(m_screen.size(), 20, indicator.label()->width(), 0));

    // A text of another width resizes the panel about the same centre.
    const QString longer = u"Filtering the whole list..."_s;
    show(&m_screen, longer);
    EXPECT_EQ(indicator.panel(), panel);
    EXPECT_EQ(indicator.label()->text(), longer);
    const int longerWidth = indicator.label()->width();
    EXPECT_GT(longerWidth, loadingWidth);
    EXPECT_EQ(panel->geometry(), LoadingIndicator::panelFrame(m_screen.size(), 20, longerWidth, 0));
    EXPECT_TRUE(panel->rect().contains(indicator.spinner()->geometry().united(indicator.label()->geometry())));
}

TEST_F(LoadingIndicatorTest, OneHideEndsEveryShowAndFurtherHidesDoNothing)
{
    show(&m_screen, kLoadingText);
    show(&m_screen, kLoadingText);
    LoadingIndicator& indicator = LoadingIndicator::sharedInstance();
    indicator.hideLoadingIndicators();
    EXPECT_FALSE(indicator.isShown());
    EXPECT_EQ(indicator.panel(), nullptr);
    EXPECT_EQ(indicator.label(), nullptr);
    EXPECT_EQ(indicator.spinner(), nullptr);
    EXPECT_EQ(panelsIn(m_screen), 0);

    indicator.hideLoadingIndicators();
    EXPECT_FALSE(indicator.isShown());

    // Hidden, it can be shown again.
    show(&m_screen, kLoadingText);
    EXPECT_EQ(panelsIn(m_screen), 1);
}

TEST_F(LoadingIndicatorTest, ANewParentViewTakesEffectOnlyAfterHiding)
{
    show(&m_screen, kLoadingText);
    show(&m_other, kFilteringText);
    LoadingIndicator& indicator = LoadingIndicator::sharedInstance();
    EXPECT_EQ(indicator.panel()->parentWidget(), &m_screen);
    EXPECT_EQ(panelsIn(m_other), 0);
    EXPECT_EQ(indicator.panel()->x(), (320 - indicator.panel()->width()) / 2);

    indicator.hideLoadingIndicators();
    show(&m_other, kFilteringText);
    EXPECT_EQ(indicator.panel()->parentWidget(), &m_other);
    EXPECT_EQ(panelsIn(m_screen), 0);
}

TEST_F(LoadingIndicatorTest, StaysCentredWhenTheParentResizesAndKeepsItsOffset)
{
    LoadingIndicator& indicator = show(&m_screen, kLoadingText, 150);
    const int panelWidth = indicator.panel()->width();
    EXPECT_EQ(indicator.panel()->pos(), QPoint((320 - panelWidth) / 2, 220 + 150));

    m_screen.resize(700, 900);
    EXPECT_EQ(indicator.panel()->pos(), QPoint((700 - panelWidth) / 2, 430 + 150));
}

TEST_F(LoadingIndicatorTest, EveryCallerGetsAFreshSetUpAndAParentGoneTakesThePanelWithIt)
{
    LoadingIndicator& first = LoadingIndicator::sharedInstance();
    first.setParentView(&m_screen);
    first.setOffset(42);
    first.setString(u"Busy"_s);
    LoadingIndicator& second = LoadingIndicator::sharedInstance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.parentView(), nullptr);
    EXPECT_EQ(second.offset(), 0);
    EXPECT_EQ(second.string(), QString());

    // Showing without a parent view has nowhere to go.
    second.showLoadingIndicators();
    EXPECT_FALSE(second.isShown());

    {
        QWidget shortLived;
        shortLived.resize(100, 100);
        show(&shortLived, kLoadingText);
        EXPECT_TRUE(LoadingIndicator::sharedInstance().isShown());
    }
    EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
}

TEST_F(LoadingIndicatorTest, SendingOverlayHasItsOwnInstanceAndText)
{
    // One torrent, or none counted yet, leaves the number out and keeps both spaces around it.
    for (const auto& [count, text] :
         std::initializer_list<std::pair<int, QString>>{{0, u"Sending  torrent to server"_s},
                                                        {1, u"Sending  torrent to server"_s},
                                                        {2, u"Sending 2 torrents to server"_s},
                                                        {12, u"Sending 12 torrents to server"_s}}) {
        EXPECT_EQ(SendingTorrentIndicator::sendingText(count), text) << count;
    }

    SendingTorrentIndicator& sending = SendingTorrentIndicator::sharedInstance();
    EXPECT_EQ(&sending, &SendingTorrentIndicator::sharedInstance());
    EXPECT_NE(static_cast<LoadingIndicator*>(&sending), &LoadingIndicator::sharedInstance());

    show(&m_screen, kLoadingText);
    sending.setParentView(&m_screen);
    sending.setString(SendingTorrentIndicator::sendingText(3));
    sending.showLoadingIndicators();
    EXPECT_EQ(panelsIn(m_screen), 2);
    EXPECT_EQ(sending.label()->text(), u"Sending 3 torrents to server"_s);

    sending.hideLoadingIndicators();
    EXPECT_TRUE(LoadingIndicator::sharedInstance().isShown());
    EXPECT_EQ(panelsIn(m_screen), 1);
}

} // namespace
} // namespace marrowfin
