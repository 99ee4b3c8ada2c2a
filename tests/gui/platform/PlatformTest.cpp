#include "gui/platform/AlertView.h"
#include "gui/platform/NavigationBar.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBar.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/TableView.h"
#include "gui/platform/TableViewCell.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

// A screen that writes down what its container tells it.
class RecordingScreen final : public ViewController
{
public:
    explicit RecordingScreen(QString name, QStringList* log) : m_name(std::move(name)), m_log(log)
    {
        setTitle(m_name);
        setTabBarItem({m_name, u"tabbar-all"_s, 0});
    }
    void viewWillAppear(bool animated) override
    {
        ViewController::viewWillAppear(animated);
        m_log->append(m_name + u" will appear"_s);
    }
    void viewDidDisappear(bool animated) override
    {
        ViewController::viewDidDisappear(animated);
        m_log->append(m_name + u" did disappear"_s);
    }

private:
    QString m_name;
    QStringList* m_log;
};

// A stack on screen over a root that logs what it is told; the log starts empty.
class NavigationControllerTest : public ::testing::Test
{
protected:
    NavigationControllerTest()
    {
        stack.view()->resize(375, 600);
        stack.view()->show();
        stack.viewWillAppear(false);
        stack.viewDidAppear(false);
        log.clear();
    }

    QStringList log;
    RecordingScreen* root = new RecordingScreen(u"root"_s, &log);
    NavigationController stack{root};
};

TEST_F(NavigationControllerTest, PushAndPopTellTheScreensAndFreeOnlyWhatTheStackOwns)
{
    QPointer<ViewController> owned = new RecordingScreen(u"page"_s, &log);
    stack.pushViewController(owned, false);
    EXPECT_EQ(log, (QStringList{u"page will appear"_s, u"root did disappear"_s}));
    EXPECT_TRUE(stack.navigationBar()->backButton()->isVisibleTo(stack.view()));

    log.clear();
    stack.popViewControllerAnimated(false);
    EXPECT_EQ(log, (QStringList{u"root will appear"_s, u"page did disappear"_s}));
    EXPECT_FALSE(stack.navigationBar()->backButton()->isVisibleTo(stack.view()));
    // Deleted later, as the event loop would: the pop may run inside one of the screen's own handlers. (A screen owned
    // elsewhere is only taken off: the settings screens' tests and the pop during a push pop such screens.)
    EXPECT_FALSE(owned.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(owned.isNull()) << "a popped screen the stack owned stays";
}

// A pop while a push still slides in (a logout emptying the stack under the screen it just opened): the push ends
// first, and its end does not hide the screen the pop showed.
TEST_F(NavigationControllerTest, APopDuringAPushLeavesTheScreenBelowShown)
{
    // Owned elsewhere, as the logout screen is: the screen, and its slide, outlive the pop.
    QObject owner;
    for (const bool toRoot : {false, true}) {
        QPointer<ViewController> page = new RecordingScreen(u"page"_s, &log);
        page->setParent(&owner);
        stack.pushViewController(page, true);
        toRoot ? (void)stack.popToRootViewControllerAnimated(false) : (void)stack.popViewControllerAnimated(false);
        QTest::qWait(NavigationController::kAnimationMilliseconds * 2);
        EXPECT_TRUE(root->view()->isVisible()) << "pop to root: " << toRoot;
        EXPECT_EQ(root->view()->pos(), QPoint(0, 0));
        EXPECT_FALSE(page->view()->isVisible());
    }
}

// Tabs that do not fit go to More and come back at tablet width; disabled tabs take no clicks; the focus ring follows
// the tab a click selects.
TEST(TabBarControllerTest, TabsThatDoNotFitGoToMoreAndComeBackAtTabletWidth)
{
    QStringList log;
    TabBarController tabs;
    QList<ViewController*> screens;
    for (int index = 0; index < 9; ++index) {
        auto* screen = new RecordingScreen(u"tab %1"_s.arg(index), &log);
        screens.append(new NavigationController(screen));
        screens.last()->setTabBarItem(screen->tabBarItem());
    }
    tabs.setViewControllers(screens);
    tabs.view()->resize(375, 667);
    tabs.view()->show();
    tabs.viewWillAppear(false);

    // A phone: four buttons and More, which lists the other five.
    ASSERT_EQ(tabs.tabBar()->items().size(), 5);
    EXPECT_EQ(tabs.tabBar()->items().at(4).title, u"More"_s);
    tabs.selectFromMoreList(6);
    EXPECT_TRUE(tabs.moreNavigationController()->isNavigationBarHidden()) << "the tab's own bar leads back";

    // Wider than a phone: seven buttons and More; the tab shown through More now has its own button.
    tabs.view()->resize(820, 900);
    QCoreApplication::processEvents();
    ASSERT_EQ(tabs.tabBar()->items().size(), 8);
    EXPECT_EQ(tabs.tabBar()->selectedSlot(), 6);

    // Disabled buttons take no clicks, More included.
    const auto click = [&](int slot) {
        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->slotRect(slot).center());
    };
    tabs.setTabsEnabled(false);
    click(1);
    click(7);
    EXPECT_EQ(tabs.selectedIndex(), 6);
    tabs.setTabsEnabled(true);

    // After the arrows moved the focus ring, a click elsewhere selects that tab and the ring goes with it.
    tabs.tabBar()->setFocus();
    QTest::keyClick(tabs.tabBar(), Qt::Key_Right);
    click(5);
    EXPECT_EQ(tabs.selectedIndex(), 5);
    EXPECT_EQ(tabs.tabBar()->focusedSlot(), 5);
}

class CountingSource final : public TableViewDataSource
{
public:
    [[nodiscard]] int numberOfRows() const override { return 200; }
    [[nodiscard]] TableViewCell* cellForRow(int row) override
    {
        TableViewCell* cell = table->dequeueReusableCell(u"Row"_s);
        if (!cell) {
            cell = new TableViewCell(u"Row"_s);
            ++made;
        }
        cell->setTakesTouches(row != untouchable);
        cell->setProperty("row", row);
        return cell;
    }
    [[nodiscard]] int heightForRow(int) const override { return 37; }
    void didSelectRow(int row) override { selected.append(row); }
    [[nodiscard]] bool canSendRow(int row) const override { return row != untouchable; }
    void sendRow(int row) override { sent.append(rowKey(row).toInt()); }
    // Row n stands for item n - shift: a refresh that brings `shift` new items on top moves the others down.
    [[nodiscard]] QVariant rowKey(int row) const override { return row - shift; }

    TableView* table = nullptr;
    int made = 0;
    int untouchable = -1;
    int shift = 0;
    QList<int> selected;
    QList<int> sent;
};

TEST(TableViewTest, RowsAreReusedAsTheListScrollsAndTapsReachTheSource)
{
    CountingSource source;
    TableView table(source);
    source.table = &table;
    table.resize(320, 370);
    table.show();
    table.setTopInset(11);
    const int firstScreen = source.made;
    EXPECT_LE(firstScreen, 11) << "only the rows in sight are made";

    for (int step = 0; step < 40; ++step)
        table.verticalScrollBar()->setValue(table.verticalScrollBar()->value() + 90);
    table.verticalScrollBar()->setValue(table.verticalScrollBar()->maximum());
    EXPECT_LE(source.made, firstScreen + 2) << "scrolling reuses rows instead of making new ones";

    // A click selects; a row that takes no touches ignores it.
    table.scrollToTop();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.rectForRow(2).center());
    source.untouchable = 3;
    table.reloadData();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.rectForRow(3).center());
    EXPECT_EQ(source.selected, QList<int>{2});

    // A context menu acts on the row it was opened for, though a refresh moved it (two new rows on top) while the
    // menu was open: item 4, now in row 6.
    QTimer::singleShot(0, [&] {
        source.shift = 2;
        table.reloadData();
        auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(open, nullptr);
        open->setActiveAction(open->actions().first());
        QTest::keyClick(open, Qt::Key_Return);
    });
    const QPoint at = table.rectForRow(4).center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, table.viewport()->mapToGlobal(at));
    QApplication::sendEvent(table.viewport(), &menu);
    EXPECT_EQ(source.sent, QList<int>{4});
}

class DismissRecorder final : public AlertViewDelegate
{
public:
    void alertViewDidDismiss(AlertView* alert, int buttonIndex) override
    {
        dismissed.append(alert->title() + u'#' + QString::number(buttonIndex));
    }
    QStringList dismissed;
};

// Alerts stack and tell their delegate which button ended them, once. An alert takes the height its whole text
// needs, at a phone's width and wider.
TEST(AlertViewTest, AlertsStackTellTheirDelegateAndShowTheirWholeMessage)
{
    QWidget window;
    window.resize(375, 667);
    window.show();
    DismissRecorder recorder;
    auto* first = new AlertView(u"First"_s, u"one"_s, &recorder, {u"Ok"_s}, &window);
    auto* second = new AlertView(u"Second"_s, QString(), &recorder, {u"Cancel"_s, u"Retry"_s}, &window);
    first->show();
    second->show();
    second->button(1)->click();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(first, &escape);
    EXPECT_EQ(recorder.dismissed, (QStringList{u"Second#1"_s, u"First#0"_s}));
    first->dismissWithClickedButtonIndex(0);
    EXPECT_EQ(recorder.dismissed.size(), 2) << "an alert ends once";

    // At a narrow phone's width, where the message wraps most.
    window.resize(320, 667);
    auto* alert = new AlertView(u"Connection with server failed."_s,
                                u"Please make sure you have correctly setup your remote download settings."_s, nullptr,
                                {u"Ok"_s}, &window);
    alert->show();
    const QLabel* message = alert->messageLabel();
    EXPECT_GE(message->height(), message->heightForWidth(message->width()));

    // Buttons whose titles do not fit side by side go one under the other, each title whole.
    for (const QStringList& titles :
         {QStringList{u"Cancel"_s, u"Retry"_s}, QStringList{u"Cancel"_s, u"Sign In on the Site"_s}}) {
        auto* choice = new AlertView(u"Login failed."_s, QString(), nullptr, titles, &window);
        choice->show();
        const bool sideBySide = titles.last().size() < 10;
        EXPECT_EQ(choice->button(0)->y() == choice->button(1)->y(), sideBySide) << titles.last().toStdString();
        for (int index = 0; index < 2; ++index) {
            EXPECT_GE(choice->button(index)->width(), choice->button(index)->sizeHint().width());
        }
        choice->dismissWithClickedButtonIndex(0);
    }
}

} // namespace
} // namespace marrowfin
