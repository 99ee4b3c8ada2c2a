#include "core/lists/FilterLimits.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "gui/lists/EditFavoriteListViewController.h"
#include "gui/lists/FavoriteComposeViewController.h"
#include "gui/lists/HistoryListViewController.h"
#include "gui/lists/UndoBar.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/Device.h"
#include "gui/platform/NavigationController.h"
#include "gui/ui/TextTableViewCell.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <tuple>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr qint64 kGB = 1024LL * 1024 * 1024;

QList<std::pair<QString, QString>> shownRows(TableView* table)
{
    QList<std::pair<QString, QString>> rows;
    for (int row = 0; row < table->numberOfRows(); ++row) {
        const auto* cell = static_cast<TextTableViewCell*>(table->cellForRow(row));
        rows.append({cell->text(), cell->detailLabel()->isHidden() ? QString() : cell->detailLabel()->text()});
    }
    return rows;
}

// The filter list as the favorites push it, in a window of its own; the store and the profile are the test's.
class FilterHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_settings = std::make_shared<SettingsStore>(m_folder.path());
    }

    void TearDown() override
    {
        ProfileFile::failStep(0, 0);
        for (AlertView* alert : AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0);
        delete m_stack;
        Device::setMainWindow(nullptr);
    }

    EditFavoriteListViewController& openFilters(const QStringList& filters, const FilterLimitsMap& limits = {})
    {
        EXPECT_TRUE(updateFilters(*m_settings, [&](QStringList& stored, FilterLimitsMap& storedLimits) {
            std::tie(stored, storedLimits) = std::tie(filters, limits);
        }));
        auto* screen = new EditFavoriteListViewController(m_settings);
        QList<Torrent> loaded;
        for (const QString& name : {u"KESTREL 2160p"_s, u"KESTREL 1080p"_s, u"KESTREL 720p"_s, u"Debian 12"_s}) {
            loaded.append(Torrent{});
            std::tie(loaded.last().name, loaded.last().size, loaded.last().up) = std::tuple(name, u"3 GB"_s, u"9"_s);
        }
        screen->setPreviewTorrents(loaded);
        m_stack = new NavigationController(screen);
        QWidget* window = m_stack->view();
        window->resize(375, 667);
        Device::setMainWindow(window);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        screen->tableView()->setFocus();
        return *screen;
    }

    [[nodiscard]] QStringList storedFilters() const
    {
        return storedList(*m_settings, SettingsStore::LockedList::Filters);
    }

    QTemporaryDir m_folder;
    std::shared_ptr<SettingsStore> m_settings;
    NavigationController* m_stack = nullptr;
};

// Return, a double-click and the row's menu open a filter in the form it was typed in, limits and preview included;
// saving puts the changed filter in its place, its limits with its new text, and another filter of the old text keeps
// the shared ones; saved unchanged, it stays as it was. A broken expression says what is wrong and where; a write
// that fails keeps the form and what was typed.
TEST_F(FilterHistoryTest, AFilterOpensInItsFormAndIsSavedInItsPlace)
{
    const FilterLimits kestrel{std::nullopt, 4 * kGB, 5, {}};
    EditFavoriteListViewController& filters =
        openFilters({u"Debian"_s, u"KESTREL"_s, u"Show"_s, u"KESTREL"_s}, {{u"KESTREL"_s, kestrel}});
    TableView* table = filters.tableView();
    table->tapRow(1);
    EXPECT_EQ(filters.composeViewController(), nullptr) << "a tap only makes the row current";
    QTest::keyClick(table, Qt::Key_Return);
    FavoriteComposeViewController* compose = filters.composeViewController();
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ((QStringList{compose->title(), compose->newItem()->text(), compose->minSizeField()->text(),
                           compose->maxSizeField()->text(), compose->maxSizeUnit()->currentText(),
                           compose->minSeedersField()->text()}),
              (QStringList{u"Edit Filter"_s, u"KESTREL"_s, QString(), u"4"_s, u"GB"_s, u"5"_s}));
    EXPECT_TRUE(compose->previewLabel()->text().startsWith(u"Matches 3 of the 4 torrents"_s))
        << compose->previewLabel()->text().toStdString();
    // Laid out for the window it opened in, not cut at its edge.
    for (const QString& line : compose->previewLabel()->text().split(u'\n'))
        EXPECT_LE(compose->previewLabel()->fontMetrics().horizontalAdvance(line), compose->previewLabel()->width());
    compose->newItem()->setText(u"KESTREL [0-9"_s);
    EXPECT_EQ(compose->previewLabel()->text(), u"Not a valid expression: a [ is not closed, at character 9."_s);

    compose->newItem()->setText(u"KESTREL (1080|2160)p"_s);
    compose->minSeedersField()->setText(u"10"_s);
    ProfileFile::failStep(1, ENOSPC);
    QTest::keyClick(compose->newItem(), Qt::Key_Return);
    ASSERT_EQ(filters.composeViewController(), compose) << "the form went with a write that failed";
    EXPECT_EQ(storedFilters(), (QStringList{u"Debian"_s, u"KESTREL"_s, u"Show"_s, u"KESTREL"_s}));
    QTest::keyClick(compose->newItem(), Qt::Key_Return);
    EXPECT_EQ(filters.composeViewController(), nullptr);
    EXPECT_EQ(storedFilters(), (QStringList{u"Debian"_s, u"KESTREL (1080|2160)p"_s, u"Show"_s, u"KESTREL"_s}));
    const FilterLimits changed{std::nullopt, 4 * kGB, 10, {}};
    EXPECT_EQ(storedFilterLimits(*m_settings),
              (FilterLimitsMap{{u"KESTREL (1080|2160)p"_s, changed}, {u"KESTREL"_s, kestrel}}));
    EXPECT_EQ(shownRows(table).at(table->currentRow()),
              std::pair(u"KESTREL (1080|2160)p"_s, u"up to 4 GB, 10 seeders or more"_s));

    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->rectForRow(3).center());
    ASSERT_NE(filters.composeViewController(), nullptr);
    EXPECT_EQ(filters.composeViewController()->newItem()->text(), u"KESTREL"_s);
    QTest::keyClick(filters.composeViewController()->newItem(), Qt::Key_Return);
    EXPECT_EQ(filters.composeViewController(), nullptr);
    EXPECT_EQ(storedFilterLimits(*m_settings).value(u"KESTREL"_s), kestrel) << "saved unchanged, it changed";

    // The row's menu leads with Edit.
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu && menu->actions().size() == 2);
        menu->setActiveAction(menu->actions().at(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint at = table->rectForRow(2).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
    QApplication::sendEvent(table->viewport(), &menuEvent);
    ASSERT_NE(filters.composeViewController(), nullptr);
    EXPECT_EQ(filters.composeViewController()->newItem()->text(), u"Show"_s);
}

// Escape throws away at once only a form that holds nothing typed or changed; otherwise it asks, in words that fit a
// new filter or a changed one, and the question's own Escape keeps the form, its text and the focus.
TEST_F(FilterHistoryTest, EscapeAsksBeforeAFormWithSomethingTypedIsThrownAway)
{
    EditFavoriteListViewController& filters = openFilters({u"Debian"_s});
    filters.tableView()->setCurrentRow(0);
    for (const bool editing : {false, true}) {
        editing ? QTest::keyClick(filters.tableView(), Qt::Key_Return) : filters.addFavorite();
        ASSERT_NE(filters.composeViewController(), nullptr);
        QTest::keyClick(filters.composeViewController()->newItem(), Qt::Key_Escape);
        EXPECT_EQ(filters.composeViewController(), nullptr) << "a form as it opened needs no question";

        editing ? QTest::keyClick(filters.tableView(), Qt::Key_Return) : filters.addFavorite();
        FavoriteComposeViewController* compose = filters.composeViewController();
        compose->minSizeField()->setFocus();
        compose->minSizeField()->setText(u"1."_s);
        QTest::keyClick(compose->minSizeField(), Qt::Key_Escape);
        ASSERT_NE(compose->discardAlert(), nullptr);
        EXPECT_EQ(compose->discardAlert()->title(), editing ? u"Discard your changes?"_s : u"Discard this filter?"_s);
        EXPECT_EQ(compose->discardAlert()->buttonTitles(), (QStringList{u"Keep Editing"_s, u"Discard"_s}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        ASSERT_EQ(filters.composeViewController(), compose);
        EXPECT_TRUE(compose->minSizeField()->hasFocus() && compose->minSizeField()->text() == u"1."_s);

        QTest::keyClick(compose->minSizeField(), Qt::Key_Escape);
        ASSERT_NE(compose->discardAlert(), nullptr);
        compose->discardAlert()->button(1)->click();
        EXPECT_EQ(filters.composeViewController(), nullptr);
        EXPECT_EQ(storedFilters(), QStringList{u"Debian"_s});
        EXPECT_FALSE(m_settings->contains(SettingsKeys::filterLimits));
    }
}

// Delete takes a filter away at once and offers, for a while, to put it back: in its place and with its limits,
// by the bar's button or Ctrl+Z. A newer deletion takes the offer over; a write that fails keeps it.
TEST_F(FilterHistoryTest, ADeletedFilterComesBackInItsPlaceWithItsLimits)
{
    const FilterLimits limits{700 * 1024 * 1024, std::nullopt, 3, u"CAM"_s};
    EditFavoriteListViewController& filters =
        openFilters({u"Alpha"_s, u"Beta"_s, u"Gamma"_s, u"Delta"_s}, {{u"Beta"_s, limits}});
    TableView* table = filters.tableView();
    UndoBar* bar = filters.undoBar();
    table->setCurrentRow(1);
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(storedFilters(), (QStringList{u"Alpha"_s, u"Gamma"_s, u"Delta"_s}));
    EXPECT_FALSE(m_settings->contains(SettingsKeys::filterLimits));
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->label()->text() + u' ' + bar->undoButton()->text(), u"Deleted. Undo"_s);
    EXPECT_GT(bar->remainingTime(), 0);

    ProfileFile::failStep(1, ENOSPC);
    bar->undoButton()->click();
    ASSERT_TRUE(bar->isOffered()) << "a failed undo took the chance to undo away";
    bar->undoButton()->click();
    EXPECT_EQ(storedFilters(), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s, u"Delta"_s}));
    EXPECT_EQ(storedFilterLimits(*m_settings), (FilterLimitsMap{{u"Beta"_s, limits}}));
    EXPECT_EQ(shownRows(table).at(table->currentRow()).first, u"Beta"_s);
    EXPECT_FALSE(bar->isVisible());

    table->setCurrentRow(0);
    QTest::keyClick(table, Qt::Key_Delete);
    table->setCurrentRow(2);
    QTest::keyClick(table, Qt::Key_Delete);
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(storedFilters(), (QStringList{u"Beta"_s, u"Gamma"_s, u"Delta"_s}));
}

// Each send shows when it was made, told against the day it is now, to the second where two sends of one name fall
// in one minute; an older send without a time shows none. A deleted row comes back in its place with its time.
TEST_F(FilterHistoryTest, TheHistorySaysWhenEachSendWasMadeAndUndoesADeletion)
{
    ASSERT_TRUE(m_settings->setList(SettingsKeys::torrentHistory, {u"Old"_s}));
    for (const auto& [name, day, time] : {std::tuple{u"Delta"_s, QDate(2023, 12, 31), QTime(23, 59)},
                                          {u"Gamma"_s, QDate(2024, 3, 3), QTime(18, 30)},
                                          {u"Beta"_s, QDate(2024, 5, 9), QTime(9, 12)},
                                          {u"Alpha"_s, QDate(2024, 5, 10), QTime(14, 5, 10)},
                                          {u"Alpha"_s, QDate(2024, 5, 10), QTime(14, 5, 40)}}) {
        ASSERT_TRUE(appendToTorrentHistory(*m_settings, name, QDateTime(day, time)));
    }
    HistoryListViewController history(m_settings, nullptr, [] { return QDateTime(QDate(2024, 5, 10), QTime(15, 0)); });
    history.view()->resize(375, 600);
    history.viewWillAppear(false);
    const QList<std::pair<QString, QString>> all{
        {u"Alpha"_s, u"Sent today at 14:05:40"_s},    {u"Alpha"_s, u"Sent today at 14:05:10"_s},
        {u"Beta"_s, u"Sent yesterday at 09:12"_s},    {u"Gamma"_s, u"Sent 3 Mar at 18:30"_s},
        {u"Delta"_s, u"Sent 31 Dec 2023 at 23:59"_s}, {u"Old"_s, QString()}};
    EXPECT_EQ(shownRows(history.tableView()), all);

    history.tableView()->setCurrentRow(1);
    QTest::keyClick(history.tableView(), Qt::Key_Delete);
    EXPECT_EQ(shownRows(history.tableView()).first(), std::pair(u"Alpha"_s, u"Sent today at 14:05"_s))
        << "the send left is the later one, alone in its minute";
    history.undoBar()->undoButton()->click();
    EXPECT_EQ(shownRows(history.tableView()), all);
    EXPECT_EQ(storedList(*m_settings, SettingsStore::LockedList::TorrentHistory),
              (QStringList{u"Old"_s, u"Delta"_s, u"Gamma"_s, u"Beta"_s, u"Alpha"_s, u"Alpha"_s}));
    EXPECT_EQ(history.tableView()->currentRow(), 1);
}

} // namespace
} // namespace marrowfin
