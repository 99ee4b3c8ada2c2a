#pragma once

#include <QMetaType>
#include <QString>

#include <memory>
#include <optional>

namespace marrowfin {

class HttpRequest;

// How the sign-in operations hand their request over: the request that posted the form or fetched the check
// page, shared because the receiver reads it after the operation has gone.
using SignInRequest = std::shared_ptr<HttpRequest>;

// The texts that recognise the site's sign-in page and read a sign-in answer. Each test answers true for an
// absent text: no page is treated like the sign-in page.
namespace LoginPages {

// The path every sign-in page and sign-in link of the site carries.
inline constexpr QStringView kLoginPath = u"/auth/login/";

// True when `text` contains "/auth/login/" anywhere.
[[nodiscard]] bool isLoginHeader(const std::optional<QString>& text);
// True when `text` is the sign-in address of the configured site host (the host's case aside).
[[nodiscard]] bool isLoginUrl(const std::optional<QString>& text);
// True when the page asks for a captcha response.
[[nodiscard]] bool hasCaptchaRequest(const std::optional<QString>& text);
// True when the page shows the site's alert field, which it does for a wrong user name or password.
[[nodiscard]] bool isInvalidUsername(const std::optional<QString>& text);

} // namespace LoginPages

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::SignInRequest)
