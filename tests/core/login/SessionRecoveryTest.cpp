#include "core/login/SessionRecovery.h"

#include "LoginTestSupport.h"

#include "core/net/CookieStore.h"
#include "core/net/FetchPageGeneric.h"
#include "core/net/OperationQueue.h"
#include "core/scrape/UserInfo.h"
#include "core/settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>

using namespace marrowfin;
using namespace marrowfin::logintest;
using namespace Qt::Literals::StringLiterals;

namespace {

// Holds every first answer until `count` requests have theirs, so that they all meet the expired session before
// any of them can start a re-sign-in. Sign-in posts pass straight through.
class MeetTogether final : public SessionGuard
{
public:
    MeetTogether(std::shared_ptr<SessionGuard> inner, int count) : m_inner(std::move(inner)), m_latch(count) {}

    Verdict check(HttpRequest& request, int sentAgain) override
    {
        if (sentAgain == 0 && request.type() != u"POST"_s) {
            m_latch.arrive_and_wait();
        }
        return m_inner->check(request, sentAgain);
    }

private:
    std::shared_ptr<SessionGuard> m_inner;
    std::latch m_latch;
};

// The main tabs are up, the session recovery is installed, and the login screen belongs to the root controller.
class RecoveryAgainstDemo : public LoginAgainstDemo
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(LoginAgainstDemo::SetUp());
        HttpContext::setDefaultContext(m_context);
        m_root = std::make_shared<SessionController>(m_sessionFace, m_context);
        m_face.root = m_root.get();
        m_root->setLoginController(m_login);
        m_recovery = std::make_shared<SessionRecovery>(m_root);
        SessionGuard::install(m_recovery);
        m_root->setShowLogin(true);
    }

    void TearDown() override
    {
        SessionGuard::install(nullptr);
        if (m_root) {
            m_root->reSignInQueue().waitUntilAllOperationsAreFinished();
            QCoreApplication::processEvents();
            m_root->setLoginController(nullptr);
        }
        HttpContext::setDefaultContext(nullptr);
    }

    // Fetches `path` on `queue`; `page` gets what is delivered (an empty optional for no page).
    void queuePage(OperationQueue& queue, std::optional<std::optional<QString>>& page, const char* path = "/new")
    {
        queue.addOperation(std::make_shared<FetchPageGeneric>(
            site(path), &m_receiver, FetchPage::selectorFor<QString>([&page](std::optional<QString> p) { page = p; }),
            FetchPageGeneric::requestOfType<HttpRequest>()));
    }

    // Stores the credentials a re-sign-in uses, and a session cookie the site no longer knows: its pages answer
    // with the sign-in page.
    void expireSession(const QString& password = u"demo"_s)
    {
        m_login->setUsername(u"demo"_s);
        m_login->setPassword(password);
        m_context->cookieStore().clear();
        ASSERT_EQ(m_context->cookieStore().importNetscape("127.0.0.1\tFALSE\t/\tFALSE\t0\tmdi_session\tstale\n"), 1);
    }

    bool hasSessionCookie(const QByteArray& value = {})
    {
        for (const Cookie& cookie : m_context->cookieStore().cookies()) {
            if (cookie.name == "mdi_session" && (value.isEmpty() || cookie.value == value)) {
                return true;
            }
        }
        return false;
    }

    RecordingSessionFace m_sessionFace;
    std::shared_ptr<SessionController> m_root;
    std::shared_ptr<SessionRecovery> m_recovery;
    QObject m_receiver;
};

TEST_F(RecoveryAgainstDemo, OnlyTheSignInPageWhileTheTabsAreUpStartsARecovery)
{
    expireSession();

    m_root->setShowLogin(false);
    HttpRequest onLoginFace(site("/new"));
    onLoginFace.request();
    EXPECT_TRUE(LoginPages::isLoginHeader(onLoginFace.result())) << "the login face takes the page as it is";

    m_root->setShowLogin(true);
    HttpRequest signInPage(QUrl(AppConfig::current().signInAddress()));
    signInPage.request();
    EXPECT_TRUE(signInPage.result() && signInPage.result()->contains(u"name=\"email\""_s));
    HttpRequest untitled(site("/_demo/health"));
    untitled.request();
    EXPECT_EQ(untitled.result(), u"ok\n"_s) << "a page without a title stands";
    EXPECT_EQ(m_root->reSignInsStarted(), 0);
    EXPECT_TRUE(m_root->sessionValidated());
}

TEST_F(RecoveryAgainstDemo, ParallelRequestsStartOneReSignInAndBothGetTheirPages)
{
    expireSession();
    SessionGuard::install(std::make_shared<MeetTogether>(m_recovery, 2));

    OperationQueue queue(2);
    std::optional<std::optional<QString>> newest;
    std::optional<std::optional<QString>> forum;
    queuePage(queue, newest);
    queuePage(queue, forum, "/community");
    ASSERT_TRUE(processEventsUntil([&] { return newest && forum; }));

    EXPECT_EQ(m_root->reSignInsStarted(), 1);
    EXPECT_TRUE(m_root->sessionValidated());
    ASSERT_TRUE(*newest && *forum);
    EXPECT_TRUE((*newest)->contains(u"<title>Newest torrents"_s));
    EXPECT_TRUE((*forum)->contains(u"nickname: 'demo'"_s)) << "the forum, as the signed-in user";
    EXPECT_FALSE(hasSessionCookie("stale"));
    EXPECT_EQ(m_sessionFace.loginShown, 0);
}

TEST_F(RecoveryAgainstDemo, WrongStoredCredentialsLogOutAndRequestsWaitForTheUser)
{
    expireSession(u"wrong"_s);

    OperationQueue queue(1);
    std::optional<std::optional<QString>> page;
    queuePage(queue, page);

    ASSERT_TRUE(processEventsUntil([&] { return m_sessionFace.loginShown == 1; })) << "the logout shows the login face";
    EXPECT_FALSE(m_root->showLogin());
    EXPECT_FALSE(m_root->sessionValidated());
    EXPECT_FALSE(hasSessionCookie()) << "the logout deleted the site's cookies";
    EXPECT_EQ(m_root->lastReSignInFailure(), LoginController::kBadCredentialsText.toString());
    EXPECT_EQ(m_settings->text(SettingsKeys::password), u"wrong"_s) << "the re-sign-in stored what it tried";
    // The request cannot end before the session is valid again: it is still on the queue.
    QCoreApplication::processEvents();
    EXPECT_FALSE(page.has_value());
    EXPECT_EQ(queue.operationCount(), 1);

    // The user signs in on the login face; entering the main face releases the request.
    m_login->setPassword(u"demo"_s);
    m_login->login();
    ASSERT_TRUE(processEventsUntil([&] { return page.has_value(); }));
    EXPECT_EQ(m_face.mainFaceEntered, 1);
    EXPECT_TRUE(m_root->showLogin());
    ASSERT_TRUE(page->has_value());
    EXPECT_TRUE((*page)->contains(u"nickname: 'demo'"_s));
    EXPECT_EQ(m_root->reSignInsStarted(), 1);
}

TEST_F(RecoveryAgainstDemo, ClosingTheWindowReleasesRequestsThatWaitForTheUser)
{
    expireSession(u"wrong"_s);
    OperationQueue queue(1);
    std::optional<std::optional<QString>> page;
    queuePage(queue, page);
    ASSERT_TRUE(processEventsUntil([&] { return m_sessionFace.loginShown == 1; }));
    EXPECT_EQ(queue.operationCount(), 1) << "the request waits for the user";

    // Without this the queue, which a closing screen waits for, would never drain.
    m_root->close();
    ASSERT_TRUE(processEventsUntil([&] { return page.has_value(); }));
    EXPECT_FALSE(page->has_value()) << "a request released by the closing window has no page";
    queue.waitUntilAllOperationsAreFinished();
}

TEST_F(RecoveryAgainstDemo, ASiteThatKeepsAnsweringTheSignInPageIsLeftAfterThreeRounds)
{
    expireSession();
    // Not the sign-in address itself (no final "/"), yet always the sign-in page.
    HttpRequest request(site("/auth/login"));
    request.request();
    EXPECT_FALSE(request.result().has_value());
    EXPECT_EQ(m_root->reSignInsStarted(), SessionRecovery::kMaxSendsAgain);
    EXPECT_TRUE(m_root->sessionValidated()) << "each re-sign-in itself succeeded";
    EXPECT_EQ(m_sessionFace.loginShown, 0);
}

TEST(SessionFlags, TestAndClearLetsExactlyOneThreadStartTheReSignIn)
{
    RecordingSessionFace face;
    for (int round = 0; round < 20; ++round) {
        SessionController root(face);
        constexpr int kThreads = 8;
        std::latch start(kThreads);
        std::atomic<int> winners{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&] {
                start.arrive_and_wait();
                if (root.testAndClearSessionValidated()) {
                    ++winners;
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        ASSERT_EQ(winners.load(), 1);
        EXPECT_FALSE(root.sessionValidated());
    }
}

TEST(Logout, DeletesTheSiteAndCaptchaCookiesByHostNameAndKeepsTheRest)
{
    application();
    AppConfig config = AppConfig::builtIn();
    // Host names compare in any case.
    config.siteHost = u"SITE.example:8080"_s;
    config.captchaCookieDomain = u"captcha.example"_s;
    AppConfig::setCurrent(config);
    auto context = std::make_shared<HttpContext>();
    ASSERT_EQ(context->cookieStore().importNetscape("site.example\tFALSE\t/\tFALSE\t0\thostonly\t1\n"
                                                    ".site.example\tTRUE\t/\tFALSE\t0\tdomain\t2\n"
                                                    ".captcha.example\tTRUE\t/\tFALSE\t0\tcaptcha\t3\n"
                                                    "www.site.example\tFALSE\t/\tFALSE\t0\tsub\t4\n"
                                                    ".other.example\tTRUE\t/\tFALSE\t0\tother\t5\n"),
              5);
    RecordingSessionFace face;
    SessionController root(face, context);
    root.setShowLogin(true);
    EXPECT_EQ(root.deleteSiteCookies(), 3);
    root.logout();

    QStringList kept;
    for (const Cookie& cookie : context->cookieStore().cookies()) {
        kept.append(QString::fromLatin1(cookie.name));
    }
    EXPECT_EQ(kept, (QStringList{u"sub"_s, u"other"_s}));
    EXPECT_EQ(face.loginShown, 1);
    EXPECT_FALSE(root.showLogin());
}

} // namespace
