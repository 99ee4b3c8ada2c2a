#include "DemoHttp.h"

#include "support/DemoProcess.h"

#include <gtest/gtest.h>

using namespace marrowfin::demotest;

// Failures injected from the command line by path prefix, changed at run time through the control address, and
// never touching the control addresses themselves; a slow answer still arrives whole.
TEST(DemoServing, InjectedFailuresFollowTheirPrefixes)
{
    DemoProcess demo({"--fail", "500:/usearch/", "--fail", "drop:/community", "--latency-ms", "5"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    const HttpReply normal = get(demo.site("/user/demo/"));
    EXPECT_EQ(normal.status, 200);
    EXPECT_EQ(get(demo.site("/new/")).status, 200);
    EXPECT_EQ(get(demo.site("/usearch/category%3Atv/")).status, 500);
    const HttpReply dropped = get(demo.site("/community"));
    EXPECT_NE(dropped.error, CURLE_OK);
    EXPECT_EQ(dropped.status, 0);

    EXPECT_EQ(get(demo.site("/_demo/fail?mode=slow&prefix=/user/")).status, 200);
    EXPECT_EQ(get(demo.site("/usearch/category%3Atv/")).status, 200) << "the run-time plan replaces the first";
    const HttpReply slow = get(demo.site("/user/demo/"));
    EXPECT_EQ(slow.status, 200);
    EXPECT_EQ(slow.body, normal.body);

    EXPECT_EQ(get(demo.site("/_demo/fail?mode=500")).status, 200);
    EXPECT_EQ(get(demo.site("/")).status, 500);
    EXPECT_EQ(get(demo.utorrent("/gui/")).status, 500) << "the clients share the plan";
    EXPECT_EQ(get(demo.site("/_demo/health")).status, 200);
    EXPECT_EQ(get(demo.site("/_demo/fail?mode=off")).status, 200);
    EXPECT_EQ(get(demo.site("/")).status, 200);
    EXPECT_EQ(get(demo.site("/_demo/fail?mode=sometimes")).status, 400);
}

// Plain HTTP and TLS on the one port, the certificate trusted through the demo's own CA only and naming localhost
// too; SIGTERM ends the process cleanly.
TEST(DemoServing, OnePortForHttpAndHttpsAndACleanStop)
{
    DemoProcess demo;
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    EXPECT_EQ(get(demo.site("/")).status, 200);
    HttpCall secure;
    secure.url = demo.secureSite("/new/");
    EXPECT_EQ(perform(secure).error, CURLE_SSL_CACERT) << "trusted without the demo's CA";
    secure.caFile = demo.caFile();
    const HttpReply overTls = perform(secure);
    EXPECT_EQ(overTls.error, CURLE_OK);
    EXPECT_EQ(overTls.status, 200);
    secure.url = "https://localhost:" + demo.host().substr(demo.host().find(':') + 1) + "/auth/login/";
    EXPECT_EQ(perform(secure).status, 200) << "the certificate names localhost too";
    EXPECT_EQ(demo.stop(), 0);
}

TEST(DemoServing, RefusesOptionsItCannotHonour)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--host", "192.0.2.1"},
                                                      {"--fail", "sometimes"},
                                                      {"--user", "no-password"},
                                                      {"--threads", "3"}}) {
        EXPECT_FALSE(DemoProcess(arguments).started()) << arguments.front();
    }
}
