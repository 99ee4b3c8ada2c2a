#pragma once

#include "core/config/AppConfig.h"
#include "core/login/LoginController.h"
#include "core/login/LoginFace.h"
#include "core/login/SessionController.h"
#include "core/login/SessionFace.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/settings/SettingsStore.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marrowfin::logintest {

using marrowfin::test::application;
using marrowfin::test::processEventsUntil;

inline void useSite(const QString& host)
{
    AppConfig config = AppConfig::builtIn();
    config.siteHost = host;
    config.captchaImageHost = host;
    AppConfig::setCurrent(config);
}

// What the login screen would have shown. The main face is entered through the root controller when one is given.
class RecordingLoginFace final : public LoginFace
{
public:
    void setLoginEnabled(bool enabled) override { loginEnabled = enabled; }
    void showOverlay(const QString& text, int) override { overlay = text; }
    void hideOverlay() override { overlay.reset(); }
    void showAlert(const QString& title, const QString& message) override { alerts.append(title + u'|' + message); }
    void showFields(const QString&, const QString&, bool) override {}
    void showCaptchaImage(const QString& address) override { captchaImage = address; }
    void enterMainFace() override
    {
        ++mainFaceEntered;
        if (root) {
            root->switchViews();
        }
    }

    // Forgets what was shown, as before a new attempt.
    void reset()
    {
        loginEnabled = true;
        overlay.reset();
        alerts.clear();
        captchaImage.reset();
        mainFaceEntered = 0;
    }

    [[nodiscard]] bool finished() const { return mainFaceEntered > 0 || !alerts.isEmpty(); }

    SessionController* root = nullptr;
    bool loginEnabled = true;
    std::optional<QString> overlay;
    QStringList alerts;
    std::optional<QString> captchaImage;
    int mainFaceEntered = 0;
};

class RecordingSessionFace final : public SessionFace
{
public:
    void showMainFace() override {}
    void showLoginFace() override { ++loginShown; }

    int loginShown = 0;
};

// A login screen (anonymous switch off) against a demo site that the suite shares, started with the suite's own
// arguments; each test has a profile folder of its own.
class LoginAgainstDemo : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { startDemo(); }
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
        application();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(s_demo && s_demo->started()) << "the demo site did not start";
        useSite(QString::fromStdString(s_demo->host()));
        m_context = std::make_shared<HttpContext>(nullptr, QString::fromStdString(s_demo->caFile()));
        m_settings = std::make_shared<SettingsStore>(m_dir.path());
        m_login = std::make_shared<LoginController>(m_face, m_settings, m_context);
        m_login->toggleAnonymous(false);
    }

    [[nodiscard]] static QUrl site(const std::string& pathAndQuery)
    {
        return QUrl(QString::fromStdString(s_demo->site(pathAndQuery)));
    }

    // Signs in as the sign-in button does and waits for the outcome.
    void signIn(const QString& username, const QString& password)
    {
        m_face.reset();
        m_login->setUsername(username);
        m_login->setPassword(password);
        m_login->login();
        ASSERT_TRUE(processEventsUntil([&] { return m_face.finished(); }));
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
    QTemporaryDir m_dir;
    RecordingLoginFace m_face;
    std::shared_ptr<HttpContext> m_context;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<LoginController> m_login;
};

} // namespace marrowfin::logintest
