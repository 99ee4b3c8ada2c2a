#include "LoginTestSupport.h"

#include "core/login/FetchPageCaptcha.h"
#include "core/login/FetchPageLoginCheck.h"
#include "core/login/FetchPageSignIn.h"
#include "core/login/LoginPages.h"
#include "core/net/OperationQueue.h"
#include "core/scrape/UserInfo.h"
#include "core/settings/SettingsKeys.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace marrowfin::logintest;
using namespace Qt::Literals::StringLiterals;

namespace {

TEST(SignInForm, BodiesEscapeWhatTheUserTyped)
{
    EXPECT_EQ(
        FetchPageSignIn::formBody(u"jo e&x=1"_s, u"p=w&d%"_s, std::nullopt, u"ignored"_s, u"site.example:81"_s),
        u"return_uri=https%3A%2F%2Fsite.example:81%2Fauth%2Fregister%2F&email=jo%20e%26x%3D1&password=p%3Dw%26d%25"_s);
    // An empty challenge is no captcha.
    EXPECT_EQ(FetchPageSignIn::formBody(u"a"_s, u"b"_s, u""_s, u""_s, u"h"_s),
              u"return_uri=https%3A%2F%2Fh%2Fauth%2Fregister%2F&email=a&password=b"_s);
}

// The site compares origin and referer with its sign-in page, which the demo site does not.
TEST(SignInForm, CaptchaFormGoesOverTheWireWithTheBrowserFields)
{
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

    const QList<test::RecordedRequest> posts = server.requestsTo("/auth/login/");
    ASSERT_EQ(posts.size(), 1);
    const test::RecordedRequest& post = posts.first();
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, "email=mary%26co%3Dx&password=se%20cret&recaptcha_challenge_field=CHAL123"
                         "&recaptcha_response_field=9876&remember_me=on&login=submit");
    EXPECT_EQ(post.header("origin"), QByteArray("https://site.example:8443/auth/login/"));
    EXPECT_EQ(post.header("referer"), QByteArray("https://site.example:8443/auth/login/"));
    EXPECT_EQ(post.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
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

TEST_F(LoginAgainstDemo, AnExistingSessionSkipsTheForm)
{
    signIn(u"demo"_s, u"demo"_s);
    ASSERT_EQ(m_face.mainFaceEntered, 1);
    // A wrong password cannot matter: the check page already shows the signed-in site.
    signIn(u"demo"_s, u"not the password"_s);
    EXPECT_EQ(m_face.mainFaceEntered, 1);
    EXPECT_TRUE(m_face.alerts.isEmpty());
    // Stored all the same, before the check was made.
    EXPECT_EQ(m_settings->text(SettingsKeys::password), u"not the password"_s);
}

TEST_F(LoginAgainstDemo, ACheckPageWithAServerErrorIsNotSignedIn)
{
    const auto demoControl = [this](const std::string& pathAndQuery) {
        HttpRequest request(site(pathAndQuery), m_context);
        request.request();
        ASSERT_TRUE(request.isResponseValid());
    };
    signIn(u"demo"_s, u"demo"_s);
    ASSERT_EQ(m_face.mainFaceEntered, 1);
    demoControl("/_demo/fail?mode=500&prefix=/new");

    UserInfo::sharedInstance().setUsername(u"untouched"_s);
    OperationQueue queue(1);
    QObject receiver;
    std::optional<SignInRequest> check;
    queue.addOperation(std::make_shared<FetchPageLoginCheck>(
        QUrl(AppConfig::current().siteAddress(u"/new"_s)), &receiver,
        FetchPage::selectorFor<SignInRequest>([&](std::optional<SignInRequest> r) { check = std::move(r); }),
        m_context));
    ASSERT_TRUE(processEventsUntil([&] { return check.has_value(); }));
    ASSERT_TRUE(*check && (*check)->urlResponse());
    EXPECT_EQ((*check)->urlResponse()->statusCode, 500);
    EXPECT_FALSE(LoginPages::isLoginHeader((*check)->result())) << "only the status tells";
    EXPECT_EQ(UserInfo::sharedInstance().username(), u"untouched"_s);

    // So the form is posted, and a wrong password is reported instead of a short cut to the main face.
    signIn(u"demo"_s, u"wrong"_s);
    demoControl("/_demo/fail?mode=off");
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
    static void SetUpTestSuite() { startDemo({"--captcha"}); }
};

TEST_F(CaptchaSignIn, TheChallengeAndItsAnswerSignIn)
{
    const auto answerOf = [this](const QString& challenge) {
        HttpRequest request(site("/_demo/captcha?c=" + challenge.toStdString()), m_context);
        request.request();
        return request.result().value_or(QString()).trimmed();
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
    EXPECT_TRUE(m_face.loginEnabled);
    m_login->setCaptchaResponse(answerOf(challenge) + u"1"_s);
    signIn(u"demo"_s, u"demo"_s);
    EXPECT_EQ(m_face.alerts, QStringList{u"Login failed.|Bad username or password."_s});

    m_login->setCaptchaResponse(answerOf(fetchChallenge()));
    signIn(u"demo"_s, u"demo"_s);
    EXPECT_TRUE(m_face.alerts.isEmpty()) << m_face.alerts.join(u'\n').toStdString();
    EXPECT_EQ(m_face.mainFaceEntered, 1);
    EXPECT_EQ(m_login->captchaResponse(), QString()) << "a successful sign-in empties the captcha field";
}

} // namespace
