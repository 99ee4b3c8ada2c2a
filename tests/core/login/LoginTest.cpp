#include "core/config/AppConfig.h"
#include "core/login/FetchPageCaptcha.h"
#include "core/login/FetchPageSignIn.h"
#include "core/login/LoginController.h"
#include "core/login/LoginFace.h"
#include "core/login/LoginPages.h"
#include "core/login/SessionController.h"
#include "core/login/SessionFace.h"
#include "core/login/SessionRecovery.h"
#include "core/net/CookieStore.h"
#include "core/net/FetchPageGeneric.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/OperationQueue.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"
#include "support/TestHttpServer.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <latch>
#include <thread>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;
using marrowfin::test::application;
using marrowfin::test::processEventsUntil;

namespace {

void useSite(const QString& host)
{
    AppConfig config = AppConfig::builtIn();
    config.siteHost = host;
    config.captchaImageHost = host;
    AppConfig::setCurrent(config);
}

struct ShownOnLogin
{
    bool loginEnabled = true;
    std::optional<QString> overlay;
    QStringList alerts;
    std::optional<QString> captchaImage;
    int mainFaceEntered = 0;
};

// What the login screen would have shown. The main face is entered through the root controller when one is given.
class RecordingLoginFace final : public LoginFace, public ShownOnLogin
{
public:
    void setLoginEnabled(bool enabled) override { loginEnabled = enabled; }
    void showOverlay(const QString& text, int) override { overlay = text; }
    void hideOverlay() override { overlay.reset(); }
    void showAlert(const QString& title, const QString& message) override { alerts.append(title + u'|' + message); }
    void showFields(const QString&, const QString&, bool) override {}
    void showCaptchaImage(const QString& address) override { captchaImage = address; }
    void enterMainFace() override
    {
        ++mainFaceEntered;
        if (root) {
            root->switchViews();
        }
    }

    // Forgets what was shown, as before a new attempt.
    void reset() { static_cast<ShownOnLogin&>(*this) = {}; }

    [[nodiscard]] bool finished() const { return mainFaceEntered > 0 || !alerts.isEmpty(); }

    SessionController* root = nullptr;
};

class RecordingSessionFace final : public SessionFace
{
public:
    void showMainFace() override {}
    void showLoginFace() override { ++loginShown; }

    int loginShown = 0;
};

// A login screen (anonymous switch off) against a demo site that the suite shares, started with the suite's own
// arguments; each test has a profile folder of its own.
class LoginAgainstDemo : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_demo = new demotest::DemoProcess(); }
    static void TearDownTestSuite()
    {
        delete s_demo;
        s_demo = nullptr;
    }

    void SetUp() override
    {
        application();
        ASSERT_TRUE(s_demo && s_demo->started()) << "the demo site did not start";
        useSite(QString::fromStdString(s_demo->host()));
        m_context = std::make_shared<HttpContext>(nullptr, QString::fromStdString(s_demo->caFile()));
        m_settings = std::make_shared<SettingsStore>(m_dir.path());
        m_login = std::make_shared<LoginController>(m_face, m_settings, m_context);
        m_login->toggleAnonymous(false);
    }

    [[nodiscard]] static QUrl site(const std::string& pathAndQuery)
    {
        return QUrl(QString::fromStdString(s_demo->site(pathAndQuery)));
    }

    // What the site's `pathAndQuery` answers to a request on this thread.
    std::optional<QString> page(const std::string& pathAndQuery) const
    {
        HttpRequest request(site(pathAndQuery), m_context);
        request.request();
        return request.result();
    }

    // Signs in as the sign-in button does and waits for the outcome.
    void signIn(const QString& username, const QString& password)
    {
        m_face.reset();
        m_login->setUsername(username);
        m_login->setPassword(password);
        m_login->login();
        ASSERT_TRUE(processEventsUntil([&] { return m_face.finished(); }));
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
    QTemporaryDir m_dir;
    RecordingLoginFace m_face;
    std::shared_ptr<HttpContext> m_context;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<LoginController> m_login;
};

TEST(SignInForm, BodiesEscapeWhatTheUserTypedAndTheCaptchaFormCarriesBrowserFields)
{
    EXPECT_EQ(
        FetchPageSignIn::formBody(u"jo e&x=1"_s, u"p=w&d%"_s, std::nullopt, u"ignored"_s, u"site.example:81"_s),
        u"return_uri=https%3A%2F%2Fsite.example:81%2Fauth%2Fregister%2F&email=jo%20e%26x%3D1&password=p%3Dw%26d%25"_s);
    // An empty challenge is no captcha.
    EXPECT_EQ(FetchPageSignIn::formBody(u"a"_s, u"b"_s, u""_s, u""_s, u"h"_s),
              u"return_uri=https%3A%2F%2Fh%2Fauth%2Fregister%2F&email=a&password=b"_s);

    // The site compares origin and referer with its sign-in page, which the demo site does not.
    application();
    useSite(u"site.example:8443"_s);
    test::TestHttpServer server;
    server.route("/auth/login/", test::ScriptedResponse(200, "OK", {{"Content-Type", "text/html"}},
                                                        "<html><head><title>Home</title></head></html>"));
    OperationQueue queue(1);
    QObject receiver;
    std::optional<SignInRequest> delivered;
    queue.addOperation(std::make_shared<FetchPageSignIn>(
        server.url(u"/auth/login/"_s), u"mary&co=x"_s, u"se cret"_s, u"CHAL123"_s, u"9876"_s, &receiver,
        FetchPageSignIn::selectorFor([&](std::optional<SignInRequest> r) { delivered = std::move(r); })));
    ASSERT_TRUE(processEventsUntil([&] { return delivered.has_value(); }));
    ASSERT_TRUE(*delivered && (*delivered)->isResponseValid());

    ASSERT_EQ(server.requestsTo("/auth/login/").size(), 1);
    const test::RecordedRequest post = server.requestsTo("/auth/login/").first();
    EXPECT_EQ(post.body, "email=mary%26co%3Dx&password=se%20cret&recaptcha_challenge_field=CHAL123"
                         "&recaptcha_response_field=9876&remember_me=on&login=submit");
    EXPECT_EQ(post.header("origin"), QByteArray("https://site.example:8443/auth/login/"));
    EXPECT_EQ(post.header("referer"), QByteArray("https://site.example:8443/auth/login/"));
}

TEST(LoginPageTests, RecogniseTheSignInPageAndAddress)
{
    useSite(u"127.0.0.1:4000"_s);
    EXPECT_TRUE(LoginPages::isLoginHeader(std::nullopt));
    EXPECT_TRUE(LoginPages::isLoginHeader(u"Sign in at /auth/login/ - Site"_s));
    EXPECT_FALSE(LoginPages::isLoginHeader(u"Sign in at /auth/logout/"_s));
    EXPECT_TRUE(LoginPages::isLoginUrl(u"https://127.0.0.1:4000/auth/login/"_s));
    EXPECT_TRUE(LoginPages::isLoginUrl(std::nullopt));
    EXPECT_FALSE(LoginPages::isLoginUrl(u"https://127.0.0.1:4000/auth/login/?next=1"_s)) << "equality, not a search";
    EXPECT_FALSE(LoginPages::isLoginUrl(u"http://127.0.0.1:4000/auth/login/"_s));
    EXPECT_TRUE(LoginPages::isInvalidUsername(u"<tr><td><div class=\"alertfield\">x"_s));
    EXPECT_FALSE(LoginPages::isInvalidUsername(u"<div class=\"alertfield\">"_s));
}

TEST_F(LoginAgainstDemo, AnExistingSessionSkipsTheFormUnlessTheCheckPageFails)
{
    signIn(u"demo"_s, u"demo"_s);
    ASSERT_EQ(m_face.mainFaceEntered, 1);
    // A wrong password cannot matter: the check page already shows the signed-in site.
    signIn(u"demo"_s, u"not the password"_s);
    EXPECT_EQ(m_face.mainFaceEntered, 1);
    // Not tried, so not stored: the password that signed in stays for the next re-sign-in.
    EXPECT_EQ(m_settings->text(SettingsKeys::password), u"demo"_s);

    // The check page answers 500 without being the sign-in page: only the status tells.
    ASSERT_TRUE(page("/_demo/fail?mode=500&prefix=/new"));
    // So the form is posted, and a wrong password is reported instead of a short cut to the main face.
    signIn(u"demo"_s, u"wrong"_s);
    ASSERT_TRUE(page("/_demo/fail?mode=off"));
    EXPECT_EQ(m_face.mainFaceEntered, 0);
    EXPECT_EQ(m_face.alerts, QStringList{u"Login failed.|Bad username or password."_s});
}

TEST_F(LoginAgainstDemo, CaptchaRoundsAreBoundedAndCanBeStopped)
{
    // This site asks for no captcha: its sign-in page names no challenge script.
    m_login->setCaptchaRetry(2, std::chrono::milliseconds(0));
    m_login->reloadCaptchaImage();
    EXPECT_EQ(m_face.overlay, u"Loading image..."_s);
    EXPECT_FALSE(m_face.loginEnabled);
    ASSERT_TRUE(processEventsUntil([&] { return m_face.finished(); }));
    EXPECT_EQ(m_face.alerts, QStringList{u"Login failed.|Connection error. Verify your data network."_s});
    EXPECT_TRUE(m_face.loginEnabled);

    OperationQueue queue(1);
    QObject receiver;
    std::optional<std::optional<QVariantMap>> delivered;
    auto captcha = std::make_shared<FetchPageCaptcha>(
        QUrl(AppConfig::current().signInAddress()), &receiver,
        FetchPageCaptcha::selectorFor([&](std::optional<QVariantMap> map) { delivered = std::move(map); }), m_context,
        1000, std::chrono::hours(1));
    queue.addOperation(captcha);
    ASSERT_TRUE(processEventsUntil([&] { return captcha->roundsTried() >= 1; }));
    captcha->stop();
    ASSERT_TRUE(processEventsUntil([&] { return delivered.has_value(); }));
    EXPECT_FALSE(delivered->has_value());
    EXPECT_EQ(captcha->roundsTried(), 1) << "no round starts after stop()";
}

class CaptchaSignIn : public LoginAgainstDemo
{
protected:
    static void SetUpTestSuite() { s_demo = new demotest::DemoProcess({"--captcha"}); }
};

TEST_F(CaptchaSignIn, TheChallengeAndItsAnswerSignIn)
{
    const auto answerOf = [this](const QString& challenge) {
        return page("/_demo/captcha?c=" + challenge.toStdString()).value_or(QString()).trimmed();
    };
    const auto fetchChallenge = [this] {
        m_face.reset();
        m_login->reloadCaptchaImage();
        EXPECT_TRUE(processEventsUntil([&] { return m_face.captchaImage.has_value() || !m_face.alerts.isEmpty(); }));
        return m_login->captchaChallenge().value_or(QString());
    };

    const QString challenge = fetchChallenge();
    ASSERT_FALSE(challenge.isEmpty());
    EXPECT_EQ(m_face.captchaImage, u"http://"_s + QString::fromStdString(s_demo->host()) + u"/image?c="_s + challenge);
    // A wrong answer: the site asks again, and that is what the failure says, not that the password is wrong.
    m_login->setCaptchaResponse(answerOf(challenge) + u"1"_s);
    signIn(u"demo"_s, u"demo"_s);
    EXPECT_EQ(m_face.alerts, QStringList{u"Login failed.|"_s + LoginController::kCaptchaText.toString()});

    m_login->setCaptchaResponse(answerOf(fetchChallenge()));
    signIn(u"demo"_s, u"demo"_s);
    EXPECT_EQ(m_face.mainFaceEntered, 1) << m_face.alerts.join(u'\n').toStdString();
    EXPECT_EQ(m_login->captchaResponse(), QString()) << "a successful sign-in empties the captcha field";
}

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

    RecordingSessionFace m_sessionFace;
    std::shared_ptr<SessionController> m_root;
    std::shared_ptr<SessionRecovery> m_recovery;
    QObject m_receiver;
};

TEST_F(RecoveryAgainstDemo, OnlyTheSignInPageWhileTheTabsAreUpStartsARecovery)
{
    expireSession();

    m_root->setShowLogin(false);
    EXPECT_TRUE(LoginPages::isLoginHeader(page("/new"))) << "the login face takes the page as it is";

    m_root->setShowLogin(true);
    HttpRequest signInPage(QUrl(AppConfig::current().signInAddress()));
    signInPage.request();
    EXPECT_TRUE(signInPage.result() && signInPage.result()->contains(u"name=\"email\""_s));
    EXPECT_EQ(page("/_demo/health"), u"ok\n"_s) << "a page without a title stands";
    EXPECT_EQ(m_root->reSignInsStarted(), 0);
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
    EXPECT_TRUE(newest->value_or(QString()).contains(u"<title>Newest torrents"_s));
    EXPECT_TRUE(forum->value_or(QString()).contains(u"nickname: 'demo'"_s)) << "the forum, as the signed-in user";
    EXPECT_FALSE(m_context->cookieStore().exportNetscape().contains("stale"));
    EXPECT_EQ(m_sessionFace.loginShown, 0);
}

TEST_F(RecoveryAgainstDemo, WrongStoredCredentialsLogOutAndRequestsWaitForTheUserOrTheWindowToClose)
{
    expireSession(u"wrong"_s);

    OperationQueue queue(1);
    std::optional<std::optional<QString>> page;
    queuePage(queue, page);

    ASSERT_TRUE(processEventsUntil([&] { return m_sessionFace.loginShown == 1; })) << "the logout shows the login face";
    EXPECT_FALSE(m_context->cookieStore().exportNetscape().contains("mdi_session")) << "the logout deleted its cookies";
    EXPECT_EQ(m_root->lastReSignInFailure(), LoginController::kBadCredentialsText.toString());
    EXPECT_EQ(m_settings->text(SettingsKeys::password), std::nullopt) << "what failed is not stored";
    // The request cannot end before the session is valid again: it is still on the queue.
    QCoreApplication::processEvents();
    EXPECT_FALSE(page.has_value());
    EXPECT_EQ(queue.operationCount(), 1);

    // The user signs in on the login face; entering the main face releases the request.
    m_login->setPassword(u"demo"_s);
    m_login->login();
    ASSERT_TRUE(processEventsUntil([&] { return page.has_value(); }));
    EXPECT_TRUE(page->value_or(QString()).contains(u"nickname: 'demo'"_s));
    EXPECT_EQ(m_root->reSignInsStarted(), 1);

    // The same again, and this time the window closes. Without this the queue, which a closing screen waits for,
    // would never drain.
    expireSession(u"wrong"_s);
    page.reset();
    queuePage(queue, page);
    ASSERT_TRUE(processEventsUntil([&] { return m_sessionFace.loginShown == 2; }));
    EXPECT_EQ(queue.operationCount(), 1) << "the request waits for the user";
    m_root->close();
    ASSERT_TRUE(processEventsUntil([&] { return page.has_value(); }));
    EXPECT_FALSE(page->has_value()) << "a request released by the closing window has no page";
    queue.waitUntilAllOperationsAreFinished();
}

TEST_F(RecoveryAgainstDemo, ASiteThatKeepsAnsweringTheSignInPageIsLeftAfterThreeRounds)
{
    expireSession();
    // Not the sign-in address itself (no final "/"), yet always the sign-in page.
    EXPECT_FALSE(page("/auth/login").has_value());
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
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&] {
                start.arrive_and_wait();
                winners += int(root.testAndClearSessionValidated());
            });
        }
        threads.clear(); // joins them
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
