#include "SiteServer.h"

#include "Captcha.h"
#include "Catalogue.h"
#include "FailurePlan.h"
#include "HttpText.h"
#include "PageRenderer.h"
#include "SessionStore.h"
#include "TorrentFile.h"

#include <QString>

#include <boost/beast/http.hpp>

#include <charconv>
#include <cstdio>

namespace marrowfin::demo {

namespace http = boost::beast::http;

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
// The cookie outlives the session on purpose: a stored cookie whose session ended is what the app's expired
// session recovery has to meet.
constexpr const char* kCookieLifetime = "2592000";

std::optional<int> number(std::string_view text)
{
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool usableHost(std::string_view host)
{
    if (host.empty() || host.size() > 255)
        return false;
    for (const char c : host) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '.' && c != ':' && c != '-' && c != '[' &&
            c != ']')
            return false;
    }
    return true;
}

// The first path segment after `prefix`, without a trailing "/": "/user/joe/" -> "joe".
std::string segmentAfter(std::string_view path, std::string_view prefix)
{
    std::string_view rest = path.substr(prefix.size());
    const auto slash = rest.find('/');
    return percentDecode(rest.substr(0, slash));
}

} // namespace

struct SiteServer::Exchange
{
    const HttpRequestMessage& request;
    const RequestContext& context;
    Target target;
    std::string path; // percent-escaped as sent
    Visitor visitor;
    bool sessionExpired = false;

    HttpResponseMessage html(unsigned status, std::string body) const
    {
        return textResponse(request, status, kHtml, std::move(body));
    }
    HttpResponseMessage redirect(const std::string& location) const
    {
        auto response = textResponse(request, 302, kHtml, "<html><body>Moved</body></html>\n");
        response.set(http::field::location, location);
        return response;
    }
};

SiteServer::SiteServer(const Catalogue& catalogue, const PageRenderer& renderer, SessionStore& sessions,
                       Captcha& captcha, FailurePlan& failures, Settings settings)
    : m_catalogue(catalogue), m_renderer(renderer), m_sessions(sessions), m_captcha(captcha), m_failures(failures),
      m_settings(std::move(settings))
{}

HttpResponseMessage SiteServer::handle(const HttpRequestMessage& request, const RequestContext& context)
{
    Exchange exchange{request, context, splitTarget(request.target()), {}, {}, false};
    exchange.path = exchange.target.path;
    const std::string_view host = request[http::field::host];
    exchange.visitor.host = usableHost(host) ? std::string(host) : m_settings.defaultHost;
    if (const auto token = cookieValue(request[http::field::cookie], SessionStore::kCookieName)) {
        const auto session = m_sessions.lookup(*token);
        if (session.state == SessionStore::State::Valid)
            exchange.visitor.user = session.user;
        else
            exchange.sessionExpired = true;
    }
    HttpResponseMessage response = route(exchange);
    if (m_settings.verbose) {
        // Path only: queries and bodies may carry tokens, and cookies are never shown.
        std::fprintf(stderr, "site %s %s %s -> %u\n", context.secure ? "https" : "http",
                     std::string(request.method_string()).c_str(), exchange.path.c_str(), response.result_int());
    }
    return response;
}

HttpResponseMessage SiteServer::route(Exchange& exchange)
{
    const std::string& path = exchange.path;
    if (path.starts_with("/_demo/"))
        return control(exchange);
    if (path == "/auth/login/" || path == "/auth/login")
        return signIn(exchange);
    if (path == "/auth/logout/" || path == "/auth/logout") {
        if (const auto token = cookieValue(exchange.request[http::field::cookie], SessionStore::kCookieName))
            m_sessions.remove(*token);
        auto response = exchange.redirect("http://" + exchange.visitor.host + "/");
        response.set(http::field::set_cookie, std::string(SessionStore::kCookieName) + "=; Path=/; Max-Age=0");
        return response;
    }
    if (path == "/recaptcha/api/challenge") {
        return textResponse(exchange.request, 200, "text/javascript; charset=utf-8",
                            m_renderer.captchaScript(exchange.visitor.host, m_captcha.issue()));
    }
    if (path == "/image") {
        const auto challenge = parseForm(exchange.target.query)["c"];
        if (const auto png = m_captcha.image(challenge))
            return textResponse(exchange.request, 200, "image/png", *png);
        return textResponse(exchange.request, 404, "text/plain", "no such challenge\n");
    }
    if (path.starts_with("/download/"))
        return download(exchange, false);
    if (path.starts_with("/get/"))
        return download(exchange, true);
    if (path == "/announce")
        return textResponse(exchange.request, 200, "text/plain",
                            "d14:failure reason31:the demo site tracks no peers.e");

    // Every page below is the signed-in site: a stale session cookie gets the sign-in page in its place.
    if (exchange.sessionExpired) {
        SignInForm form;
        if (m_settings.captcha)
            form.captchaChallenge = m_captcha.issue();
        return exchange.html(200, m_renderer.signIn(Visitor{exchange.visitor.host, std::nullopt}, form));
    }
    if (path == "/")
        return exchange.html(200, m_renderer.front(exchange.visitor));
    if (path == "/new" || path.starts_with("/new/") || path.starts_with("/usearch/"))
        return listing(exchange);
    if (path == "/community" || path == "/community/")
        return exchange.html(200, m_renderer.forumIndex(exchange.visitor));
    if (path.starts_with("/community/show/")) {
        const auto topic = number(segmentAfter(path, "/community/show/"));
        if (topic && *topic >= 1 && *topic <= 10)
            return exchange.html(200, m_renderer.forumTopic(exchange.visitor, *topic));
    }
    if (path.starts_with("/user/")) {
        const std::string name = segmentAfter(path, "/user/");
        const auto& uploaders = m_catalogue.uploaders();
        if (std::find(uploaders.begin(), uploaders.end(), name) != uploaders.end() || m_settings.users.contains(name))
            return exchange.html(200, m_renderer.profile(exchange.visitor, name));
    }
    if (const auto id = Catalogue::idFromDetailPath(std::string_view(path).substr(1))) {
        if (const CatalogueEntry* entry = m_catalogue.find(*id))
            return exchange.html(200, m_renderer.detail(exchange.visitor, *entry));
    }
    return exchange.html(404, m_renderer.notFound(exchange.visitor));
}

HttpResponseMessage SiteServer::listing(Exchange& exchange)
{
    const std::string& path = exchange.path;
    ListingQuery query;
    ListingPage page;
    std::string rest;
    if (path.starts_with("/usearch/")) {
        rest = path.substr(9);
        page.pathBase = "/usearch/";
    } else {
        rest = path.size() > 5 ? path.substr(5) : std::string();
        page.pathBase = "/new/";
    }
    while (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    // The page number is the last segment; a search text may itself hold "/", since the app sends it unescaped.
    const auto lastSlash = rest.rfind('/');
    const bool isSearch = path.starts_with("/usearch/");
    const std::string lastSegment = lastSlash == std::string::npos ? rest : rest.substr(lastSlash + 1);
    if (const auto n = number(lastSegment); n && (!isSearch || lastSlash != std::string::npos)) {
        page.page = std::max(1, *n);
        rest = lastSlash == std::string::npos ? std::string() : rest.substr(0, lastSlash);
    }
    if (isSearch) {
        page.pathBase += rest + "/";
        const QString text = QString::fromUtf8(percentDecode(rest)).simplified();
        QStringList words;
        for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
            if (word.startsWith(u"category:"))
                query.category = word.mid(9).toStdString();
            else
                words.append(word);
        }
        query.words = words;
        if (words.isEmpty() && !query.category.empty())
            page.heading = "Category: " + query.category;
        else
            page.heading = "Search: " + words.join(u' ').toStdString();
    } else {
        page.heading = "Newest torrents";
    }
    auto fields = parseForm(exchange.target.query);
    query.order = Catalogue::orderFromValue(fields["field"]).value_or(ListingOrder::TimeAdd);
    query.ascending = fields["sorder"] == "asc";
    if (!exchange.target.query.empty())
        page.orderSuffix = "?" + exchange.target.query;

    const auto selected = m_catalogue.select(query);
    page.pageCount =
        std::max<int>(1, int((selected.size() + PageRenderer::kRowsPerPage - 1) / PageRenderer::kRowsPerPage));
    const std::size_t first = std::size_t(page.page - 1) * PageRenderer::kRowsPerPage;
    for (std::size_t i = first; i < selected.size() && i < first + PageRenderer::kRowsPerPage; ++i)
        page.rows.push_back(selected[i]);
    return exchange.html(200, m_renderer.listing(exchange.visitor, page));
}

HttpResponseMessage SiteServer::signIn(Exchange& exchange)
{
    const Visitor anonymous{exchange.visitor.host, std::nullopt};
    if (exchange.request.method() != http::verb::post) {
        SignInForm form;
        if (m_settings.captcha)
            form.captchaChallenge = m_captcha.issue();
        return exchange.html(200, m_renderer.signIn(anonymous, form));
    }
    auto fields = parseForm(exchange.request.body());
    const std::string& user = fields["email"];
    bool good = false;
    if (const auto it = m_settings.users.find(user); it != m_settings.users.end())
        good = secretsEqual(it->second, fields["password"]);
    if (m_settings.captcha) {
        const bool solved = m_captcha.check(fields["recaptcha_challenge_field"], fields["recaptcha_response_field"]);
        good = good && solved;
    }
    if (!good) {
        SignInForm form;
        form.failed = true;
        form.email = user;
        if (m_settings.captcha)
            form.captchaChallenge = m_captcha.issue();
        return exchange.html(200, m_renderer.signIn(anonymous, form));
    }
    const std::string token = m_sessions.create(user);
    auto response = exchange.html(200, m_renderer.front(Visitor{exchange.visitor.host, user}));
    response.set(http::field::set_cookie, std::string(SessionStore::kCookieName) + "=" + token +
                                              "; Path=/; Max-Age=" + kCookieLifetime + "; HttpOnly; SameSite=Lax");
    return response;
}

HttpResponseMessage SiteServer::download(Exchange& exchange, bool redirect)
{
    const std::string prefix = redirect ? "/get/" : "/download/";
    const auto id = number(segmentAfter(exchange.path, prefix));
    const CatalogueEntry* entry = id ? m_catalogue.find(*id) : nullptr;
    if (entry == nullptr)
        return exchange.html(404, m_renderer.notFound(exchange.visitor));
    if (redirect)
        return exchange.redirect(Catalogue::namedDownloadAddress(*entry, exchange.visitor.host));
    auto response = textResponse(exchange.request, 200, "application/x-bittorrent",
                                 TorrentFile::build(*entry, exchange.visitor.host));
    response.set(http::field::content_disposition, "attachment; filename=\"" + entry->slug + ".torrent\"");
    return response;
}

HttpResponseMessage SiteServer::control(Exchange& exchange)
{
    auto fields = parseForm(exchange.target.query);
    if (exchange.path == "/_demo/health")
        return textResponse(exchange.request, 200, "text/plain", "ok\n");
    if (exchange.path == "/_demo/fail") {
        // mode, and optionally prefix=/path, exact=1 (that path alone), retry=SECONDS (429), times=N (then lifted).
        const auto mode = FailurePlan::parseMode(fields["mode"]);
        const std::string prefix = fields["prefix"];
        const auto number = [&](const char* name, int fallback, int least) -> std::optional<int> {
            const std::string& text = fields[name];
            int value = fallback;
            if (!text.empty() && (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc() ||
                                  value < least || value > 86400))
                return std::nullopt;
            return value;
        };
        const auto retry = number("retry", 2, 0);
        const auto times = number("times", 0, 0);
        if (!mode || (!prefix.empty() && prefix.front() != '/') || !retry || !times)
            return textResponse(exchange.request, 400, "text/plain",
                                "mode is drop, 500, slow, 429, 404, 403, challenge or off\n");
        if (*mode == FailureMode::None)
            m_failures.replace({});
        else
            m_failures.replace({FailureRule{*mode, prefix, fields["exact"] == "1", *retry, *times}});
        return textResponse(exchange.request, 200, "text/plain", "ok\n");
    }
    if (exchange.path == "/_demo/latency") {
        const auto delay = FailurePlan::parseDelay(fields["path"] + "=" + fields["ms"]);
        if (!delay)
            return textResponse(exchange.request, 400, "text/plain", "path is /something, ms milliseconds\n");
        m_failures.setDelay(delay->first, delay->second);
        return textResponse(exchange.request, 200, "text/plain", "ok\n");
    }
    if (exchange.path == "/_demo/layout") {
        const std::string changed = fields["changed"];
        if (changed != "0" && changed != "1")
            return textResponse(exchange.request, 400, "text/plain", "changed is 0 or 1\n");
        m_renderer.setLayoutChanged(changed == "1");
        return textResponse(exchange.request, 200, "text/plain", "ok\n");
    }
    if (exchange.path == "/_demo/add") {
        // New torrents at the top of the newest list, as the site gets them between two visits; answers their
        // detail paths and names, a line each. With repost=1 they are torrents listed before, posted again.
        int count = 1;
        const std::string text = fields["count"];
        if (!text.empty() && (std::from_chars(text.data(), text.data() + text.size(), count).ec != std::errc() ||
                              count < 1 || count > Catalogue::kFreshReserve))
            return textResponse(exchange.request, 400, "text/plain", "count is a number from 1\n");
        const std::string repost = fields["repost"];
        if (!repost.empty() && repost != "0" && repost != "1")
            return textResponse(exchange.request, 400, "text/plain", "repost is 0 or 1\n");
        std::string body;
        for (const CatalogueEntry* entry : m_catalogue.addFresh(count, repost == "1"))
            body += "/" + Catalogue::detailPath(*entry) + "\t" + entry->listedName.toStdString() + "\n";
        return textResponse(exchange.request, 200, "text/plain; charset=utf-8", body);
    }
    if (exchange.path == "/_demo/captcha") {
        // The answer of a challenge, for tests and scripts that cannot read the picture.
        if (const auto answer = m_captcha.answerOf(fields["c"]))
            return textResponse(exchange.request, 200, "text/plain", *answer);
        return textResponse(exchange.request, 404, "text/plain", "no such challenge\n");
    }
    return textResponse(exchange.request, 404, "text/plain", "unknown control address\n");
}

} // namespace marrowfin::demo
