#pragma once

#include "core/config/AppConfig.h"

#include <QList>
#include <QString>

#include <memory>

namespace marrowfin {

class HttpContext;
class SettingsStore;
class SignInChecker;

// Why nothing arrives, at a glance: in order, that the site answers, that its newest listing still fits the listing
// pattern, that the stored sign-in works (or anonymous use is set), that the remote client answers its handshake and
// web page, and that the profile's settings and cookie files are owner-only. Each check says "ok" or what is wrong
// and what to do. Nothing stored is changed, though a sign-in that had expired is renewed as by any page fetch.
//
// Any one thread at a time (the command line's main thread, the window's check queue); every check blocks, on that
// thread's own event loop where it waits for an operation. The client check runs the remote settings test, which reads
// the shared remote settings (FetchPageRemoteUI).
class HealthCheck final
{
public:
    struct Check
    {
        QString name; // "site", "listing", "sign-in", "client", "files"
        bool ok = false;
        QString detail;
        // Passed, but something is not right: the front page fails while the listing works.
        bool warning = false;
    };

    // `config` names the site; `http` carries the site's and the client's requests.
    HealthCheck(std::shared_ptr<SettingsStore> settings, AppConfig config, std::shared_ptr<HttpContext> http,
                SignInChecker& signIn);
    HealthCheck(const HealthCheck&) = delete;
    HealthCheck& operator=(const HealthCheck&) = delete;

    // The site, listing, sign-in and client checks in that order. The listing and sign-in are not checked when the
    // site gives no answer at all; when it answers, they are, whatever the front page said, and a front page that
    // fails while the listing works is a warning.
    [[nodiscard]] QList<Check> run();

    // The profile's files in `configDir`, as they are before the profile is opened: opening takes group and other
    // access away from the settings file, which would hide the problem.
    [[nodiscard]] static Check files(const QString& configDir);
    [[nodiscard]] static bool allPassed(const QList<Check>& checks);

private:
    // `answered`: whether any answer came (a failing status counts).
    [[nodiscard]] Check site(bool* answered) const;
    [[nodiscard]] Check listing() const;
    [[nodiscard]] Check signIn() const;
    [[nodiscard]] Check client() const;

    std::shared_ptr<SettingsStore> m_settings;
    AppConfig m_config;
    std::shared_ptr<HttpContext> m_http;
    SignInChecker& m_signIn;
};

} // namespace marrowfin
