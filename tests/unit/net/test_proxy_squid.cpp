// Through a real squid: an open one, and one that asks for Basic
// credentials (basic_ncsa_auth), for plain requests, the registration's
// unjudged POST and the tunnel of an https:// address.
#include "log-capture.h"
#include "test_proxy_fixture.h"
#include "test_socket_servers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using net_test::HttpServer;
using net_test::SquidServer;
using net_test::WholeExchange;

#define NEEDS_SQUID()                                                                  \
    if (!SquidServer::Installed()) GTEST_SKIP() << "squid is not installed (scripts/install-deps)"

#define ASKED "asks for authentication (HTTP/1.1 407 Proxy Authentication Required), offering Basic\n"

class ThroughSquid : public net_test::ProxySettingsTest {};

TEST_F(ThroughSquid, OpenProxyForwardsTheRequest) {
    NEEDS_SQUID();
    SquidServer squid;
    HttpServer origin("ok");
    ASSERT_GT(squid.Port(), 0) << "squid did not start";
    Configure(1, Local(squid.Port()));
    WholeExchange exchange(origin.Url("/v.txt"), 1);
    EXPECT_EQ(exchange.opened, 1);
    EXPECT_NE(exchange.reply.find("RegSuccess"), std::string::npos);
    EXPECT_EQ(origin.Request().rfind("GET /v.txt HTTP/1.1\r\n", 0), 0u);
}

TEST_F(ThroughSquid, BasicCredentialsFromTheSettingsAnswerThe407) {
    NEEDS_SQUID();
    SquidServer squid("alice", "s3cret");
    HttpServer origin("ok");
    ASSERT_GT(squid.Port(), 0) << "squid did not start";
    const std::string shown = "alice:****@" + Local(squid.Port());
    struct {
        int judge;
        const char* method;
        const char* body;
    } requests[] = {{1, "GET", ""}, {0, "POST", "name=Ann"}};    // version check, registration
    for (const auto& r : requests) {
        LogCapture log;
        Configure(1, "http=alice:s3cret@" + Local(squid.Port()));
        WholeExchange exchange(origin.Url("/cgi-bin/register"), r.judge, r.method, r.body);
        EXPECT_EQ(exchange.opened, 1) << r.method;
        EXPECT_NE(exchange.reply.find("RegSuccess"), std::string::npos) << r.method;
        EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : " + shown + "\n")) << log.Text();
        EXPECT_TRUE(log.Has("Proxy " + shown + " " ASKED)) << log.Text();
        EXPECT_TRUE(log.Has("Proxy authentication: Basic as 'alice'\n"));
        EXPECT_EQ(log.Text().find("s3cret"), std::string::npos) << log.Text();
    }
    EXPECT_NE(squid.AccessLog().find("TCP_MISS/200"), std::string::npos);
    EXPECT_NE(squid.AccessLog().find(" alice "), std::string::npos);
}

TEST_F(ThroughSquid, MissingOrRefusedCredentialsFailTheAttemptAndSayWhy) {
    NEEDS_SQUID();
    SquidServer squid("alice", "s3cret");
    HttpServer origin("ok");
    ASSERT_GT(squid.Port(), 0) << "squid did not start";
    const struct {
        std::string server;
        int judge;
        std::string why;
    } cases[] = {
        {Local(squid.Port()), 1, "Proxy authentication failed: no credentials for Basic"},
        {Local(squid.Port()), 0, "Proxy authentication failed: no credentials for Basic"},
        {"alice:wrong@" + Local(squid.Port()), 0,
         "Proxy authentication failed: Basic credentials of 'alice' refused"},
        {"bob:s3cret@" + Local(squid.Port()), 1,
         "Proxy authentication failed: Basic credentials of 'bob' refused"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        Configure(1, c.server);
        WholeExchange exchange(origin.Url("/x"), c.judge, c.judge ? "GET" : "POST", c.judge ? "" : "a=b");
        EXPECT_EQ(exchange.opened, 0) << c.server;
        EXPECT_TRUE(log.Has(ASKED)) << log.Text();
        EXPECT_TRUE(log.Has(c.why + " (HTTP/1.1 407 Proxy Authentication Required)\n")) << log.Text();
        EXPECT_EQ(log.Text().find("wrong"), std::string::npos);
    }
    EXPECT_EQ(origin.Folder().WaitFor("request-1", 100), "");
}

// The tunnel for an https:// address is authenticated as well. The server
// behind it speaks plain HTTP, so the handshake then fails: what counts
// here is that squid opened the tunnel for alice.
TEST_F(ThroughSquid, TheTunnelIsAuthenticated) {
    NEEDS_SQUID();
    SquidServer squid("alice", "s3cret");
    HttpServer origin("close-at-once");
    ASSERT_GT(squid.Port(), 0) << "squid did not start";
    Configure(1, "alice:s3cret@" + Local(squid.Port()));
    LogCapture log;
    const std::string target = Local(origin.Port());
    WholeExchange exchange("https://" + target + "/", 1);
    EXPECT_TRUE(log.Has(ASKED)) << log.Text();
    EXPECT_TRUE(log.Has("Tunnel to '" + target + "' open (HTTP/1.1 200 Connection established)\n"))
        << log.Text();
    EXPECT_NE(squid.AccessLog().find("CONNECT " + target + " alice"), std::string::npos)
        << squid.AccessLog();
}

#ifndef _WIN32
// Natively the environment names the proxy when the settings name none.
class EnvironmentProxy : public net_test::ProxySettingsTest {
  protected:
    void TearDown() override {
        unsetenv("http_proxy");
        unsetenv("no_proxy");
        net_test::ProxySettingsTest::TearDown();
    }
};

TEST_F(EnvironmentProxy, CredentialsInTheAddressAndNoProxy) {
    NEEDS_SQUID();
    SquidServer squid("alice", "p@ss:w%rd");
    HttpServer origin("ok");
    ASSERT_GT(squid.Port(), 0) << "squid did not start";
    const std::string address = "http://alice:p%40ss%3Aw%25rd@" + Local(squid.Port()) + "/";
    setenv("http_proxy", address.c_str(), 1);
    setenv("no_proxy", "localhost,.corp", 1);
    {
        LogCapture log;
        WholeExchange exchange(origin.Url("/v.txt"), 1);
        EXPECT_EQ(exchange.opened, 1) << log.Text();
        EXPECT_TRUE(log.Has("Proxy from the environment (http_proxy) : http://alice:****@" +
                            Local(squid.Port()) + "/\n"))
            << log.Text();
        EXPECT_EQ(log.Text().find("p%40ss"), std::string::npos);
    }
    {
        setenv("no_proxy", "localhost, 127.0.0.0/8", 1);
        LogCapture log;
        EXPECT_EQ(WholeExchange(origin.Url("/v.txt"), 1).opened, 1);
        EXPECT_TRUE(log.Has("Proxy Bypassed (no_proxy) : '127.0.0.1' matches '127.0.0.0/8'\n"))
            << log.Text();
    }
    {
        // The settings' own proxy comes first.
        Configure(1, "127.0.0.1:1");
        LogCapture log;
        EXPECT_EQ(WholeExchange(origin.Url("/v.txt"), 1).opened, 0);
        EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : 127.0.0.1:1\n"));
    }
}
#endif

}    // namespace
