#pragma once

#include "AllListViewController.h"

#include <functional>

namespace marrowfin {

class PendingPages;

// The favorites tab: the newest torrents that a favorite filter accepts. A batch fetches several pages of the
// newest listing at once, up to ten at a time, and the screen receives them strictly in page order, each filtered
// and appended. Main thread only; the pages run on the screen's own wide queue.
class FavoriteListViewController final : public AllListViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Favorite Torrents";
    static constexpr QStringView kTabTitle = u"Favorites";
    static constexpr QStringView kTabImage = u"tabbar-favorites.png";
    static constexpr int kQueueWidth = 10;

    explicit FavoriteListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~FavoriteListViewController() override;

    void viewWillAppear(bool animated) override;

    // Rebuilds the filters from the stored list; rows already shown are not filtered again.
    void reloadFilters();
    // Starts a batch of `count` pages from page `startPage`.
    void fetchNextXPages(int count, int startPage);
    // Queues one page of a batch: it is handed over once `dependPriority` (the page before it) has been.
    void fetchPage(int page, std::shared_ptr<PendingPages> priorityQueue, int priority,
                   std::optional<int> dependPriority);
    // The load-more row: the batch after the last page fetched.
    void fetchPage(int page) override;
    void loadedTorrents(std::optional<QList<Torrent>> torrents) override;
    // A page of the batch: one that fails costs its own rows only, and once the batch is in, the line above the
    // rows says that pages are missing and why.
    void loadedPage(std::optional<ListingPage> page) override;
    // The whole batch is abandoned.
    void cancelLoading() override;

    // HeaderViewDelegate
    void didRefresh() override;
    [[nodiscard]] bool respondsToFilters() const override { return true; }
    void didFilters() override;
    void didSettings() override;

    [[nodiscard]] bool isLoadingPages() const override { return m_outstandingPages > 0; }
    // More torrents a new filter is tried on: the newest list's rows.
    void setPreviewSource(std::function<QList<Torrent>()> source) { m_previewSource = std::move(source); }
    // Every torrent the batches brought, filtered out or not, then those of the preview source; each torrent once.
    [[nodiscard]] QList<Torrent> previewTorrents() const;
    [[nodiscard]] int numPages() const { return m_numPages; }
    [[nodiscard]] const FilterSet& filters() const { return m_filters; }
    [[nodiscard]] OperationQueue& operationQueueMultiple() { return m_operationQueueMultiple; }

protected:
    void loadView() override;
    [[nodiscard]] bool filtersAlways() const override { return true; }
    // The favorites follow the newest list's own order, page by page.
    [[nodiscard]] std::optional<ListingKind> orderableKind() const override { return std::nullopt; }
    // The page count, the filters and their limits.
    [[nodiscard]] QString loadedWith() const override;

private:
    // Without a filter nothing can be kept: rather than a load-more row over an empty list, the list says what is
    // missing and offers the filters screen. The batch is still fetched, so that a filter typed next is tried on
    // its names.
    void showWhetherAFilterIsNeeded();

    int m_numPages = 5;
    // The list says a filter is needed; the first showing with filters fetches the batch again.
    bool m_showsFilterNeeded = false;
    // Why a page of the running batch failed (the last one's reason); empty while none did.
    QString m_batchProblem;
    // Pages of the running batch not yet handed over; the batch ends when the last one arrives.
    int m_outstandingPages = 0;
    // The running batch's first page and how many of its pages came in (they come in page order), and the first
    // of them that failed: the next batch begins there, so that no page is skipped for good.
    int m_batchFirst = 1;
    int m_batchDelivered = 0;
    std::optional<int> m_firstFailedPage;
    // Where load-more stood before a refresh, for a refresh whose every page failed.
    int m_pageBeforeRefresh = 0;
    // The torrents fetched this run, before filtering, at most kMaxLoaded of the newest.
    QList<Torrent> m_loaded;
    std::function<QList<Torrent>()> m_previewSource;
    static constexpr qsizetype kMaxLoaded = 5000;
    // Declared last: its destructor waits for the batch, whose deliveries then find nothing to reach.
    OperationQueue m_operationQueueMultiple{kQueueWidth, QStringLiteral("favorites")};
};

} // namespace marrowfin
