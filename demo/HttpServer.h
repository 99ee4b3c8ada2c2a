#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace marrowfin::demo {

class FailurePlan;

using HttpRequestMessage = boost::beast::http::request<boost::beast::http::string_body>;
using HttpResponseMessage = boost::beast::http::response<boost::beast::http::string_body>;

struct RequestContext
{
    bool secure = false; // the request came over TLS
};

// Runs on an io thread; must not block for long. Called for several connections at once.
using RequestHandler = std::function<HttpResponseMessage(const HttpRequestMessage&, const RequestContext&)>;

// One listening port with HTTP/1.1 keep-alive. With a TLS context, each connection is looked at before it is
// read: a TLS handshake record makes it an HTTPS connection, anything else plain HTTP, on the same port.
class HttpServer final
{
public:
    struct Setup
    {
        boost::asio::ssl::context* tls = nullptr; // null: plain HTTP only; must outlive the server
        FailurePlan* failures = nullptr;          // may be null; must outlive the server (it counts rules given)
        std::chrono::milliseconds latency{0};     // added before every answer
        std::size_t bodyLimit = 16 * 1024 * 1024;
        // The site's server: only it pushes back (rate limits, browser checks, a page of its own missing).
        bool site = false;
    };

    // Binds at once (throws boost::system::system_error when the port is taken); accepts after start().
    HttpServer(boost::asio::io_context& io, const boost::asio::ip::tcp::endpoint& endpoint, RequestHandler handler,
               Setup setup);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    [[nodiscard]] unsigned short port() const;
    void start();
    // Stops accepting; open connections end with the io_context.
    void stop();

private:
    struct Listener;
    std::shared_ptr<Listener> m_listener;
};

// A small text answer, status and content type given.
[[nodiscard]] HttpResponseMessage textResponse(const HttpRequestMessage& request, unsigned status,
                                               std::string contentType, std::string body);

} // namespace marrowfin::demo
