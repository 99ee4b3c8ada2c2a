#include "core/settings/ProfileFile.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/display/DisplaySettingsViewController.h"
#include "gui/display/FavoriteDisplaySettingsViewController.h"
#include "gui/display/SearchDisplaySettingsViewController.h"
#include "gui/platform/NavigationBar.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/PickerView.h"
#include "gui/platform/SegmentedControl.h"
#include "gui/platform/Switch.h"
#include "gui/ui/ImageButton.h"

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <tuple>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

using Picked = std::pair<int, int>;

// The store file's inode and modification time, or nothing when there is no file. The store replaces the file
// through a new inode at every write, so an unchanged stamp means nothing was written.
using FileStamp = std::optional<std::tuple<ino_t, time_t, long>>;

FileStamp stampOf(const SettingsStore& store)
{
    struct stat info
    {};
    const bool found = ::stat(qPrintable(store.filePath()), &info) == 0;
    return found ? FileStamp({info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec}) : std::nullopt;
}

Picked picked(const PickerView& picker)
{
    return {picker.selectedRowInComponent(0), picker.selectedRowInComponent(1)};
}

void turnWheel(QWidget* widget, QPoint at, int notches)
{
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &wheel);
}

class DisplaySettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { freshStore(); }

    // Each case of a table gets a store of its own.
    void freshStore()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_folder->isValid());
        m_store = std::make_shared<SettingsStore>(m_folder->path());
    }

    // A screen shown at the phone's size, so that its picker has rows in sight to click.
    template <typename Screen>
    std::unique_ptr<Screen> shown()
    {
        auto screen = std::make_unique<Screen>(m_store);
        screen->view()->resize(375, 574);
        screen->view()->show();
        return screen;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::shared_ptr<SettingsStore> m_store;
};

// The user's three ways of choosing in the picker: a click on a row, the wheel, the keys. A group stands for its
// first entry at once; an entry is stored by its value, which is not always its title.
TEST_F(DisplaySettingsTest, ChoosingInThePickerStoresTheEntryValue)
{
    using Case = std::tuple<const char*, std::function<void(PickerView&)>, QString, Picked>;
    const QList<Case> cases{
        {"a click on the group Books",
         [](PickerView& picker) { QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.rowRect(3, 0).center()); },
         u"books"_s,
         {3, 0}},
        {"Games clicked, then the wheel down to android-games",
         [](PickerView& picker) {
             QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.rowRect(4, 0).center());
             turnWheel(&picker, picker.componentRect(1).center(), -11);
         },
         u"android-game"_s,
         {4, 11}},
        {"the keys down to the group Other",
         [](PickerView& picker) {
             picker.setFocus();
             for (int step = 0; step < 7; ++step) {
                 QTest::keyClick(&picker, Qt::Key_Down);
             }
         },
         u"other"_s,
         {7, 0}},
    };
    for (const auto& [what, choose, stored, position] : cases) {
        SCOPED_TRACE(what);
        freshStore();
        auto screen = shown<DisplaySettingsViewController>();
        choose(*screen->pickerView());
        EXPECT_EQ(m_store->text(SettingsKeys::categories), stored);
        EXPECT_EQ(picked(*screen->pickerView()), position);
    }
}

// Showing a stored choice writes nothing, unknown values included; only a store without category gets All stored.
TEST_F(DisplaySettingsTest, TheScreenShowsTheStoredChoiceWithoutRewritingIt)
{
    using Stored = std::optional<QString>;
    using Case = std::tuple<Stored, Stored, Stored, Picked, int, int>;
    const QList<Case> cases{
        {u"ps3"_s, u"size"_s, u"asc"_s, {4, 9}, 1, 1},
        {u"sideways"_s, u"popularity"_s, u"up"_s, {0, 0}, -1, -1},
        {std::nullopt, std::nullopt, std::nullopt, {0, 0}, 0, 0},
    };
    for (const auto& [category, order, sort, position, orderSegment, sortSegment] : cases) {
        SCOPED_TRACE(category.value_or(u"nothing stored"_s).toStdString());
        freshStore();
        if (category) {
            m_store->setText(SettingsKeys::categories, *category);
            m_store->setText(SettingsKeys::orderBy, *order);
            m_store->setText(SettingsKeys::sortBy, *sort);
        }
        const FileStamp before = stampOf(*m_store);
        DisplaySettingsViewController screen(m_store);
        EXPECT_EQ(picked(*screen.pickerView()), position);
        EXPECT_EQ(screen.orderControl()->selectedSegmentIndex(), orderSegment);
        EXPECT_EQ(screen.sortControl()->selectedSegmentIndex(), sortSegment);
        EXPECT_EQ(m_store->text(SettingsKeys::categories), category.value_or(u""_s));
        EXPECT_EQ(m_store->contains(SettingsKeys::orderBy), order.has_value());
        EXPECT_EQ(m_store->contains(SettingsKeys::sortBy), sort.has_value());
        EXPECT_EQ(stampOf(*m_store) == before, category.has_value()) << "showing the screen wrote to the store";
    }
}

TEST_F(DisplaySettingsTest, SearchAndListingKeepTheirOwnChoices)
{
    auto listing = shown<DisplaySettingsViewController>();
    auto search = shown<SearchDisplaySettingsViewController>();

    // Search: Music, then mp3 below it; Seeders, Asc. Listing: Movies, Size.
    PickerView& searchPicker = *search->pickerView();
    turnWheel(&searchPicker, searchPicker.componentRect(0).center(), -6);
    QTest::mouseClick(&searchPicker, Qt::LeftButton, {}, searchPicker.rowRect(1, 1).center());
    SegmentedControl& searchOrder = *search->orderControl();
    QTest::mouseClick(&searchOrder, Qt::LeftButton, {}, searchOrder.segmentRect(3).center());
    QTest::mouseClick(search->sortControl(), Qt::LeftButton, {}, search->sortControl()->segmentRect(1).center());
    PickerView& listingPicker = *listing->pickerView();
    QTest::mouseClick(&listingPicker, Qt::LeftButton, {}, listingPicker.rowRect(5, 0).center());
    listing->orderControl()->setFocus();
    QTest::keyClick(listing->orderControl(), Qt::Key_Right);

    EXPECT_EQ(m_store->text(SettingsKeys::searchCategories), u"mp3"_s);
    EXPECT_EQ(m_store->text(SettingsKeys::searchOrderBy), u"seeders"_s);
    EXPECT_EQ(m_store->text(SettingsKeys::searchSortBy), u"asc"_s);
    EXPECT_EQ(m_store->text(SettingsKeys::categories), u"movies"_s);
    EXPECT_EQ(m_store->text(SettingsKeys::orderBy), u"size"_s);
    EXPECT_FALSE(m_store->contains(SettingsKeys::sortBy));

    // A click on the segment already chosen stores nothing.
    const FileStamp before = stampOf(*m_store);
    QTest::mouseClick(&searchOrder, Qt::LeftButton, {}, searchOrder.segmentRect(3).center());
    EXPECT_EQ(stampOf(*m_store), before);
}

// Both kinds of settings screen, pushed over a listing: the bar comes back for them, and their back button or
// Escape leaves them without deleting them (they last the whole run).
TEST_F(DisplaySettingsTest, BackButtonAndEscapeLeaveAPushedScreen)
{
    QObject owner;
    const QList<std::pair<const char*, std::function<ViewController*()>>> screens{
        {"display", [&] { return new DisplaySettingsViewController(m_store, &owner); }},
        {"favorites", [&] { return new FavoriteDisplaySettingsViewController(m_store, &owner); }},
    };
    for (const auto& [what, make] : screens) {
        SCOPED_TRACE(what);
        QPointer<ViewController> screen = make();
        NavigationController stack(new ViewController);
        stack.view()->resize(375, 620);
        stack.view()->show();
        stack.viewWillAppear(false);
        stack.viewDidAppear(false);
        stack.setNavigationBarHidden(true);

        stack.pushViewController(screen, false);
        EXPECT_FALSE(stack.isNavigationBarHidden());
        QTest::mouseClick(qobject_cast<ImageButton*>(stack.navigationBar()->leftItem()), Qt::LeftButton);
        EXPECT_EQ(stack.topViewController(), stack.rootViewController());
        EXPECT_EQ(screen->parentViewController(), nullptr) << "the screen still names the stack it left";

        stack.pushViewController(screen, false);
        stack.view()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(stack.view()));
        screen->view()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_EQ(stack.topViewController(), stack.rootViewController());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(screen.isNull());
    }
}

// Each finished change of the slider stores the count the label shows; nothing else writes.
TEST_F(DisplaySettingsTest, EveryFinishedSliderChangeStoresTheShownCount)
{
    auto screen = shown<FavoriteDisplaySettingsViewController>();
    FavoriteDisplaySettingsView& view = *screen->infoView();
    QSlider& slider = *view.favoritesCountSlider();
    EXPECT_EQ(view.favoritesCountValue()->text(), u"5"_s);

    // A drag shows the rounded count all the way and stores it at the release.
    slider.setSliderDown(true);
    slider.setSliderPosition(660);
    EXPECT_EQ(view.favoritesCountValue()->text(), u"7"_s);
    EXPECT_FALSE(m_store->contains(SettingsKeys::favoritesCount)) << "a drag still under way was stored";
    slider.setSliderDown(false);
    EXPECT_EQ(m_store->text(SettingsKeys::favoritesCount), u"7"_s);

    slider.setFocus();
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(m_store->text(SettingsKeys::favoritesCount), u"20"_s);
    const FileStamp afterEnd = stampOf(*m_store);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(stampOf(*m_store), afterEnd) << "a key that moved nothing was stored";

    // The next screen made shows what was stored; being made and shown writes nothing.
    m_store->setText(SettingsKeys::favoritesCount, u"12"_s);
    const FileStamp before = stampOf(*m_store);
    FavoriteDisplaySettingsViewController again(m_store);
    EXPECT_EQ(again.infoView()->favoritesCountValue()->text(), u"12"_s);
    EXPECT_EQ(stampOf(*m_store), before);
}

// The watch's switch, minutes and send switch: each change stored as it is made (the minutes and the send switch live
// only while watching), said once to whoever applies it, and a change the disk refuses shows what is stored again.
TEST_F(DisplaySettingsTest, TheWatchSettingsAreStoredAsTheyChange)
{
    auto screen = shown<FavoriteDisplaySettingsViewController>();
    FavoriteDisplaySettingsView& view = *screen->infoView();
    int said = 0;
    QObject::connect(screen.get(), &FavoriteDisplaySettingsViewController::watchSettingsChanged, screen.get(),
                     [&] { ++said; });
    EXPECT_FALSE(view.watchSwitch()->isOn());
    EXPECT_EQ(view.watchMinutes()->value(), 15);
    EXPECT_FALSE(view.watchMinutes()->isEnabled() || view.sendSwitch()->isEnabled());

    view.watchSwitch()->click();
    EXPECT_EQ(m_store->text(SettingsKeys::watchInBackground), kSettingYes.toString());
    EXPECT_TRUE(view.watchMinutes()->isEnabled() && view.sendSwitch()->isEnabled());
    view.watchMinutes()->setValue(40);
    view.sendSwitch()->click();
    EXPECT_EQ(m_store->number(SettingsKeys::watchEveryMinutes), 40);
    EXPECT_EQ(m_store->text(SettingsKeys::watchSend), kSettingYes.toString());
    EXPECT_FALSE(m_store->contains(SettingsKeys::watchInTray));
    EXPECT_EQ(said, 3);

    // The disk refuses the next write: the switch goes back to what is stored, and nothing is said.
    ProfileFile::failStep(1, ENOSPC);
    view.sendSwitch()->click();
    ProfileFile::failStep(0, 0);
    EXPECT_TRUE(view.sendSwitch()->isOn());
    EXPECT_EQ(m_store->text(SettingsKeys::watchSend), kSettingYes.toString());
    EXPECT_EQ(said, 3);

    // Stored elsewhere (the command line), shown when the screen shows again; a round's line comes and goes.
    ASSERT_TRUE(m_store->setText(SettingsKeys::watchInBackground, kSettingNo.toString()));
    screen->viewWillAppear(false);
    EXPECT_FALSE(view.watchSwitch()->isOn() || view.sendSwitch()->isEnabled());
    screen->showWatchStatus(u"Last round at 10:00: no new matches."_s);
    EXPECT_TRUE(view.watchStatus()->isVisibleTo(&view));
    screen->showWatchStatus(QString());
    EXPECT_FALSE(view.watchStatus()->isVisibleTo(&view));
}

} // namespace
} // namespace marrowfin
