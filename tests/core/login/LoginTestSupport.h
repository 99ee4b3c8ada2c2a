#pragma once

#include "core/config/AppConfig.h"
#include "core/login/LoginFace.h"
#include "core/login/SessionController.h"
#include "core/login/SessionFace.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "support/DemoProcess.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QStringList>

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
    void showFields(const QString& username, const QString& password, bool enabled) override
    {
        fields = username + u'|' + password;
        fieldsEnabled = enabled;
    }
    void showCaptchaImage(const QString& address) override { captchaImage = address; }
    void enterMainFace() override
    {
        ++mainFaceEntered;
        if (root)
            root->switchViews();
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
    QString fields;
    bool fieldsEnabled = true;
    std::optional<QString> captchaImage;
    int mainFaceEntered = 0;
};

class RecordingSessionFace final : public SessionFace
{
public:
    void showMainFace() override { ++mainShown; }
    void showLoginFace() override { ++loginShown; }

    int mainShown = 0;
    int loginShown = 0;
};

// A suite sharing one demo site, started with the suite's own arguments.
class DemoSuite : public ::testing::Test
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

    // Points the configuration at the demo and gives a transport that trusts its certificate.
    [[nodiscard]] static std::shared_ptr<HttpContext> useDemo()
    {
        application();
        EXPECT_TRUE(s_demo && s_demo->started()) << "the demo site did not start";
        useSite(QString::fromStdString(s_demo->host()));
        return std::make_shared<HttpContext>(nullptr, QString::fromStdString(s_demo->caFile()));
    }

    static inline demotest::DemoProcess* s_demo = nullptr;
};

} // namespace marrowfin::logintest
