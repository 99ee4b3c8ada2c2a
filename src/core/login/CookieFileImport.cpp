#include "CookieFileImport.h"

#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/net/SiteAnswer.h"

#include <QFile>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// The cookie goes to the site: set for its host, or for a domain above it that includes its subdomains.
bool isForSite(const Cookie& cookie, const QString& host)
{
    if (cookie.domain.compare(host, Qt::CaseInsensitive) == 0) {
        return true;
    }
    return cookie.includeSubdomains && host.endsWith(u'.' + cookie.domain, Qt::CaseInsensitive);
}

// A cookie file is big only by mistake (a browser's whole history, a binary): read no more than this.
constexpr qint64 kMostBytes = 4 * 1024 * 1024;

} // namespace

CookieFileImport CookieFileImport::read(const QString& path, const QString& siteHostName, qint64 nowSeconds)
{
    CookieFileImport found;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        found.problem = u"the cookie file %1 cannot be read: %2"_s.arg(path, file.errorString());
        return found;
    }
    const QByteArray text = file.read(kMostBytes);
    int cookies = 0;
    for (const QByteArray& line : text.split('\n')) {
        const std::optional<Cookie> cookie = Cookie::fromNetscapeLine(line.trimmed());
        if (!cookie) {
            continue;
        }
        ++cookies;
        if (cookie->isExpired(nowSeconds)) {
            continue;
        }
        if (isForSite(*cookie, siteHostName)) {
            found.siteCookies.append(*cookie);
        } else {
            ++found.otherCookies;
        }
    }
    if (cookies == 0) {
        found.problem = u"%1 holds no cookies in the Netscape cookie-file format (a browser's export, or curl's "
                        u"--cookie-jar)"_s.arg(path);
    } else if (found.siteCookies.isEmpty()) {
        found.problem = u"%1 holds no cookies for %2 that have not expired (%3 of other sites left out)"_s.arg(path)
                            .arg(siteHostName)
                            .arg(found.otherCookies);
    }
    return found;
}

LoginOutcome CookieFileImport::signsIn(const QList<Cookie>& cookies, const AppConfig& config,
                                       const HttpContext& profile)
{
    auto jar = std::make_shared<CookieStore>();
    QByteArray lines;
    for (const Cookie& cookie : cookies) {
        lines += cookie.toNetscapeLine() + '\n';
    }
    (void)jar->importNetscape(lines);
    auto http = std::make_shared<HttpContext>(jar, profile.extraCaFile());
    http->setBrowserUserAgent(profile.browserUserAgent());
    HttpRequest check(QUrl(config.siteAddress(u"/new"_s)), http);
    // Its answer is final: no re-sign-in with stored credentials may stand in for these cookies.
    check.setSignIn(true);
    check.request();
    switch (siteanswer::kindOf(check)) {
    case SiteAnswerKind::RateLimited:
    case SiteAnswerKind::BrowserCheck:
    case SiteAnswerKind::Blocked:
        return {false, siteanswer::describe(check)};
    default:
        return LoginController::outcomeOf(&check);
    }
}

} // namespace marrowfin
