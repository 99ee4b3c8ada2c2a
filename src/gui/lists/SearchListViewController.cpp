#include "SearchListViewController.h"

#include "core/config/AppConfig.h"
#include "core/display/ListingAddresses.h"
#include "core/display/ListingSettings.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "gui/display/SearchDisplaySettingsViewController.h"
#include "gui/platform/Accessibility.h"
#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TableView.h"
#include "gui/ui/HeaderView.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/ListingHeadingView.h"
#include "gui/ui/LoadingTexts.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kPlaceholder = u"Search the site";
}

SearchListViewController::SearchListViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : AllListViewController(std::move(settings), parent)
{
    setTitle(kTitle.toString());
    setTabBarItem({kTitle.toString(), kTabImage.toString(), 0});
}

SearchListViewController::~SearchListViewController()
{
    qApp->removeEventFilter(this);
}

void SearchListViewController::loadView()
{
    AllListViewController::loadView();
    headerView()->setShowsSettings(false);
    headerView()->setShowsSearch(true);

    m_mySearchBar = new QLineEdit(view());
    m_mySearchBar->setObjectName(u"searchBar"_s);
    m_mySearchBar->setPlaceholderText(kPlaceholder.toString());
    m_mySearchBar->setClearButtonEnabled(true);
    m_mySearchBar->setFont(systemFont(15));
    m_mySearchBar->setAccessibleName(u"Search"_s);
    // The field's own clear button has no words of its own.
    for (QToolButton* clear : m_mySearchBar->findChildren<QToolButton*>()) {
        clear->setAccessibleName(u"Clear search"_s);
    }
    // Black translucent bar style: a dark strip with a light rounded field in it. The query is sent as typed: no
    // correction, no capitals.
    m_mySearchBar->setInputMethodHints(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    m_mySearchBar->setStyleSheet(
        u"QLineEdit { background: #f2f2f2; color: #1a1a1a; border: 7px solid rgba(20, 20, 20, 235);"
        u" border-radius: 14px; padding: 0 8px; selection-background-color: #3d7bd9; }"_s);
    connect(m_mySearchBar, &QLineEdit::returnPressed, this, &SearchListViewController::searchBarSearchButtonClicked);
    m_mySearchBar->installEventFilter(this);
}

void SearchListViewController::layoutScreen()
{
    AllListViewController::layoutScreen();
    QWidget* screen = view();
    const int top = bannerHeight() + 34;
    m_mySearchBar->setGeometry(0, top, screen->width(), kSearchBarHeight);
    m_mySearchBar->raise();
    // The list starts below the bar (and the headings, at tablet widths), so nothing lies over its first row.
    int tableTop = top + kSearchBarHeight;
    if (Device::isTablet()) {
        headingView()->setGeometry(0, tableTop, screen->width(), ListingHeadingView::kHeight);
        headingView()->raise();
        tableTop += ListingHeadingView::kHeight;
    }
    tableView()->setGeometry(0, tableTop, screen->width(), qMax(0, screen->height() - tableTop));
    if (tableView()->topInset() != 0)
        tableView()->setTopInset(0);
}

void SearchListViewController::viewWillAppear(bool animated)
{
    // Not the listing's: nothing is fetched on showing, and the page count stays where it is, so the load-more row
    // asks for the page after the last one shown.
    ViewController::viewWillAppear(animated);
    reloadHeaderView();
    if (NavigationController* stack = navigationController(); stack && stack->rootViewController() == this)
        stack->setNavigationBarHidden(true);
    // New search settings ask the site again, from the first page.
    if (settingsChangedSinceLoad()) {
        didRefresh();
    }
}

void SearchListViewController::emptyList()
{
    m_torrentData = QList<Torrent>();
    m_currentPage = 1;
    m_noMoreTorrents = true;
    tableView()->setEmptyText(QString());
    tableView()->reloadData();
}

void SearchListViewController::searchBarSearchButtonClicked()
{
    const QString typed = m_mySearchBar->text();
    // An empty query would ask the site for every torrent under a search address it does not serve.
    if (typed.trimmed().isEmpty())
        return;
    if (isLoadingPages() || operationQueue().operationCount() > 0)
        return;
    emptyList();
    showProblem({});
    (void)settingsChangedSinceLoad();
    m_searchString = escapeSearchQuery(typed);
    // The keys go to the results, where a screen reader hears how many there are.
    tableView()->setFocus(Qt::OtherFocusReason);
    fetchPage(1);
}

void SearchListViewController::fetchPage(int page)
{
    if (m_searchString.isEmpty())
        return;
    const ListingSettings choices = ListingSettings::read(*m_settings, ListingKind::Search);
    m_myCategories = choices.category;
    m_lastAddress = searchAddress(m_searchString, choices, page, AppConfig::current().siteHost);

    showLoadingOverlay(kLoadingText.toString());
    tableView()->setAllowsSelection(false);
    disableTabs(true);
    operationQueue().addOperation(std::make_shared<FetchPageAllTorrents>(QUrl(m_lastAddress), this, listingSelector()));
}

void SearchListViewController::loadedTorrents(std::optional<QList<Torrent>> torrents)
{
    // A search's first page says how many it found; a failure says itself where it is shown.
    const bool first = m_currentPage == 1 && torrents.has_value();
    AllListViewController::loadedTorrents(std::move(torrents));
    if (first && torrentData()) {
        const qsizetype count = torrentData()->size();
        announce(count == 0   ? u"No torrents found"_s
                 : count == 1 ? u"1 torrent found"_s
                              : u"%1 torrents found"_s.arg(count));
    }
}

void SearchListViewController::didRefresh()
{
    // Before the first search there is nothing to ask again; the rows stay until the answer is in, and stay under
    // the line that says why when it fails.
    if (m_searchString.isEmpty() || operationQueue().operationCount() > 0) {
        return;
    }
    AllListViewController::didRefresh();
}

void SearchListViewController::didSearch()
{
    pushScreen(&SearchDisplaySettingsViewController::sharedInstance());
}

void SearchListViewController::focusSearchBar()
{
    (void)view();
    m_mySearchBar->setFocus(Qt::ShortcutFocusReason);
    m_mySearchBar->selectAll();
}

bool SearchListViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mySearchBar) {
        // While the bar has the keyboard, a press anywhere else on the screen takes it away.
        if (event->type() == QEvent::FocusIn)
            qApp->installEventFilter(this);
        else if (event->type() == QEvent::FocusOut)
            qApp->removeEventFilter(this);
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && m_mySearchBar && m_mySearchBar->hasFocus()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget != m_mySearchBar && !m_mySearchBar->isAncestorOf(widget) && isViewLoaded() &&
            view()->isAncestorOf(widget))
            m_mySearchBar->clearFocus();
        return false;
    }
    return AllListViewController::eventFilter(watched, event);
}

} // namespace marrowfin
