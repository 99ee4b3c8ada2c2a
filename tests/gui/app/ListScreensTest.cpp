#include "WindowFixture.h"

#include "core/display/ListingAddresses.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "core/lists/FilterLimits.h"
#include "core/settings/SettingsLists.h"
#include "gui/lists/EditFavoriteListViewController.h"
#include "gui/lists/FavoriteComposeViewController.h"
#include "gui/lists/FavoriteListViewController.h"
#include "gui/lists/HistoryListViewController.h"
#include "gui/lists/SearchListViewController.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/TableView.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/TextTableViewCell.h"
#include "support/QtTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace marrowfin::windowtest {
namespace {

using namespace Qt::Literals::StringLiterals;

QStringList namesOf(const QList<Torrent>& torrents)
{
    QStringList names;
    for (const Torrent& torrent : torrents)
        names.append(torrent.name.value_or(QString()));
    return names;
}

QStringList shownTexts(TableView* table)
{
    QStringList texts;
    for (int row = 0; row < table->numberOfRows(); ++row) {
        auto* cell = static_cast<TextTableViewCell*>(table->cellForRow(row));
        texts.append(cell ? cell->text() : QString());
    }
    return texts;
}

// The slow pages finish after the fast ones: page 2 last of all, so the screen must hold pages 3 to 5 back.
// 140 torrents make pages 1 to 5 full, page 6 short and page 7 on empty.
class ListScreensTest : public WindowTest
{
protected:
    static void SetUpTestSuite()
    {
        s_demo = new demotest::DemoProcess(
            {"--torrents", "140", "--latency-for", "/new/1=500", "--latency-for", "/new/2=1200"});
    }

    // What the site lists on a page of the newest torrents, asked directly.
    static QStringList newestPage(int page)
    {
        FetchPageAllTorrents fetch(QUrl(favoritesPageAddress(page, AppConfig::current().siteHost)), nullptr, {});
        fetch.main();
        return namesOf(fetch.returnObject().value<ListingPage>().torrents);
    }

    void typeFilter(EditFavoriteListViewController& filters, const QString& text)
    {
        if (!filters.composeViewController())
            filters.addFavorite();
        FavoriteComposeViewController* compose = filters.composeViewController();
        compose->newItem()->setText(text);
        QTest::keyClick(compose->newItem(), Qt::Key_Return);
        EXPECT_EQ(filters.composeViewController(), nullptr) << "Return saves and closes the form";
    }
};

TEST_F(ListScreensTest, FavoritesBatchesInPageOrderWithFiltersEditedOnTheWay)
{
    ASSERT_NO_FATAL_FAILURE(start());
    m_root->tabBarController()->selectSlot(1);
    FavoriteListViewController& favorites = *m_root->favoriteListViewController();
    // The first showing starts a batch of five pages, all queued at once.
    EXPECT_TRUE(favorites.lastAddress().endsWith(u"/new/5"_s));
    EXPECT_EQ(LoadingIndicator::sharedInstance().label()->text(), u"Filtering..."_s);
    ASSERT_TRUE(processEventsUntil([&] { return !favorites.isLoadingPages(); }));
    // No filters: nothing stays, and no more is offered; the list says a filter is needed and offers to add one.
    EXPECT_EQ(favorites.tableView()->numberOfRows(), 0);
    EXPECT_EQ(favorites.tableView()->emptyText(),
              u"Favorites show the new torrents that your filters match. Add a filter to see them."_s);
    QPushButton* addFilter = favorites.tableView()->emptyActionButton();
    EXPECT_TRUE(addFilter->isVisible());
    EXPECT_EQ(addFilter->text(), u"Add a filter"_s);

    // The filter list without filters opens the form at once. While a filter is typed, the form tries it on the
    // torrents loaded so far; one that does not compile says why and cannot be saved.
    addFilter->click();
    auto* filters =
        qobject_cast<EditFavoriteListViewController*>(favorites.navigationController()->topViewController());
    FavoriteComposeViewController* compose = filters->composeViewController();
    compose->newItem()->setText(u"(unbalanced"_s);
    EXPECT_EQ(compose->previewLabel()->text(), u"Not a valid expression: a ( is not closed, at character 1."_s);
    QTest::keyClick(compose->newItem(), Qt::Key_Return);
    EXPECT_EQ(filters->composeViewController(), compose) << "a broken expression was saved";
    // The five pages the batch loaded, as the site lists them.
    QStringList firstFive;
    for (int page = 1; page <= 5; ++page) {
        firstFive += newestPage(page);
    }
    const qsizetype kestrels = std::count_if(firstFive.cbegin(), firstFive.cend(),
                                             [](const QString& name) { return name.contains(u"KESTREL"_s); });
    ASSERT_GT(kestrels, 0);
    compose->newItem()->setText(u"KESTREL"_s);
    EXPECT_TRUE(compose->previewLabel()->text().startsWith(
        u"Matches %1 of the %2 torrents"_s.arg(kestrels).arg(firstFive.size())))
        << compose->previewLabel()->text().toStdString();
    // Limits count in the preview, go with the filter and show under it; a broken exclude cannot be saved. The
    // filter's limits go with it.
    compose->excludeField()->setText(u"(CAM"_s);
    EXPECT_TRUE(compose->previewLabel()->text().startsWith(u"The exclude expression \"(CAM\" is not valid"_s));
    compose->excludeField()->clear();
    compose->minSeedersField()->setText(u"5"_s);
    compose->minSizeField()->setText(u"1,5"_s);
    compose->minSizeUnit()->setCurrentIndex(2);
    QTest::keyClick(compose->minSizeField(), Qt::Key_Return);
    const FilterLimits limits{qint64(1536) * 1024 * 1024, std::nullopt, 5, {}};
    EXPECT_EQ(storedFilterLimits(*m_settings), (FilterLimitsMap{{u"KESTREL"_s, limits}}));
    auto* row = static_cast<TextTableViewCell*>(filters->tableView()->cellForRow(0));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->detailLabel()->text(), u"1.5 GB or more, 5 seeders or more"_s);
    filters->commitDeleteRow(0);
    EXPECT_FALSE(m_settings->contains(SettingsKeys::filterLimits));

    // The same text twice makes two rows; Delete deletes the current one.
    for (const QString& text : {u"Debian"_s, u"."_s, u"Debian"_s}) {
        ASSERT_NO_FATAL_FAILURE(typeFilter(*filters, text));
    }
    filters->tableView()->setFocus();
    for (const int row : {2, 0}) {
        filters->tableView()->setCurrentRow(row);
        QTest::keyClick(filters->tableView(), Qt::Key_Delete);
    }
    EXPECT_EQ(m_settings->list(SettingsKeys::filters), QStringList{u"."_s});
    EXPECT_EQ(shownTexts(filters->tableView()), QStringList{u"."_s});

    // Back on the favorites, the filters changed: the list loads again from its first page with the new ones.
    static_cast<ImageButton*>(filters->leftBarButtonItem())->click();
    EXPECT_TRUE(favorites.isLoadingPages());
    ASSERT_TRUE(processEventsUntil([&] { return !favorites.isLoadingPages(); }));
    ASSERT_EQ(firstFive.size(), 125);
    EXPECT_EQ(namesOf(*favorites.torrentData()), firstFive) << "pages arrive in page order, whatever finished first";

    // A refresh keeps the rows until its first page is in; then only that page's rows are shown, selectable while
    // the rest of the batch is still on its way.
    favorites.headerView()->refreshBtn()->click();
    EXPECT_EQ(favorites.torrentData()->size(), 125);
    ASSERT_TRUE(processEventsUntil([&] { return !favorites.refreshed(); }));
    EXPECT_EQ(namesOf(*favorites.torrentData()), newestPage(1));
    EXPECT_TRUE(favorites.tableView()->allowsSelection());
    ASSERT_TRUE(processEventsUntil([&] { return !favorites.isLoadingPages(); }));

    // Three pages a batch from now on (read when the tab is shown again, which loads the first three again):
    // load-more asks for 4 to 6, then 7 to 9. Page 7 is empty, so the row that asks for more is gone.
    m_settings->setText(SettingsKeys::favoritesCount, u"3"_s);
    m_root->tabBarController()->selectSlot(0);
    m_root->tabBarController()->selectSlot(1);
    ASSERT_TRUE(processEventsUntil([&] { return !favorites.isLoadingPages(); }));
    ASSERT_EQ(namesOf(*favorites.torrentData()), firstFive.first(75));
    for (const auto& [row, last] : {std::pair{75, u"/new/6"_s}, std::pair{140, u"/new/9"_s}}) {
        favorites.tableView()->tapRow(row);
        EXPECT_TRUE(favorites.lastAddress().endsWith(last)) << favorites.lastAddress().toStdString();
        ASSERT_TRUE(processEventsUntil([&] { return !favorites.isLoadingPages(); }));
    }
    EXPECT_EQ(favorites.tableView()->numberOfRows(), 140) << "no load-more row after an empty page";
}

// The page is in and handled: the queue is idle only once the worker is done, the tabs come back with the delivery.
bool searchDelivered(SearchListViewController& search)
{
    return processEventsUntil(
        [&] { return search.operationQueue().operationCount() == 0 && search.tabBarController()->tabsEnabled(); });
}

// A batch's failures keep what is shown: a refresh whose pages all fail keeps the rows under the line that says why;
// a page that fails keeps the load-more row, and the next batch begins at that page rather than after it.
TEST_F(ListScreensTest, FavoritesKeepTheirRowsAndPagesWhenPagesFail)
{
    ASSERT_TRUE(appendFilter(*m_settings, u"."_s));
    m_settings->setText(SettingsKeys::favoritesCount, u"3"_s);
    ASSERT_NO_FATAL_FAILURE(start());
    m_root->tabBarController()->selectSlot(1);
    FavoriteListViewController& favorites = *m_root->favoriteListViewController();
    const auto settled = [&] { return processEventsUntil([&] { return !favorites.isLoadingPages(); }); };
    ASSERT_TRUE(settled());
    const QStringList firstThree = newestPage(1) + newestPage(2) + newestPage(3);
    ASSERT_EQ(namesOf(*favorites.torrentData()), firstThree);

    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=500"_s));
    favorites.headerView()->refreshBtn()->click();
    ASSERT_TRUE(settled());
    EXPECT_EQ(namesOf(*favorites.torrentData()), firstThree);
    EXPECT_TRUE(favorites.problemText().startsWith(u"The refresh failed: "_s)) << favorites.problemText().toStdString();

    // Pages 4 to 6, the middle one failing: the load-more row stays, and asks for pages 5 to 7.
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=500&prefix=/new/5"_s));
    favorites.tableView()->tapRow(int(firstThree.size()));
    ASSERT_TRUE(settled());
    EXPECT_EQ(namesOf(*favorites.torrentData()), firstThree + newestPage(4) + newestPage(6));
    const int loadMore = int(favorites.torrentData()->size());
    EXPECT_EQ(favorites.tableView()->numberOfRows(), loadMore + 1) << "the load-more row stays";
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    favorites.tableView()->tapRow(loadMore);
    ASSERT_TRUE(settled());
    EXPECT_EQ(namesOf(*favorites.torrentData()),
              firstThree + newestPage(4) + newestPage(6) + newestPage(5) + newestPage(7))
        << "the failed page comes, and no row twice";
}

// The full catalogue, where a search has many pages.
TEST_F(WindowTest, SearchAsksTheSiteAndKeepsItsPageWhenShownAgain)
{
    ASSERT_NO_FATAL_FAILURE(start());
    m_root->tabBarController()->selectSlot(2);
    SearchListViewController& search = *m_root->searchListViewController();
    // Nothing before the first search: a refresh has nothing to ask.
    search.didRefresh();
    EXPECT_EQ(search.operationQueue().operationCount(), 0);

    // The search's own choices, not the listing's: the addresses below hold neither "tv" nor the listing's order.
    m_settings->setText(SettingsKeys::categories, u"tv"_s);
    m_settings->setText(SettingsKeys::searchOrderBy, u"seeders"_s);
    m_settings->setText(SettingsKeys::searchSortBy, u"asc"_s);
    search.mySearchBar()->setFocus();
    search.mySearchBar()->setText(u"1080p"_s);
    QTest::keyClick(search.mySearchBar(), Qt::Key_Return);
    EXPECT_FALSE(search.mySearchBar()->hasFocus()) << "a search puts the keyboard away";
    ASSERT_TRUE(searchDelivered(search));
    search.tableView()->tapRow(25);
    ASSERT_TRUE(searchDelivered(search));
    ASSERT_EQ(search.torrentData()->size(), 50);

    // Away and back: the rows stay and nothing is fetched; the next page is 3, so no row is listed twice.
    m_root->tabBarController()->selectSlot(0);
    m_root->tabBarController()->selectSlot(2);
    EXPECT_EQ(search.operationQueue().operationCount(), 0);
    search.tableView()->tapRow(50);
    EXPECT_TRUE(search.lastAddress().endsWith(u"/usearch/1080p/3/?field=seeders&sorder=asc"_s));
    ASSERT_TRUE(searchDelivered(search));
    const QStringList names = namesOf(*search.torrentData());
    EXPECT_EQ(QSet<QString>(names.cbegin(), names.cend()).size(), 75);

    // New search settings: back on the search it asks again from the first page. A refresh the site fails keeps
    // the rows under the line that says why.
    m_settings->setText(SettingsKeys::searchOrderBy, u"size"_s);
    m_root->tabBarController()->selectSlot(0);
    m_root->tabBarController()->selectSlot(2);
    EXPECT_TRUE(search.lastAddress().endsWith(u"/usearch/1080p/?field=size&sorder=asc"_s));
    ASSERT_TRUE(searchDelivered(search));
    ASSERT_EQ(search.torrentData()->size(), 25);
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=500"_s));
    search.didRefresh();
    ASSERT_TRUE(searchDelivered(search));
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    EXPECT_EQ(search.torrentData()->size(), 25);
    EXPECT_TRUE(search.problemText().startsWith(u"The refresh failed: "_s)) << search.problemText().toStdString();

    // A press outside the bar takes the keyboard away; Ctrl+F from another tab brings it back.
    search.focusSearchBar();
    QTest::mouseClick(search.tableView()->viewport(), Qt::LeftButton, {}, QPoint(150, 200));
    EXPECT_FALSE(search.mySearchBar()->hasFocus());
    m_root->tabBarController()->selectSlot(0);
    m_root->focusSearch();
    EXPECT_EQ(m_root->tabBarController()->selectedIndex(), 2);
    EXPECT_TRUE(search.mySearchBar()->hasFocus());
}

TEST_F(ListScreensTest, HistoryNewestFirstDeletesTheRowShownAndSeesOtherSends)
{
    for (const QString& name : {u"Alpha"_s, u"Beta"_s, u"Gamma"_s})
        ASSERT_TRUE(appendToTorrentHistory(*m_settings, name));
    HistoryListViewController history(m_settings);
    history.view()->resize(375, 600);
    history.viewWillAppear(false);
    EXPECT_EQ(shownTexts(history.tableView()), (QStringList{u"Gamma"_s, u"Beta"_s, u"Alpha"_s}));

    // Another program appends while the list is on screen: the middle row shown is still what gets deleted.
    ASSERT_TRUE(appendToTorrentHistory(*m_settings, u"Delta"_s));
    history.commitDeleteRow(1);
    history.viewWillAppear(false);
    EXPECT_EQ(shownTexts(history.tableView()), (QStringList{u"Delta"_s, u"Gamma"_s, u"Alpha"_s}));
}

} // namespace
} // namespace marrowfin::windowtest
