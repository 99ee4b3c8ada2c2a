#pragma once

#include <string>

// For the stress tools (tests/stress); the demo's own tests use support/LoopbackHttp.h.
namespace marrowfin::demotest {

struct HttpCall
{
    std::string url;
    bool followRedirects = false;
};

struct HttpReply
{
    long status = 0;
    std::string body;
};

// One blocking GET over libcurl; status 0 when nobody answered.
[[nodiscard]] HttpReply perform(const HttpCall& call);
inline HttpReply get(const std::string& url)
{
    return perform({url});
}

} // namespace marrowfin::demotest
