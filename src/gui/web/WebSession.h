#pragma once

#include "core/net/Cookie.h"

#include <QList>
#include <QNetworkCookie>
#include <QObject>

class QWebEngineProfile;

namespace marrowfin {

// The web engine's side of the one site session: a named profile whose files live in the configuration folder (not
// the engine's default in the home folder), and its cookie store kept equal to the request cookie store. Cookies
// that requests set are given to the engine before every page load; cookies that pages set or delete reach the
// request store (and so its file). The request store is the truth: the engine keeps no cookie file of its own.
// Main thread only; made on first use and never freed, since pages must go before their profile.
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

private:
    WebSession();

    void cookieAdded(const QNetworkCookie& cookie);
    void cookieRemoved(const QNetworkCookie& cookie);

    QWebEngineProfile* m_profile = nullptr;
    // What the engine holds, as far as it told us (its notifications also echo our own calls).
    QList<Cookie> m_engine;
    // Changes we asked for whose notifications have not come back yet; they are not taken as the page's own.
    QList<Cookie> m_ourAdditions;
    QList<Cookie> m_ourRemovals;
};

} // namespace marrowfin
