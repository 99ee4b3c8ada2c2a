#pragma once

#include "LoginController.h"

#include "core/config/AppConfig.h"
#include "core/net/Cookie.h"

#include <QList>
#include <QString>

#include <optional>

namespace marrowfin {

class HttpContext;

// A cookie file exported from a browser or written by curl (the Netscape format), read for the site's own cookies: a
// sign-in made elsewhere (past a captcha, say) brought into the profile. Cookies of other sites are counted and left
// out; so are expired ones. Nothing is stored here. Any thread.
struct CookieFileImport
{
    // The site's cookies, as the file has them.
    QList<Cookie> siteCookies;
    // Cookies of other sites, left out.
    int otherCookies = 0;
    // Why nothing can be taken: the file cannot be read, holds no cookie line, or none for the site; in a sentence
    // naming the file.
    std::optional<QString> problem;

    [[nodiscard]] static CookieFileImport read(const QString& path, const QString& siteHostName, qint64 nowSeconds);

    // Whether `cookies` alone sign in on the site: its newest listing fetched with them in a jar of its own (with the
    // CA file and browser User-Agent of `profile`), read as the login check reads it; a site that pushes back (a
    // browser check, a rate limit, a block) is a failure in its own words. The profile's own cookies are not touched.
    [[nodiscard]] static LoginOutcome signsIn(const QList<Cookie>& cookies, const AppConfig& config,
                                              const HttpContext& profile);
};

} // namespace marrowfin
