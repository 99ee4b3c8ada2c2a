// Any bytes as a request to the demo: the HTTP reader takes them apart, and a request that reads whole is answered
// by the site and by both client stand-ins as the server would answer it.
#include "Captcha.h"
#include "Catalogue.h"
#include "ClientSimulators.h"
#include "FailurePlan.h"
#include "FuzzInput.h"
#include "PageRenderer.h"
#include "SessionStore.h"
#include "SiteServer.h"

#include <boost/beast/http.hpp>

namespace {

using namespace marrowfin::demo;

struct Demo
{
    Catalogue catalogue{1, 60};
    PageRenderer renderer{catalogue, "movies.example"};
    SessionStore sessions{std::chrono::seconds(3600)};
    Captcha captcha;
    FailurePlan failures;
    SiteServer site{catalogue, renderer, sessions,
                    captcha,   failures, SiteServer::Settings{"127.0.0.1:48470", false, false, {{"demo", "demo"}}}};
    UtorrentSimulator utorrent{ClientCredentials{"admin", "admin"}};
    VuzeSimulator vuze{ClientCredentials{"admin", "admin"}};
};

template <typename Handler>
void answer(Handler& handler, const HttpRequestMessage& request)
{
    try {
        HttpResponseMessage response = handler.handle(request, RequestContext{});
        response.prepare_payload();
    } catch (const std::exception&) {
        // The server answers these with a 500 of its own.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace http = boost::beast::http;
    static Demo demo;
    http::request_parser<http::string_body> parser;
    parser.eager(true);
    parser.body_limit(16 * 1024 * 1024);
    boost::beast::error_code error;
    parser.put(boost::asio::buffer(data, size), error);
    if (!error && !parser.is_done()) {
        parser.put_eof(error);
    }
    if (error || !parser.is_done()) {
        return 0;
    }
    const HttpRequestMessage& request = parser.get();
    answer(demo.site, request);
    answer(demo.utorrent, request);
    answer(demo.vuze, request);
    return 0;
}
