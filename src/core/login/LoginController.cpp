#include "LoginController.h"

#include "FetchPageCaptcha.h"
#include "FetchPageLoginCheck.h"
#include "FetchPageQuickLoginCheck.h"
#include "FetchPageSignIn.h"
#include "LoginFace.h"
#include "LoginLog.h"

#include "core/config/AppConfig.h"
#include "core/net/HttpRequest.h"
#include "core/net/SiteAnswer.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

LoginController::LoginController(LoginFace& face, std::shared_ptr<SettingsStore> settings,
                                 std::shared_ptr<HttpContext> context)
    : m_face(face), m_settings(std::move(settings)), m_context(std::move(context)),
      m_captchaRounds(FetchPageCaptcha::kDefaultRounds), m_captchaPause(FetchPageCaptcha::kDefaultPause)
{}

LoginController::~LoginController()
{
    stopCaptcha();
}

void LoginController::load()
{
    const std::optional<QString> anonymous = m_settings->text(SettingsKeys::anonymousLogin);
    {
        const std::lock_guard lock(m_mutex);
        m_username = m_settings->text(SettingsKeys::username).value_or(QString());
        m_password = m_settings->text(SettingsKeys::password).value_or(QString());
        m_automaticLogin = automaticLoginIsOn(m_settings->text(SettingsKeys::automaticLogin));
    }
    toggleAnonymous(anonymousLoginIsOn(anonymous));
}

QString LoginController::username() const
{
    const std::lock_guard lock(m_mutex);
    return m_username;
}

void LoginController::setUsername(const QString& username)
{
    const std::lock_guard lock(m_mutex);
    m_username = username;
}

QString LoginController::password() const
{
    const std::lock_guard lock(m_mutex);
    return m_password;
}

void LoginController::setPassword(const QString& password)
{
    const std::lock_guard lock(m_mutex);
    m_password = password;
}

QString LoginController::captchaResponse() const
{
    const std::lock_guard lock(m_mutex);
    return m_captcha;
}

void LoginController::setCaptchaResponse(const QString& response)
{
    const std::lock_guard lock(m_mutex);
    m_captcha = response;
}

bool LoginController::automaticLogin() const
{
    const std::lock_guard lock(m_mutex);
    return m_automaticLogin;
}

void LoginController::setAutomaticLogin(bool on)
{
    const std::lock_guard lock(m_mutex);
    m_automaticLogin = on;
}

bool LoginController::anonymousLogin() const
{
    const std::lock_guard lock(m_mutex);
    return m_anonymousLogin;
}

std::optional<QString> LoginController::captchaChallenge() const
{
    const std::lock_guard lock(m_mutex);
    return m_captchaChallenge;
}

void LoginController::toggleAnonymous(bool on)
{
    QString username;
    QString password;
    {
        const std::lock_guard lock(m_mutex);
        m_anonymousLogin = on;
        if (on) {
            m_username.clear();
            m_password.clear();
        }
        username = m_username;
        password = m_password;
    }
    m_settings->setText(SettingsKeys::anonymousLogin, settingFlagText(on));
    m_face.showFields(username, password, !on);
}

void LoginController::login()
{
    const int attempt = ++m_attempt;
    m_face.setLoginEnabled(false);
    m_face.showOverlay(kSigningInOverlayText.toString(), kSigningInOverlayOffset);
    if (anonymousLogin()) {
        m_queue.addOperation(std::make_shared<FetchPageQuickLoginCheck>(
            QUrl(), receiver(), FetchPage::selectorFor<SignInRequest>([this, attempt](std::optional<SignInRequest> r) {
                if (attempt == m_attempt) {
                    loginResult(r);
                }
            })));
        return;
    }
    m_queue.addOperation(std::make_shared<FetchPageLoginCheck>(
        QUrl(AppConfig::current().siteAddress(u"/new"_s)), receiver(),
        FetchPage::selectorFor<SignInRequest>([this, attempt](std::optional<SignInRequest> page) {
            if (attempt == m_attempt) {
                doLogin(page);
            }
        }),
        m_context));
}

void LoginController::cancelLogin()
{
    ++m_attempt;
    stopCaptcha();
    qCDebug(lcLogin) << "sign-in cancelled";
    m_face.hideOverlay();
    m_face.setLoginEnabled(true);
}

void LoginController::tryAutoLogin()
{
    if (automaticLogin())
        login();
}

void LoginController::doLogin(const std::optional<SignInRequest>& page)
{
    doLogin(page, receiver(),
            FetchPage::selectorFor<SignInRequest>([this, attempt = m_attempt](std::optional<SignInRequest> r) {
                if (attempt == m_attempt) {
                    loginResult(r);
                }
            }));
}

bool LoginController::doLogin(const std::optional<SignInRequest>& page, QObject* target, FetchPage::Selector selector,
                              OperationQueue* queue, bool onWorkerThread)
{
    QString username;
    QString password;
    QString captcha;
    std::optional<QString> challenge;
    bool automatic = false;
    {
        const std::lock_guard lock(m_mutex);
        username = m_username;
        password = m_password;
        captcha = m_captcha;
        challenge = m_captchaChallenge;
        automatic = m_automaticLogin;
    }
    // A session that still signs in is kept, and nothing typed is stored with it: it was not tried.
    if (page && *page && !LoginPages::isLoginHeader((*page)->result()) && (*page)->isResponseValid()) {
        triedLoggingIn({true, QString()});
        return false;
    }
    // Stored once they sign in (switchView), so that a wrong password never replaces the one that worked: the next
    // silent re-sign-in would fail on it. A re-sign-in in the background signs in with what is stored already.
    if (!onWorkerThread) {
        const std::lock_guard lock(m_mutex);
        m_tried = Tried{username, password, automatic};
    }
    auto signIn = std::make_shared<FetchPageSignIn>(QUrl(AppConfig::current().signInAddress()), username, password,
                                                    challenge, captcha, target, std::move(selector), m_context);
    signIn->setDeliversOnWorkerThread(onWorkerThread);
    qCDebug(lcLogin) << "signing in" << (onWorkerThread ? "again in the background" : "");
    (queue ? *queue : m_queue).addOperation(std::move(signIn));
    return true;
}

void LoginController::loginResult(const std::optional<SignInRequest>& request)
{
    triedLoggingIn(outcomeOf(request ? request->get() : nullptr));
}

LoginOutcome LoginController::outcomeOf(const HttpRequest* request)
{
    if (!request)
        return {false, kConnectionErrorText.toString()};
    const std::optional<QString>& result = request->result();
    if (result && *result == FetchPageQuickLoginCheck::kAnonymousResult)
        return {true, QString()};
    switch (siteanswer::kindOf(*request)) {
    case SiteAnswerKind::RateLimited:
    case SiteAnswerKind::BrowserCheck:
    case SiteAnswerKind::Blocked: {
        // The site pushing back is no sign-in problem: said for what it is, as a sentence.
        const QString text = siteanswer::describe(*request);
        return {false, text.first(1).toUpper() + text.sliced(1) + u'.'};
    }
    default:
        break;
    }
    if (!request->isResponseValid())
        return {false, kConnectionErrorText.toString()};
    if (!LoginPages::isLoginHeader(result))
        return {true, QString()};
    // Asked first: a sign-in page that wants a captcha refuses any password until it is answered.
    if (LoginPages::hasCaptchaRequest(result))
        return {false, kCaptchaText.toString()};
    if (LoginPages::isInvalidUsername(result))
        return {false, kBadCredentialsText.toString()};
    return {false, kCookieAdviceText.toString()};
}

void LoginController::triedLoggingIn(const LoginOutcome& outcome)
{
    if (outcome.success) {
        switchView();
        return;
    }
    m_face.showAlert(kLoginFailedTitle.toString(), outcome.message);
    m_face.setLoginEnabled(true);
    m_face.hideOverlay();
}

void LoginController::switchView()
{
    std::optional<Tried> tried;
    {
        const std::lock_guard lock(m_mutex);
        tried = std::exchange(m_tried, std::nullopt);
    }
    if (tried && !anonymousLogin()) {
        m_settings->setText(SettingsKeys::username, tried->username);
        m_settings->setText(SettingsKeys::password, tried->password);
        m_settings->setText(SettingsKeys::automaticLogin, settingFlagText(tried->automatic));
    }
    m_face.enterMainFace();
    m_face.hideOverlay();
    const std::lock_guard lock(m_mutex);
    m_captchaChallenge = QString(u""_s);
    m_captcha.clear();
}

void LoginController::reloadCaptchaImage()
{
    m_face.showOverlay(kCaptchaOverlayText.toString(), kCaptchaOverlayOffset);
    m_face.setLoginEnabled(false);
    stopCaptcha();
    m_captchaOperation = std::make_shared<FetchPageCaptcha>(
        QUrl(AppConfig::current().signInAddress()), receiver(),
        FetchPageCaptcha::selectorFor([this, attempt = m_attempt](std::optional<QVariantMap> challenge) {
            if (attempt == m_attempt) {
                saveCaptchaImage(challenge);
            }
        }),
        m_context, m_captchaRounds, m_captchaPause);
    m_queue.addOperation(m_captchaOperation);
}

void LoginController::saveCaptchaImage(const std::optional<QVariantMap>& challenge)
{
    m_captchaOperation.reset();
    if (!challenge) {
        triedLoggingIn({false, kConnectionErrorText.toString()});
        return;
    }
    m_face.setLoginEnabled(true);
    m_face.hideOverlay();
    {
        const std::lock_guard lock(m_mutex);
        m_captchaChallenge = challenge->value(FetchPageCaptcha::kChallengeKey.toString()).toString();
    }
    m_face.showCaptchaImage(challenge->value(FetchPageCaptcha::kImageKey.toString()).toString());
}

void LoginController::stopCaptcha()
{
    if (m_captchaOperation)
        m_captchaOperation->stop();
}

void LoginController::setCaptchaRetry(int rounds, std::chrono::milliseconds pause)
{
    m_captchaRounds = rounds;
    m_captchaPause = pause;
}

} // namespace marrowfin
