#include "gui/platform/WebPages.h"

#include "core/display/ListingAddresses.h"
#include "core/net/HttpRequest.h"
#include "gui/app/WindowFixture.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/TabBarController.h"
#include "gui/platform/TableView.h"
#include "gui/platform/WebPageHostViewController.h"
#include "gui/ui/LoadingIndicator.h"
#include "support/QtTestSupport.h"
#include "support/TestHttpServer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
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

    // A detail page that does not come says so in the window's own style; Retry fetches it again.
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=drop"_s));
    list().tableView()->tapRow(2);
    page = listStack()->topViewController();
    const bool arrived = processEventsUntil([&] { return page->property("detailsArrived").toBool(); });
    ASSERT_TRUE(demoControl(u"/_demo/fail?mode=off"_s));
    ASSERT_TRUE(arrived);
    auto* failure = page->view()->findChild<QWidget*>(u"pageFailure"_s);
    EXPECT_TRUE(failure->isVisible());
    failure->findChild<QPushButton*>()->click();
    ASSERT_TRUE(waitForLoads(page, 1));
    EXPECT_FALSE(failure->isVisible());
    barButton(page, u"leaveButton"_s)->click();

    // The film button only when the page links its film; history back returns to the fetched page.
    // Which quoting of the link counts is the page reading's business; here one kind (the page without the main
    // part below links none).
    int linked = -1;
    for (int row = 0; row < list().torrentData()->size() && linked < 0; ++row) {
        HttpRequest request(
            QUrl(detailsAddress(*list().torrentData()->at(row).detailsUrl, AppConfig::current().siteHost)));
        request.request();
        if (request.result().value_or(QString()).contains(u"href='http://"_s + AppConfig::current().imdbHost)) {
            linked = row;
        }
    }
    ASSERT_GE(linked, 0) << "the demo's first page links no film";

    list().tableView()->tapRow(linked);
    page = listStack()->topViewController();
    ASSERT_TRUE(waitForLoads(page, 1));
    ASSERT_NE(barButton(page, u"imdbButton"_s), nullptr);
    const QUrl film(page->property("imdb").toString());
    s_films->route(film.path().toUtf8(), ScriptedResponse(200, "OK", {{"Content-Type", "text/html"}},
                                                          "<html><body><h1 id=film>The film</h1></body></html>"));
    barButton(page, u"imdbButton"_s)->click();
    ASSERT_TRUE(waitForLoads(page, 2));
    EXPECT_EQ(evaluate(page, u"document.getElementById('film').textContent"_s).toString(), u"The film"_s);
    EXPECT_TRUE(barButton(page, u"previousButton"_s)->isEnabled());

    // Back at the start of the history: the fetched page again, history back off.
    barButton(page, u"previousButton"_s)->click();
    ASSERT_TRUE(waitForLoads(page, 3));
    EXPECT_TRUE(evaluate(page, u"document.documentElement.outerHTML"_s).toString().contains(u"mainpart"_s));
    EXPECT_FALSE(barButton(page, u"previousButton"_s)->isEnabled());
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
    ASSERT_NO_FATAL_FAILURE(start());
    TabBarController* tabs = m_root->tabBarController();
    tabs->selectFromMoreList(6);
    ViewController* forum = hostedPage(6);
    ASSERT_TRUE(forum && waitForLoads(forum, 1));
    // A topic opens inside the forum; a link out of it brings the forum's front page back.
    evaluate(forum, u"document.querySelector('a[href^=\"/community/show/\"]').click()"_s);
    ASSERT_TRUE(waitForLoads(forum, 2));
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
}

} // namespace
} // namespace marrowfin::windowtest
