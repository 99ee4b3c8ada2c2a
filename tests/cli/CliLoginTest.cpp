#include "CliDemoTest.h"

#include <QRegularExpression>
#include <QTemporaryDir>

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

// A session brought from a cookie file, as a browser exports it: only the site's own cookies are taken, and only when
// they sign in; a file of another site's cookies, a broken or missing file, or a session that has ended is refused
// with what is wrong, and the profile keeps what it had.
TEST_F(CliLogin, ASessionComesFromACookieFileOnlyWhenItSignsIn)
{
    // The "browser": another profile signed in as bob.
    QTemporaryDir browser;
    ASSERT_TRUE(browser.isValid());
    const QStringList site{u"--site-host"_s, QString::fromStdString(demo().host()), u"--ca-file"_s,
                           QString::fromStdString(demo().caFile())};
    ASSERT_EQ(runCli(loginAsBob(kPassword), browser.path(), site).exitCode, 0);
    QFile jar(browser.filePath(u"cookies.txt"_s));
    ASSERT_TRUE(jar.open(QIODevice::ReadOnly));
    const QByteArray signedIn = jar.readAll();
    ASSERT_TRUE(signedIn.contains("mdi_session"));
    const QByteArray elsewhere = "# Netscape HTTP Cookie File\n.example.org\tTRUE\t/\tFALSE\t0\tsid\tabc\n";
    const QByteArray ended = QString::fromUtf8(signedIn)
                                 .replace(QRegularExpression(u"mdi_session\t\\S+"_s), u"mdi_session\tgone0000"_s)
                                 .toUtf8();

    const struct
    {
        const char* file;
        QByteArray text; // none: no file at all
        int exitCode;
        QString saying;
    } files[] = {
        {"missing", {}, 1, u"cannot be read"_s},
        {"broken", "<html>not cookies</html>\n", 1, u"holds no cookies in the Netscape cookie-file format"_s},
        {"another site's", elsewhere, 1, u"holds no cookies for 127.0.0.1 that have not expired (1 of other sites"_s},
        {"a session that ended", ended, 1, u"do not sign in"_s},
        {"the browser's, with another site's", signedIn + elsewhere.mid(elsewhere.indexOf('\n') + 1), 0,
         u"Signed in as bob (1 cookie of the site taken, 1 cookie of other sites left out)"_s},
    };
    for (const auto& one : files) {
        SCOPED_TRACE(one.file);
        const QString path = m_profile.filePath(u"export.txt"_s);
        QFile::remove(path);
        if (!one.text.isNull()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(one.text) == one.text.size());
        }
        const QByteArray cookiesBefore = profileFile(u"cookies.txt"_s);
        const CliRun run = cli({u"login"_s, u"--cookies"_s, path});
        EXPECT_EQ(run.exitCode, one.exitCode) << run.err.toStdString();
        EXPECT_TRUE((run.out + run.err).contains(one.saying)) << (run.out + run.err).toStdString();
        if (one.exitCode != 0) {
            EXPECT_EQ(profileFile(u"cookies.txt"_s), cookiesBefore) << "nothing stored";
        }
    }
    EXPECT_EQ(cli("whoami").out, u"bob\n"_s);
    EXPECT_FALSE(profileFile(u"cookies.txt"_s).contains("example.org"));
    EXPECT_EQ(setting(u"Marrowfin_anonymousLogin"_s), u"NO"_s);
    EXPECT_EQ(cli({u"login"_s, u"--cookies"_s, u"x"_s, u"--anonymous"_s}).exitCode, 2);
}

// A site that guards its sign-in with a captcha: the failure says so, not that the password is wrong, and says how
// to sign in anyway.
TEST(CliCaptcha, ASignInTheSiteGuardsWithACaptchaSaysSo)
{
    const marrowfin::demotest::DemoProcess demo({"--captcha", "--user", "bob:" + kPassword.toStdString()});
    ASSERT_TRUE(demo.started());
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    const CliRun run = runCli(
        {u"login"_s, u"--user"_s, u"bob"_s, u"--password"_s, kPassword}, profile.path(),
        {u"--site-host"_s, QString::fromStdString(demo.host()), u"--ca-file"_s, QString::fromStdString(demo.caFile())});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"Login failed. The site asks for a captcha to sign in"_s)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"marrowfin-cli login --cookies FILE"_s)) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(u"Bad username or password."_s));

    // The health check names the captcha too, where a stored sign-in meets it.
    const QStringList site{u"--site-host"_s, QString::fromStdString(demo.host()), u"--ca-file"_s,
                           QString::fromStdString(demo.caFile())};
    for (const auto& [key, value] : {std::pair{u"Marrowfin_anonymousLogin"_s, u"NO"_s},
                                     {u"Marrowfin_username"_s, u"bob"_s},
                                     {u"Marrowfin_password"_s, kPassword},
                                     {u"Marrowfin_automaticLogin"_s, u"YES"_s}}) {
        ASSERT_EQ(runCli({u"settings"_s, u"set"_s, key, value}, profile.path(), site).exitCode, 0);
    }
    const CliRun doctor = runCli({u"doctor"_s}, profile.path(), site);
    EXPECT_TRUE(
        doctor.out.contains(QRegularExpression(u"(?m)^sign-in +FAILED +Login failed\\. The site asks for a captcha to "
                                               u"sign in, so the password was not tried\\. Sign in once "
                                               u"on the site's own page"_s)))
        << doctor.out.toStdString();
}
