#pragma once

#include "core/config/AppConfig.h"
#include "core/login/LoginFace.h"
#include "core/login/SessionController.h"
#include "core/login/SessionFace.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>

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

} // namespace marrowfin::logintest
