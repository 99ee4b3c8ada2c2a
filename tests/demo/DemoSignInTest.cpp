#include "SharedDemo.h"

#include "core/scrape/PagePatterns.h"
#include "core/text/TextConversions.h"

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
    // The sign-in form post as the app sends it without a captcha (over TLS, which the serving tests cover).
    const auto signIn = [&](const QString& user, const QString& password) {
        return marrowfin::test::plainHttpAt(
            demo.site("/auth/login/"), "POST", {"Content-Type: application/x-www-form-urlencoded"},
            "return_uri=https%3A%2F%2F" + QByteArray::fromStdString(demo.host()) + "%2Fauth%2Fregister%2F&email=" +
                stringWithPercentEscape(user).toUtf8() + "&password=" + stringWithPercentEscape(password).toUtf8());
    };
    const std::tuple<QString, QString, bool> attempts[] = {{u"alice"_s, u"p&ss"_s, false},
                                                           {u"bob"_s, u"p&ss word"_s, false},
                                                           {u"alice"_s, QString(), false},
                                                           {u"demo"_s, u"demo"_s, true},
                                                           {u"alice"_s, u"p&ss word"_s, true}};
    QByteArray session;
    for (const auto& [user, password, accepted] : attempts) {
        SCOPED_TRACE((user + u':' + password).toStdString());
        const PlainAnswer answer = signIn(user, password);
        EXPECT_EQ(answer.status, 200);
        session = answer.cookie("mdi_session").mid(12); // the value
        EXPECT_EQ(!session.isEmpty(), accepted);
        EXPECT_EQ(text(answer).contains(u"<td><div class=\"alertfield\">"_s), !accepted);
    }

    const QByteArray cookie = "Cookie: mdi_session=" + session;
    EXPECT_EQ(stringByMatching(text(get(demo.site("/new"), {cookie})), nicknamePattern(), 1), u"alice"_s);
    EXPECT_EQ(get(demo.site("/auth/logout/"), {cookie}).status, 302);
    EXPECT_TRUE(stringByMatching(text(get(demo.site("/new"), {cookie})), u"<title>(.*)</title>"_s, 1)
                    .contains(u"/auth/login/"_s))
        << "a signed-out session cookie meets the sign-in page";
}
