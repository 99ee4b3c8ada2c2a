#pragma once

#include "HttpServer.h"

#include <map>
#include <string>

namespace marrowfin::demo {

class Captcha;
class Catalogue;
class FailurePlan;
class PageRenderer;
class SessionStore;

// The site's addresses: listings, searches, detail, profile, forum and front pages, torrent files, the sign-in
// form (with its captcha), and the demo's own control addresses under "/_demo/". Runs on the io threads; all
// state it changes lives in the session store, the captcha and the failure plan, each with its own lock.
class SiteServer final
{
public:
    struct Settings
    {
        std::string defaultHost; // "host:port", for requests without a usable Host header
        bool captcha = false;
        bool verbose = false;
        std::map<std::string, std::string> users; // name -> password
    };

    SiteServer(const Catalogue& catalogue, const PageRenderer& renderer, SessionStore& sessions, Captcha& captcha,
               FailurePlan& failures, Settings settings);
    SiteServer(const SiteServer&) = delete;
    SiteServer& operator=(const SiteServer&) = delete;

    [[nodiscard]] HttpResponseMessage handle(const HttpRequestMessage& request, const RequestContext& context);

private:
    struct Exchange;

    HttpResponseMessage route(Exchange& exchange);
    HttpResponseMessage listing(Exchange& exchange);
    HttpResponseMessage signIn(Exchange& exchange);
    HttpResponseMessage download(Exchange& exchange, bool redirect);
    HttpResponseMessage control(Exchange& exchange);

    const Catalogue& m_catalogue;
    const PageRenderer& m_renderer;
    SessionStore& m_sessions;
    Captcha& m_captcha;
    FailurePlan& m_failures;
    Settings m_settings;
};

} // namespace marrowfin::demo
