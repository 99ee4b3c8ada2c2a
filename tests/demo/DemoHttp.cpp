#include "DemoHttp.h"

#include <algorithm>
#include <cctype>

namespace marrowfin::demotest {

namespace {

size_t collectBody(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

size_t collectHeader(char* data, size_t size, size_t count, void* user)
{
    auto* reply = static_cast<HttpReply*>(user);
    std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0)
        reply->headers.clear(); // a new response after a redirect
    const auto colon = line.find(':');
    if (colon != std::string::npos) {
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        std::string value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' '))
            value.erase(value.begin());
        while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
            value.pop_back();
        reply->headers.emplace_back(std::move(name), std::move(value));
    }
    return size * count;
}

} // namespace

std::string HttpReply::header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (key == name)
            return value;
    }
    return {};
}

HttpReply perform(const HttpCall& call)
{
    HttpReply reply;
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    for (const std::string& header : call.headers)
        headers = curl_slist_append(headers, header.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, call.url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, call.method.c_str());
    if (call.method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, call.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(call.body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, call.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    if (!call.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, call.caFile.c_str());
    if (!call.userPassword.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        curl_easy_setopt(curl, CURLOPT_USERPWD, call.userPassword.c_str());
    }
    reply.error = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    char* effective = nullptr;
    curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
    if (effective != nullptr)
        reply.effectiveUrl = effective;
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

HttpReply get(const std::string& url, std::vector<std::string> headers)
{
    HttpCall call;
    call.url = url;
    call.headers = std::move(headers);
    return perform(call);
}

std::string setCookieValue(const HttpReply& reply, const std::string& name)
{
    for (const auto& [key, value] : reply.headers) {
        if (key == "set-cookie" && value.rfind(name + "=", 0) == 0)
            return value.substr(name.size() + 1, value.find(';') - name.size() - 1);
    }
    return {};
}

} // namespace marrowfin::demotest
