#include "CliDemoTest.h"

#include "demo/DemoHttp.h"
#include "support/TransmissionDaemon.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace marrowfin::clitest;
using namespace Qt::Literals::StringLiterals;

namespace {

// The health check against the demo site and its uTorrent interface: a healthy profile passes every check, and each
// fault turns exactly its own checks red, says what is wrong, and is gone once the fault is.
class CliDoctor : public CliDemoTest
{
protected:
    static void SetUpTestSuite() { startDemo(); }

    void SetUp() override
    {
        CliDemoTest::SetUp();
        ASSERT_EQ(cli({u"login"_s, u"--anonymous"_s}).exitCode, 0);
        setClientPort(QString::number(QUrl(QString::fromStdString(demo().utorrent("/"))).port()));
    }

    void setClientPort(const QString& port) const
    {
        ASSERT_EQ(cli({u"remote"_s, u"set"_s, u"--client"_s, u"Utorrent"_s, u"--address"_s, u"127.0.0.1"_s, u"--port"_s,
                       port, u"--user"_s, u"admin"_s, u"--password"_s, u"admin"_s})
                      .exitCode,
                  0);
    }

    // The checks that failed, and each check's detail, by name.
    struct Findings
    {
        int exitCode = -1;
        QStringList failed;
        QJsonObject details;
    };
    Findings doctor(const QString& siteHost = QString()) const
    {
        const CliRun run = cli({u"--json"_s, u"doctor"_s}, siteHost);
        Findings findings{run.exitCode, {}, {}};
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const QJsonArray checks = root.value(u"checks"_s).toArray();
        EXPECT_EQ(checks.size(), 5) << run.out.toStdString() << run.err.toStdString();
        for (const QJsonValue& value : checks) {
            const QJsonObject check = value.toObject();
            if (!check.value(u"ok"_s).toBool())
                findings.failed.append(check.value(u"name"_s).toString());
            findings.details.insert(check.value(u"name"_s).toString(), check.value(u"detail"_s));
        }
        EXPECT_EQ(root.value(u"ok"_s).toBool(), findings.failed.isEmpty());
        return findings;
    }
};

} // namespace

TEST_F(CliDoctor, EachFaultTurnsItsOwnCheckRed)
{
    const CliRun healthy = cli({u"doctor"_s});
    EXPECT_EQ(healthy.exitCode, 0) << healthy.out.toStdString();
    EXPECT_EQ(healthy.out.count(QRegularExpression(u"(?m)^\\S+ +ok +\\S"_s)), 5) << healthy.out.toStdString();

    const QString closed = u"127.0.0.1:%1"_s.arg(marrowfin::test::TransmissionDaemon::freePort());
    const QString settingsFile = m_profile.filePath(u"marrowfin.conf"_s);
    const struct
    {
        const char* fault;
        std::function<void()> cause;
        std::function<void()> mend;
        QString siteHost;
        QStringList failed;
        QString saying; // in the first failed check's detail
    } faults[] = {
        {"site down", [] {}, [] {}, closed, {u"site"_s, u"listing"_s, u"sign-in"_s}, closed},
        {"layout changed",
         [] { EXPECT_EQ(marrowfin::demotest::get(demo().site("/_demo/layout?changed=1")).status, 200); },
         [] { EXPECT_EQ(marrowfin::demotest::get(demo().site("/_demo/layout?changed=0")).status, 200); },
         QString(),
         {u"listing"_s},
         u"layout has changed: http://%1/new/"_s.arg(QString::fromStdString(demo().host()))},
        {"bad credentials",
         [this] {
             for (const auto& [key, value] : {std::pair{u"Marrowfin_anonymousLogin"_s, u"NO"_s},
                                              {u"Marrowfin_automaticLogin"_s, u"YES"_s},
                                              {u"Marrowfin_username"_s, u"demo"_s},
                                              {u"Marrowfin_password"_s, u"wrong"_s}})
                 ASSERT_EQ(cli({u"settings"_s, u"set"_s, key, value}).exitCode, 0);
         },
         [this] {
             ASSERT_EQ(cli({u"login"_s, u"--anonymous"_s}).exitCode, 0);
         },
         QString(),
         {u"sign-in"_s},
         u"Bad username or password."_s},
        {"client down",
         [this] { setClientPort(QString::number(marrowfin::test::TransmissionDaemon::freePort())); },
         [this] { setClientPort(QString::number(QUrl(QString::fromStdString(demo().utorrent("/"))).port())); },
         QString(),
         {u"client"_s},
         u"Connection with server failed."_s},
        {"settings readable by others",
         [&] { ASSERT_TRUE(QFile::setPermissions(settingsFile, QFile::permissions(settingsFile) | QFile::ReadOther)); },
         [] {},
         QString(),
         {u"files"_s},
         settingsFile + u" (mode 0604)"_s},
    };
    for (const auto& one : faults) {
        SCOPED_TRACE(one.fault);
        one.cause();
        const Findings found = doctor(one.siteHost);
        EXPECT_EQ(found.exitCode, 1);
        EXPECT_EQ(found.failed, one.failed);
        const QString detail = found.details.value(one.failed.value(0)).toString();
        EXPECT_TRUE(detail.contains(one.saying)) << detail.toStdString();
        one.mend();
        const Findings mended = doctor();
        EXPECT_EQ(mended.exitCode, 0) << mended.failed.join(u' ').toStdString();
    }
    EXPECT_EQ(cli({u"doctor"_s, u"extra"_s}).exitCode, 2);
}
