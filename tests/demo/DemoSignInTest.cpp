#include "DemoHttp.h"

#include "core/scrape/PagePatterns.h"
#include "core/text/RegexMatching.h"
#include "core/text/TextConversions.h"
#include "support/DemoProcess.h"

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

// Signing in, a session's expiry and the captcha run through the application's own code against this site
// (tests/core/login, tests/cli). Left here is what none of them reaches: a password with characters the form must
// escape, users given beside the built-in one, and the site's sign-out link, which a page shown in the window can
// follow and which must end the session on the site, not only in a cookie jar.
TEST(DemoSignIn, EscapedCredentialsAndTheSiteSignOut)
{
    DemoProcess demo({"--user", "alice:p&ss word"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    // The sign-in form post as the app sends it without a captcha.
    const auto signIn = [&](const QString& user, const QString& password) {
        HttpCall call;
        call.method = "POST";
        call.url = demo.secureSite("/auth/login/");
        call.caFile = demo.caFile();
        call.body = "return_uri=https%3A%2F%2F" + demo.host() +
                    "%2Fauth%2Fregister%2F&email=" + stringWithPercentEscape(user).toStdString() +
                    "&password=" + stringWithPercentEscape(password).toStdString();
        call.headers = {"Content-Type: application/x-www-form-urlencoded", "origin: " + call.url};
        return perform(call);
    };
    const struct
    {
        QString user;
        QString password;
        bool accepted;
    } attempts[] = {{u"alice"_s, u"p&ss"_s, false},
                    {u"bob"_s, u"p&ss word"_s, false},
                    {u"alice"_s, QString(), false},
                    {u"demo"_s, u"demo"_s, true},
                    {u"alice"_s, u"p&ss word"_s, true}};
    std::string session;
    for (const auto& attempt : attempts) {
        SCOPED_TRACE((attempt.user + u':' + attempt.password).toStdString());
        const HttpReply reply = signIn(attempt.user, attempt.password);
        EXPECT_EQ(reply.status, 200);
        session = setCookieValue(reply, "mdi_session");
        EXPECT_EQ(!session.empty(), attempt.accepted);
        EXPECT_EQ(reply.text().contains(u"<td><div class=\"alertfield\">"_s), !attempt.accepted);
    }

    const std::string cookie = "Cookie: mdi_session=" + session;
    EXPECT_EQ(stringByMatching(get(demo.site("/new"), {cookie}).text(), nicknamePattern(), 1), u"alice"_s);
    EXPECT_EQ(get(demo.site("/auth/logout/"), {cookie}).status, 302);
    EXPECT_TRUE(stringByMatching(get(demo.site("/new"), {cookie}).text(), u"<title>(.*)</title>"_s, 1)
                    .contains(u"/auth/login/"_s))
        << "a signed-out session cookie meets the sign-in page";
}
