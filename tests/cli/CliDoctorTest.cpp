#include "CliDemoTest.h"

#include <QRegularExpression>

#include <functional>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kUser = u"ravel"_s;
const QString kPassword = u"Pw-9cS3cret"_s;
const QString kWrongPassword = u"Pw-wr0ngOne"_s;

// The health check against the demo site and its uTorrent interface: a healthy profile passes every check, and each
// fault turns exactly its own checks red, says what is wrong and what to do, and is gone once the fault is.
class CliDoctor : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo({"--user", (kUser + u':' + kPassword).toStdString()}); }

    void SetUp() override
    {
        CliDemoTest::SetUp();
        m_secrets = {kPassword, kWrongPassword};
        ASSERT_EQ(cli("login --anonymous").exitCode, 0);
        useUtorrent();
    }

    [[nodiscard]] QString path(const QString& name) const { return m_profile.filePath(name); }

    // The checks that failed, and each check's detail, by name. Also holds the command to what it promises: no
    // password or cookie value printed (the passwords are m_secrets), no stored setting changed.
    struct Findings
    {
        int exitCode = -1;
        QStringList failed;
        QJsonObject details;
    };
    [[nodiscard]] Findings doctor(const QString& siteHost = QString()) const
    {
        const QByteArray settingsBefore = profileFile(u"marrowfin.conf"_s);
        const CliRun run = cli({u"--json"_s, u"doctor"_s}, siteHost);
        EXPECT_EQ(profileFile(u"marrowfin.conf"_s), settingsBefore) << "the health check changed a setting";
        for (const QByteArray& line : profileFile(u"cookies.txt"_s).split('\n')) {
            if (line.count('\t') == 6) { // a cookie line, "#HttpOnly_" ones too: its value must not show either
                EXPECT_FALSE((run.out + run.err).contains(QString::fromUtf8(line.split('\t').last())));
            }
        }
        Findings findings{run.exitCode, {}, {}};
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const QJsonArray checks = root[u"checks"_s].toArray();
        EXPECT_EQ(checks.size(), 5) << run.out.toStdString() << run.err.toStdString();
        for (const QJsonValue& check : checks) {
            if (!check[u"ok"_s].toBool()) {
                findings.failed.append(check[u"name"_s].toString());
            }
            findings.details.insert(check[u"name"_s].toString(), check[u"detail"_s]);
        }
        EXPECT_EQ(root[u"ok"_s].toBool(), findings.failed.isEmpty());
        return findings;
    }
};

} // namespace

TEST_F(CliDoctor, EachFaultTurnsItsOwnCheckRed)
{
    const CliRun healthy = cli("doctor");
    EXPECT_EQ(healthy.exitCode, 0) << healthy.out.toStdString();
    EXPECT_EQ(healthy.out.count(QRegularExpression(u"(?m)^(site|listing|sign-in|client|files) +ok +\\S"_s)), 5)
        << healthy.out.toStdString();

    const QString conf = path(u"marrowfin.conf"_s);
    const QString cookies = path(u"cookies.txt"_s);
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QString newest = QString::fromStdString(demo().site("/new/"));
    const QStringList badLogin{u"Bad username or password."_s, u"marrowfin-cli login"_s};
    // Each fault is caused with true and mended with false.
    QString siteHost;
    const auto siteDown = [&](bool on) { siteHost = on ? u"127.0.0.1:1"_s : QString(); };
    const auto layout = [](bool on) {
        EXPECT_EQ(control(on ? "/_demo/layout?changed=1" : "/_demo/layout?changed=0"), 200);
    };
    // Mended with the right password, so that the later cases run signed in, with a session cookie to keep quiet about.
    const auto credentials = [this](bool on) {
        if (on) {
            store(u"Marrowfin_anonymousLogin"_s, u"NO"_s);
            store(u"Marrowfin_automaticLogin"_s, u"YES"_s);
            store(u"Marrowfin_username"_s, kUser);
        }
        store(u"Marrowfin_password"_s, on ? kWrongPassword : kPassword);
    };
    const auto session = [this](bool on) {
        store(u"Marrowfin_password"_s, on ? kWrongPassword : kPassword);
        if (on) {
            expireSession();
        }
    };
    const auto client = [this](bool on) {
        useClient(u"Utorrent"_s, on ? 1 : portOf(demo().utorrent("/")), u"admin"_s, u"admin"_s);
    };
    // The site pushing back, on every path: each named for what it is, not as the site being down.
    const auto pushback = [](const std::string& query) {
        return [=](bool on) { EXPECT_EQ(control(on ? "/_demo/fail?" + query : "/_demo/fail?mode=off"), 200); };
    };
    const auto mode = [&](const QString& file, QFile::Permissions bad) {
        return [=](bool on) { ASSERT_TRUE(QFile::setPermissions(file, on ? bad : ownerOnly)) << file.toStdString(); };
    };
    const struct
    {
        const char* fault;
        std::function<void(bool)> cause;
        const char* failed; // the checks, by name
        QStringList saying; // in the first failed check's detail
    } faults[] = {
        {"site down", siteDown, "site listing sign-in", {u"http://127.0.0.1:1/ does not answer: connection refused"_s}},
        {"layout changed", layout, "listing", {u"layout has changed: "_s + newest}},
        {"rate limited",
         pushback("mode=429&retry=300"),
         "site listing",
         {u"limits how often it may be asked (HTTP status 429) and asks to wait 300 seconds"_s}},
        {"browser check", pushback("mode=challenge"), "site listing", {u"shows a browser check (HTTP status 503)"_s}},
        {"blocked", pushback("mode=403"), "site listing", {u"refuses these requests (HTTP status 403)"_s}},
        {"bad credentials", credentials, "sign-in", badLogin},
        {"session expired, password changed since", session, "sign-in", badLogin},
        {"client down", client, "client", {u"Utorrent does not work: 127.0.0.1:1: connection refused"_s}},
        {"settings readable by others",
         mode(conf, ownerOnly | QFile::ReadGroup | QFile::ReadOther),
         "files",
         {conf + u" (mode 0644)"_s, u"chmod 600 "_s + conf}},
        {"cookies readable by the group",
         mode(cookies, ownerOnly | QFile::ReadGroup),
         "files",
         {cookies + u" (mode 0640)"_s, u"chmod 600 "_s + cookies}},
    };
    for (const auto& one : faults) {
        SCOPED_TRACE(one.fault);
        one.cause(true);
        const Findings found = doctor(siteHost);
        EXPECT_EQ(found.exitCode, 1);
        EXPECT_EQ(found.failed.join(u' ').toStdString(), one.failed);
        const QString detail = found.details.value(found.failed.value(0)).toString();
        for (const QString& words : one.saying) {
            EXPECT_TRUE(detail.contains(words)) << detail.toStdString();
        }
        one.cause(false);
        const Findings mended = doctor(siteHost);
        EXPECT_EQ(mended.exitCode, 0) << mended.failed.join(u' ').toStdString();
    }
    EXPECT_EQ(doctor().details.value(u"sign-in"_s).toString(), u"signed in as "_s + kUser);

    // A front page that fails while the listing works is a warning, and the check passes.
    ASSERT_EQ(control("/_demo/fail?mode=404&prefix=/&exact=1"), 200);
    const CliRun frontPage = cli("doctor");
    ASSERT_EQ(control("/_demo/fail?mode=off"), 200);
    EXPECT_EQ(frontPage.exitCode, 0) << frontPage.out.toStdString();
    EXPECT_TRUE(frontPage.out.contains(QRegularExpression(
        u"(?m)^site +warning +\\S+ answers with HTTP status 404; .*only the front page is affected$"_s)))
        << frontPage.out.toStdString();
    EXPECT_TRUE(frontPage.out.contains(QRegularExpression(u"(?m)^listing +ok "_s))) << frontPage.out.toStdString();
}
