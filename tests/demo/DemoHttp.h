#pragma once

#include <QString>

#include <curl/curl.h>

#include <string>
#include <vector>

namespace marrowfin::demotest {

struct HttpCall
{
    std::string method = "GET";
    std::string url;
    std::vector<std::string> headers; // "Name: value"
    std::string body;
    std::string caFile;       // for https
    std::string userPassword; // Basic authorization, "user:password"
    bool followRedirects = false;
};

struct HttpReply
{
    CURLcode error = CURLE_OK;
    long status = 0;
    std::vector<std::pair<std::string, std::string>> headers; // names lower-case, in order
    std::string body;
    std::string effectiveUrl;

    // The first header of that (lower-case) name, or "".
    [[nodiscard]] std::string header(const std::string& name) const;
    [[nodiscard]] QString text() const { return QString::fromUtf8(body); }
};

// One blocking exchange over libcurl, no cookie engine: cookies go in by hand, so each test says which it sends.
[[nodiscard]] HttpReply perform(const HttpCall& call);
[[nodiscard]] HttpReply get(const std::string& url, std::vector<std::string> headers = {});

// The value of cookie `name` from a Set-Cookie header, or "".
[[nodiscard]] std::string setCookieValue(const HttpReply& reply, const std::string& name);

} // namespace marrowfin::demotest
