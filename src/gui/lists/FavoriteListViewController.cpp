#include "FavoriteListViewController.h"

#include "EditFavoriteListViewController.h"

#include "core/config/AppConfig.h"
#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "core/net/PendingPages.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "gui/display/FavoriteDisplaySettingsViewController.h"
#include "gui/platform/Accessibility.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TableView.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/LoadingIndicator.h"

#include <QSet>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kFilteringText = u"Filtering...";
constexpr QStringView kFilterNeededText = u"Favorites show the new torrents that your filters match. Add a filter to "
                                          u"see them.";
constexpr QStringView kAddFilterTitle = u"Add a filter";
constexpr QStringView kPagesMissingText = u"Some pages could not be loaded: %1.";
} // namespace

FavoriteListViewController::FavoriteListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : AllListViewController(std::move(settings), parent)
{
    reloadFilters();
    setTitle(kTitle.toString());
    setTabBarItem({kTabTitle.toString(), kTabImage.toString(), 1});
}

FavoriteListViewController::~FavoriteListViewController() = default;

void FavoriteListViewController::loadView()
{
    AllListViewController::loadView();
    headerView()->setShowsSettings(true);
    headerView()->setShowsFilters(true);
}

void FavoriteListViewController::reloadFilters()
{
    m_filters.reloadFilters(*m_settings);
}

void FavoriteListViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    reloadHeaderView();
    m_numPages = favoritesPageCount(*m_settings);
    // Filters added or deleted meanwhile count for the pages fetched from now on.
    reloadFilters();
    if (NavigationController* stack = navigationController(); stack && stack->rootViewController() == this)
        stack->setNavigationBarHidden(true);
    const bool changed = settingsChangedSinceLoad();
    if (!m_torrentData && m_outstandingPages == 0) {
        fetchNextXPages(m_numPages, 1);
        m_currentPage = m_numPages - 1;
    } else if ((changed || (m_showsFilterNeeded && !m_filters.isEmpty())) && m_outstandingPages == 0) {
        // A filter added, changed or deleted, or another page count: the rows shown were chosen by the old ones.
        didRefresh();
    }
}

QString FavoriteListViewController::loadedWith() const
{
    QStringList parts{QString::number(favoritesPageCount(*m_settings))};
    const FilterLimitsMap limits = storedFilterLimits(*m_settings);
    for (const QString& text : storedList(*m_settings, SettingsStore::LockedList::Filters)) {
        const FilterLimits limit = limits.value(text);
        parts.append(text + u'\t' + limit.exclude + u'\t' + QString::number(limit.minSeeders.value_or(-1)) + u'\t' +
                     QString::number(limit.minSize.value_or(-1)) + u'\t' + QString::number(limit.maxSize.value_or(-1)));
    }
    return parts.join(u'\n');
}

void FavoriteListViewController::showWhetherAFilterIsNeeded()
{
    m_showsFilterNeeded = m_filters.isEmpty();
    if (!m_showsFilterNeeded) {
        tableView()->setEmptyAction({}, nullptr);
        return;
    }
    m_noMoreTorrents = true;
    tableView()->setEmptyText(kFilterNeededText.toString());
    tableView()->setEmptyAction(kAddFilterTitle.toString(), [this] { didFilters(); });
    tableView()->reloadData();
}

void FavoriteListViewController::fetchNextXPages(int count, int startPage)
{
    m_batchProblem.clear();
    m_pageProblem.clear();
    m_batchFirst = startPage;
    m_batchDelivered = 0;
    m_firstFailedPage.reset();
    count = qMax(1, count);
    QList<int> numbers;
    numbers.reserve(count);
    for (int page = startPage; page < startPage + count; ++page)
        numbers.append(page);
    auto pending = std::make_shared<PendingPages>(numbers);
    // A refresh in the middle of a batch would mix two batches' pages; it waits for this one to end.
    headerView()->refreshBtn()->setEnabled(false);
    fetchPage(startPage, pending, startPage, std::nullopt);
    for (int i = 1; i < count; ++i)
        fetchPage(startPage + i, pending, startPage + i, startPage + i - 1);
}

void FavoriteListViewController::fetchPage(int page, std::shared_ptr<PendingPages> priorityQueue, int priority,
                                           std::optional<int> dependPriority)
{
    m_lastAddress = favoritesPageAddress(page, AppConfig::current().siteHost);
    showLoadingOverlay(kFilteringText.toString());
    tableView()->setScrollEnabled(false);
    tableView()->setAllowsSelection(false);
    disableTabs(true);
    ++m_outstandingPages;
    m_operationQueueMultiple.addOperation(std::make_shared<FetchPageAllTorrents>(
        QUrl(m_lastAddress), this, listingSelector(), std::move(priorityQueue), priority, dependPriority));
}

void FavoriteListViewController::fetchPage(int page)
{
    m_currentPage = page + m_numPages - 1;
    fetchNextXPages(m_numPages, page + 1);
}

void FavoriteListViewController::cancelLoading()
{
    const bool nextBatch = !m_refreshed && m_torrentData && !m_torrentData->isEmpty();
    m_outstandingPages = 0;
    AllListViewController::cancelLoading();
    if (nextBatch) {
        // The load-more row asks for the same batch again: back to the last page of the one before.
        m_currentPage = qMax(m_numPages - 1, m_currentPage + 1 - m_numPages);
    }
    showWhetherAFilterIsNeeded();
}

void FavoriteListViewController::loadedPage(std::optional<ListingPage> page)
{
    const bool failed = !page || page->failed();
    if (page && page->browserCheck) {
        Q_EMIT browserCheckMet();
    }
    const int number = m_batchFirst + m_batchDelivered++;
    if (failed) {
        m_batchProblem = problemOf(page);
        m_pageProblem = sentence(m_batchProblem);
        if (!m_firstFailedPage) {
            m_firstFailedPage = number;
        }
    }
    loadedTorrents(failed ? std::nullopt : std::optional<QList<Torrent>>(std::move(page->torrents)));
    if (m_outstandingPages == 0) {
        const bool rowsShown = m_torrentData && !m_torrentData->isEmpty();
        QString line =
            m_batchProblem.isEmpty() || !rowsShown ? QString() : kPagesMissingText.toString().arg(m_batchProblem);
        if (m_refreshed) {
            // Every page of a refresh failed: what was shown stays, under the line that says why, and more is
            // asked for after it as before.
            m_refreshed = false;
            line = rowsShown ? kRefreshFailedText.toString().arg(m_batchProblem) : QString();
            m_currentPage = m_pageBeforeRefresh;
        } else if (m_firstFailedPage) {
            // Load-more asks for the batch that begins at m_currentPage + 2: from the failed page on.
            m_currentPage = *m_firstFailedPage - 2;
        }
        showProblem(line);
        if (!line.isEmpty()) {
            announce(line);
        }
    }
}

void FavoriteListViewController::loadedTorrents(std::optional<QList<Torrent>> torrents)
{
    // A refresh replaces the rows with the first of its pages that came in; a failed page replaces nothing.
    if (m_refreshed && torrents) {
        if (m_torrentData)
            m_torrentData->clear();
        m_refreshed = false;
    }
    // Decided before filtering: the batch's last page says whether there are more pages to offer.
    m_noMoreTorrents = !torrents || torrents->isEmpty();
    m_outstandingPages = qMax(0, m_outstandingPages - 1);
    if (m_outstandingPages == 0) {
        tableView()->setScrollEnabled(true);
        LoadingIndicator::sharedInstance().hideLoadingIndicators();
        disableTabs(false);
        headerView()->refreshBtn()->setEnabled(true);
    }
    tableView()->setAllowsSelection(true);

    QList<Torrent> page = torrents.value_or(QList<Torrent>());
    const bool pageEmpty = page.isEmpty();
    // A batch that begins again at a page that failed brings rows already shown: each torrent is listed once.
    if (m_torrentData && !m_torrentData->isEmpty() && !page.isEmpty()) {
        QSet<QString> shown;
        for (const Torrent& torrent : std::as_const(*m_torrentData)) {
            shown.insert(torrent.detailsUrl.value_or(QString()));
        }
        page.removeIf(
            [&shown](const Torrent& torrent) { return torrent.detailsUrl && shown.contains(*torrent.detailsUrl); });
    }
    for (const Torrent& torrent : page) {
        if (torrent.name) {
            m_loaded.append(torrent);
        }
    }
    if (m_loaded.size() > kMaxLoaded) {
        m_loaded.remove(0, m_loaded.size() - kMaxLoaded);
    }
    filterData(page);
    // filterData marks an empty page as the end; a page whose torrents were all filtered out is not one, and a page
    // that failed is none either while rows are shown: the load-more row asks for it again.
    const bool rowsShown = (m_torrentData && !m_torrentData->isEmpty()) || !page.isEmpty();
    m_noMoreTorrents = torrents ? pageEmpty : !rowsShown;
    appendPage(std::move(page));
    showWhetherAFilterIsNeeded();
}

void FavoriteListViewController::didRefresh()
{
    if (m_outstandingPages > 0)
        return;
    tableView()->scrollToTop();
    tableView()->setScrollEnabled(false);
    (void)settingsChangedSinceLoad();
    m_refreshed = true;
    m_pageBeforeRefresh = m_currentPage;
    headerView()->refreshBtn()->setEnabled(false);
    fetchNextXPages(m_numPages, 1);
    m_currentPage = m_numPages - 1;
}

void FavoriteListViewController::didFilters()
{
    auto* filters = new EditFavoriteListViewController(m_settings);
    filters->setPreviewTorrents(previewTorrents());
    pushScreen(filters);
}

QList<Torrent> FavoriteListViewController::previewTorrents() const
{
    QList<Torrent> torrents = m_loaded;
    if (m_previewSource) {
        torrents += m_previewSource();
    }
    // A torrent is known by its page (names repeat across torrents); one without a page by its name.
    QSet<QString> seen;
    torrents.removeIf([&seen](const Torrent& torrent) {
        const QString key = torrent.detailsUrl.value_or(u"\n"_s + torrent.name.value_or(QString()));
        const bool repeated = seen.contains(key);
        seen.insert(key);
        return repeated;
    });
    return torrents;
}

void FavoriteListViewController::didSettings()
{
    pushScreen(&FavoriteDisplaySettingsViewController::sharedInstance());
}

} // namespace marrowfin
