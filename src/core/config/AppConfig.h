#pragma once

#include <QString>

namespace marrowfin {

// The values fixed for a build that a user may still point elsewhere: where the site is, where its captcha
// service is, and the few outside links. Built-in defaults, then MARROWFIN_* environment variables, then the
// executables' options. Set once at start-up on the main thread, read from any thread afterwards.
struct AppConfig
{
    QString siteHost;            // host[:port] of the site; the demo site's address by default
    QString captchaImageHost;    // host[:port] of the captcha service's image endpoint
    QString captchaCookieDomain; // the captcha service's cookie domain (no port)
    QString imdbHost;            // the movie database host that detail pages link to
    QString advertisingUnit;     // empty: no banner
    QString donationLink;        // empty: no donation view

    static constexpr const char* kDefaultSiteHost = "127.0.0.1:48470";

    [[nodiscard]] static AppConfig builtIn();
    // builtIn() with every MARROWFIN_* variable that is set and not empty applied.
    [[nodiscard]] static AppConfig fromEnvironment();

    // The configuration in force; fromEnvironment() until setCurrent is called.
    [[nodiscard]] static AppConfig current();
    static void setCurrent(const AppConfig& config);

    // "http://" + site host + path; `path` starts with "/".
    [[nodiscard]] QString siteAddress(const QString& path) const;
    // The one address the site is reached on over TLS: "https://" + site host + "/auth/login/".
    [[nodiscard]] QString signInAddress() const;
    // The site host without a port, as cookie domains carry it.
    [[nodiscard]] QString siteHostName() const;
};

} // namespace marrowfin
