#include "LoginPages.h"

#include "core/config/AppConfig.h"

#include <QUrl>

namespace marrowfin::LoginPages {

namespace {

bool containsOrAbsent(const std::optional<QString>& text, QStringView needle)
{
    return !text || text->contains(needle);
}

} // namespace

bool isLoginHeader(const std::optional<QString>& text)
{
    return containsOrAbsent(text, kLoginPath);
}

bool isLoginUrl(const std::optional<QString>& text)
{
    if (!text) {
        return true;
    }
    // Compared as addresses: a host typed in capitals is the same host, and QUrl writes it in small letters.
    return QUrl(*text) == QUrl(AppConfig::current().signInAddress());
}

bool hasCaptchaRequest(const std::optional<QString>& text)
{
    return containsOrAbsent(text, u"recaptcha_challenge_field");
}

bool isInvalidUsername(const std::optional<QString>& text)
{
    return containsOrAbsent(text, u"<td><div class=\"alertfield\">");
}

} // namespace marrowfin::LoginPages
