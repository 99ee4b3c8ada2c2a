#include "SwitchViewController.h"

#include "BackgroundWatch.h"
#include "HealthCheckViewController.h"
#include "LogoutViewController.h"
#include "SiteDoors.h"
#include "WindowSignInChecker.h"

#include "core/config/AppConfig.h"
#include "core/login/SessionController.h"
#include "core/login/SessionRecovery.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/display/FavoriteDisplaySettingsViewController.h"
#include "gui/lists/AllListViewController.h"
#include "gui/lists/FavoriteListViewController.h"
#include "gui/lists/HistoryListViewController.h"
#include "gui/lists/SearchListViewController.h"
#include "gui/login/LoginViewController.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TableView.h"
#include "gui/platform/WebPageHostViewController.h"
#include "gui/platform/WebPages.h"
#include "gui/remote/ServerSettingsViewController.h"
#include "gui/ui/LoadingIndicator.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QUrl>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

SwitchViewController::SwitchViewController(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : ViewController(parent), m_settings(std::move(settings)), m_session(std::make_shared<SessionController>(*this)),
      m_watchFirstDelay(BackgroundWatch::kFirstRoundDelay)
{
    m_doors = std::make_unique<SiteDoors>(*this, m_settings, [this](SiteDoor door) {
        if (door == SiteDoor::SignIn && !showLogin()) {
            // Signed in on the site's own page: the tabs open as after any sign-in.
            switchViews();
        } else if (door == SiteDoor::BrowserCheck) {
            refreshCurrentScreen();
        }
    });
}

SwitchViewController::~SwitchViewController()
{
    // Requests still waiting for a sign-in end now, so the screens' queues drain; and no request reaches this
    // controller's session once it is gone.
    m_session->close();
    SessionGuard::install(nullptr);
    HttpRequest::installWaitListener(nullptr);
    m_session->setLoginController(nullptr);
    delete m_tabBarController;
    delete m_loginViewController.data();
}

void SwitchViewController::loadView()
{
    auto* root = new QWidget;
    root->setObjectName(u"root"_s);
    root->setAttribute(Qt::WA_StyledBackground);
    root->setStyleSheet(u"QWidget#root { background: black; }"_s);
    root->installEventFilter(this);
    setView(root);
}

bool SwitchViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::Resize && m_face)
        m_face->view()->setGeometry(view()->rect());
    return ViewController::eventFilter(watched, event);
}

void SwitchViewController::start()
{
    (void)view();
    SessionGuard::install(std::make_shared<SessionRecovery>(m_session));
    // A wait the site asks for shows on the overlay of the load it holds up.
    HttpRequest::installWaitListener([this](const QUrl&, int seconds) {
        QMetaObject::invokeMethod(
            this, [seconds] { LoadingIndicator::sharedInstanceAsIs().showSiteWait(seconds); }, Qt::QueuedConnection);
    });
    m_session->start();
}

bool SwitchViewController::showLogin() const
{
    return m_session->showLogin();
}

bool SwitchViewController::sessionValidated() const
{
    return m_session->sessionValidated();
}

void SwitchViewController::switchViews()
{
    m_session->switchViews();
}

void SwitchViewController::logout()
{
    m_session->logout();
}

void SwitchViewController::showFace(ViewController* face)
{
    ViewController* previous = m_face;
    if (previous == face)
        return;
    if (previous)
        previous->viewWillDisappear(false);
    face->viewWillAppear(false);
    QWidget* widget = face->view();
    widget->setParent(view());
    widget->setGeometry(view()->rect());
    widget->show();
    widget->raise();
    if (previous && previous->isViewLoaded())
        previous->view()->hide();
    m_face = face;
    if (previous)
        previous->viewDidDisappear(false);
    face->viewDidAppear(false);
}

void SwitchViewController::loadLoginView()
{
    // A fresh screen each time, which reads the stored credentials again.
    LoginViewController* old = m_loginViewController;
    m_loginViewController = new LoginViewController(*this, m_settings, this);
    m_loginViewController->setParentViewController(this);
    m_session->setLoginController(m_loginViewController->controller());
    if (old) {
        if (m_face == old)
            m_face = nullptr;
        old->view()->hide();
        old->deleteLater();
    }
}

void SwitchViewController::showLoginFace()
{
    // Whatever led here (the Logout tab, a failed sign-in again) deleted the site's cookies: the pages lose them too.
    if (WebPages* pages = WebPages::loaded())
        pages->syncCookies();
    // Signed out: nothing more is watched for this session (after the send under way).
    if (m_watch) {
        m_watch.reset();
        showNewMatches(0);
        FavoriteDisplaySettingsViewController::sharedInstance().showWatchStatus(QString());
    }
    loadLoginView();
    showFace(m_loginViewController);
    m_loginViewController->focusFirstField();
}

void SwitchViewController::showMainFace()
{
    const bool first = m_tabBarController == nullptr;
    if (first) {
        buildTabs();
    } else {
        // Signed in again: the rows (and any line saying why a load failed) belong to the session that ended.
        for (AllListViewController* list : {m_allList, static_cast<AllListViewController*>(m_favoriteList),
                                            static_cast<AllListViewController*>(m_searchList)}) {
            list->reloadWhenShown();
        }
    }
    showFace(m_tabBarController);
    if (!m_watch) {
        startWatch();
    }
    // The keyboard starts on the newest torrents, where a screen reader says which list it is.
    if (TableView* list = first ? m_allList->tableView() : nullptr) {
        list->setFocus(Qt::OtherFocusReason);
    }
    if (m_loginViewController) {
        LoginViewController* login = m_loginViewController;
        login->view()->hide();
    }
}

void SwitchViewController::buildTabs()
{
    const AppConfig config = AppConfig::current();
    auto stack = [](ViewController* screen) {
        auto* navigation = new NavigationController(screen);
        navigation->setTabBarItem(screen->tabBarItem());
        return navigation;
    };
    // The web page tabs are made when first shown, so the web engine starts only then.
    auto page = [](const QString& title, const QString& image, WebPageHostViewController::Maker maker) {
        return new WebPageHostViewController(title, TabBarItem{title, image, 0}, std::move(maker));
    };

    m_allList = new AllListViewController(m_settings);
    QList<ViewController*> tabs;
    tabs.append(stack(m_allList));
    m_favoriteList = new FavoriteListViewController(m_settings);
    // A filter being typed is tried on the newest torrents listed as well.
    m_favoriteList->setPreviewSource(
        [list = m_allList] { return list->torrentData() ? *list->torrentData() : QList<Torrent>(); });
    tabs.append(stack(m_favoriteList));
    m_searchList = new SearchListViewController(m_settings);
    tabs.append(stack(m_searchList));
    m_historyList = new HistoryListViewController(m_settings);
    tabs.append(m_historyList);
    for (AllListViewController* listing : {m_allList, static_cast<AllListViewController*>(m_favoriteList),
                                           static_cast<AllListViewController*>(m_searchList)}) {
        connect(listing, &AllListViewController::browserCheckMet, m_doors.get(), &SiteDoors::offerBrowserCheck);
    }
    AllListViewController* list = m_allList;
    tabs.append(stack(
        page(u"Remote UI"_s, u"tabbar-remote.png"_s, [list](WebPages& pages) { return pages.newClientPage(list); })));
    tabs.append(stack(new ServerSettingsViewController));
    tabs.append(
        stack(page(u"Forum"_s, u"tabbar-forum.png"_s, [list](WebPages& pages) { return pages.newForumPage(list); })));
    tabs.append(
        stack(page(config.siteHost, u"tabbar-web.png"_s, [list](WebPages& pages) { return pages.newSitePage(list); })));
    tabs.append(stack(new LogoutViewController(*this)));
    tabs.append(stack(new HealthCheckViewController(m_settings, m_session, config, HttpContext::defaultContext())));

    m_tabBarController = new TabBarController(this);
    m_tabBarController->setParentViewController(this);
    m_tabBarController->setViewControllers(tabs);
    m_tabBarController->setDelegate(this);
    // The remembered tab applies to the first build only: after a logout the user finds the tabs as they were.
    if (const std::optional<qint64> stored = m_settings->number(SettingsKeys::tab); stored)
        m_tabBarController->setSelectedIndex(int(*stored));
    (void)m_tabBarController->view();
}

void SwitchViewController::startWatch()
{
    const AppConfig config = AppConfig::current();
    const std::shared_ptr<HttpContext> http = HttpContext::defaultContext();
    WatchRunner::Services services{
        m_settings, QFileInfo(m_settings->filePath()).absolutePath(), config, http,
        [settings = m_settings, session = m_session, config, http]() -> std::unique_ptr<SignInChecker> {
            return std::make_unique<WindowSignInChecker>(settings, session, config, http);
        }};
    m_watch = std::make_unique<BackgroundWatch>(std::move(services), m_watchFirstDelay);
    connect(m_watch.get(), &BackgroundWatch::newMatchesChanged, this, &SwitchViewController::showNewMatches);
    // The settings screen shows how the last round went, and its changes count at once.
    FavoriteDisplaySettingsViewController& settings = FavoriteDisplaySettingsViewController::sharedInstance();
    connect(m_watch.get(), &BackgroundWatch::statusChanged, &settings,
            &FavoriteDisplaySettingsViewController::showWatchStatus);
    connect(&settings, &FavoriteDisplaySettingsViewController::watchSettingsChanged, m_watch.get(),
            [watch = m_watch.get()] { watch->runner().apply(); });
    connect(m_watch.get(), &BackgroundWatch::quitRequested, this, [this] {
        view()->window()->close();
        QCoreApplication::quit();
    });
    connect(m_watch.get(), &BackgroundWatch::openRequested, this, [this] {
        QWidget* window = view()->window();
        window->showNormal();
        window->raise();
        window->activateWindow();
    });
}

bool SwitchViewController::keepWindowOnClose()
{
    if (!m_watch) {
        return false;
    }
    QWidget* window = view()->window();
    switch (m_watch->closing([window] { window->close(); })) {
    case BackgroundWatch::OnClose::Close:
        return false;
    case BackgroundWatch::OnClose::Hide:
        window->hide();
        return true;
    case BackgroundWatch::OnClose::Wait:
        return true;
    }
    return false;
}

void SwitchViewController::showNewMatches(int count)
{
    if (!m_tabBarController) {
        return;
    }
    ViewController* favorites = m_tabBarController->viewControllers().value(kFavoritesTabIndex);
    TabBarItem item = favorites->tabBarItem();
    item.badgeValue = count > 0 ? QString::number(count) : QString();
    item.accessibleName =
        count > 0 ? u"%1, %2 new %3"_s.arg(item.title).arg(count).arg(count == 1 ? u"match"_s : u"matches"_s)
                  : QString();
    favorites->setTabBarItem(item);
    // The list shows them when next opened.
    if (count > 0) {
        m_favoriteList->reloadWhenShown();
    }
}

void SwitchViewController::tabBarControllerDidSelectViewController(TabBarController* tabs, ViewController*)
{
    if (tabs->selectedIndex() == kFavoritesTabIndex && m_watch) {
        m_watch->clearNewMatches();
    }
    // The overflow list itself has no index of its own to remember. Nor is the Logout tab remembered: the next start
    // would open on it and sign out again at once; the logout leads to the first tab, and that is what is stored.
    // Nor is the health check: a start that opened on it would check the site before the user asked.
    if (tabs->selectedIndex() == kLogoutTabIndex) {
        m_settings->setNumber(SettingsKeys::tab, 0);
    } else if (tabs->selectedIndex() >= 0 && tabs->selectedIndex() != kHealthCheckTabIndex) {
        m_settings->setNumber(SettingsKeys::tab, tabs->selectedIndex());
    }
    if (tabs->selectedIndex() < tabs->directTabCount() || tabs->selectedIndex() == TabBarController::kMoreIndex) {
        tabs->moreNavigationController()->popToRootViewControllerAnimated(false);
        tabs->moreNavigationController()->setNavigationBarHidden(false);
    }
}

AlertView* SwitchViewController::showAlert(const QString& title, const QString& message, const QStringList& buttons)
{
    auto* alert = new AlertView(title, message, this, buttons, view()->window());
    m_alert = alert;
    alert->show();
    return alert;
}

void SwitchViewController::alertViewDidDismiss(AlertView* alert, int)
{
    if (m_alert == alert)
        m_alert = nullptr;
}

void SwitchViewController::openSiteDoor(SiteDoor door)
{
    m_doors->open(door);
}

void SwitchViewController::refreshCurrentScreen()
{
    if (!showLogin() || !m_tabBarController)
        return;
    auto* stack = qobject_cast<NavigationController*>(m_tabBarController->selectedViewController());
    if (auto* list = stack ? qobject_cast<AllListViewController*>(stack->topViewController()) : nullptr)
        list->refreshIfIdle();
}

void SwitchViewController::focusSearch()
{
    if (!showLogin() || !m_tabBarController || !m_searchList || !m_tabBarController->tabsEnabled())
        return;
    const int index = int(m_tabBarController->viewControllers().indexOf(m_searchList->navigationController()));
    if (index < 0)
        return;
    if (m_tabBarController->selectedIndex() != index) {
        m_tabBarController->setSelectedIndex(index);
        tabBarControllerDidSelectViewController(m_tabBarController, m_tabBarController->selectedViewController());
    }
    if (NavigationController* stack = m_searchList->navigationController();
        stack && stack->topViewController() != m_searchList)
        stack->popToRootViewControllerAnimated(false);
    m_searchList->focusSearchBar();
}

void SwitchViewController::goBack()
{
    if (!showLogin() || !m_tabBarController)
        return;
    if (auto* stack = qobject_cast<NavigationController*>(m_tabBarController->selectedViewController())) {
        if (stack->viewControllers().size() > 1)
            stack->popViewControllerAnimated(true);
        else if (stack == m_tabBarController->moreNavigationController() && stack->isNavigationBarHidden())
            m_tabBarController->setSelectedIndex(TabBarController::kMoreIndex);
    }
}

} // namespace marrowfin
