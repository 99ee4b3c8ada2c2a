#include "SharedDemo.h"

using namespace marrowfin::demotest;

namespace {

// A GET over TLS trusting `caFile` alone (none: the system's), through libcurl: its code.
CURLcode tlsGet(const std::string& address, const std::string& caFile = {})
{
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, std::size_t size, std::size_t count, void*) { return size * count; });
    if (!caFile.empty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
    }
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return code;
}

} // namespace

// Plain HTTP and TLS on the one port, the certificate trusted through the demo's own CA only and naming localhost
// too; failures injected from the command line by path prefix, changed at run time through the control address, and
// never touching the control addresses themselves; a slow answer still arrives whole; SIGTERM ends the process
// cleanly.
TEST(DemoServing, OnePortForHttpAndHttpsInjectedFailuresAndACleanStop)
{
    DemoProcess demo({"--fail", "500:/usearch/", "--fail", "drop:/community", "--latency-ms", "5"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    EXPECT_EQ(tlsGet(demo.secureSite("/new/")), CURLE_SSL_CACERT) << "trusted without the demo's CA";
    EXPECT_EQ(tlsGet(demo.secureSite("/new/"), demo.caFile()), CURLE_OK);
    const std::string port = demo.host().substr(demo.host().find(':') + 1);
    EXPECT_EQ(tlsGet("https://localhost:" + port + "/auth/login/", demo.caFile()), CURLE_OK)
        << "the certificate names localhost too";

    const PlainAnswer normal = get(demo.site("/user/demo/"));
    EXPECT_EQ(normal.status, 200);
    EXPECT_EQ(get(demo.site("/new/")).status, 200);
    EXPECT_EQ(get(demo.site("/usearch/category%3Atv/")).status, 500);
    EXPECT_EQ(get(demo.site("/community")).status, 0) << "dropped";

    EXPECT_EQ(get(demo.site("/_demo/fail?mode=slow&prefix=/user/")).status, 200);
    EXPECT_EQ(get(demo.site("/usearch/category%3Atv/")).status, 200) << "the run-time plan replaces the first";
    const PlainAnswer slow = get(demo.site("/user/demo/"));
    EXPECT_EQ(slow.status, 200);
    EXPECT_EQ(slow.body, normal.body);

    EXPECT_EQ(get(demo.site("/_demo/fail?mode=500")).status, 200);
    EXPECT_EQ(get(demo.site("/")).status, 500);
    EXPECT_EQ(get(demo.utorrent("/gui/")).status, 500) << "the clients share the plan";
    EXPECT_EQ(get(demo.site("/_demo/health")).status, 200);
    EXPECT_EQ(get(demo.site("/_demo/fail?mode=off")).status, 200);
    EXPECT_EQ(get(demo.site("/")).status, 200);
    EXPECT_EQ(get(demo.site("/_demo/fail?mode=sometimes")).status, 400);
    EXPECT_EQ(demo.stop(), 0);
}
