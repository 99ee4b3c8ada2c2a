#include "SessionRecovery.h"

#include "LoginLog.h"
#include "LoginPages.h"
#include "SessionController.h"

#include "core/net/HttpRequest.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

#include <QCoreApplication>
#include <QThread>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

std::optional<QString> pageTitle(const QString& page)
{
    static const QString titlePattern = u"<title>(.*)</title>"_s;
    try {
        const QStringList captures = captureComponentsMatchedByRegex(page, titlePattern);
        if (captures.size() >= 2)
            return captures.at(1);
    } catch (const RegexException&) {
        // A page the title expression cannot be run over is no sign-in page.
    }
    return std::nullopt;
}

} // namespace

SessionRecovery::SessionRecovery(std::shared_ptr<SessionController> controller) : m_controller(std::move(controller)) {}

SessionGuard::Verdict SessionRecovery::check(HttpRequest& request, int sentAgain)
{
    // A sign-in answers with the sign-in page when its password is wrong: recovering from that would make the
    // sign-in wait for the re-sign-in it is itself part of.
    if (!request.result() || request.isSignIn()) {
        return Verdict::Final;
    }
    const std::optional<QString> title = pageTitle(*request.result());
    if (!title) {
        return Verdict::Final;
    }
    if (LoginPages::isLoginUrl(request.url().toString())) {
        return Verdict::Final;
    }
    if (!m_controller->showLogin()) {
        return Verdict::Final;
    }
    if (!LoginPages::isLoginHeader(title)) {
        return Verdict::Final;
    }

    request.setResult(std::nullopt);
    if (sentAgain >= kMaxSendsAgain) {
        qCDebug(lcLogin) << "the site still answers with its sign-in page; giving up on" << request.url().path();
        return Verdict::GiveUp;
    }
    if (m_controller->testAndClearSessionValidated())
        m_controller->sessionInvalidated();
    const bool mayWaitForUser = !onMainThread() && m_controller->workersWaitForUser();
    if (m_controller->waitUntilValidated(mayWaitForUser) == SessionController::WaitOutcome::GaveUp)
        return Verdict::GiveUp;
    return Verdict::SendAgain;
}

} // namespace marrowfin
