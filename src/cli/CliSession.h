#pragma once

#include "core/login/LoginController.h"
#include "core/login/LoginFace.h"
#include "core/login/SessionFace.h"

#include <functional>
#include <memory>
#include <optional>

namespace marrowfin {

class SessionController;
class SettingsStore;

// The command line's stand-in for the root window and its login screen. While a command works it plays the main
// face, so that every page it fetches goes through the expired-session recovery, which signs in again with the
// stored credentials; a command that signs in plays the login face for that time. Nothing waits for a user: when
// the re-sign-in fails the waiting requests end with no result and the failure text is reported once.
class CliSession final : public SessionFace, public LoginFace
{
public:
    // Installs the recovery for the process; the destructor removes it. Main thread.
    explicit CliSession(std::shared_ptr<SettingsStore> settings);
    ~CliSession() override;

    [[nodiscard]] SessionController& controller() { return *m_controller; }
    [[nodiscard]] LoginController& login() { return *m_login; }

    // Runs a sign-in that `start` begins on the login face until its outcome is in; the main face is up again
    // afterwards either way.
    [[nodiscard]] LoginOutcome signIn(const std::function<void()>& start);

    // Runs what the main thread still has to do (a logout posted by a failed re-sign-in) and returns the failure
    // text of the re-sign-in, if one failed and was not reported yet.
    [[nodiscard]] std::optional<QString> takeReSignInFailure();

    void showMainFace() override {}
    void showLoginFace() override {}

    void setLoginEnabled(bool) override {}
    void showOverlay(const QString&, int) override {}
    void hideOverlay() override {}
    void showAlert(const QString& title, const QString& message) override;
    void showFields(const QString&, const QString&, bool) override {}
    void showCaptchaImage(const QString&) override {}
    void enterMainFace() override;

private:
    std::shared_ptr<SessionController> m_controller;
    std::shared_ptr<LoginController> m_login;
    std::optional<LoginOutcome> m_outcome;
    std::function<void()> m_finished;
    bool m_failureReported = false;
};

} // namespace marrowfin
