#pragma once

#include "LoginPages.h"

#include "core/net/FetchPage.h"
#include "core/net/HttpHeaders.h"

#include <optional>

namespace marrowfin {

class HttpContext;

// Posts the site's sign-in form and delivers the request that posted it (a SignInRequest): the receiver reads its
// result, status and data. An answer that signs the user in also names the shared UserInfo after the page's
// nickname. Runs on the queue of whoever signs in; the root controller's silent re-sign-in has it deliver on its
// worker thread.
class FetchPageSignIn final : public FetchPage
{
public:
    // A null `context` takes the default HTTP context when main() runs.
    FetchPageSignIn(QUrl url, QString username, QString password, std::optional<QString> captchaChallenge,
                    QString captchaResponse, QObject* target, Selector selector,
                    std::shared_ptr<HttpContext> context = nullptr);

    void main() override;

    // The form as posted. Without a challenge: the site's plain form, whose return address names the site host as
    // it stands. With one: the captcha form. User name and password are percent-escaped in both, so that an "&" or
    // "=" typed in either cannot split the form.
    [[nodiscard]] static QString formBody(const QString& username, const QString& password,
                                          const std::optional<QString>& captchaChallenge,
                                          const QString& captchaResponse, const QString& siteHost);
    // The fields a desktop browser sends with the form; the site compares origin and referer with its sign-in page.
    [[nodiscard]] static HttpHeaders formHeaders(const QString& siteHost);

    [[nodiscard]] const QString& username() const { return m_username; }
    [[nodiscard]] const QString& password() const { return m_password; }
    [[nodiscard]] const std::optional<QString>& captchaChallenge() const { return m_captchaChallenge; }
    [[nodiscard]] const QString& captcha() const { return m_captcha; }

    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<SignInRequest>)> callback)
    {
        return FetchPage::selectorFor<SignInRequest>(std::move(callback));
    }

private:
    QString m_username;
    QString m_password;
    std::optional<QString> m_captchaChallenge;
    QString m_captcha;
    std::shared_ptr<HttpContext> m_context;
};

} // namespace marrowfin
