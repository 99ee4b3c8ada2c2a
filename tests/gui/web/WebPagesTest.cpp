#include "gui/platform/WebPages.h"

#include "core/display/ListingAddresses.h"
#include "core/login/LoginController.h"
#include "core/net/HttpRequest.h"
#include "gui/app/SiteDoors.h"
#include "gui/app/WindowFixture.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/TableView.h"
#include "gui/platform/WebPageHostViewController.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/SendingTorrentIndicator.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace marrowfin::windowtest {
namespace {

using namespace Qt::Literals::StringLiterals;
using test::ScriptedResponse;
using test::TestHttpServer;

// The web view a page screen shows now (an old one may still be on its way out).
QWebEngineView* webViewOf(ViewController* page)
{
    QWebEngineView* shown = nullptr;
    for (QWebEngineView* view : page->view()->findChildren<QWebEngineView*>(u"webView"_s)) {
        if (view->isVisibleTo(page->view()))
            shown = view;
    }
    return shown;
}

QVariant evaluate(ViewController* page, const QString& script)
{
    QVariant answer;
    bool done = false;
    webViewOf(page)->page()->runJavaScript(script, [&](const QVariant& value) {
        answer = value;
        done = true;
    });
    EXPECT_TRUE(processEventsUntil([&] { return done; }));
    return answer;
}

[[nodiscard]] bool waitForLoads(ViewController* page, int count)
{
    return processEventsUntil(
        [&] { return page->property("loadsFinished").toInt() >= count && !page->property("loading").toBool(); });
}

// One of the page's own bar buttons (the bar may still hold those of screens on their way out).
QAbstractButton* barButton(ViewController* page, const QString& name)
{
    for (QWidget* item : {page->leftBarButtonItem(), page->rightBarButtonItem()}) {
        auto* button = !item                        ? nullptr
                       : item->objectName() == name ? qobject_cast<QAbstractButton*>(item)
                                                    : item->findChild<QAbstractButton*>(name);
        if (button) {
            return button;
        }
    }
    return nullptr;
}

// Stands for the user's browser: takes the addresses the window hands to the desktop.
class LinkCatcher : public QObject
{
    Q_OBJECT

public:
    LinkCatcher()
    {
        QDesktopServices::setUrlHandler(u"http"_s, this, "open");
        QDesktopServices::setUrlHandler(u"https"_s, this, "open");
    }
    ~LinkCatcher() override
    {
        QDesktopServices::unsetUrlHandler(u"http"_s);
        QDesktopServices::unsetUrlHandler(u"https"_s);
    }
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// The window against the demo site, whose film links point at a small server of the test's own.
class WebPagesTest : public WindowTest
{
protected:
    static void SetUpTestSuite()
    {
        s_films = new TestHttpServer;
        const std::string filmHost = "127.0.0.1:" + std::to_string(s_films->port());
        s_demo = new demotest::DemoProcess({"--latency-ms", "60", "--movie-host", filmHost});
    }
    static void TearDownTestSuite()
    {
        WindowTest::TearDownTestSuite();
        delete s_films;
        s_films = nullptr;
    }

    void SetUp() override
    {
        WindowTest::SetUp();
        AppConfig config = AppConfig::current();
        config.imdbHost = u"127.0.0.1:%1"_s.arg(s_films->port());
        AppConfig::setCurrent(config);
    }

    [[nodiscard]] NavigationController* listStack() const { return list().navigationController(); }

    // The web page on the tab at `index`, once the tab has been shown; null when there is none.
    ViewController* hostedPage(int index) const
    {
        auto* stack = qobject_cast<NavigationController*>(m_root->tabBarController()->viewControllers().at(index));
        auto* host = stack ? qobject_cast<WebPageHostViewController*>(stack->rootViewController()) : nullptr;
        return host ? host->page() : nullptr;
    }

    static inline TestHttpServer* s_films = nullptr;
};

// The torrent page comes while the window keeps turning and sends its own row; a page that fails offers Retry; the
// film button shows only when the page links its film; the load scripts treat every link, and a page over two
// megabytes is shown whole. Then the profile pages.
TEST_F(WebPagesTest, TheTorrentAndProfilePages)
{
    ASSERT_NO_FATAL_FAILURE(start());

    // Row 7's page answers after two seconds: the screen is pushed at once, overlay up, while the window goes on.
    const QString path =
        QUrl(detailsAddress(*list().torrentData()->at(7).detailsUrl, AppConfig::current().siteHost)).path();
    ASSERT_TRUE(demoControl(u"/_demo/latency?path="_s + path + u"&ms=2000"_s));
    list().view()->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(list().view()->window()));
    list().tableView()->setFocus();
    ASSERT_TRUE(list().tableView()->hasFocus());
    list().tableView()->tapRow(7);
    ViewController* page = listStack()->topViewController();
    ASSERT_STREQ(page->metaObject()->className(), "marrowfin::TorrentWebViewController");
    EXPECT_TRUE(LoadingIndicator::sharedInstance().isShown());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    ticker.start(50);
    ASSERT_TRUE(processEventsUntil([&] { return page->property("detailsArrived").toBool(); }));
    // A stalled loop turns once when the page is in; a loop that keeps turning, many times in two seconds, even on a
    // busy machine.
    EXPECT_GT(ticks, 4) << "the event loop stood still while the detail page was on its way";
    ASSERT_TRUE(waitForLoads(page, 1));
    EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
    // The window's own focus, which it keeps while another window (the engine's) is active.
    EXPECT_TRUE(page->view()->isAncestorOf(page->view()->window()->focusWidget())) << "the keys are on the page";

    // Links other than the torrent files' stay (the page without the main part below checks the treated ones).
    EXPECT_GT(evaluate(page, u"document.querySelectorAll('a[href]').length"_s).toInt(), 3);

    // The download button sends the row the page was opened from.
    useDemoClient();
    barButton(page, u"downloadButton"_s)->click();
    ASSERT_TRUE(processEventsUntil([&] { return list().sendingTorrentCount() == 0; }));
    EXPECT_EQ(m_settings->list(SettingsKeys::torrentHistory), QStringList{*list().torrentData()->at(7).name});

    // Back leaves the screen; the listing works again.
    barButton(page, u"leaveButton"_s)->click();
    EXPECT_EQ(listStack()->topViewController(), &list());

    // A detail page that does not come, or comes with an error status, says so in the window's own style and offers
    // no download; Retry fetches it again.
    const QString errorText = u"Error loading page.  Try again."_s;
    for (const QString& mode : {u"drop"_s, u"500"_s}) {
        SCOPED_TRACE(mode.toStdString());
        ASSERT_TRUE(demoControl(u"/_demo/fail?mode=%1&prefix=/"_s.arg(mode)));
        list().tableView()->tapRow(2);
        page = listStack()->topViewController();
        const bool arrived = processEventsUntil([&] { return page->property("detailsArrived").toBool(); });
        ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
        ASSERT_TRUE(arrived);
        EXPECT_EQ(page->property("failureText").toString(), errorText);
        EXPECT_EQ(barButton(page, u"downloadButton"_s), nullptr);
        page->view()->findChild<QWidget*>(u"pageFailure"_s)->findChild<QPushButton*>()->click();
        ASSERT_TRUE(waitForLoads(page, 1));
        EXPECT_TRUE(page->property("failureText").toString().isEmpty());
        EXPECT_NE(barButton(page, u"downloadButton"_s), nullptr);
        barButton(page, u"leaveButton"_s)->click();
    }

    // Its loading cancelled (the overlay's Cancel), a page says so and offers Retry.
    ASSERT_TRUE(demoControl(u"/_demo/latency?path=%1&ms=3000"_s.arg(path)));
    list().tableView()->tapRow(7);
    page = listStack()->topViewController();
    ASSERT_NE(LoadingIndicator::sharedInstance().cancelButton(), nullptr);
    LoadingIndicator::sharedInstance().cancelButton()->click();
    EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
    EXPECT_EQ(page->property("failureText").toString(), u"Loading was cancelled."_s);
    ASSERT_TRUE(demoControl(u"/_demo/latency?path=%1&ms=0"_s.arg(path)));
    barButton(page, u"leaveButton"_s)->click();

    // The film button when the page links its film, on the film database's host or another; history back returns to
    // the fetched page. Which quoting of the link counts is the page reading's business; here one kind (the page
    // without the main part below links none).
    int linked = -1;
    int elsewhere = -1;
    for (int row = 0; row < list().torrentData()->size() && (linked < 0 || elsewhere < 0); ++row) {
        HttpRequest request(
            QUrl(detailsAddress(*list().torrentData()->at(row).detailsUrl, AppConfig::current().siteHost)));
        request.request();
        const QString text = request.result().value_or(QString());
        if (text.contains(u"href='http://"_s + AppConfig::current().imdbHost)) {
            linked = row;
        } else if (text.contains(u"Film page: <a href=\"http://films.example.net"_s)) {
            elsewhere = row;
        }
    }
    ASSERT_GE(linked, 0) << "the demo's first page links no film";
    ASSERT_GE(elsewhere, 0) << "the demo's first page links no film on another host";
    list().tableView()->tapRow(elsewhere);
    page = listStack()->topViewController();
    ASSERT_TRUE(waitForLoads(page, 1));
    EXPECT_NE(barButton(page, u"imdbButton"_s), nullptr);
    EXPECT_TRUE(page->property("imdb").toString().startsWith(u"http://films.example.net/title/tt"_s));
    barButton(page, u"leaveButton"_s)->click();

    list().tableView()->tapRow(linked);
    page = listStack()->topViewController();
    ASSERT_TRUE(waitForLoads(page, 1));
    ASSERT_NE(barButton(page, u"imdbButton"_s), nullptr);
    // A film page that takes too long, or answers with an error status, fails with Retry; then it comes.
    const QUrl film(page->property("imdb").toString());
    ScriptedResponse slow(200, "OK", {{"Content-Type", "text/html"}}, "<html><body>late</body></html>");
    slow.delay = std::chrono::milliseconds(3000);
    s_films->route(film.path().toUtf8(), slow);
    page->setProperty("loadTimeout", 400);
    barButton(page, u"imdbButton"_s)->click();
    ASSERT_TRUE(processEventsUntil([&] { return page->property("failureText").toString() == errorText; }));
    s_films->route(film.path().toUtf8(), ScriptedResponse(503, "Busy", {{"Content-Type", "text/html"}}, "busy"));
    page->setProperty("loadTimeout", 60'000);
    page->view()->findChild<QWidget*>(u"pageFailure"_s)->findChild<QPushButton*>()->click();
    ASSERT_TRUE(processEventsUntil([&] { return page->property("failureText").toString() == errorText; }));
    s_films->route(film.path().toUtf8(), ScriptedResponse(200, "OK", {{"Content-Type", "text/html"}},
                                                          "<html><body><h1 id=film>The film</h1></body></html>"));
    page->view()->findChild<QWidget*>(u"pageFailure"_s)->findChild<QPushButton*>()->click();
    ASSERT_TRUE(waitForLoads(page, 2));
    EXPECT_EQ(evaluate(page, u"document.getElementById('film').textContent"_s).toString(), u"The film"_s);
    EXPECT_TRUE(barButton(page, u"previousButton"_s)->isEnabled());

    // Back at the start of the history: the fetched page again, history back off and forward on; back ("<") walks
    // the same history before it leaves.
    barButton(page, u"previousButton"_s)->click();
    ASSERT_TRUE(waitForLoads(page, 3));
    EXPECT_TRUE(evaluate(page, u"document.documentElement.outerHTML"_s).toString().contains(u"mainpart"_s));
    EXPECT_FALSE(barButton(page, u"previousButton"_s)->isEnabled());
    ASSERT_TRUE(barButton(page, u"forwardButton"_s)->isEnabled());
    barButton(page, u"forwardButton"_s)->click();
    ASSERT_TRUE(waitForLoads(page, 4));
    barButton(page, u"leaveButton"_s)->click();
    ASSERT_TRUE(waitForLoads(page, 5));
    EXPECT_EQ(listStack()->topViewController(), page);
    EXPECT_TRUE(evaluate(page, u"document.documentElement.outerHTML"_s).toString().contains(u"mainpart"_s));

    // A slow page followed from it can be cancelled, and Escape does it too: the page before stays.
    s_films->route(film.path().toUtf8(), slow);
    for (const bool escape : {false, true}) {
        barButton(page, u"imdbButton"_s)->click();
        ASSERT_TRUE(processEventsUntil([] { return LoadingIndicator::sharedInstance().cancelButton() != nullptr; }));
        if (escape) {
            m_window->activateWindow();
            ASSERT_TRUE(processEventsUntil([&] { return m_window->isActiveWindow(); }));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else {
            LoadingIndicator::sharedInstance().cancelButton()->click();
        }
        ASSERT_TRUE(processEventsUntil([&] { return !page->property("loading").toBool(); }));
        EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
        EXPECT_TRUE(page->property("failureText").toString().isEmpty());
        EXPECT_EQ(listStack()->topViewController(), page);
    }

    // A link to another host opens in the user's browser; a user's profile opens trimmed, on top of the page.
    LinkCatcher browser;
    evaluate(page, u"document.querySelector('a[href*=\"notes.example.org\"]').click()"_s);
    ASSERT_TRUE(processEventsUntil([&] { return !browser.opened.isEmpty(); }));
    EXPECT_EQ(browser.opened.first().host(), u"notes.example.org"_s);
    evaluate(page, u"document.querySelector('#tab-comments a[href^=\"/user/\"]').click()"_s);
    ASSERT_TRUE(processEventsUntil([&] { return listStack()->topViewController() != page; }));
    ViewController* profile = listStack()->topViewController();
    EXPECT_STREQ(profile->metaObject()->className(), "marrowfin::ProfileWebViewController");
    ASSERT_TRUE(waitForLoads(profile, 1));
    EXPECT_EQ(evaluate(profile, u"document.querySelectorAll('a[href], #header').length"_s).toInt(), 0);
    barButton(profile, u"leaveButton"_s)->click();
    barButton(page, u"leaveButton"_s)->click();
    EXPECT_EQ(listStack()->topViewController(), &list());

    // The page's own download link, where it leads to no torrent file by its name, sends the row as the button does.
    int redirected = -1;
    for (int row = 0; row < list().torrentData()->size() && redirected < 0; ++row) {
        if (list().torrentData()->at(row).downloadUrl.value_or(QString()).startsWith(u"/get/"_s)) {
            redirected = row;
        }
    }
    ASSERT_GE(redirected, 0) << "the demo's first page has no download link without its file name";
    list().tableView()->tapRow(redirected);
    page = listStack()->topViewController();
    ASSERT_TRUE(waitForLoads(page, 1));
    evaluate(page, u"document.querySelector('a.bigbutton').click()"_s);
    ASSERT_TRUE(processEventsUntil(
        [&] { return m_settings->list(SettingsKeys::torrentHistory).value_or(QStringList()).size() == 2; }));
    EXPECT_EQ(m_settings->list(SettingsKeys::torrentHistory)->last(), *list().torrentData()->at(redirected).name);
    EXPECT_EQ(page->property("loadsFinished").toInt(), 1);
    barButton(page, u"leaveButton"_s)->click();

    TestHttpServer pages;
    // A detail page without the site's main part is shown whole: here with a link without an address between the
    // ones the script must still treat, and a tail of over 2 MB.
    QByteArray body = "<html><head><title>t</title></head><body>"
                      "<a id=first href='/a.torrent'>file</a><a name=anchor>no address</a>"
                      "<a id=second href='/b.torrent'>file</a><a id=blank href='/inside' target='_blank'>in</a><p>"_ba;
    body += QByteArray(2'500'000, 'x') + "<span id=end>end</span></p></body></html>";
    pages.route("/detail", ScriptedResponse(200, "OK", {{"Content-Type", "text/html; charset=utf-8"}}, body));
    WebPages* module = WebPages::load();
    ASSERT_NE(module, nullptr) << WebPages::loadError().toStdString();
    listStack()->setNavigationBarHidden(false);
    listStack()->pushViewController(module->newTorrentPage(pages.url(u"/detail"_s), 3, &list()), false);
    page = listStack()->topViewController();
    ASSERT_TRUE(waitForLoads(page, 1));
    EXPECT_EQ(barButton(page, u"imdbButton"_s), nullptr) << "a film button without a film";
    EXPECT_EQ(evaluate(page, u"document.body.textContent.length > 2500000"_s).toBool(), true);
    EXPECT_FALSE(evaluate(page, u"document.getElementById('second').hasAttribute('href')"_s).toBool());
    EXPECT_FALSE(evaluate(page, u"document.getElementById('blank').hasAttribute('target')"_s).toBool());
    // Relative addresses resolve against the site.
    EXPECT_EQ(evaluate(page, u"document.baseURI"_s).toString(), u"http://"_s + AppConfig::current().siteHost + u"/"_s);
    barButton(page, u"leaveButton"_s)->click();

    // Profiles: links disarmed, and leaving while one loads stops it.
    // Signed in as nobody, the header's name opens nothing.
    list().didSelectProfile(std::nullopt);
    EXPECT_EQ(listStack()->viewControllers().size(), 1);

    list().didSelectProfile(u"saltpeter"_s);
    page = listStack()->topViewController();
    ASSERT_TRUE(waitForLoads(page, 1));
    EXPECT_TRUE(m_root->tabBarController()->tabsEnabled());
    EXPECT_EQ(evaluate(page, u"document.querySelectorAll('a[href]').length"_s).toInt(), 0);
    barButton(page, u"leaveButton"_s)->click();

    // A profile that is slow to come: leaving at once puts the overlay away, takes the screen off without waiting
    // for the page, and gives the listing its rows and tabs back.
    ASSERT_TRUE(demoControl(u"/_demo/latency?path=/user/archivist/&ms=1500"_s));
    list().didSelectProfile(u"archivist"_s);
    page = listStack()->topViewController();
    EXPECT_TRUE(LoadingIndicator::sharedInstance().isShown());
    QMetaObject::invokeMethod(page, "cancel");
    EXPECT_FALSE(LoadingIndicator::sharedInstance().isShown());
    QElapsedTimer clock;
    clock.start();
    processEventsUntil([] { return false; }, 100);
    EXPECT_EQ(listStack()->topViewController(), &list());
    EXPECT_LT(clock.elapsed(), 1000) << "the popped screen waited for its page";
    EXPECT_TRUE(m_root->tabBarController()->tabsEnabled());
}

// The forum keeps its links inside; the site tab fetches on every showing. Cookies are one session for the requests
// and the pages, and a logout clears both. The remote client's interface shows its page, or its own 401 page with the
// failure alert; the settings test shows "Success!" and then the page.
TEST_F(WebPagesTest, TheTabsThatHostPagesAndTheirCookies)
{
    useDemoClient();
    m_settings->setText(SettingsKeys::anonymousLogin, u"NO"_s);
    m_settings->setText(SettingsKeys::username, u"demo"_s);
    m_settings->setText(SettingsKeys::password, u"demo"_s);
    ASSERT_NO_FATAL_FAILURE(start());
    TabBarController* tabs = m_root->tabBarController();
    tabs->selectFromMoreList(6);
    ViewController* forum = hostedPage(6);
    ASSERT_TRUE(forum && waitForLoads(forum, 1));
    // Shown from the overflow list, the page tabs have the bar that leads back to it.
    auto* forumStack = qobject_cast<NavigationController*>(tabs->viewControllers().at(6));
    EXPECT_FALSE(forumStack->isNavigationBarHidden());
    EXPECT_TRUE(forumStack->hasRootBackAction());
    // A topic opens inside the forum; a torrent a post links opens on top of the topic, and its download button
    // sends it under its name, overlay up; a link out of the forum brings the forum's front page back.
    evaluate(forum, u"document.querySelector('a[href^=\"/community/show/\"]').click()"_s);
    ASSERT_TRUE(waitForLoads(forum, 2));
    evaluate(forum, u"document.querySelector('.post a[href$=\".html\"]').click()"_s);
    ASSERT_TRUE(processEventsUntil([&] { return forumStack->viewControllers().size() == 2; }));
    ViewController* torrent = forumStack->topViewController();
    ASSERT_TRUE(waitForLoads(torrent, 1));
    const QString name = evaluate(torrent, u"document.querySelector('h1').textContent"_s).toString();
    barButton(torrent, u"downloadButton"_s)->click();
    EXPECT_TRUE(SendingTorrentIndicator::sharedInstance().isShown());
    ASSERT_TRUE(processEventsUntil([] { return !SendingTorrentIndicator::sharedInstance().isShown(); }));
    EXPECT_EQ(m_settings->list(SettingsKeys::torrentHistory), QStringList{name});
    barButton(torrent, u"leaveButton"_s)->click();
    EXPECT_EQ(forum->property("loadsFinished").toInt(), 2) << "the topic was left";
    evaluate(forum, u"document.querySelector('a[href=\"/new/\"]').click()"_s);
    ASSERT_TRUE(processEventsUntil([&] { return forum->property("loadsFinished").toInt() >= 3; }));
    EXPECT_TRUE(evaluate(forum, u"document.documentElement.outerHTML"_s).toString().contains(u"community/show/1"_s));

    const QString host = AppConfig::current().siteHostName();
    m_cookies->importNetscape((host + u"\tFALSE\t/\tFALSE\t0\tfrom_requests\tr1\n"_s).toUtf8());
    tabs->selectFromMoreList(7);
    ViewController* site = hostedPage(7);
    ASSERT_TRUE(site && waitForLoads(site, 1));
    EXPECT_TRUE(evaluate(site, u"document.cookie"_s).toString().contains(u"from_requests=r1"_s));
    evaluate(site, u"document.cookie = 'from_page=p1; path=/'"_s);
    ASSERT_TRUE(processEventsUntil([&] { return m_cookies->exportNetscape().contains("from_page\tp1"); }))
        << "a page's cookie did not reach the request store";
    EXPECT_TRUE(QFile(m_cookies->filePath()).open(QIODevice::ReadOnly)) << "the cookies were not saved";
    tabs->selectSlot(0);
    tabs->selectFromMoreList(7);
    EXPECT_EQ(site->property("fetchCount").toInt(), 2);
    ASSERT_TRUE(waitForLoads(site, 2));

    // The Logout tab: neither the requests nor the pages keep the site's cookies.
    tabs->selectFromMoreList(8);
    ASSERT_TRUE(processEventsUntil([&] { return !m_root->showLogin(); }));
    EXPECT_FALSE(m_cookies->exportNetscape().contains("from_page"));
    m_root->loginViewController()->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); }));
    ASSERT_TRUE(waitForRows(1));
    tabs->selectFromMoreList(7);
    ASSERT_TRUE(waitForLoads(site, 3));
    const QString left = evaluate(site, u"document.cookie"_s).toString();
    EXPECT_FALSE(left.contains(u"from_page"_s)) << left.toStdString();
    EXPECT_FALSE(left.contains(u"from_requests"_s)) << left.toStdString();

    // Right settings: the client's page, no alert.
    tabs->selectFromMoreList(4);
    ViewController* remote = hostedPage(4);
    ASSERT_TRUE(remote && waitForLoads(remote, 1));
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
    EXPECT_FALSE(remote->property("result").toString().isEmpty());

    // A wrong password: the failure alert, and the client's own 401 page is what is shown.
    m_settings->setText(SettingsKeys::serverPassword, u"wrong"_s);
    tabs->selectSlot(0);
    tabs->selectFromMoreList(4);
    ASSERT_TRUE(waitForLoads(remote, 2));
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    EXPECT_EQ(AlertView::visibleAlerts().first()->title(), u"Connection with server failed."_s);
    AlertView::visibleAlerts().first()->button(0)->click();
    EXPECT_FALSE(remote->property("result").toString().isEmpty()) << "the 401 page is shown as it came";

    // The settings test: "Success!", then the page, and its back button leaves.
    m_settings->setText(SettingsKeys::serverPassword, u"admin"_s);
    tabs->selectFromMoreList(5);
    auto* settingsStack = qobject_cast<NavigationController*>(tabs->viewControllers().at(5));
    QMetaObject::invokeMethod(settingsStack->rootViewController(), "test");
    ViewController* testPage = settingsStack->topViewController();
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    EXPECT_EQ(AlertView::visibleAlerts().first()->title(), u"Success!"_s);
    AlertView::visibleAlerts().first()->button(0)->click();
    ASSERT_TRUE(waitForLoads(testPage, 1));
    barButton(testPage, u"leaveButton"_s)->click();
    EXPECT_EQ(settingsStack->topViewController(), settingsStack->rootViewController());

    // No client set: the remote interface says so, and leads to its settings.
    m_settings->remove(SettingsKeys::serverClient);
    tabs->selectFromMoreList(4);
    ASSERT_TRUE(processEventsUntil([&] { return !remote->property("failureText").toString().isEmpty(); }));
    EXPECT_TRUE(remote->property("failureText").toString().startsWith(u"No BitTorrent client is set up."_s));
    for (AlertView* alert : AlertView::visibleAlerts()) {
        alert->button(0)->click();
    }
    remote->view()->findChild<QWidget*>(u"pageFailure"_s)->findChild<QPushButton*>()->click();
    EXPECT_EQ(tabs->selectedIndex(), 5);

    // Signing out on the site's own page signs the window out too.
    tabs->selectFromMoreList(7);
    ASSERT_TRUE(waitForLoads(site, 4));
    evaluate(site, u"document.querySelector('a[href=\"/auth/logout/\"]').click()"_s);
    ASSERT_TRUE(processEventsUntil([&] { return !m_root->showLogin(); }));
}

// The window against a demo site that guards its sign-in with a captcha.
class SiteDoorsTest : public WindowTest
{
protected:
    static void SetUpTestSuite() { s_demo = new demotest::DemoProcess({"--captcha"}); }

    // What `script` gives on the door's page once it gives anything (the page may still be loading).
    static QString waitForText(ViewController* page, const QString& script)
    {
        QString text;
        EXPECT_TRUE(processEventsUntil([&] {
            text = webViewOf(page) ? evaluate(page, script).toString() : QString();
            return !text.isEmpty();
        }));
        return text;
    }

    [[nodiscard]] ViewController* openDoor() const
    {
        auto* stack = qobject_cast<NavigationController*>(m_root->siteDoors().openDoor());
        return stack ? stack->rootViewController() : nullptr;
    }
};

// The right password meets the captcha: the alert says so and offers the site's own sign-in page, where the captcha
// is answered; the session it sets reaches the request store and the tabs open, with no password stored.
TEST_F(SiteDoorsTest, ACaptchaIsAnsweredOnTheSitesOwnSignInPage)
{
    m_settings->setText(SettingsKeys::anonymousLogin, u"NO"_s);
    launch();
    m_root->loginViewController()->usernameField()->setText(u"demo"_s);
    m_root->loginViewController()->passwordField()->setText(u"demo"_s);
    m_root->loginViewController()->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    AlertView* alert = AlertView::visibleAlerts().first();
    EXPECT_EQ(alert->message(), LoginController::kCaptchaText.toString());
    ASSERT_EQ(alert->buttonTitles(), (QStringList{u"Cancel"_s, u"Sign In on the Site"_s}));
    alert->button(1)->click();

    ViewController* door = openDoor();
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->title(), u"Sign In on the Site"_s);
    const QString challenge =
        waitForText(door, u"(document.querySelector('input[name=recaptcha_challenge_field]') || {}).value || ''"_s);
    ASSERT_FALSE(challenge.isEmpty());
    HttpRequest answer(QUrl(QString::fromStdString(s_demo->site("/_demo/captcha?c=" + challenge.toStdString()))));
    answer.request();
    ASSERT_TRUE(answer.isResponseValid());
    evaluate(door, u"document.querySelector('input[name=email]').value = 'demo';"
                   u"document.querySelector('input[name=password]').value = 'demo';"
                   u"document.querySelector('input[name=recaptcha_response_field]').value = '%1';"
                   u"document.querySelector('form').submit();"_s.arg(answer.result().value_or(QString())));

    ASSERT_TRUE(processEventsUntil([&] { return m_root->showLogin(); })) << "the tabs did not open";
    ASSERT_TRUE(waitForRows(1));
    EXPECT_EQ(m_root->siteDoors().openDoor(), nullptr) << "the page went";
    EXPECT_TRUE(m_cookies->exportNetscape().contains("mdi_session"));
    EXPECT_EQ(m_settings->text(SettingsKeys::anonymousLogin), u"NO"_s);
    EXPECT_FALSE(m_settings->text(SettingsKeys::password).value_or(QString()).contains(u"demo"_s));
}

// A site behind a browser check: the listing offers it, its script runs in the window's engine and earns the
// clearance, after which the window's listing and the command line's read the site with the engine's User-Agent.
TEST_F(SiteDoorsTest, ABrowserCheckIsPassedInTheWindowForEveryRequest)
{
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=challenge"_s));
    // A sign-in that meets the check says so and offers it too; passed, the sign-in goes on to the captcha.
    m_settings->setText(SettingsKeys::anonymousLogin, u"NO"_s);
    launch();
    LoginViewController* login = m_root->loginViewController();
    login->usernameField()->setText(u"demo"_s);
    login->passwordField()->setText(u"demo"_s);
    login->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    AlertView* alert = AlertView::visibleAlerts().first();
    EXPECT_TRUE(alert->message().startsWith(u"The site shows a browser check (HTTP status 503)"_s))
        << alert->message().toStdString();
    ASSERT_EQ(alert->buttonTitles(), (QStringList{u"Cancel"_s, u"Open the Check"_s}));
    alert->button(1)->click();
    ASSERT_TRUE(processEventsUntil([&] { return openDoor() != nullptr; }));
    ASSERT_TRUE(processEventsUntil([&] { return m_root->siteDoors().openDoor() == nullptr; }));
    login->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([] { return !AlertView::visibleAlerts().isEmpty(); }));
    EXPECT_EQ(AlertView::visibleAlerts().first()->message(), LoginController::kCaptchaText.toString());
    AlertView::visibleAlerts().first()->button(0)->click();

    // Anonymous, with the clearance gone: the listing offers the check.
    (void)m_cookies->deleteCookiesForDomain(AppConfig::current().siteHostName());
    login->anonymousLoginSwitch()->setOn(true);
    login->loginButton()->click();
    ASSERT_TRUE(processEventsUntil([&] { return m_root->siteDoors().offer() != nullptr; }));
    EXPECT_TRUE(list().torrentData() && list().torrentData()->isEmpty());
    EXPECT_EQ(m_root->siteDoors().offer()->buttonTitles(), (QStringList{u"Cancel"_s, u"Open the Check"_s}));
    m_root->siteDoors().offer()->button(1)->click();
    ViewController* door = openDoor();
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->title(), u"Browser Check"_s);

    ASSERT_TRUE(processEventsUntil([&] { return m_root->siteDoors().openDoor() == nullptr; }))
        << "the check was not passed";
    ASSERT_TRUE(waitForRows(1)) << "the listing was not read again";
    const QString agent = m_settings->text(SettingsKeys::browserUserAgent).value_or(QString());
    EXPECT_FALSE(agent.isEmpty());
    EXPECT_NE(agent, QString::fromLatin1(kDesktopUserAgent));
    EXPECT_TRUE(m_cookies->exportNetscape().contains("demo_clearance"));

    QProcess cli;
    startCli(cli, {u"new"_s});
    ASSERT_TRUE(processEventsUntil([&] { return cli.state() == QProcess::NotRunning; }));
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_FALSE(cli.readAllStandardOutput().isEmpty());
}

} // namespace
} // namespace marrowfin::windowtest

#include "WebPagesTest.moc"
