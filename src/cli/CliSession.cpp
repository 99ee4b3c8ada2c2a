#include "CliSession.h"

#include "core/login/SessionController.h"
#include "core/login/SessionRecovery.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace marrowfin {

CliSession::CliSession(std::shared_ptr<SettingsStore> settings)
    : m_controller(std::make_shared<SessionController>(*this)),
      m_login(std::make_shared<LoginController>(*this, settings))
{
    // The fields of a login screen as it would open, without storing anything yet: a command that only reads must
    // not write the store.
    m_login->setUsername(settings->text(SettingsKeys::username).value_or(QString()));
    m_login->setPassword(settings->text(SettingsKeys::password).value_or(QString()));
    m_login->setAutomaticLogin(automaticLoginIsOn(settings->text(SettingsKeys::automaticLogin)));
    m_controller->setLoginController(m_login);
    m_controller->setWorkersWaitForUser(false);
    m_controller->setShowLogin(true);
    SessionGuard::install(std::make_shared<SessionRecovery>(m_controller));
}

CliSession::~CliSession()
{
    SessionGuard::install(nullptr);
    m_controller->reSignInQueue().waitUntilAllOperationsAreFinished();
    m_controller->setLoginController(nullptr);
}

LoginOutcome CliSession::signIn(const std::function<void()>& start)
{
    // The login face: a page that shows the sign-in form is the answer itself, not an expired session.
    m_controller->setShowLogin(false);
    m_outcome.reset();
    QEventLoop loop;
    m_finished = [&loop] { loop.quit(); };
    start();
    if (!m_outcome)
        loop.exec();
    m_finished = nullptr;
    m_controller->setShowLogin(true);
    return m_outcome.value_or(LoginOutcome{});
}

std::optional<QString> CliSession::takeReSignInFailure()
{
    QCoreApplication::sendPostedEvents();
    if (m_failureReported)
        return std::nullopt;
    const std::optional<QString> failure = m_controller->lastReSignInFailure();
    m_failureReported = failure.has_value();
    return failure;
}

void CliSession::showAlert(const QString& /*title*/, const QString& message)
{
    m_outcome = LoginOutcome{false, message};
    if (m_finished)
        m_finished();
}

void CliSession::enterMainFace()
{
    m_controller->switchViews();
    m_outcome = LoginOutcome{true, QString()};
    if (m_finished)
        m_finished();
}

} // namespace marrowfin
