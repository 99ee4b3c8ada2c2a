#pragma once

#include "CliRunner.h"

#include "support/DemoProcess.h"
#include "support/LoopbackHttp.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marrowfin::clitest {

// A suite of command-line tests against one demo site (started for the suite with `arguments`); each test has a
// profile folder of its own.
class CliDemoTest : public ::testing::Test
{
protected:
    static void startDemo(const std::vector<std::string>& arguments = {})
    {
        s_demo = new demotest::DemoProcess(arguments);
    }
    static void TearDownTestSuite()
    {
        delete s_demo;
        s_demo = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(s_demo, nullptr);
        ASSERT_TRUE(s_demo->started()) << "the demo site did not start";
        ASSERT_TRUE(m_profile.isValid());
    }

    [[nodiscard]] static demotest::DemoProcess& demo() { return *s_demo; }

    // marrowfin-cli with this test's profile, pointed at the demo site (or at `siteHost` when given); none of
    // m_secrets may show in what it prints.
    [[nodiscard]] CliRun cli(const QStringList& arguments, const QString& siteHost = QString(),
                             const QByteArray& input = {}) const
    {
        const CliRun run = runCli(arguments, m_profile.path(),
                                  {QStringLiteral("--site-host"),
                                   siteHost.isEmpty() ? QString::fromStdString(s_demo->host()) : siteHost,
                                   QStringLiteral("--ca-file"), QString::fromStdString(s_demo->caFile())},
                                  input);
        for (const QString& secret : m_secrets) {
            EXPECT_FALSE((run.out + run.err).contains(secret)) << "printed: " << secret.toStdString();
        }
        return run;
    }

    // The same with the profile's writes made to fail at their `step`th step (1 the first; the disk full), as the
    // writes' own test hook lets a test do from outside.
    [[nodiscard]] CliRun cliFailingWrite(int step, const QStringList& arguments) const
    {
        qputenv("MARROWFIN_TEST_FAIL_WRITE", QByteArray::number(step));
        const CliRun run = cli(arguments);
        qunsetenv("MARROWFIN_TEST_FAIL_WRITE");
        return run;
    }

    // The same with the arguments given as one text, split at spaces (an empty text between two spaces stays).
    [[nodiscard]] CliRun cli(const char* words, const QString& siteHost = QString()) const
    {
        return cli(QString::fromUtf8(words).split(u' '), siteHost);
    }

    // A control address of the demo site (under /_demo/): its status.
    static int control(const std::string& path) { return test::plainHttpAt(s_demo->site(path)).status; }

    // What `--json` and `arguments` print, which must be a JSON array after a success.
    [[nodiscard]] QJsonArray jsonArray(const QStringList& arguments) const
    {
        const CliRun run = cli(QStringList{QStringLiteral("--json")} + arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
        EXPECT_TRUE(error.error == QJsonParseError::NoError && document.isArray()) << run.out.toStdString();
        return document.array();
    }

    // One field of each record, as text: the names of a listing, say.
    static QStringList fieldOf(const QJsonArray& records, const QString& key = QStringLiteral("name"))
    {
        QStringList values;
        for (const QJsonValue& record : records) {
            values.append(record[key].toString());
        }
        return values;
    }

    void store(const QString& key, const QString& value) const
    {
        ASSERT_EQ(cli({QStringLiteral("settings"), QStringLiteral("set"), key, value}).exitCode, 0)
            << key.toStdString();
    }

    // The remote client, listening on the loopback interface.
    void useClient(const QString& client, int port, const QString& user = QString(),
                   const QString& password = QString()) const
    {
        ASSERT_EQ(cli(QStringLiteral("remote set --client %1 --address 127.0.0.1 --port %2 --user %3 --password %4")
                          .arg(client, QString::number(port), user, password)
                          .split(u' '))
                      .exitCode,
                  0);
    }
    // The demo's stand-in for that client, whose user is admin with the password admin.
    void useUtorrent(const QString& password = QStringLiteral("admin")) const
    {
        useClient(QStringLiteral("Utorrent"), portOf(s_demo->utorrent("/")), QStringLiteral("admin"), password);
    }
    [[nodiscard]] static int portOf(const std::string& address) { return QUrl(QString::fromStdString(address)).port(); }

    // A file of the profile folder; empty when there is none.
    [[nodiscard]] QByteArray profileFile(const QString& name) const
    {
        QFile file(m_profile.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Gives the site's session cookie a value the site never gave, as a session that has ended since looks to it.
    void expireSession() const
    {
        QByteArray cookies = profileFile(QStringLiteral("cookies.txt"));
        const qsizetype value = cookies.indexOf("\tmdi_session\t") + 13;
        ASSERT_GT(value, 12) << "no session to expire";
        const qsizetype end = cookies.indexOf('\n', value);
        cookies.replace(value, (end < 0 ? cookies.size() : end) - value, "stale0000");
        QFile file(m_profile.filePath(QStringLiteral("cookies.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(cookies);
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
    QTemporaryDir m_profile;
    QStringList m_secrets;
};

} // namespace marrowfin::clitest
