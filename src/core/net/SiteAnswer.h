#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace marrowfin {

class HttpRequest;

// What kind of answer a request to the site brought, beyond its status: the site pushing back is told apart from
// the site being down, so that a message can say what to do.
enum class SiteAnswerKind
{
    Fine,         // a status from 200 to 299
    NoAnswer,     // no answer at all: refused, timed out, a TLS failure (the transport says which)
    RateLimited,  // 429, or 503 with Retry-After: the site asks to wait
    BrowserCheck, // 403 or 503 with a page that runs a script before the site answers
    Blocked,      // 403 without such a page
    ErrorStatus,  // any other status
};

namespace siteanswer {

[[nodiscard]] SiteAnswerKind kindOf(const HttpRequest& request);

// The wait a 429 or 503 asks for in Retry-After, in seconds (a date is counted from `now`); nothing when the answer
// asks for none or its value cannot be read.
[[nodiscard]] std::optional<int> retryAfterSeconds(const HttpRequest& request,
                                                   const QDateTime& now = QDateTime::currentDateTimeUtc());

// The answer in words, for the user, starting in lower case: "connection refused", "HTTP status 404", "the site
// limits how often it may be asked (HTTP status 429) and asks to wait 30 seconds", "the site shows a browser check
// (HTTP status 503); open it in a browser", "the site refuses these requests (HTTP status 403)".
[[nodiscard]] QString describe(const HttpRequest& request);

// How describe() begins for a browser check; a message that begins so (in any case) tells of one.
inline constexpr QStringView kBrowserCheckWords = u"the site shows a browser check";
[[nodiscard]] inline bool tellsOfBrowserCheck(const QString& message)
{
    return message.startsWith(kBrowserCheckWords, Qt::CaseInsensitive);
}

} // namespace siteanswer

} // namespace marrowfin
