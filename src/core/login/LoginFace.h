#pragma once

#include <QString>

namespace marrowfin {

// The login screen's widgets as its decisions (LoginController) see them. The window implements it with real
// widgets, the command line with its streams, tests with recorders. Called on the main thread only.
class LoginFace
{
public:
    LoginFace() = default;
    virtual ~LoginFace() = default;
    LoginFace(const LoginFace&) = delete;
    LoginFace& operator=(const LoginFace&) = delete;

    virtual void setLoginEnabled(bool enabled) = 0;
    // The shared loading overlay over the screen; `offset` moves it down from the middle.
    virtual void showOverlay(const QString& text, int offset) = 0;
    virtual void hideOverlay() = 0;
    virtual void showAlert(const QString& title, const QString& message) = 0;
    // The text fields as the controller now holds them: after loading, and after the anonymous switch emptied them.
    virtual void showFields(const QString& username, const QString& password, bool fieldsEnabled) = 0;
    // A captcha challenge's picture is to be loaded from `imageAddress` and shown.
    virtual void showCaptchaImage(const QString& imageAddress) = 0;
    // The sign-in succeeded: hand over to the main tabs (the root controller's switchViews).
    virtual void enterMainFace() = 0;
};

} // namespace marrowfin
