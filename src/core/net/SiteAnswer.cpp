#include "SiteAnswer.h"

#include "HttpRequest.h"

namespace marrowfin::siteanswer {

using namespace Qt::Literals::StringLiterals;

namespace {

// A check page is one the site serves instead of itself, whose script must run (and set a cookie) before the site
// answers: a script on a page refused with 403 or 503.
bool runsScript(const HttpRequest& request)
{
    return request.result() && request.result()->contains(u"<script"_s, Qt::CaseInsensitive);
}

} // namespace

SiteAnswerKind kindOf(const HttpRequest& request)
{
    if (!request.urlResponse()) {
        return SiteAnswerKind::NoAnswer;
    }
    const int status = request.urlResponse()->statusCode;
    if (status >= 200 && status < 300) {
        return SiteAnswerKind::Fine;
    }
    if ((status == 403 || status == 503) && runsScript(request)) {
        return SiteAnswerKind::BrowserCheck;
    }
    if (status == 429 || (status == 503 && retryAfterSeconds(request))) {
        return SiteAnswerKind::RateLimited;
    }
    return status == 403 ? SiteAnswerKind::Blocked : SiteAnswerKind::ErrorStatus;
}

std::optional<int> retryAfterSeconds(const HttpRequest& request, const QDateTime& now)
{
    if (!request.headers()) {
        return std::nullopt;
    }
    const std::optional<QString> value = request.headers()->value(u"Retry-After");
    if (!value) {
        return std::nullopt;
    }
    const QString text = value->trimmed();
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    if (isNumber) {
        return seconds >= 0 ? std::optional<int>(int(std::min<qint64>(seconds, 24 * 3600))) : std::nullopt;
    }
    const QDateTime when = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!when.isValid()) {
        return std::nullopt;
    }
    return int(std::clamp<qint64>(now.secsTo(when), 0, 24 * 3600));
}

QString describe(const HttpRequest& request)
{
    if (!request.urlResponse()) {
        return request.transportFailure().value_or(u"no answer"_s);
    }
    const QString status = u"HTTP status %1"_s.arg(request.urlResponse()->statusCode);
    switch (kindOf(request)) {
    case SiteAnswerKind::RateLimited: {
        const std::optional<int> wait = retryAfterSeconds(request);
        const auto seconds = [](int n) { return u"%1 second%2"_s.arg(n).arg(n == 1 ? QString() : u"s"_s); };
        QString text = kRateLimitWords.toString() +
                       (wait ? u" (%1) and asks to wait %2"_s.arg(status, seconds(*wait)) : u" (%1)"_s.arg(status));
        if (request.waitedSeconds() > 0) {
            text += u", after a wait of %1 already"_s.arg(seconds(request.waitedSeconds()));
        } else if (wait && *wait > HttpRequest::kLongestRetryWait) {
            text +=
                u", longer than the %1 Marrowfin waits; try again later"_s.arg(seconds(HttpRequest::kLongestRetryWait));
        }
        return text;
    }
    case SiteAnswerKind::BrowserCheck:
        // Its clearance is bound to the browser that earned it: this program's own, or one whose cookie and
        // User-Agent are brought in.
        return kBrowserCheckWords.toString() +
               u" (%1); open it in a browser: pass it once in Marrowfin's window, or "
               u"bring the cookie it sets with \"marrowfin-cli login --cookies FILE\" and that browser's User-Agent "
               u"with \"marrowfin-cli settings set Marrowfin_browserUserAgent TEXT\""_s.arg(status);
    case SiteAnswerKind::Blocked:
        return kBlockedWords.toString() + u" (%1)"_s.arg(status);
    case SiteAnswerKind::Fine:
    case SiteAnswerKind::NoAnswer:
    case SiteAnswerKind::ErrorStatus:
        break;
    }
    return status;
}

} // namespace marrowfin::siteanswer
