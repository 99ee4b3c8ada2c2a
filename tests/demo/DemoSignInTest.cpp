#include "DemoHttp.h"

#include "core/scrape/TorrentListPattern.h"
#include "core/text/RegexMatching.h"
#include "core/text/TextConversions.h"
#include "support/DemoProcess.h"

#include <gtest/gtest.h>

#include <thread>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kTitle = u"<title>(.*)</title>"_s;
const QString kNickname = u"nickname: '(.*?)',"_s;
const QString kAlertField = u"<td><div class=\"alertfield\">"_s;
constexpr const char* kCookie = "mdi_session";

// The sign-in form post as the app sends it without a captcha.
std::string signInBody(const std::string& host, const QString& user, const QString& password)
{
    return "return_uri=https%3A%2F%2F" + host +
           "%2Fauth%2Fregister%2F&email=" + stringWithPercentEscape(user).toStdString() +
           "&password=" + stringWithPercentEscape(password).toStdString();
}

HttpReply postSignIn(const DemoProcess& demo, const std::string& body)
{
    HttpCall call;
    call.method = "POST";
    call.url = demo.secureSite("/auth/login/");
    call.caFile = demo.caFile();
    call.body = body;
    call.headers = {"Content-Type: application/x-www-form-urlencoded", "origin: " + demo.secureSite("/auth/login/")};
    return perform(call);
}

QString titleOf(const HttpReply& reply)
{
    return stringByMatching(reply.text(), kTitle, 1);
}

} // namespace

// Anonymous pages list torrents and link the sign-in form; bad credentials answer the form with its alert and no
// cookie; good ones set the session cookie and answer a page naming the user without the sign-in path, and
// pages fetched with that cookie are the signed-in site. The check runs over verified TLS with the demo's CA.
TEST(DemoSignIn, CredentialsSessionsAndLogout)
{
    DemoProcess demo({"--user", "alice:p&ss word", "--session-lifetime", "600"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();

    const HttpReply anonymous = get(demo.site("/new"));
    ASSERT_EQ(anonymous.status, 200);
    EXPECT_TRUE(anonymous.text().contains(u"/auth/login/"_s));
    EXPECT_FALSE(titleOf(anonymous).contains(u"/auth/login/"_s));
    EXPECT_TRUE(stringByMatching(anonymous.text(), kNickname, 1).isNull());
    EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(anonymous.text(), torrentListPattern()).size(), 25);

    const HttpReply form = get(demo.secureSite("/auth/login/"));
    EXPECT_EQ(form.error, CURLE_SSL_CACERT) << "the demo's certificate is not trusted without its CA";
    HttpCall formCall;
    formCall.url = demo.secureSite("/auth/login/");
    formCall.caFile = demo.caFile();
    const HttpReply trusted = perform(formCall);
    ASSERT_EQ(trusted.error, CURLE_OK);
    EXPECT_TRUE(titleOf(trusted).contains(u"/auth/login/"_s));
    EXPECT_TRUE(trusted.text().contains(u"name=\"email\""_s));
    EXPECT_TRUE(trusted.text().contains(u"name=\"password\""_s));

    for (const auto& [user, password] :
         {std::pair{u"alice"_s, u"p&ss"_s}, std::pair{u"bob"_s, u"p&ss word"_s}, std::pair{u"alice"_s, u""_s}}) {
        const HttpReply bad = postSignIn(demo, signInBody(demo.host(), user, password));
        EXPECT_EQ(bad.status, 200);
        EXPECT_TRUE(bad.text().contains(u"/auth/login/"_s));
        EXPECT_TRUE(bad.text().contains(kAlertField));
        EXPECT_EQ(setCookieValue(bad, kCookie), "");
    }

    const HttpReply good = postSignIn(demo, signInBody(demo.host(), u"alice"_s, u"p&ss word"_s));
    ASSERT_EQ(good.status, 200);
    const std::string session = setCookieValue(good, kCookie);
    ASSERT_FALSE(session.empty());
    EXPECT_FALSE(good.text().contains(u"/auth/login/"_s));
    EXPECT_EQ(stringByMatching(good.text(), kNickname, 1), u"alice"_s);

    const std::string cookie = "Cookie: " + std::string(kCookie) + "=" + session;
    for (const std::string path : {"/new", "/", "/community", "/usearch/category%3Amovies/"}) {
        const HttpReply signedIn = get(demo.site(path), {cookie});
        EXPECT_EQ(signedIn.status, 200) << path;
        EXPECT_FALSE(signedIn.text().contains(u"/auth/login/"_s)) << path;
        EXPECT_EQ(stringByMatching(signedIn.text(), kNickname, 1), u"alice"_s) << path;
    }
    EXPECT_EQ(
        arrayOfCaptureComponentsMatchedByRegex(get(demo.site("/new"), {cookie}).text(), torrentListPattern()).size(),
        25);

    // The default user is there beside the ones given.
    EXPECT_FALSE(setCookieValue(postSignIn(demo, signInBody(demo.host(), u"demo"_s, u"demo"_s)), kCookie).empty());

    const HttpReply out = get(demo.site("/auth/logout/"), {cookie});
    EXPECT_EQ(out.status, 302);
    EXPECT_TRUE(titleOf(get(demo.site("/new"), {cookie})).contains(u"/auth/login/"_s))
        << "a signed-out session cookie meets the sign-in page";
}

// A session ends after its lifetime: every page asked for with its cookie is answered, status 200, by the sign-in
// page (recognised by its title), while the same page without a cookie is the anonymous site.
TEST(DemoSignIn, ExpiredSessionAnswersTheSignInPage)
{
    DemoProcess demo({"--session-lifetime", "1"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    const HttpReply good = postSignIn(demo, signInBody(demo.host(), u"demo"_s, u"demo"_s));
    const std::string session = setCookieValue(good, kCookie);
    ASSERT_FALSE(session.empty());
    const std::string cookie = "Cookie: other=1; " + std::string(kCookie) + "=" + session;
    const HttpReply fresh = get(demo.site("/new/2/?field=size&sorder=asc"), {cookie});
    EXPECT_EQ(stringByMatching(fresh.text(), kNickname, 1), u"demo"_s);

    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    for (const std::string path : {"/new/2/?field=size&sorder=asc", "/", "/community", "/user/demo"}) {
        const HttpReply expired = get(demo.site(path), {cookie});
        EXPECT_EQ(expired.status, 200) << path;
        EXPECT_TRUE(titleOf(expired).contains(u"/auth/login/"_s)) << path;
        EXPECT_TRUE(stringByMatching(expired.text(), kNickname, 1).isNull()) << path;
    }
    const HttpReply unknown = get(demo.site("/new"), {"Cookie: " + std::string(kCookie) + "=not-a-session"});
    EXPECT_TRUE(titleOf(unknown).contains(u"/auth/login/"_s));
    const HttpReply none = get(demo.site("/new"));
    EXPECT_FALSE(titleOf(none).contains(u"/auth/login/"_s));

    // Signing in again gives a working session.
    const std::string renewed =
        setCookieValue(postSignIn(demo, signInBody(demo.host(), u"demo"_s, u"demo"_s)), kCookie);
    ASSERT_FALSE(renewed.empty());
    EXPECT_NE(renewed, session);
    EXPECT_EQ(stringByMatching(get(demo.site("/new"), {"Cookie: " + std::string(kCookie) + "=" + renewed}).text(),
                               kNickname, 1),
              u"demo"_s);
}

// In captcha mode the sign-in page carries the challenge script the app looks for; the script holds the
// challenge, the image endpoint answers a PNG, and only the right answer, once, signs in.
TEST(DemoSignIn, CaptchaChallengeImageAndCheck)
{
    DemoProcess demo({"--captcha"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    HttpCall formCall;
    formCall.url = demo.secureSite("/auth/login/");
    formCall.caFile = demo.caFile();
    const HttpReply form = perform(formCall);
    ASSERT_EQ(form.status, 200);
    const QString scriptAddress = stringByMatching(
        form.text(),
        uR"re(<script type="text/javascript"[\s\S]*?src="(http://.*recaptcha/api/challenge.*)">[\s\S]*?</script>)re"_s,
        1);
    ASSERT_FALSE(scriptAddress.isNull());
    auto fetchChallenge = [&] {
        const HttpReply script = get(scriptAddress.toStdString());
        EXPECT_EQ(script.status, 200);
        return stringByMatching(script.text(), u"challenge[ ]*:[ ]*'(.*?)'"_s, 1).toStdString();
    };
    const std::string challenge = fetchChallenge();
    ASSERT_FALSE(challenge.empty());

    const HttpReply image = get(demo.site("/image?c=" + challenge));
    ASSERT_EQ(image.status, 200);
    EXPECT_EQ(image.header("content-type"), "image/png");
    ASSERT_GT(image.body.size(), 33u);
    EXPECT_EQ(image.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(image.body.substr(12, 4), "IHDR");
    EXPECT_EQ(image.body.substr(image.body.size() - 8, 4), "IEND");
    EXPECT_EQ(get(demo.site("/image?c=unknown")).status, 404);

    const std::string answer = get(demo.site("/_demo/captcha?c=" + challenge)).body;
    ASSERT_EQ(answer.size(), 5u);
    auto captchaBody = [](const std::string& challengeText, const std::string& response) {
        return "email=demo&password=" + stringWithPercentEscape(u"demo"_s).toStdString() +
               "&recaptcha_challenge_field=" + challengeText + "&recaptcha_response_field=" + response +
               "&remember_me=on&login=submit";
    };
    const std::string wrong = answer == "12345" ? "54321" : "12345";
    const std::string second = fetchChallenge();
    const HttpReply refused = postSignIn(demo, captchaBody(second, wrong));
    EXPECT_TRUE(refused.text().contains(kAlertField));
    EXPECT_TRUE(refused.text().contains(u"recaptcha_challenge_field"_s));
    EXPECT_EQ(setCookieValue(refused, kCookie), "");

    // Right credentials without a captcha are not enough in this mode.
    EXPECT_EQ(setCookieValue(postSignIn(demo, signInBody(demo.host(), u"demo"_s, u"demo"_s)), kCookie), "");

    const HttpReply accepted = postSignIn(demo, captchaBody(challenge, answer));
    EXPECT_FALSE(setCookieValue(accepted, kCookie).empty());
    EXPECT_EQ(stringByMatching(accepted.text(), kNickname, 1), u"demo"_s);
    EXPECT_EQ(setCookieValue(postSignIn(demo, captchaBody(challenge, answer)), kCookie), "")
        << "a challenge is good for one sign-in";
}
