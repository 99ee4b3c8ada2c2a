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

// How describe() begins for the site pushing back; a message holding one of these (in any case) tells of it.
inline constexpr QStringView kRateLimitWords = u"the site limits how often it may be asked";
inline constexpr QStringView kBrowserCheckWords = u"the site shows a browser check";
inline constexpr QStringView kBlockedWords = u"the site refuses these requests";
[[nodiscard]] inline bool tellsOfBrowserCheck(const QString& message)
{
    return message.contains(kBrowserCheckWords, Qt::CaseInsensitive);
}
[[nodiscard]] inline bool tellsOfPushback(const QString& message)
{
    return message.contains(kRateLimitWords, Qt::CaseInsensitive) || tellsOfBrowserCheck(message) ||
           message.contains(kBlockedWords, Qt::CaseInsensitive);
}

} // namespace siteanswer

} // namespace marrowfin
