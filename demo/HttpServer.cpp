#include "HttpServer.h"

#include "FailurePlan.h"
#include "HttpText.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <cstdio>
#include <functional>
#include <optional>

namespace marrowfin::demo {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace ssl = boost::asio::ssl;
using tcp = boost::asio::ip::tcp;

namespace {

constexpr auto kIdleTimeout = std::chrono::seconds(60);
constexpr std::size_t kSlowChunkBytes = 512;
constexpr auto kSlowChunkPause = std::chrono::milliseconds(50);

struct Shared
{
    RequestHandler handler;
    HttpServer::Setup setup;
};

// The clearance cookie the browser check sets: good for the user agent it was made for only.
constexpr std::string_view kClearanceCookie = "demo_clearance";

std::string clearanceFor(std::string_view userAgent)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx",
                  static_cast<unsigned long long>(std::hash<std::string_view>{}(userAgent)) ^ 0x5eed5eed5eed5eedULL);
    return hex;
}

// The browser check: the page a real browser passes by running its script, which sets the clearance cookie after a
// moment and loads the page again.
std::string challengePage(std::string_view userAgent)
{
    return "<!DOCTYPE html>\n<html><head><title>Checking your browser</title></head><body>\n"
           "<h1>Checking your browser before you reach the site</h1>\n"
           "<p id=\"check\">This takes a moment; the page goes on by itself.</p>\n"
           "<script>setTimeout(function () {\n  document.cookie = \"" +
           std::string(kClearanceCookie) + "=" + clearanceFor(userAgent) +
           "; path=/; max-age=3600\";\n  location.reload();\n}, 1500);</script>\n</body></html>\n";
}

HttpResponseMessage answerFor(const Shared& shared, const HttpRequestMessage& request, bool secure,
                              const FailureRule& rule)
{
    const std::string html = "text/html; charset=utf-8";
    switch (rule.mode) {
    case FailureMode::ServerError:
        return textResponse(request, 500, html,
                            "<html><head><title>Server error</title></head><body><h1>500 Server error</h1>"
                            "</body></html>\n");
    case FailureMode::RateLimited: {
        auto answer = textResponse(request, 429, html,
                                   "<html><head><title>Too many requests</title></head><body><h1>429 Too many "
                                   "requests</h1><p>Slow down.</p></body></html>\n");
        answer.set(http::field::retry_after, std::to_string(rule.retryAfter));
        return answer;
    }
    case FailureMode::NotFound:
        return textResponse(request, 404, html,
                            "<html><head><title>Not found</title></head><body><h1>404 Not found</h1></body></html>\n");
    case FailureMode::Blocked:
        return textResponse(request, 403, html,
                            "<html><head><title>Access denied</title></head><body><h1>Access denied</h1><p>Your "
                            "requests are blocked.</p></body></html>\n");
    case FailureMode::Challenge: {
        const std::string userAgent(request[http::field::user_agent]);
        if (cookieValue(request[http::field::cookie], kClearanceCookie) != clearanceFor(userAgent))
            return textResponse(request, 503, html, challengePage(userAgent));
        break;
    }
    case FailureMode::None:
    case FailureMode::Drop:
    case FailureMode::Slow:
        break;
    }
    try {
        return shared.handler(request, RequestContext{secure});
    } catch (const std::exception&) {
        return textResponse(request, 500, "text/plain", "internal error\n");
    }
}

// The HTTP exchange loop over either stream kind; Derived supplies stream() and how the connection ends.
template <class Derived>
class HttpSession
{
public:
    HttpSession(std::shared_ptr<const Shared> shared, beast::flat_buffer buffer, const net::any_io_executor& executor)
        : m_shared(std::move(shared)), m_buffer(std::move(buffer)), m_timer(executor)
    {}

protected:
    void doRead()
    {
        m_parser.emplace();
        m_parser->body_limit(m_shared->setup.bodyLimit);
        beast::get_lowest_layer(derived().stream()).expires_after(kIdleTimeout);
        http::async_read(derived().stream(), m_buffer, *m_parser,
                         beast::bind_front_handler(&HttpSession::onRead, derived().shared_from_this()));
    }

private:
    Derived& derived() { return static_cast<Derived&>(*this); }

    void onRead(beast::error_code ec, std::size_t)
    {
        if (ec == http::error::end_of_stream)
            return derived().doEof();
        if (ec)
            return;
        const HttpRequestMessage& request = m_parser->get();
        const Target target = splitTarget(request.target());
        const FailureRule rule = m_shared->setup.failures
                                     ? m_shared->setup.failures->ruleFor(target.path, m_shared->setup.site)
                                     : FailureRule{};
        const FailureMode mode = rule.mode;
        if (mode == FailureMode::Drop) {
            beast::error_code ignored;
            beast::get_lowest_layer(derived().stream()).socket().shutdown(tcp::socket::shutdown_both, ignored);
            beast::get_lowest_layer(derived().stream()).close();
            return;
        }
        m_response = std::make_shared<HttpResponseMessage>(answerFor(*m_shared, request, Derived::kSecure, rule));
        m_response->keep_alive(request.keep_alive() && m_response->keep_alive());
        m_response->prepare_payload();
        m_slow = mode == FailureMode::Slow;
        const bool controlPath = target.path.starts_with("/_demo/");
        const auto latency =
            controlPath
                ? std::chrono::milliseconds(0)
                : m_shared->setup.latency + (m_shared->setup.failures ? m_shared->setup.failures->delayFor(target.path)
                                                                      : std::chrono::milliseconds(0));
        if (latency.count() > 0) {
            m_timer.expires_after(latency);
            m_timer.async_wait([self = derived().shared_from_this()](beast::error_code waitError) {
                if (!waitError)
                    self->startWrite();
            });
            return;
        }
        startWrite();
    }

    void startWrite()
    {
        beast::get_lowest_layer(derived().stream()).expires_after(kIdleTimeout);
        if (m_slow) {
            m_serializer.emplace(*m_response);
            m_serializer->limit(kSlowChunkBytes);
            return writeSlowChunk();
        }
        http::async_write(derived().stream(), *m_response,
                          beast::bind_front_handler(&HttpSession::onWrite, derived().shared_from_this()));
    }

    void writeSlowChunk()
    {
        http::async_write_some(derived().stream(), *m_serializer,
                               [self = derived().shared_from_this()](beast::error_code ec, std::size_t written) {
                                   if (ec)
                                       return;
                                   if (self->m_serializer->is_done())
                                       return self->onWrite(ec, written);
                                   self->m_timer.expires_after(kSlowChunkPause);
                                   self->m_timer.async_wait([self](beast::error_code waitError) {
                                       if (!waitError)
                                           self->writeSlowChunk();
                                   });
                               });
    }

    void onWrite(beast::error_code ec, std::size_t)
    {
        if (ec)
            return;
        const bool close = !m_response->keep_alive();
        m_serializer.reset();
        m_response.reset();
        if (close)
            return derived().doEof();
        doRead();
    }

    std::shared_ptr<const Shared> m_shared;

protected:
    beast::flat_buffer m_buffer;

private:
    net::steady_timer m_timer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::shared_ptr<HttpResponseMessage> m_response;
    std::optional<http::response_serializer<http::string_body>> m_serializer;
    bool m_slow = false;
};

class PlainSession final : public HttpSession<PlainSession>, public std::enable_shared_from_this<PlainSession>
{
public:
    static constexpr bool kSecure = false;

    PlainSession(beast::tcp_stream&& stream, beast::flat_buffer&& buffer, std::shared_ptr<const Shared> shared)
        : HttpSession(std::move(shared), std::move(buffer), stream.get_executor()), m_stream(std::move(stream))
    {}

    void run() { doRead(); }
    beast::tcp_stream& stream() { return m_stream; }
    void doEof()
    {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    }

private:
    beast::tcp_stream m_stream;
};

class TlsSession final : public HttpSession<TlsSession>, public std::enable_shared_from_this<TlsSession>
{
public:
    static constexpr bool kSecure = true;

    TlsSession(beast::tcp_stream&& stream, ssl::context& context, beast::flat_buffer&& buffer,
               std::shared_ptr<const Shared> shared)
        : HttpSession(std::move(shared), std::move(buffer), stream.get_executor()), m_stream(std::move(stream), context)
    {}

    void run()
    {
        beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(30));
        // The bytes the detection already read are the start of the client's handshake.
        m_stream.async_handshake(ssl::stream_base::server, m_buffer.data(),
                                 [self = shared_from_this()](beast::error_code ec, std::size_t used) {
                                     if (ec)
                                         return;
                                     self->m_buffer.consume(used);
                                     self->doRead();
                                 });
    }
    beast::ssl_stream<beast::tcp_stream>& stream() { return m_stream; }
    void doEof()
    {
        beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(5));
        m_stream.async_shutdown([self = shared_from_this()](beast::error_code) {});
    }

private:
    beast::ssl_stream<beast::tcp_stream> m_stream;
};

class DetectSession final : public std::enable_shared_from_this<DetectSession>
{
public:
    DetectSession(tcp::socket&& socket, ssl::context* tls, std::shared_ptr<const Shared> shared)
        : m_stream(std::move(socket)), m_tls(tls), m_shared(std::move(shared))
    {}

    void run()
    {
        net::dispatch(m_stream.get_executor(), [self = shared_from_this()] { self->detect(); });
    }

private:
    void detect()
    {
        if (m_tls == nullptr) {
            std::make_shared<PlainSession>(std::move(m_stream), std::move(m_buffer), m_shared)->run();
            return;
        }
        m_stream.expires_after(std::chrono::seconds(30));
        beast::async_detect_ssl(m_stream, m_buffer, [self = shared_from_this()](beast::error_code ec, bool isTls) {
            if (ec)
                return;
            if (isTls)
                std::make_shared<TlsSession>(std::move(self->m_stream), *self->m_tls, std::move(self->m_buffer),
                                             self->m_shared)
                    ->run();
            else
                std::make_shared<PlainSession>(std::move(self->m_stream), std::move(self->m_buffer), self->m_shared)
                    ->run();
        });
    }

    beast::tcp_stream m_stream;
    ssl::context* m_tls;
    std::shared_ptr<const Shared> m_shared;
    beast::flat_buffer m_buffer;
};

} // namespace

struct HttpServer::Listener : std::enable_shared_from_this<HttpServer::Listener>
{
    Listener(net::io_context& io, const tcp::endpoint& endpoint, std::shared_ptr<const Shared> sharedState)
        : io(io), acceptor(net::make_strand(io)), shared(std::move(sharedState))
    {
        acceptor.open(endpoint.protocol());
        acceptor.set_option(net::socket_base::reuse_address(true));
        acceptor.bind(endpoint);
        acceptor.listen(net::socket_base::max_listen_connections);
    }

    void accept()
    {
        acceptor.async_accept(
            net::make_strand(io), [self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
                if (ec == net::error::operation_aborted || !self->acceptor.is_open())
                    return;
                if (!ec)
                    std::make_shared<DetectSession>(std::move(socket), self->shared->setup.tls, self->shared)->run();
                self->accept();
            });
    }

    net::io_context& io;
    tcp::acceptor acceptor;
    std::shared_ptr<const Shared> shared;
};

HttpServer::HttpServer(net::io_context& io, const tcp::endpoint& endpoint, RequestHandler handler, Setup setup)
    : m_listener(
          std::make_shared<Listener>(io, endpoint, std::make_shared<const Shared>(Shared{std::move(handler), setup})))
{}

HttpServer::~HttpServer() = default;

unsigned short HttpServer::port() const
{
    return m_listener->acceptor.local_endpoint().port();
}

void HttpServer::start()
{
    net::dispatch(m_listener->acceptor.get_executor(), [listener = m_listener] { listener->accept(); });
}

void HttpServer::stop()
{
    net::dispatch(m_listener->acceptor.get_executor(), [listener = m_listener] {
        beast::error_code ignored;
        listener->acceptor.close(ignored);
    });
}

HttpResponseMessage textResponse(const HttpRequestMessage& request, unsigned status, std::string contentType,
                                 std::string body)
{
    HttpResponseMessage response{static_cast<http::status>(status), request.version()};
    response.set(http::field::server, "marrowfin-demo-site");
    response.set(http::field::content_type, contentType);
    response.set(http::field::cache_control, "no-store");
    response.keep_alive(request.keep_alive());
    response.body() = std::move(body);
    return response;
}

} // namespace marrowfin::demo
