#include "SessionController.h"

#include "FetchPageSignIn.h"
#include "LoginController.h"
#include "LoginLog.h"
#include "SessionFace.h"

#include "core/config/AppConfig.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"

namespace marrowfin {

SessionController::SessionController(SessionFace& face, std::shared_ptr<HttpContext> context)
    : m_face(face), m_context(std::move(context))
{}

SessionController::~SessionController() = default;

void SessionController::setLoginController(std::shared_ptr<LoginController> login)
{
    const std::lock_guard lock(m_mutex);
    m_login = std::move(login);
}

std::shared_ptr<LoginController> SessionController::loginController() const
{
    const std::lock_guard lock(m_mutex);
    return m_login;
}

void SessionController::start()
{
    setSessionValidated(true);
    m_showLogin.store(false);
    m_face.showLoginFace();
    if (const auto login = loginController())
        login->tryAutoLogin();
}

void SessionController::setSessionValidated(bool valid)
{
    {
        const std::lock_guard lock(m_mutex);
        m_sessionValidated.store(valid);
    }
    if (valid)
        m_changed.notify_all();
}

void SessionController::switchViews()
{
    if (m_showLogin.load()) {
        m_face.showLoginFace();
        m_showLogin.store(false);
        return;
    }
    m_face.showMainFace();
    m_showLogin.store(true);
    setSessionValidated(true);
}

int SessionController::deleteSiteCookies()
{
    const AppConfig config = AppConfig::current();
    // Cookie domains never carry a port, while the configured hosts may.
    AppConfig captcha;
    captcha.siteHost = config.captchaCookieDomain;
    CookieStore& cookies = (m_context ? m_context : HttpContext::defaultContext())->cookieStore();
    int deleted = cookies.deleteCookiesForDomain(config.siteHostName());
    if (!config.captchaCookieDomain.isEmpty())
        deleted += cookies.deleteCookiesForDomain(captcha.siteHostName());
    return deleted;
}

void SessionController::logout()
{
    const int deleted = deleteSiteCookies();
    qCDebug(lcLogin) << "logged out," << deleted << "cookies deleted";
    switchViews();
}

bool SessionController::testAndClearSessionValidated()
{
    const std::lock_guard lock(m_mutex);
    const bool wasValid = m_sessionValidated.exchange(false);
    // Marked in the same step, so that a request on the main thread never takes "no re-sign-in running" for the
    // end of one that has not yet begun.
    if (wasValid)
        m_signingIn = true;
    return wasValid;
}

void SessionController::sessionInvalidated()
{
    {
        const std::lock_guard lock(m_mutex);
        m_sessionValidated.store(false);
        m_signingIn = true;
    }
    ++m_reSignIns;
    const std::shared_ptr<LoginController> login = loginController();
    if (!login) {
        sessionInvalidatedResponse(std::nullopt);
        return;
    }
    qCDebug(lcLogin) << "the site session has expired; signing in again";
    login->doLogin(std::nullopt, &m_receiver,
                   FetchPageSignIn::selectorFor(
                       [this](std::optional<SignInRequest> request) { sessionInvalidatedResponse(request); }),
                   &m_queue, true);
}

void SessionController::sessionInvalidatedResponse(const std::optional<SignInRequest>& request)
{
    const HttpRequest* answer = request ? request->get() : nullptr;
    // An answer that is not a page (a server error) signs nobody in either.
    const bool failed = !answer || LoginPages::isLoginHeader(answer->result()) || !answer->isResponseValid();
    if (!failed) {
        {
            const std::lock_guard lock(m_mutex);
            m_signingIn = false;
            m_sessionValidated.store(true);
        }
        m_changed.notify_all();
        return;
    }
    LoginOutcome outcome = LoginController::outcomeOf(answer);
    if (outcome.success)
        outcome.message = LoginController::kConnectionErrorText.toString();
    qCDebug(lcLogin) << "signing in again failed:" << outcome.message;
    // Posted before the waiters are released, so that the main thread logs out before it sees their results.
    QMetaObject::invokeMethod(
        &m_receiver, [this] { logout(); }, Qt::QueuedConnection);
    {
        const std::lock_guard lock(m_mutex);
        m_signingIn = false;
        m_lastFailure = outcome.message;
    }
    m_changed.notify_all();
}

SessionController::WaitOutcome SessionController::waitUntilValidated(bool mayWaitForUser)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_sessionValidated.load() || m_closed || (!mayWaitForUser && !m_signingIn); });
    return m_sessionValidated.load() ? WaitOutcome::Validated : WaitOutcome::GaveUp;
}

void SessionController::close()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

bool SessionController::isClosed() const
{
    const std::lock_guard lock(m_mutex);
    return m_closed;
}

std::optional<QString> SessionController::lastReSignInFailure() const
{
    const std::lock_guard lock(m_mutex);
    return m_lastFailure;
}

} // namespace marrowfin
