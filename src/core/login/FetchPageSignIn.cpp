#include "FetchPageSignIn.h"

#include "LoginLog.h"

#include "core/config/AppConfig.h"
#include "core/net/HttpRequest.h"
#include "core/scrape/HttpRequestRegExUserInfo.h"
#include "core/text/TextConversions.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

FetchPageSignIn::FetchPageSignIn(QUrl url, QString username, QString password, std::optional<QString> captchaChallenge,
                                 QString captchaResponse, QObject* target, Selector selector,
                                 std::shared_ptr<HttpContext> context)
    : FetchPage(std::move(url), target, std::move(selector)), m_username(std::move(username)),
      m_password(std::move(password)), m_captchaChallenge(std::move(captchaChallenge)),
      m_captcha(std::move(captchaResponse)), m_context(std::move(context))
{}

QString FetchPageSignIn::formBody(const QString& username, const QString& password,
                                  const std::optional<QString>& captchaChallenge, const QString& captchaResponse,
                                  const QString& siteHost)
{
    if (!captchaChallenge || captchaChallenge->isEmpty()) {
        return u"return_uri=https%3A%2F%2F"_s + siteHost + u"%2Fauth%2Fregister%2F&email="_s +
               stringWithPercentEscape(username) + u"&password="_s + stringWithPercentEscape(password);
    }
    return u"email="_s + stringWithPercentEscape(username) + u"&password="_s + stringWithPercentEscape(password) +
           u"&recaptcha_challenge_field="_s + *captchaChallenge + u"&recaptcha_response_field="_s + captchaResponse +
           u"&remember_me=on&login=submit"_s;
}

HttpHeaders FetchPageSignIn::formHeaders(const QString& siteHost)
{
    const QString signInPage = u"https://"_s + siteHost + u"/auth/login/"_s;
    return HttpHeaders{
        {u"origin"_s, signInPage},
        {u"accept-language"_s, u"en-US,en;q=0.8"_s},
        {u"Cache-Control"_s, u"max-age=0"_s},
        {u"accept-encoding"_s, u"gzip,deflate,sdch"_s},
        {u"accept"_s, u"text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8"_s},
        {u"referer"_s, signInPage},
    };
}

void FetchPageSignIn::main()
{
    const QString siteHost = AppConfig::current().siteHost;
    auto request = std::make_shared<HttpRequest>(url(), m_context);
    request->setSignIn(true);
    request->setType(u"POST"_s);
    request->setPostData(formBody(m_username, m_password, m_captchaChallenge, m_captcha, siteHost));
    request->setExtraHeaders(formHeaders(siteHost));
    request->request();
    if (request->isResponseValid() && !LoginPages::isLoginHeader(request->result())) {
        HttpRequestRegExUserInfo userInfo;
        userInfo.setResponseData(request->responseData());
        userInfo.request();
    }
    qCDebug(lcLogin) << "sign-in answered" << (request->urlResponse() ? request->urlResponse()->statusCode : 0);
    setReturnObject(QVariant::fromValue(SignInRequest(request)));
    FetchPage::main();
}

} // namespace marrowfin
