#pragma once

#include "core/login/SessionFace.h"
#include "gui/login/LoginHost.h"
#include "gui/login/LoginViewController.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/ViewController.h"

#include <QPointer>

#include <chrono>
#include <memory>

namespace marrowfin {

class AllListViewController;
class BackgroundWatch;
class FavoriteListViewController;
class HistoryListViewController;
class SearchListViewController;
class SessionController;
class SettingsStore;
class SiteDoors;

// The root of the window. It shows one of two faces: the login screen, or the main tabs (made once, on the first
// sign-in, and kept for the whole run, so a later sign-in finds every screen as it was). It owns the site session as
// the screens see it (through a SessionController): the re-sign-in an expired session starts and the logout. Alerts
// of background operations are shown with it as their delegate. Main thread only.
class SwitchViewController final : public ViewController,
                                   public SessionFace,
                                   public TabBarControllerDelegate,
                                   public AlertViewDelegate,
                                   public LoginHost
{
    Q_OBJECT

public:
    static constexpr int kTabCount = 9;
    static constexpr int kLogoutTabIndex = 8;
    static constexpr int kHealthCheckTabIndex = 9;
    static constexpr int kFavoritesTabIndex = 1;

    explicit SwitchViewController(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~SwitchViewController() override;

    // Start-up: the login face, which may sign in on its own. Installs the expired-session recovery.
    void start();

    // The other face; called by the login screen after any successful entry and by logout().
    void switchViews() override;
    // Deletes the site's cookies and shows the login face.
    void logout();

    [[nodiscard]] bool showLogin() const;
    [[nodiscard]] bool sessionValidated() const;
    [[nodiscard]] SessionController& session() const { return *m_session; }
    [[nodiscard]] const std::shared_ptr<SessionController>& sharedSession() const { return m_session; }

    [[nodiscard]] LoginViewController* loginViewController() const { return m_loginViewController; }
    // None until the first sign-in.
    [[nodiscard]] TabBarController* tabBarController() const { return m_tabBarController; }
    [[nodiscard]] AllListViewController* allListViewController() const { return m_allList; }
    [[nodiscard]] FavoriteListViewController* favoriteListViewController() const { return m_favoriteList; }
    [[nodiscard]] SearchListViewController* searchListViewController() const { return m_searchList; }
    [[nodiscard]] HistoryListViewController* historyListViewController() const { return m_historyList; }
    // The favorites watched in the background: made at the first sign-in, gone at a logout.
    [[nodiscard]] BackgroundWatch* backgroundWatch() const { return m_watch.get(); }
    // The window is closing: true keeps it (hidden in the tray while watching, or open while the user is asked
    // whether to keep watching there, after which it is closed again).
    [[nodiscard]] bool keepWindowOnClose();
    // How long the watch's first round waits after a sign-in (before it, to count).
    void setWatchFirstDelay(std::chrono::milliseconds delay) { m_watchFirstDelay = delay; }

    // The site's own pages over the window: its sign-in page, its browser check.
    [[nodiscard]] SiteDoors& siteDoors() const { return *m_doors; }

    // An alert with this controller as its delegate, referenced by alert() until dismissed. Main thread.
    AlertView* showAlert(const QString& title, const QString& message, const QStringList& buttons);
    [[nodiscard]] AlertView* alert() const { return m_alert; }

    // The window's shortcuts act on what the main face shows.
    void refreshCurrentScreen();
    void goBack();
    // Ctrl+F: the search tab, its bar ready for typing, from wherever the user is (unless a page is loading).
    void focusSearch();

    // SessionFace
    void showMainFace() override;
    void showLoginFace() override;
    // TabBarControllerDelegate
    void tabBarControllerDidSelectViewController(TabBarController* tabs, ViewController* controller) override;
    // LoginHost
    void presentAlert(const QString& title, const QString& message, const QStringList& buttons) override
    {
        showAlert(title, message, buttons);
    }
    void openSiteDoor(SiteDoor door) override;
    // AlertViewDelegate
    void alertViewDidDismiss(AlertView* alert, int buttonIndex) override;

protected:
    void loadView() override;

private:
    void loadLoginView();
    void buildTabs();
    void startWatch();
    // The Favorites tab's badge: the new matches the watch found since the tab was last opened.
    void showNewMatches(int count);
    void showFace(ViewController* face);
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<SessionController> m_session;
    QPointer<LoginViewController> m_loginViewController;
    TabBarController* m_tabBarController = nullptr;
    AllListViewController* m_allList = nullptr;
    FavoriteListViewController* m_favoriteList = nullptr;
    SearchListViewController* m_searchList = nullptr;
    HistoryListViewController* m_historyList = nullptr;
    QPointer<AlertView> m_alert;
    QPointer<ViewController> m_face;
    std::unique_ptr<BackgroundWatch> m_watch;
    std::unique_ptr<SiteDoors> m_doors;
    std::chrono::milliseconds m_watchFirstDelay;
};

} // namespace marrowfin
