#include "WebSession.h"

#include "WebPage.h"

#include "core/config/AppConfig.h"
#include "core/login/FetchPageLoginCheck.h"
#include "core/login/LoginPages.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kProfileName = u"marrowfin";

QString configFolder()
{
    const QString cookies = HttpContext::defaultContext()->cookieStore().filePath();
    return cookies.isEmpty() ? SettingsStore::defaultConfigDir() : QFileInfo(cookies).absolutePath();
}

// Same cookie as far as the engine is concerned, value included.
bool sameCookie(const Cookie& a, const Cookie& b)
{
    return a.sameIdentity(b) && a.value == b.value;
}

bool takeMatching(QList<Cookie>& list, const Cookie& cookie)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (sameCookie(list.at(i), cookie)) {
            list.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace

WebSession& WebSession::instance()
{
    static WebSession* const session = new WebSession;
    return *session;
}

WebSession::WebSession()
{
    const QDir folder(configFolder());
    m_profile = new QWebEngineProfile(kProfileName.toString(), this);
    m_profile->setPersistentStoragePath(folder.filePath(u"web/storage"_s));
    m_profile->setCachePath(folder.filePath(u"web/cache"_s));
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWebEngineCookieStore* store = m_profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &WebSession::cookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &WebSession::cookieRemoved);
    store->loadAllCookies();
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &WebSession::downloadRequested);
}

void WebSession::downloadRequested(QWebEngineDownloadRequest* download)
{
    const QUrl url = download->url();
    auto* page = qobject_cast<WebPage*>(download->page());
    download->cancel();
    if (page) {
        Q_EMIT page->downloadWanted(url);
    }
}

bool WebSession::isSiteCookie(const Cookie& cookie)
{
    const QString host = AppConfig::current().siteHostName();
    return cookie.domain.compare(host, Qt::CaseInsensitive) == 0 ||
           (cookie.includeSubdomains && host.endsWith(u'.' + cookie.domain, Qt::CaseInsensitive));
}

void WebSession::checkSiteSession(std::function<void()> signedOut)
{
    if (m_sessionChecks.operationCount() > 0) {
        return;
    }
    // The page every sign-in check asks for; a visitor who is signed out is offered the sign-in address there.
    m_sessionChecks.addOperation(std::make_shared<FetchPageLoginCheck>(
        QUrl(AppConfig::current().siteAddress(u"/new"_s)), this,
        FetchPage::selectorFor<SignInRequest>([signedOut = std::move(signedOut)](std::optional<SignInRequest> page) {
            const HttpRequest* answer = page ? page->get() : nullptr;
            if (answer && answer->isResponseValid() && LoginPages::isLoginHeader(answer->result()) && signedOut) {
                signedOut();
            }
        })));
}

QNetworkCookie WebSession::toNetworkCookie(const Cookie& cookie)
{
    QNetworkCookie result(cookie.name, cookie.value);
    // A leading dot is how the engine tells a cookie for the subdomains too from a host-only one.
    result.setDomain(cookie.includeSubdomains ? u"."_s + cookie.domain : cookie.domain);
    result.setPath(cookie.path);
    result.setSecure(cookie.secure);
    result.setHttpOnly(cookie.httpOnly);
    if (!cookie.isSession())
        result.setExpirationDate(QDateTime::fromSecsSinceEpoch(cookie.expiry));
    return result;
}

Cookie WebSession::fromNetworkCookie(const QNetworkCookie& cookie)
{
    Cookie result;
    QString domain = cookie.domain();
    result.includeSubdomains = domain.startsWith(u'.');
    if (result.includeSubdomains)
        domain.remove(0, 1);
    result.domain = domain;
    result.path = cookie.path().isEmpty() ? u"/"_s : cookie.path();
    result.secure = cookie.isSecure();
    result.httpOnly = cookie.isHttpOnly();
    result.expiry = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
    result.name = cookie.name();
    result.value = cookie.value();
    return result;
}

void WebSession::syncCookies()
{
    QWebEngineCookieStore* store = m_profile->cookieStore();
    const QList<Cookie> ours = HttpContext::defaultContext()->cookieStore().cookies();
    bool lost = false;
    for (const Cookie& known : QList<Cookie>(m_engine)) {
        const bool kept =
            std::any_of(ours.cbegin(), ours.cend(), [&](const Cookie& c) { return sameCookie(c, known); });
        if (!kept) {
            m_ourRemovals.append(known);
            takeMatching(m_engine, known);
            store->deleteCookie(toNetworkCookie(known));
            // Gone from the request store, not only changed: the site's session may have gone with it.
            lost = lost || (isSiteCookie(known) && std::none_of(ours.cbegin(), ours.cend(), [&](const Cookie& c) {
                                return c.sameIdentity(known);
                            }));
        }
    }
    for (const Cookie& cookie : ours) {
        const bool there =
            std::any_of(m_engine.cbegin(), m_engine.cend(), [&](const Cookie& c) { return sameCookie(c, cookie); });
        if (there)
            continue;
        m_ourAdditions.append(cookie);
        m_engine.append(cookie);
        store->setCookie(toNetworkCookie(cookie));
    }
    m_siteCookieLost = m_siteCookieLost || lost;
}

void WebSession::cookieAdded(const QNetworkCookie& added)
{
    const Cookie cookie = fromNetworkCookie(added);
    if (takeMatching(m_ourAdditions, cookie))
        return;
    // A page's own cookie (or one it changed): it replaces ours of the same identity.
    m_engine.removeIf([&](const Cookie& c) { return c.sameIdentity(cookie); });
    m_engine.append(cookie);
    HttpContext::defaultContext()->cookieStore().importNetscape(cookie.toNetscapeLine() + '\n');
}

void WebSession::cookieRemoved(const QNetworkCookie& removed)
{
    const Cookie cookie = fromNetworkCookie(removed);
    if (takeMatching(m_ourRemovals, cookie))
        return;
    const bool known = takeMatching(m_engine, cookie);
    if (!known)
        return;
    // The page deleted it (or replaced it: the new one arrives through cookieAdded). Only this very cookie goes
    // from the request store; one that a request changed meanwhile stays.
    HttpContext::defaultContext()->cookieStore().mergeTransfer({cookie}, {});
    m_siteCookieLost = m_siteCookieLost || isSiteCookie(cookie);
}

} // namespace marrowfin
