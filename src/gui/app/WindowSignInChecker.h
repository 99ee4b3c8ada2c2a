#pragma once

#include "core/config/AppConfig.h"
#include "core/watch/SignInChecker.h"

#include <memory>

namespace marrowfin {

class HttpContext;
class SessionController;
class SettingsStore;

// The sign-in as the window checks it at start: the login check on the session as it stands (anonymous use needs
// none), with the window's own recovery of an expired session. Nothing is stored and no login screen is shown for
// it: a profile with no session is "not signed in", as the command line says. Made where the check is asked for (a
// re-sign-in from then on belongs to the check); runs on the check's worker thread.
class WindowSignInChecker final : public SignInChecker
{
public:
    WindowSignInChecker(std::shared_ptr<SettingsStore> settings, std::shared_ptr<SessionController> session,
                        AppConfig config, std::shared_ptr<HttpContext> http);

    [[nodiscard]] SignInCheck checkSignIn() override;

private:
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<SessionController> m_session;
    AppConfig m_config;
    std::shared_ptr<HttpContext> m_http;
    int m_reSignInsBefore;
};

} // namespace marrowfin
