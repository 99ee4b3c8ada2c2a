#pragma once

#include "CliRunner.h"

#include "support/DemoProcess.h"

#include <QTemporaryDir>

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

    // marrowfin-cli with this test's profile, pointed at the demo site (or at `siteHost` when given).
    [[nodiscard]] CliRun cli(const QStringList& arguments, const QString& siteHost = QString(),
                             const QByteArray& input = {}) const
    {
        return runCli(arguments, m_profile.path(),
                      {QStringLiteral("--site-host"),
                       siteHost.isEmpty() ? QString::fromStdString(s_demo->host()) : siteHost,
                       QStringLiteral("--ca-file"), QString::fromStdString(s_demo->caFile())},
                      input);
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
    QTemporaryDir m_profile;
};

} // namespace marrowfin::clitest
