#pragma once

#include "core/net/Cookie.h"
#include "core/net/OperationQueue.h"

#include <QList>
#include <QNetworkCookie>
#include <QObject>

#include <functional>
#include <utility>

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace marrowfin {

// The web engine's side of the one site session: a named profile whose files live in the configuration folder (not
// the engine's default in the home folder), and its cookie store kept equal to the request cookie store. Cookies
// that requests set are given to the engine before every page load; cookies that pages set or delete reach the
// request store (and so its file). The request store is the truth: the engine keeps no cookie file of its own.
// A site cookie that a page deletes, or that the request store no longer has when the pages are next given its
// cookies, may be the end of the site session: the next page that loads takes that doubt (takeSiteCookieLoss())
// and checkSiteSession() asks the site. Not at once: a page that replaces a cookie deletes the old one first.
// Files the pages lead to are never saved: the page that led there is told instead. Main thread only; made on first
// use and never freed, since pages must go before their profile.
class WebSession final : public QObject
{
    Q_OBJECT

public:
    [[nodiscard]] static WebSession& instance();

    [[nodiscard]] QWebEngineProfile* profile() const { return m_profile; }

    // Makes the engine's cookies those of the request store: ours are set, the engine's that the store no longer
    // has are deleted (after a logout, the site's).
    void syncCookies();

    [[nodiscard]] static QNetworkCookie toNetworkCookie(const Cookie& cookie);
    [[nodiscard]] static Cookie fromNetworkCookie(const QNetworkCookie& cookie);

    // Asks the site whether the request cookies still sign a user in (one question at a time; a call while one is
    // under way adds nothing). `signedOut` runs on the main thread when the site answers as to a visitor who is
    // signed out; nothing runs when it cannot be reached.
    void checkSiteSession(std::function<void()> signedOut);

    // Whether a cookie of the site went (a page deleted it, or the request store lost it) since the last call.
    [[nodiscard]] bool takeSiteCookieLoss() { return std::exchange(m_siteCookieLost, false); }

private:
    WebSession();

    void cookieAdded(const QNetworkCookie& cookie);
    void cookieRemoved(const QNetworkCookie& cookie);
    void downloadRequested(QWebEngineDownloadRequest* download);
    [[nodiscard]] static bool isSiteCookie(const Cookie& cookie);

    QWebEngineProfile* m_profile = nullptr;
    // What the engine holds, as far as it told us (its notifications also echo our own calls).
    QList<Cookie> m_engine;
    // Changes we asked for whose notifications have not come back yet; they are not taken as the page's own.
    QList<Cookie> m_ourAdditions;
    QList<Cookie> m_ourRemovals;
    bool m_siteCookieLost = false;
    OperationQueue m_sessionChecks{1, QStringLiteral("site session check")};
};

} // namespace marrowfin
