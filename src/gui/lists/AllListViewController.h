#pragma once

#include "core/display/ListingSettings.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "core/lists/FilterSet.h"
#include "core/net/OperationQueue.h"
#include "core/scrape/Torrent.h"
#include "gui/platform/TableView.h"
#include "gui/platform/ViewController.h"
#include "gui/platform/WebPageTarget.h"
#include "gui/ui/HeaderViewDelegate.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPixmap>

#include <memory>
#include <optional>

namespace marrowfin {

class HeaderView;
class SettingsStore;

// The site's newest torrents, page by page: a header with the signed-in user's figures, the banner slot and a table
// that grows through a load-more row. A row opens the torrent's page; its download button sends the torrent to the
// remote client, and running sends are counted in the shared sending overlay. The search and favorites screens
// build on it. Main thread only; pages and sends run on its queue one at a time, pictures three at a time.
class ListingHeadingView;

class AllListViewController : public ViewController,
                              public TableViewDataSource,
                              public HeaderViewDelegate,
                              public WebPageTarget
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"All Torrents";
    static constexpr QStringView kTabImage = u"tabbar-all.png";
    static constexpr QStringView kTorrentCellIdentifier = u"TorrentCell";
    static constexpr QStringView kLoadMoreCellIdentifier = u"Default";
    static constexpr int kRowHeight = 37;
    static constexpr int kHeaderHeight = 70;
    static constexpr int kLoadMoreHeight = 36;
    static constexpr QSize kPhoneBannerSize{320, 50};
    static constexpr int kTabletBannerHeight = 90;
    static constexpr QSize kCachedImageSize{48, 36};
    static constexpr int kSendingOverlayOffset = 50;

    explicit AllListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~AllListViewController() override;

    void viewDidAppear(bool animated) override;
    void viewWillAppear(bool animated) override;

    // Builds the listing address for page `page` and queues its fetch.
    virtual void fetchPage(int page);
    // A delivered page; none when it could not be fetched.
    virtual void loadedTorrents(std::optional<QList<Torrent>> torrents);
    // A delivered listing page. A refresh or a load-more that fails while rows are on screen keeps them and says
    // why: above the rows for a refresh, in the load-more row (which offers the page again) for a load-more.
    // Otherwise the torrents go to loadedTorrents(), and why a page gave none is said under the empty list's text.
    virtual void loadedPage(std::optional<ListingPage> page);
    // What the line above the rows says; empty while it is hidden.
    [[nodiscard]] QString problemText() const;
    // Drops the records no filter accepts (only when there are filters).
    virtual void filterData(QList<Torrent>& torrents);

    // HeaderViewDelegate
    void didRefresh() override;
    void didSelectProfile(std::optional<QString> name) override;
    [[nodiscard]] bool respondsToSettings() const override { return true; }
    void didSettings() override;

    // The window's refresh shortcut: a refresh unless a page is on its way.
    void refreshIfIdle();
    // The rows belong to a session that ended (a sign-in again): the list is fetched again when it shows next.
    void reloadWhenShown() { m_stale = true; }
    // Pages are on their way: the load-more row and the refresh shortcut wait until they are in.
    [[nodiscard]] virtual bool isLoadingPages() const;

    // The download button of row `row` (also the torrent page's, for the row it was opened from).
    void didTapDownloadButton(int row) override;
    // WebPageTarget: a page opened from here has loaded.
    void webPageDidLoad() override;
    // A send's delivery: the name after a successful upload, none after a failure.
    void downloadedFinished(const std::optional<QString>& name);

    // The picture for a torrent's category word, or for a picture address (loaded in the background).
    [[nodiscard]] QPixmap cachedImageForTorrent(const QString& key);
    void imageReady(const QString& key, const QImage& image);

    // Disables or enables every tab, "More" included, while a fetch or send runs.
    void disableTabs(bool disable);
    void reloadHeaderView();

    // TableViewDataSource
    [[nodiscard]] int numberOfRows() const override;
    [[nodiscard]] TableViewCell* cellForRow(int row) override;
    [[nodiscard]] int heightForRow(int row) const override;
    void didSelectRow(int row) override;
    // A torrent row can be sent with Ctrl+D or its context menu, as its round button does.
    [[nodiscard]] bool canSendRow(int row) const override;
    void sendRow(int row) override;
    // A torrent by its page (names repeat across torrents).
    [[nodiscard]] QVariant rowKey(int row) const override;

    // State, for the subclasses, the window and tests.
    [[nodiscard]] const std::optional<QList<Torrent>>& torrentData() const { return m_torrentData; }
    [[nodiscard]] int currentPage() const { return m_currentPage; }
    [[nodiscard]] int sendingTorrentCount() const { return m_sendingTorrentCount; }
    [[nodiscard]] bool noMoreTorrents() const { return m_noMoreTorrents; }
    [[nodiscard]] bool refreshed() const { return m_refreshed; }
    [[nodiscard]] const QString& lastDate() const { return m_lastDate; }
    [[nodiscard]] const QString& lastAddress() const { return m_lastAddress; }
    [[nodiscard]] TableView* tableView() const { return m_tableView; }
    [[nodiscard]] HeaderView* headerView() const { return m_headerView; }
    // The headings above the rows at tablet widths; hidden on a phone.
    [[nodiscard]] ListingHeadingView* headingView() const { return m_headingView; }
    [[nodiscard]] QWidget* bannerView() const { return m_banner; }
    [[nodiscard]] OperationQueue& operationQueue() { return m_operationQueue; }
    [[nodiscard]] OperationQueue& imageOperationQueue() { return m_imageOperationQueue; }
    [[nodiscard]] int cachedImageCount() const { return int(m_cachedImages.size()); }

    // The address a send fetches the record's torrent file from; empty when the record has none.
    [[nodiscard]] static QString sendAddressOf(const Torrent& torrent);

Q_SIGNALS:
    // A page came back as the site's browser check: whoever can open it offers to.
    void browserCheckMet();

protected:
    // Above the rows a failed refresh kept; %1 is why, as a ListingPage says it.
    static constexpr QStringView kRefreshFailedText = u"The refresh failed: %1.";

    void loadView() override;
    void viewDidLoad() override;
    // Whether this is the favorites screen, which drops every record when it has no filters.
    [[nodiscard]] virtual bool filtersAlways() const { return false; }
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Places the banner, the header and the table in the view's current size.
    virtual void layoutScreen();
    [[nodiscard]] int bannerHeight() const;
    // Shows a screen over this one in its navigation stack, which takes it unless it has an owner of its own.
    void pushScreen(ViewController* screen);
    // The shared loading overlay over the window with `text`.
    void showLoadingOverlay(const QString& text);
    // The selector of a listing fetch: it hands the page to loadedPage() unless the fetch was cancelled since.
    [[nodiscard]] FetchPage::Selector listingSelector();
    // Cancel on the loading overlay (or Escape): the fetches under way are abandoned (their answers, if they still
    // come, are dropped), the tabs and rows work again and the list keeps what it had.
    virtual void cancelLoading();
    // Appends a delivered page (or makes it the list) and reloads the table.
    void appendPage(QList<Torrent> page);

    std::shared_ptr<SettingsStore> m_settings;
    // The favorite filters; empty on the screens that do not filter.
    FilterSet m_filters;

    std::optional<QList<Torrent>> m_torrentData;
    int m_currentPage = 0;
    // The row whose torrent page was opened last, while that page is shown; -1 otherwise.
    int m_openedRow = -1;
    bool m_noMoreTorrents = false;
    bool m_refreshed = false;
    QString m_lastDate;
    QString m_myCategories;
    QString m_lastAddress;
    // Why the last page delivered gave no rows, as a sentence; empty when it gave them.
    QString m_pageProblem;
    // Why the last load-more failed, shown in the load-more row until it is tried again; empty when it did not.
    QString m_loadMoreProblem;
    // Counts the cancelled fetches; a delivery made for an older count is dropped.
    int m_fetchGeneration = 0;
    // The listing whose stored order a click on a heading sets; none for a list the headings cannot order.
    [[nodiscard]] virtual std::optional<ListingKind> orderableKind() const { return ListingKind::Newest; }
    // A click on a heading: the stored order and sort change as the settings screen would change them, and the
    // list is fetched again in that order.
    void headingClicked(const QString& orderBy);
    // The headings show the stored order and sort.
    void updateHeadings();
    // Why a delivered page gave no rows, in a ListingPage's words ("the site answered with status 500"); empty for
    // one that gave them.
    [[nodiscard]] static QString problemOf(const std::optional<ListingPage>& page);
    // "the site answered with status 500" -> "The site answered with status 500."
    [[nodiscard]] static QString sentence(const QString& text);
    // Shows `text` in the line above the rows (hidden when empty) and moves the rows under it.
    void showProblem(const QString& text);
    // The end of a fetch, whatever it brought: the overlay goes, the tabs, the rows and the refresh button work.
    virtual void endLoading();
    // The stored settings that shape the rows (category, order, sort; the favorites' filters and page count), as one
    // text to compare.
    [[nodiscard]] virtual QString loadedWith() const;
    // Whether those settings changed since the rows were loaded (a settings screen, the filter list, the command
    // line); notes them as they are now. Asked when the screen shows again, which then reloads from the first page.
    [[nodiscard]] bool settingsChangedSinceLoad();

private:
    void showSendingOverlay();
    // Said in place of a page when the web pages cannot be loaded.
    [[nodiscard]] ViewController* pageProblem(const QString& title);

    int m_sendingTorrentCount = 0;
    QString m_loadedWith;
    bool m_stale = false;
    QHash<QString, QPixmap> m_cachedImages;
    TableView* m_tableView = nullptr;
    HeaderView* m_headerView = nullptr;
    QLabel* m_problemLine = nullptr;
    ListingHeadingView* m_headingView = nullptr;
    QWidget* m_banner = nullptr;
    // Declared last, so they are emptied (their destructors wait) before anything their deliveries touch goes.
    OperationQueue m_operationQueue{1, QStringLiteral("listing")};
    OperationQueue m_imageOperationQueue{3, QStringLiteral("listing pictures")};
};

} // namespace marrowfin
