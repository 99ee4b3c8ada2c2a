#include "CliDemoTest.h"

#include "support/TransmissionDaemon.h"

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

    const QString closed = u"127.0.0.1:%1"_s.arg(marrowfin::test::TransmissionDaemon::freePort());
    const auto setMode = [](const QString& file, QFile::Permissions mode) {
        ASSERT_TRUE(QFile::setPermissions(file, mode)) << file.toStdString();
    };
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QFile::Permissions groupReadable = ownerOnly | QFile::ReadGroup;
    const struct
    {
        const char* fault;
        std::function<void()> cause;
        std::function<void()> mend;
        QString siteHost;
        QStringList failed;
        QStringList saying; // in the first failed check's detail
    } faults[] = {
        {"site down",
         [] {},
         [] {},
         closed,
         {u"site"_s, u"listing"_s, u"sign-in"_s},
         {u"http://%1/ does not answer: connection refused"_s.arg(closed)}},
        {"layout changed",
         [] { EXPECT_EQ(control("/_demo/layout?changed=1"), 200); },
         [] { EXPECT_EQ(control("/_demo/layout?changed=0"), 200); },
         QString(),
         {u"listing"_s},
         {u"layout has changed: http://%1/new/"_s.arg(QString::fromStdString(demo().host()))}},
        // Mended with the right password, so that the later cases run signed in, with a session cookie to keep
        // quiet about.
        {"bad credentials",
         [this] {
             store(u"Marrowfin_anonymousLogin"_s, u"NO"_s);
             store(u"Marrowfin_automaticLogin"_s, u"YES"_s);
             store(u"Marrowfin_username"_s, kUser);
             store(u"Marrowfin_password"_s, kWrongPassword);
         },
         [this] { store(u"Marrowfin_password"_s, kPassword); },
         QString(),
         {u"sign-in"_s},
         {u"Bad username or password."_s, u"marrowfin-cli login"_s}},
        {"session expired, password changed since",
         [this] {
             store(u"Marrowfin_password"_s, kWrongPassword);
             expireSession();
         },
         [this] { store(u"Marrowfin_password"_s, kPassword); },
         QString(),
         {u"sign-in"_s},
         {u"Bad username or password."_s, u"marrowfin-cli login"_s}},
        {"client down",
         [this] { useClient(u"Utorrent"_s, marrowfin::test::TransmissionDaemon::freePort(), u"admin"_s, u"admin"_s); },
         [this] { useUtorrent(); },
         QString(),
         {u"client"_s},
         {u"Connection with server failed."_s}},
        {"settings readable by others",
         [&] { setMode(path(u"marrowfin.conf"_s), groupReadable | QFile::ReadOther); },
         [&] { setMode(path(u"marrowfin.conf"_s), ownerOnly); },
         QString(),
         {u"files"_s},
         {path(u"marrowfin.conf"_s) + u" (mode 0644)"_s, u"chmod 600 "_s + path(u"marrowfin.conf"_s)}},
        {"cookies readable by the group",
         [&] { setMode(path(u"cookies.txt"_s), groupReadable); },
         [&] { setMode(path(u"cookies.txt"_s), ownerOnly); },
         QString(),
         {u"files"_s},
         {path(u"cookies.txt"_s) + u" (mode 0640)"_s, u"chmod 600 "_s + path(u"cookies.txt"_s)}},
    };
    for (const auto& one : faults) {
        SCOPED_TRACE(one.fault);
        one.cause();
        const Findings found = doctor(one.siteHost);
        EXPECT_EQ(found.exitCode, 1);
        EXPECT_EQ(found.failed, one.failed);
        const QString detail = found.details.value(one.failed.value(0)).toString();
        for (const QString& words : one.saying) {
            EXPECT_TRUE(detail.contains(words)) << detail.toStdString();
        }
        one.mend();
        const Findings mended = doctor();
        EXPECT_EQ(mended.exitCode, 0) << mended.failed.join(u' ').toStdString();
    }
    EXPECT_EQ(doctor().details.value(u"sign-in"_s).toString(), u"signed in as "_s + kUser);
}
