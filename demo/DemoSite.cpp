#include "DemoSite.h"

#include "Captcha.h"
#include "Catalogue.h"
#include "Certificates.h"
#include "ClientSimulators.h"
#include "FailurePlan.h"
#include "HttpServer.h"
#include "PageRenderer.h"
#include "SessionStore.h"
#include "SiteServer.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl/context.hpp>
#include <openssl/ssl.h>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace marrowfin::demo {

namespace net = boost::asio;
using tcp = boost::asio::ip::tcp;

namespace {

net::ip::address listenAddress(const std::string& host)
{
    return net::ip::make_address(host == "localhost" ? "127.0.0.1" : host);
}

std::string hostForUrls(const std::string& host, unsigned short port)
{
    const auto address = listenAddress(host);
    const std::string name = address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
    return name + ":" + std::to_string(port);
}

} // namespace

struct DemoSite::Parts
{
    explicit Parts(const DemoOptions& options)
        : options(options), certificates(options.effectiveDataDir()), tls(net::ssl::context::tls_server),
          catalogue(options.seed, options.torrentCount), renderer(catalogue, options.movieHost),
          sessions(options.sessionLifetime), utorrent(ClientCredentials{options.clientUser, options.clientPassword}),
          vuze(ClientCredentials{options.clientUser, options.clientPassword})
    {
        tls.set_options(net::ssl::context::default_workarounds | net::ssl::context::no_sslv2 |
                        net::ssl::context::no_sslv3 | net::ssl::context::single_dh_use);
        SSL_CTX_set_min_proto_version(tls.native_handle(), TLS1_2_VERSION);
        tls.use_certificate_chain_file(certificates.serverChainFile().string());
        tls.use_private_key_file(certificates.serverKeyFile().string(), net::ssl::context::pem);
        for (const FailureRule& rule : options.failures)
            failures.add(rule);
        for (const auto& [path, delay] : options.delays)
            failures.setDelay(path, delay);

        const auto address = listenAddress(options.host);
        const HttpServer::Setup plain{nullptr, &failures, options.latency};
        HttpServer::Setup secure{&tls, &failures, options.latency};
        secure.site = true;
        // The site is bound first so that its port (the one the pages name) is known before it serves.
        siteServer = std::make_unique<HttpServer>(
            io, tcp::endpoint(address, options.sitePort),
            [this](const HttpRequestMessage& request, const RequestContext& context) {
                return site->handle(request, context);
            },
            secure);
        utorrentServer = std::make_unique<HttpServer>(
            io, tcp::endpoint(address, options.utorrentPort),
            [this](const HttpRequestMessage& request, const RequestContext& context) {
                return utorrent.handle(request, context);
            },
            plain);
        vuzeServer = std::make_unique<HttpServer>(
            io, tcp::endpoint(address, options.vuzePort),
            [this](const HttpRequestMessage& request, const RequestContext& context) {
                return vuze.handle(request, context);
            },
            plain);
        site = std::make_unique<SiteServer>(catalogue, renderer, sessions, captcha, failures,
                                            SiteServer::Settings{hostForUrls(options.host, siteServer->port()),
                                                                 options.captcha, options.verbose, options.users});
    }

    DemoOptions options;
    Certificates certificates;
    net::io_context io;
    net::ssl::context tls;
    Catalogue catalogue;
    PageRenderer renderer;
    SessionStore sessions;
    Captcha captcha;
    FailurePlan failures;
    UtorrentSimulator utorrent;
    VuzeSimulator vuze;
    std::unique_ptr<SiteServer> site;
    std::unique_ptr<HttpServer> siteServer;
    std::unique_ptr<HttpServer> utorrentServer;
    std::unique_ptr<HttpServer> vuzeServer;
};

DemoSite::DemoSite(const DemoOptions& options) : m_parts(std::make_unique<Parts>(options)) {}

DemoSite::~DemoSite() = default;

std::string DemoSite::readyLine() const
{
    return "marrowfin-demo-site ready host=" + m_parts->options.host + " site=" + std::to_string(sitePort()) +
           " utorrent=" + std::to_string(utorrentPort()) + " vuze=" + std::to_string(vuzePort()) +
           " ca=" + m_parts->certificates.caFile().string();
}

unsigned short DemoSite::sitePort() const
{
    return m_parts->siteServer->port();
}

unsigned short DemoSite::utorrentPort() const
{
    return m_parts->utorrentServer->port();
}

unsigned short DemoSite::vuzePort() const
{
    return m_parts->vuzeServer->port();
}

void DemoSite::run(bool handleSignals, const std::function<void()>& onReady)
{
    Parts& parts = *m_parts;
    std::optional<net::signal_set> stopSignals;
    if (handleSignals) {
        stopSignals.emplace(parts.io, SIGINT, SIGTERM);
        stopSignals->async_wait([this](const boost::system::error_code& ec, int) {
            if (!ec)
                stop();
        });
    }
    if (parts.options.exitOnStdinClose) {
        // Blocks on standard input until the parent closes it or dies; detached because a normal stop leaves it
        // blocked there, and the process ends right after.
        std::thread([this, &parts] {
            char buffer[256];
            while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
            }
            net::post(parts.io, [this] { stop(); });
        }).detach();
    }
    parts.siteServer->start();
    parts.utorrentServer->start();
    parts.vuzeServer->start();
    if (onReady)
        onReady();
    std::thread second;
    if (parts.options.threads > 1)
        second = std::thread([&parts] { parts.io.run(); });
    parts.io.run();
    if (second.joinable())
        second.join();
    // The process ends now: a second stop request (Ctrl+C again, or SIGTERM after standard input closed) must not
    // find the default action, which the signal set puts back as it goes, and end it by a signal.
    if (handleSignals) {
        stopSignals.reset();
        std::signal(SIGINT, SIG_IGN);
        std::signal(SIGTERM, SIG_IGN);
    }
}

void DemoSite::stop()
{
    m_parts->siteServer->stop();
    m_parts->utorrentServer->stop();
    m_parts->vuzeServer->stop();
    m_parts->io.stop();
}

} // namespace marrowfin::demo
