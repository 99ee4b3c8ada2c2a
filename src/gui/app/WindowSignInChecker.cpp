#include "WindowSignInChecker.h"

#include "core/login/FetchPageLoginCheck.h"
#include "core/login/FetchPageQuickLoginCheck.h"
#include "core/login/LoginController.h"
#include "core/login/SessionController.h"
#include "core/net/HttpRequest.h"
#include "core/scrape/UserInfo.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

WindowSignInChecker::WindowSignInChecker(std::shared_ptr<SettingsStore> settings,
                                         std::shared_ptr<SessionController> session, AppConfig config,
                                         std::shared_ptr<HttpContext> http)
    : m_settings(std::move(settings)), m_session(std::move(session)), m_config(std::move(config)),
      m_http(std::move(http)), m_reSignInsBefore(m_session->reSignInsStarted())
{}

SignInCheck WindowSignInChecker::checkSignIn()
{
    SignInCheck check;
    check.anonymous = anonymousLoginIsOn(m_settings->text(SettingsKeys::anonymousLogin));
    std::optional<SignInRequest> answer;
    FetchPage::Selector selector =
        FetchPage::selectorFor<SignInRequest>([&](std::optional<SignInRequest> r) { answer = std::move(r); });
    std::unique_ptr<FetchPage> fetch;
    if (check.anonymous) {
        fetch = std::make_unique<FetchPageQuickLoginCheck>(QUrl(), nullptr, std::move(selector));
    } else {
        fetch = std::make_unique<FetchPageLoginCheck>(QUrl(m_config.siteAddress(u"/new"_s)), nullptr,
                                                      std::move(selector), m_http);
    }
    // Already on a worker thread: the fetch runs and answers right here.
    fetch->setDeliversOnWorkerThread(true);
    fetch->main();
    check.signedIn = LoginController::outcomeOf(answer ? answer->get() : nullptr).success;
    const std::optional<QString> reSignInFailure =
        m_session->reSignInsStarted() > m_reSignInsBefore ? m_session->lastReSignInFailure() : std::nullopt;
    if (check.signedIn) {
        check.name = UserInfo::sharedInstance().username().value_or(QString());
    } else if (reSignInFailure) {
        check.problem = LoginController::kLoginFailedTitle.toString() + u' ' + *reSignInFailure;
    } else if (answer && *answer && (*answer)->isResponseValid()) {
        check.problem = u"not signed in"_s;
    } else {
        check.problem = LoginController::kConnectionErrorText.toString();
    }
    return check;
}

} // namespace marrowfin
