#include "AllListViewController.h"

#include "core/config/AppConfig.h"
#include "core/display/CategoryTree.h"
#include "core/display/ListingAddresses.h"
#include "core/display/ListingSettings.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "core/remote/FetchPageDownload.h"
#include "core/scrape/UserInfo.h"
#include "core/settings/SettingsStore.h"
#include "gui/display/DisplaySettingsViewController.h"
#include "gui/platform/Accessibility.h"
#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/Images.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/TableViewCell.h"
#include "gui/platform/WebPageHostViewController.h"
#include "gui/platform/WebPages.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/ImageLoader.h"
#include "gui/ui/ImageScaling.h"
#include "gui/ui/ListingHeadingView.h"
#include "gui/ui/LoadMoreItemView.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/LoadingTexts.h"
#include "gui/ui/SendingTorrentIndicator.h"
#include "gui/ui/TorrentItemTableViewCell.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kUnknownCategoryImage = u"cat_unknown.png";
constexpr QStringView kAnonymousName = u"Anonymous";
constexpr QStringView kEmptyListText = u"No torrents to show. Refresh to try again.";
constexpr QSize kDownloadButtonSize{25, 25};
} // namespace

AllListViewController::AllListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : ViewController(parent), m_settings(std::move(settings))
{
    m_cachedImages.reserve(30);
    setTitle(kTitle.toString());
    setTabBarItem({kTitle.toString(), kTabImage.toString(), 0});
}

AllListViewController::~AllListViewController() = default;

void AllListViewController::loadView()
{
    auto* screen = new QWidget;
    screen->setObjectName(u"listing"_s);
    screen->setAttribute(Qt::WA_StyledBackground);
    screen->setStyleSheet(u"QWidget#listing { background: #333333; }"_s);
    screen->resize(Device::screenSize());

    // The table first, then the banner, then the header over the table's top.
    m_tableView = new TableView(*this, screen);
    m_tableView->setObjectName(u"torrents"_s);
    // The list is named after its screen ("All Torrents", "Favorite Torrents", ...).
    m_tableView->setAccessibleName(title());
    m_tableView->setBackgroundColor(QColor::fromRgbF(0.2f, 0.2f, 0.2f));

    // No advertising library here: the slot shows its background when a unit is configured and takes no room
    // otherwise.
    m_banner = new QWidget(screen);
    m_banner->setObjectName(u"banner"_s);
    m_banner->installEventFilter(this);
    m_banner->setVisible(!AppConfig::current().advertisingUnit.isEmpty());

    // Why a refresh failed, above the rows it kept.
    m_problemLine = new QLabel(screen);
    m_problemLine->setObjectName(u"problemLine"_s);
    m_problemLine->setWordWrap(true);
    m_problemLine->setFont(systemFont(13));
    m_problemLine->setContentsMargins(12, 6, 12, 6);
    m_problemLine->setStyleSheet(u"QLabel#problemLine { color: white; background: #7a3b2e; }"_s);
    m_problemLine->hide();

    // The table's headings at tablet widths, between the header's band and the rows.
    m_headingView = new ListingHeadingView(screen);
    m_headingView->setAccessoryRoom(kDownloadButtonSize.width() + 2 * TableViewCell::kAccessoryMargin);
    m_headingView->setOrderable(orderableKind().has_value());
    connect(m_headingView, &ListingHeadingView::orderClicked, this, &AllListViewController::headingClicked);
    m_headingView->hide();

    m_headerView = new HeaderView(screen);
    m_headerView->setParentDelegate(this);
    m_headerView->setShowsSettings(true);
    // The band's shadow falls on rows passing under it, never on the first row of a list at its top.
    m_headerView->setShadowShown(false);
    QScrollBar* scrolled = m_tableView->verticalScrollBar();
    connect(scrolled, &QScrollBar::valueChanged, m_headerView,
            [header = m_headerView](int value) { header->setShadowShown(value > 0); });
    screen->installEventFilter(this);
    setView(screen);
}

void AllListViewController::viewDidLoad()
{
    layoutScreen();
}

bool AllListViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layoutScreen();
    if (watched == m_banner && event->type() == QEvent::Paint) {
        QPainter painter(m_banner);
        const QString name = Device::isTablet() ? u"titleBackIPad.png"_s : u"titleBack.png"_s;
        painter.drawTiledPixmap(m_banner->rect(), imageNamed(name));
        return true;
    }
    return ViewController::eventFilter(watched, event);
}

int AllListViewController::bannerHeight() const
{
    if (!m_banner || !m_banner->isVisibleTo(m_banner->parentWidget()))
        return 0;
    return Device::isTablet() ? kTabletBannerHeight : kPhoneBannerSize.height();
}

void AllListViewController::layoutScreen()
{
    QWidget* screen = view();
    const int width = screen->width();
    const int bannerHeight = this->bannerHeight();
    if (bannerHeight > 0)
        m_banner->setGeometry(0, 0, width, bannerHeight);
    // The header lies over the table's top 36 points; only its top band takes touches.
    const int tableTop = bannerHeight + 34;
    m_tableView->setGeometry(0, tableTop, width, qMax(0, screen->height() - tableTop));
    // The first row starts right under the header's band (and the headings, at tablet widths), and below the line
    // that says why a refresh failed; rows scrolled up pass under the band's shadow.
    int below = HeaderView::kBandHeight;
    m_headingView->setVisible(Device::isTablet());
    if (Device::isTablet()) {
        m_headingView->setGeometry(0, bannerHeight + below, width, ListingHeadingView::kHeight);
        below += ListingHeadingView::kHeight;
    }
    if (m_problemLine->isVisibleTo(screen)) {
        const int lineHeight = m_problemLine->heightForWidth(width);
        m_problemLine->setGeometry(0, bannerHeight + below, width, lineHeight);
        below += lineHeight;
    }
    const int rowsTop = below;
    const int inset = rowsTop - 34;
    if (m_tableView->topInset() != inset) {
        m_tableView->setTopInset(inset);
    }
    m_headerView->setGeometry(0, bannerHeight, width, kHeaderHeight);
    m_headerView->raise();
    // Over the header's shadow, which would dim them; the header's band stays above them.
    m_headingView->raise();
    m_problemLine->raise();
}

void AllListViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    reloadHeaderView();
    if (NavigationController* stack = navigationController(); stack && stack->rootViewController() == this)
        stack->setNavigationBarHidden(true);
    if (!m_torrentData) {
        (void)settingsChangedSinceLoad();
        m_currentPage = 1;
        fetchPage(1);
    } else if (settingsChangedSinceLoad()) {
        refreshIfIdle();
    }
}

QString AllListViewController::loadedWith() const
{
    const std::optional<ListingKind> kind = orderableKind();
    if (!kind) {
        return QString();
    }
    const ListingSettings choices = ListingSettings::read(*m_settings, *kind);
    return choices.category + u'\n' + choices.orderBy + u'\n' + choices.sortBy;
}

bool AllListViewController::settingsChangedSinceLoad()
{
    const QString now = loadedWith();
    const bool changed = now != m_loadedWith || m_stale;
    m_loadedWith = now;
    m_stale = false;
    return changed;
}

void AllListViewController::viewDidAppear(bool animated)
{
    ViewController::viewDidAppear(animated);
    // Back from a torrent's page: the row it came from is the current one again, with the keys on it, so that Down
    // and Return carry on from there.
    if (m_openedRow >= 0 && m_tableView && m_openedRow < m_tableView->numberOfRows()) {
        m_tableView->setCurrentRow(m_openedRow);
        m_tableView->setFocus(Qt::OtherFocusReason);
    }
    m_openedRow = -1;
}

void AllListViewController::updateHeadings()
{
    if (!m_headingView) {
        return;
    }
    const std::optional<ListingKind> kind = orderableKind();
    const ListingSettings settings = ListingSettings::read(*m_settings, kind.value_or(ListingKind::Newest));
    m_headingView->setOrder(settings.orderBy, settings.sortBy);
}

void AllListViewController::headingClicked(const QString& orderBy)
{
    const std::optional<ListingKind> kind = orderableKind();
    if (!kind || isLoadingPages() || m_operationQueue.operationCount() > 0) {
        return;
    }
    const ListingSettings next = ListingSettings::read(*m_settings, *kind).withHeadingClicked(orderBy);
    if (!next.storeOrder(*m_settings, *kind)) {
        return;
    }
    updateHeadings();
    didRefresh();
}

void AllListViewController::reloadHeaderView()
{
    updateHeadings();
    (void)view();
    const UserInfo& user = UserInfo::sharedInstance();
    m_headerView->setRatio(user.ratio().value_or(QString()));
    m_headerView->setUsername(user.username().value_or(QString()));
    m_headerView->setDownloaded(user.downloaded().value_or(QString()));
    m_headerView->setUploaded(user.uploaded().value_or(QString()));
}

void AllListViewController::fetchPage(int page)
{
    const ListingSettings choices = ListingSettings::read(*m_settings, ListingKind::Newest);
    m_myCategories = choices.category;
    m_lastAddress = newestListingAddress(choices, page, AppConfig::current().siteHost);

    showLoadingOverlay(kLoadingText.toString());
    m_tableView->setAllowsSelection(false);
    disableTabs(true);

    m_operationQueue.addOperation(std::make_shared<FetchPageAllTorrents>(QUrl(m_lastAddress), this, listingSelector()));
}

void AllListViewController::showLoadingOverlay(const QString& text)
{
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    loading.setParentView(Device::mainWindow() ? Device::mainWindow() : view());
    loading.setString(text);
    loading.setOffset(0);
    loading.setCancelAction([screen = QPointer<AllListViewController>(this)] {
        if (screen) {
            screen->cancelLoading();
        }
    });
    loading.showLoadingIndicators();
}

FetchPage::Selector AllListViewController::listingSelector()
{
    return FetchPageAllTorrents::selectorFor([this, generation = m_fetchGeneration](std::optional<ListingPage> page) {
        if (generation != m_fetchGeneration) {
            return;
        }
        loadedPage(std::move(page));
    });
}

void AllListViewController::cancelLoading()
{
    ++m_fetchGeneration;
    if (m_refreshed) {
        m_refreshed = false;
    } else if (m_torrentData && !m_torrentData->isEmpty()) {
        // A next page: the load-more row asks for it again.
        m_currentPage = qMax(1, m_currentPage - 1);
    }
    if (!m_torrentData) {
        // The first page: an empty list that says so, which a refresh fills.
        m_noMoreTorrents = true;
        m_pageProblem = kCancelledText.toString();
        appendPage({});
    }
    endLoading();
    m_tableView->reloadData();
}

QString AllListViewController::problemOf(const std::optional<ListingPage>& page)
{
    // A page that never came back to its receiver is said as one the site did not answer.
    return page ? page->problemText() : ListingPage{{}, 0, ListingProblem::NoAnswer, {}}.problemText();
}

QString AllListViewController::sentence(const QString& text)
{
    if (text.isEmpty()) {
        return text;
    }
    return text.first(1).toUpper() + text.sliced(1) + u'.';
}

void AllListViewController::loadedPage(std::optional<ListingPage> page)
{
    const bool failed = !page || page->failed();
    if (page && page->browserCheck) {
        Q_EMIT browserCheckMet();
    }
    const QString problem = problemOf(page);
    if (failed && m_torrentData && !m_torrentData->isEmpty()) {
        // Rows are on screen: they stay, and the failure is said where it happened.
        if (m_refreshed) {
            m_refreshed = false;
            showProblem(kRefreshFailedText.toString().arg(problem));
            announce(problemText());
        } else {
            m_loadMoreProblem = sentence(problem);
            m_currentPage = qMax(1, m_currentPage - 1);
            announce(m_loadMoreProblem);
        }
        endLoading();
        m_tableView->reloadData();
        return;
    }
    showProblem({});
    m_loadMoreProblem.clear();
    m_pageProblem = failed ? sentence(problem) : QString();
    announce(m_pageProblem);
    loadedTorrents(failed ? std::nullopt : std::optional<QList<Torrent>>(std::move(page->torrents)));
}

QString AllListViewController::problemText() const
{
    return m_problemLine && !m_problemLine->isHidden() ? m_problemLine->text() : QString();
}

void AllListViewController::showProblem(const QString& text)
{
    if (!m_problemLine || (text.isEmpty() && m_problemLine->isHidden())) {
        return;
    }
    m_problemLine->setText(text);
    m_problemLine->setVisible(!text.isEmpty());
    layoutScreen();
}

void AllListViewController::endLoading()
{
    if (m_tableView) {
        m_tableView->setScrollEnabled(true);
        m_tableView->setAllowsSelection(true);
    }
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
    disableTabs(false);
    if (m_headerView) {
        m_headerView->refreshBtn()->setEnabled(true);
    }
}

void AllListViewController::loadedTorrents(std::optional<QList<Torrent>> torrents)
{
    if (m_refreshed) {
        m_tableView->setScrollEnabled(true);
        if (m_torrentData)
            m_torrentData->clear();
        m_refreshed = false;
    }
    m_noMoreTorrents = !torrents || torrents->isEmpty();
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
    disableTabs(false);
    m_tableView->setAllowsSelection(true);
    m_headerView->refreshBtn()->setEnabled(true);

    QList<Torrent> page = torrents.value_or(QList<Torrent>());
    filterData(page);
    appendPage(std::move(page));
}

void AllListViewController::appendPage(QList<Torrent> page)
{
    if (!m_torrentData)
        m_torrentData = std::move(page);
    else
        m_torrentData->append(page);
    // That the list is empty on purpose and how to try again, and why the page gave no rows when it failed.
    QString emptyText;
    if (m_torrentData->isEmpty()) {
        emptyText = kEmptyListText.toString();
        if (!m_pageProblem.isEmpty()) {
            emptyText += u'\n' + m_pageProblem;
        }
    }
    m_tableView->setEmptyText(emptyText);
    m_tableView->reloadData();
}

void AllListViewController::filterData(QList<Torrent>& torrents)
{
    if (!torrents.isEmpty())
        m_lastDate = torrents.last().date.value_or(QString());
    if (torrents.isEmpty())
        m_noMoreTorrents = true;
    if (m_filters.isEmpty() && !filtersAlways())
        return;
    // A filter that cannot be used is skipped (and reported once) by the set, so one bad text costs no page.
    torrents = m_filters.filterTorrents(torrents);
}

int AllListViewController::numberOfRows() const
{
    if (!m_torrentData)
        return 0;
    return int(m_torrentData->size()) + (m_noMoreTorrents ? 0 : 1);
}

int AllListViewController::heightForRow(int) const
{
    return kRowHeight;
}

TableViewCell* AllListViewController::cellForRow(int row)
{
    if (m_torrentData && row == m_torrentData->size() && !m_noMoreTorrents) {
        TableViewCell* cell = m_tableView->dequeueReusableCell(kLoadMoreCellIdentifier.toString());
        if (!cell) {
            cell = new TableViewCell(kLoadMoreCellIdentifier.toString());
            cell->setContentView(new LoadMoreItemView);
        }
        auto* more = static_cast<LoadMoreItemView*>(cell->contentView());
        more->setPageText(m_lastDate);
        more->setProblem(m_loadMoreProblem);
        // A second tap while pages are still queued would ask for the same page twice.
        cell->setTakesTouches(!isLoadingPages());
        return cell;
    }

    auto* cell =
        static_cast<TorrentItemTableViewCell*>(m_tableView->dequeueReusableCell(kTorrentCellIdentifier.toString()));
    if (!cell) {
        cell = new TorrentItemTableViewCell(kTorrentCellIdentifier.toString());
        auto* button = new QPushButton;
        button->setObjectName(u"downloadButton"_s);
        button->setFixedSize(kDownloadButtonSize);
        button->setIcon(QIcon(imageNamed(u"download.png", kDownloadButtonSize)));
        button->setIconSize(kDownloadButtonSize);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        // Out of the Tab chain: the list's keys send the current row (Ctrl+D), so Tab goes from the tab bar to the
        // header to the list instead of through every row.
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(u"Send to your BitTorrent client"_s);
        button->setStyleSheet(u"QPushButton { border: none; background: transparent; }"
                              u"QPushButton:pressed { padding-top: 1px; }"_s);
        // On touch-down, as the row's tag says which torrent: the row is filled anew whenever it is reused.
        connect(button, &QPushButton::pressed, this,
                [this, button] { didTapDownloadButton(button->property("row").toInt()); });
        cell->setAccessoryView(button);
    }
    const Torrent& torrent = m_torrentData->at(row);
    cell->setUpImg(imageNamed(u"up.jpg"));
    cell->setDownImg(imageNamed(u"down.jpg"));
    cell->setNameLbl(torrent.name);
    cell->setDateLbl(torrent.date);
    cell->setUpLbl(torrent.up);
    cell->setDownLbl(torrent.down);
    cell->setSizeLbl(torrent.size);
    cell->setTypeImg(cachedImageForTorrent(torrent.type.value_or(QString())));
    const QString category = torrent.type.value_or(QString());
    cell->setCategoryName(category.contains(u"://") ? QString() : CategoryTree::spokenName(category));
    cell->setDownloadedImg(torrent.isDownloaded ? imageNamed(u"downloaded.png") : QPixmap());
    cell->accessoryView()->setProperty("row", row);
    cell->accessoryView()->setAccessibleName(u"Send %1 to the client"_s.arg(torrent.name.value_or(QString())));
    cell->setNeedsDisplay();
    return cell;
}

void AllListViewController::didSelectRow(int row)
{
    if (!m_torrentData)
        return;
    if (row == m_torrentData->size()) {
        if (!m_noMoreTorrents && !isLoadingPages()) {
            ++m_currentPage;
            fetchPage(m_currentPage);
        }
    } else if (row >= 0 && row < m_torrentData->size()) {
        const Torrent& torrent = m_torrentData->at(row);
        const QUrl address(detailsAddress(torrent.detailsUrl.value_or(QString()), AppConfig::current().siteHost));
        m_openedRow = row;
        WebPages* pages = WebPages::load();
        pushScreen(pages ? pages->newTorrentPage(address, row, this) : pageProblem(torrent.name.value_or(QString())));
    }
    m_tableView->deselectRow(row, true);
}

void AllListViewController::pushScreen(ViewController* screen)
{
    NavigationController* stack = navigationController();
    if (!stack) {
        delete screen;
        return;
    }
    // The listing hides the bar; the pushed screen needs it for its title and the way back.
    stack->setNavigationBarHidden(false);
    stack->pushViewController(screen, true);
}

void AllListViewController::didRefresh()
{
    m_tableView->scrollToTop();
    m_tableView->setScrollEnabled(false);
    (void)settingsChangedSinceLoad();
    m_refreshed = true;
    m_currentPage = 1;
    m_headerView->refreshBtn()->setEnabled(false);
    fetchPage(1);
}

void AllListViewController::refreshIfIdle()
{
    if (m_headerView && m_headerView->refreshBtn()->isEnabled() && m_operationQueue.operationCount() == 0 &&
        !isLoadingPages())
        didRefresh();
}

bool AllListViewController::isLoadingPages() const
{
    // A send may be queued behind a page; two operations or more means a page is among them.
    return m_operationQueue.operationCount() >= 2;
}

void AllListViewController::didSettings()
{
    pushScreen(&DisplaySettingsViewController::sharedInstance());
}

void AllListViewController::didSelectProfile(std::optional<QString> name)
{
    const QString user = name ? *name : UserInfo::sharedInstance().username().value_or(QString());
    if (user == kAnonymousName || user.isEmpty())
        return;
    WebPages* pages = WebPages::load();
    if (!pages) {
        pushScreen(pageProblem(user));
        return;
    }
    // Locked until the page has loaded, when the page gives the rows and tabs back (webPageDidLoad).
    showLoadingOverlay(kLoadingText.toString());
    m_tableView->setAllowsSelection(false);
    disableTabs(true);
    pushScreen(pages->newProfilePage(QUrl(profileAddress(user, AppConfig::current().siteHost)), this));
}

void AllListViewController::webPageDidLoad()
{
    m_tableView->setAllowsSelection(true);
    disableTabs(false);
}

ViewController* AllListViewController::pageProblem(const QString& title)
{
    return new WebPageHostViewController(title, tabBarItem(), nullptr);
}

QString AllListViewController::sendAddressOf(const Torrent& torrent)
{
    if (!torrent.downloadUrl)
        return {};
    return sendAddress(*torrent.downloadUrl, AppConfig::current().siteHost);
}

void AllListViewController::showSendingOverlay()
{
    SendingTorrentIndicator& sending = SendingTorrentIndicator::sharedInstance();
    sending.setParentView(Device::mainWindow() ? Device::mainWindow() : view());
    sending.setString(SendingTorrentIndicator::sendingText(m_sendingTorrentCount));
    sending.setOffset(kSendingOverlayOffset);
    sending.showLoadingIndicators();
}

bool AllListViewController::canSendRow(int row) const
{
    return m_torrentData && row >= 0 && row < m_torrentData->size();
}

QVariant AllListViewController::rowKey(int row) const
{
    if (!canSendRow(row)) {
        return {};
    }
    const Torrent& torrent = m_torrentData->at(row);
    return torrent.detailsUrl.value_or(u"\n"_s + torrent.name.value_or(QString()));
}

void AllListViewController::sendRow(int row)
{
    didTapDownloadButton(row);
}

void AllListViewController::didTapDownloadButton(int row)
{
    if (!m_torrentData || row < 0 || row >= m_torrentData->size())
        return;
    ++m_sendingTorrentCount;
    showSendingOverlay();
    const Torrent& torrent = m_torrentData->at(row);
    const QString address = sendAddressOf(torrent);
    m_operationQueue.addOperation(std::make_shared<FetchPageDownload>(
        address.isEmpty() ? QUrl() : QUrl(address), torrent.name.value_or(QString()), this,
        FetchPageDownload::selectorFor([this](std::optional<QString> name) { downloadedFinished(name); })));
    m_tableView->setAllowsSelection(true);
    disableTabs(true);
}

void AllListViewController::downloadedFinished(const std::optional<QString>& name)
{
    m_tableView->setAllowsSelection(true);
    disableTabs(false);
    --m_sendingTorrentCount;
    showSendingOverlay();
    if (m_sendingTorrentCount < 1)
        SendingTorrentIndicator::sharedInstance().hideLoadingIndicators();
    if (name) {
        announce(kSentAnnouncement.toString().arg(*name));
    }
    if (name && m_torrentData) {
        for (Torrent& torrent : *m_torrentData) {
            if (torrent.name == *name)
                torrent.isDownloaded = true;
        }
    }
    m_tableView->reloadData();
}

QPixmap AllListViewController::cachedImageForTorrent(const QString& key)
{
    if (const auto found = m_cachedImages.constFind(key); found != m_cachedImages.cend())
        return *found;
    if (!key.contains(u"http://"_s)) {
        // A category without a picture of its own shows its group's (games, music, ...) before the unknown one.
        QString name = key;
        if (!hasImageNamed(name)) {
            name = CategoryTree::groupValue(key).value_or(QStringView()).toString();
        }
        if (!name.isEmpty() && hasImageNamed(name)) {
            const QPixmap picture = imageNamed(name, QSize(33, 33));
            m_cachedImages.insert(key, picture);
            return picture;
        }
        const QString unknown = kUnknownCategoryImage.toString();
        if (const auto found = m_cachedImages.constFind(unknown); found != m_cachedImages.cend())
            return *found;
        const QPixmap picture = imageNamed(unknown, QSize(33, 33));
        m_cachedImages.insert(unknown, picture);
        return picture;
    }
    m_imageOperationQueue.addOperation(std::make_shared<ImageLoader>(
        QUrl(key), this, [this](const QString& address, const QImage& image) { imageReady(address, image); }));
    const QPixmap empty;
    m_cachedImages.insert(key, empty);
    return empty;
}

void AllListViewController::imageReady(const QString& key, const QImage& image)
{
    m_cachedImages.insert(key, QPixmap::fromImage(scaleToSize(image, kCachedImageSize)));
    if (m_tableView)
        m_tableView->reloadData();
}

void AllListViewController::disableTabs(bool disable)
{
    if (TabBarController* tabs = tabBarController())
        tabs->setTabsEnabled(!disable);
}

} // namespace marrowfin
