#include "CliDemoTest.h"

#include "support/DemoProcess.h"

#include <gtest/gtest.h>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPassword = u"Pw-only-4-bob"_s;

class CliLogin : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo({"--user", "bob:" + kPassword.toStdString()}); }

    CliRun cli(const QStringList& arguments, const QString& host = {}, const QByteArray& input = {}) const
    {
        const CliRun run = CliDemoTest::cli(arguments, host, input);
        EXPECT_FALSE(run.out.contains(kPassword) || run.err.contains(kPassword)) << "the password was printed";
        return run;
    }

    static QStringList loginAsBob(const QString& password)
    {
        return {u"login"_s, u"--user"_s, u"bob"_s, u"--password"_s, password};
    }

    QString setting(const QString& key) const { return cli({u"settings"_s, u"get"_s, key}).out.trimmed(); }

    QByteArray cookieFile() const { return profileFile(u"cookies.txt"_s); }
};

TEST_F(CliLogin, SignInStoresTheFieldsAndFailuresGiveTheirTexts)
{
    CliRun run = cli(loginAsBob(u"wrong"_s));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"Bad username or password."_s)) << run.err.toStdString();
    EXPECT_EQ(setting(u"Marrowfin_username"_s), u"bob"_s) << "stored before the attempt";
    EXPECT_EQ(setting(u"Marrowfin_automaticLogin"_s), u"NO"_s);

    run = cli(loginAsBob(kPassword) << u"--automatic"_s);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(u"bob"_s));
    EXPECT_EQ(setting(u"Marrowfin_automaticLogin"_s), u"YES"_s);
    EXPECT_EQ(setting(u"Marrowfin_anonymousLogin"_s), u"NO"_s);
    EXPECT_TRUE(cookieFile().contains("mdi_session"));

    run = cli({u"whoami"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), u"bob"_s);

    run = cli(loginAsBob(u"x"_s), u"127.0.0.1:9"_s);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"Connection error. Verify your data network."_s)) << run.err.toStdString();

    EXPECT_EQ(cli({u"login"_s, u"--anonymous"_s, u"--user"_s, u"bob"_s}).exitCode, 2);

    // "-" takes the password from standard input, so it never stands in a process list.
    run = cli(loginAsBob(u"-"_s), {}, kPassword.toUtf8() + '\n');
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(profileFile(u"marrowfin.conf"_s).contains("Marrowfin_password=" + kPassword.toUtf8()))
        << "stored as typed";
    EXPECT_EQ(cli(loginAsBob(u"-"_s)).exitCode, 2) << "nothing on stdin";
}

TEST_F(CliLogin, AnExpiredSessionIsRenewedWithTheStoredCredentialsOrEndsInALogout)
{
    ASSERT_EQ(cli(loginAsBob(kPassword)).exitCode, 0);
    expireSession();
    CliRun run = cli({u"whoami"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), u"bob"_s);
    EXPECT_FALSE(cookieFile().contains("stale")) << "the new session was kept";

    expireSession();
    run = cli({u"--json"_s, u"new"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(u'['));

    store(u"Marrowfin_password"_s, u"no longer right"_s);
    expireSession();
    run = cli({u"new"_s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"Login failed. Bad username or password."_s)) << run.err.toStdString();
    EXPECT_FALSE(cookieFile().contains("mdi_session")) << "a failed re-sign-in logs out";

    // The same with the site host typed in capitals: the re-sign-in's own answer (the sign-in page again) is final,
    // not an expired session that the re-sign-in would have to wait for itself to renew.
    const QString capitals = QString::fromStdString(demo().host()).replace(u"127.0.0.1"_s, u"LOCALHOST"_s);
    ASSERT_EQ(cli(loginAsBob(kPassword), capitals).exitCode, 0);
    store(u"Marrowfin_password"_s, u"no longer right"_s);
    expireSession();
    run = cli({u"new"_s}, capitals);
    EXPECT_EQ(run.exitCode, 1) << "-1 is a command that never ended";
    EXPECT_TRUE(run.err.contains(u"Login failed. Bad username or password."_s)) << run.err.toStdString();
}

TEST_F(CliLogin, AnonymousUseNeedsNoSiteAndLogoutEndsTheSession)
{
    CliRun run = cli({u"login"_s, u"--anonymous"_s}, u"127.0.0.1:9"_s);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(setting(u"Marrowfin_anonymousLogin"_s), u"YES"_s);
    run = cli({u"whoami"_s}, u"127.0.0.1:9"_s);
    EXPECT_EQ(run.out.trimmed(), u"Anonymous"_s);

    ASSERT_EQ(cli(loginAsBob(kPassword)).exitCode, 0);
    run = cli({u"logout"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(cookieFile().contains("mdi_session"));
    run = cli({u"whoami"_s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"not signed in"_s)) << run.err.toStdString();
    EXPECT_EQ(setting(u"Marrowfin_username"_s), u"bob"_s) << "a logout keeps the stored credentials";
}

} // namespace
