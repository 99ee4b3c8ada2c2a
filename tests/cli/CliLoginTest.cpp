#include "CliDemoTest.h"

#include <cerrno>
#include <cstring>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPassword = u"Pw-only&4 bob"_s;

class CliLogin : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo({"--user", "bob:" + kPassword.toStdString()}); }
    void SetUp() override
    {
        CliDemoTest::SetUp();
        m_secrets = {kPassword};
    }

    static QStringList loginAsBob(const QString& password)
    {
        return {u"login"_s, u"--user"_s, u"bob"_s, u"--password"_s, password};
    }

    QString setting(const QString& key) const { return cli({u"settings"_s, u"get"_s, key}).out.trimmed(); }
    bool hasSession() const { return profileFile(u"cookies.txt"_s).contains("mdi_session"); }
};

TEST_F(CliLogin, SignInStoresTheFieldsAndFailuresGiveTheirTexts)
{
    CliRun run = cli(loginAsBob(u"wrong"_s));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"Bad username or password."_s)) << run.err.toStdString();
    EXPECT_FALSE(profileFile(u"marrowfin.conf"_s).contains("Marrowfin_username")) << "stored only once it works";

    run = cli(loginAsBob(kPassword) << u"--automatic"_s);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(u"bob"_s));
    EXPECT_EQ(setting(u"Marrowfin_automaticLogin"_s), u"YES"_s);
    EXPECT_EQ(setting(u"Marrowfin_anonymousLogin"_s), u"NO"_s);
    EXPECT_TRUE(hasSession());
    EXPECT_EQ(cli("whoami").out, u"bob\n"_s);

    // A live session does not pass for a sign-in with other credentials: they are tried, and what worked stays.
    for (QStringList wrong : {loginAsBob(u"wrong"_s), QStringList{u"login"_s, u"--user="_s, u"--password=x"_s}}) {
        ASSERT_EQ(cli(loginAsBob(kPassword)).exitCode, 0);
        run = cli(wrong << u"--automatic"_s);
        EXPECT_EQ(run.exitCode, 1) << wrong.join(u' ').toStdString();
        EXPECT_FALSE(hasSession());
        EXPECT_TRUE(profileFile(u"marrowfin.conf"_s).contains("Marrowfin_password=" + kPassword.toUtf8()));
    }

    run = cli(loginAsBob(u"x"_s), u"127.0.0.1:9"_s);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"Connection error. Verify your data network."_s)) << run.err.toStdString();

    // "-" takes the password from standard input, so it never stands in a process list.
    run = cli(loginAsBob(u"-"_s), {}, kPassword.toUtf8() + '\n');
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(profileFile(u"marrowfin.conf"_s).contains("Marrowfin_password=" + kPassword.toUtf8()))
        << "stored as typed";
}

// An expired session is renewed with the stored credentials, or ends in a logout when they no longer sign in; the
// same with the site host typed in capitals: the re-sign-in's own answer (the sign-in page again) is final, not an
// expired session that the re-sign-in would have to wait for itself to renew.
TEST_F(CliLogin, AnExpiredSessionIsRenewedWithTheStoredCredentialsOrEndsInALogout)
{
    ASSERT_EQ(cli(loginAsBob(kPassword)).exitCode, 0);
    expireSession();
    EXPECT_EQ(cli("whoami").out, u"bob\n"_s);
    EXPECT_FALSE(profileFile(u"cookies.txt"_s).contains("stale")) << "the new session was kept";
    expireSession();
    EXPECT_TRUE(cli("--json new").out.startsWith(u'['));

    const QString capitals = QString::fromStdString(demo().host()).replace(u"127.0.0.1"_s, u"LOCALHOST"_s);
    for (const QString& host : {QString(), capitals}) {
        ASSERT_EQ(cli(loginAsBob(kPassword), host).exitCode, 0);
        store(u"Marrowfin_password"_s, u"no longer right"_s);
        expireSession();
        const CliRun run = cli({u"new"_s}, host);
        EXPECT_EQ(run.exitCode, 1) << "-1 is a command that never ended";
        EXPECT_TRUE(run.err.contains(u"Login failed. Bad username or password."_s)) << run.err.toStdString();
        EXPECT_FALSE(hasSession()) << "a failed re-sign-in logs out";
    }
}

TEST_F(CliLogin, AnonymousUseNeedsNoSiteAndLogoutEndsTheSession)
{
    EXPECT_EQ(cli("login --anonymous", u"127.0.0.1:9"_s).exitCode, 0);
    EXPECT_EQ(setting(u"Marrowfin_anonymousLogin"_s), u"YES"_s);
    EXPECT_EQ(cli("whoami", u"127.0.0.1:9"_s).out, u"Anonymous\n"_s);

    ASSERT_EQ(cli(loginAsBob(kPassword)).exitCode, 0);
    EXPECT_EQ(cli("logout").exitCode, 0);
    EXPECT_FALSE(hasSession());
    const CliRun run = cli("whoami");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"not signed in"_s)) << run.err.toStdString();
    EXPECT_EQ(setting(u"Marrowfin_username"_s), u"bob"_s) << "a logout keeps the stored credentials";
}

} // namespace

// A change the profile cannot keep (its writes failing as on a full disk) is no success: the command names the file
// and the reason and ends with status 1, and what was stored stays. A sign-in is walked over every step of its
// writes (the typed fields, then the session's cookies).
TEST_F(CliLogin, ChangesThatCannotBeWrittenFailAndKeepWhatWasStored)
{
    ASSERT_EQ(cli(loginAsBob(kPassword)).exitCode, 0);
    const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
    for (const char* change : {"filters add 720p", "settings set Marrowfin_orderBy size", "remote set --port 9091",
                               "settings unset Marrowfin_username"}) {
        SCOPED_TRACE(change);
        const QByteArray stored = profileFile(u"marrowfin.conf"_s);
        const CliRun run = cliFailingWrite(1, QString::fromUtf8(change).split(u' '));
        EXPECT_TRUE(run.exitCode == 1 && run.err.contains(m_profile.filePath(u"marrowfin.conf"_s)) &&
                    run.err.contains(reason))
            << run.err.toStdString();
        EXPECT_EQ(profileFile(u"marrowfin.conf"_s), stored);
    }
    int failed = 0;
    for (int step = 1; step < 60; ++step) {
        SCOPED_TRACE(step);
        ASSERT_EQ(cli("logout").exitCode, 0);
        const CliRun run = cliFailingWrite(step, loginAsBob(kPassword));
        if (run.exitCode == 0) {
            break;
        }
        ++failed;
        EXPECT_TRUE(run.exitCode == 1 && run.err.contains(m_profile.path()) && run.err.contains(reason))
            << run.err.toStdString();
    }
    EXPECT_GE(failed, 10) << "the fields and the cookies, each at each step";
    EXPECT_TRUE(hasSession());
}
