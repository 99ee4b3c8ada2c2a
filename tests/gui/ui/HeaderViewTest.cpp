#include "gui/ui/HeaderView.h"

#include "Rendering.h"

#include "gui/ui/HeaderViewDelegate.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/UIUnderlinedLabel.h"

#include <QTest>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

// Stands for the list under the header: white, and counts the presses that reach it.
class PressCounter final : public QWidget
{
public:
    explicit PressCounter(QWidget* parent) : QWidget(parent)
    {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Qt::white);
        setPalette(palette);
    }

    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// Answers filters and search but not settings, as a screen without a settings page would.
class RecordingDelegate final : public HeaderViewDelegate
{
public:
    void didRefresh() override { calls.append(u"refresh"_s); }
    void didSelectProfile(std::optional<QString> name) override
    {
        calls.append(name ? u"profile "_s + *name : u"own profile"_s);
    }
    bool respondsToFilters() const override { return true; }
    void didFilters() override { calls.append(u"filters"_s); }
    void didSettings() override { calls.append(u"settings"_s); }
    bool respondsToSearch() const override { return true; }
    void didSearch() override { calls.append(u"search"_s); }

    QStringList calls;
};

class HeaderViewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_screen.resize(375, 300);
        m_list = new PressCounter(&m_screen);
        m_list->setGeometry(0, 0, 375, 300);
        m_header = new HeaderView(&m_screen);
        m_header->setGeometry(0, 0, 375, HeaderView::kHeight);
        m_header->setParentDelegate(&m_delegate);
        m_screen.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_screen));
    }

    void clickScreenAt(QPoint point)
    {
        QTest::mouseClick(m_screen.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
    }

    QWidget m_screen;
    PressCounter* m_list = nullptr;
    HeaderView* m_header = nullptr;
    RecordingDelegate m_delegate;
};

// The shadow under the band darkens the list's first rows, which must still take their clicks. The buttons call the
// delegate only for what it answers.
TEST_F(HeaderViewTest, TheShadowDarkensTheListButOnlyTheBandTakesClicksAndItsButtonsCallTheDelegate)
{
    const QImage image = m_screen.grab().toImage();
    EXPECT_LT(image.pixelColor(100, 20).lightness(), 0x40);
    EXPECT_LT(image.pixelColor(100, 48).lightness(), 200) << "the shadow darkens the list just under the band";
    EXPECT_EQ(image.pixelColor(100, 80), QColor(Qt::white));

    clickScreenAt(QPoint(100, 50));
    EXPECT_EQ(m_list->presses, 1) << "the shadow kept a click from the list";
    clickScreenAt(QPoint(100, 20));
    EXPECT_EQ(m_list->presses, 1) << "the band let a click through to the list";
    clickScreenAt(m_header->mapTo(&m_screen, m_header->refreshBtn()->geometry().center()));

    m_header->setUsername(u"someone"_s);
    m_header->setShowsSearch(true);
    m_header->setShowsFilters(true);
    m_header->usernameLbl()->click();
    m_header->refreshBtn()->click();
    m_header->filtersBtn()->click();
    m_header->settingsBtn()->click();
    m_header->searchBtn()->click();
    EXPECT_EQ(m_delegate.calls, (QStringList{u"refresh"_s, u"own profile"_s, u"refresh"_s, u"filters"_s, u"search"_s}));
    m_header->setParentDelegate(nullptr);
    m_header->refreshBtn()->click();
    EXPECT_EQ(m_delegate.calls.size(), 5);
}

} // namespace
} // namespace marrowfin
