// HTTP client with the proxy a user configured in the Internet settings of
// the registry: which settings count, what goes to the proxy, and a round
// trip through a real proxy.
#include "log-capture.h"
#include "net/http.h"
#include "net/socket.h"
#include "system/registry.h"
#include "test_http_exchange.h"
#include "test_proxy_fixture.h"
#include "test_socket_servers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using net_test::HttpExchange;
using net_test::HttpServer;
using net_test::ProxyServer;
using HttpProxy = net_test::ProxySettingsTest;

TEST_F(HttpProxy, EnabledProxyGetsTheWholeUrl) {
    HttpServer origin("ok");    // never contacted
    HttpServer proxy("ok");
    ASSERT_GT(proxy.Port(), 0);
    Configure(1, "HTTP=" + Local(proxy.Port()) + ";ftp=other:21");
    LogCapture log;
    std::string url = origin.Url("/dir/send");
    HttpExchange exchange(url, "POST", "abc", 1);
    ASSERT_EQ(exchange.opened, 1);
    const std::string header = "POST " + url + " HTTP/1.0\r\n"
                               "User-Agent: " TEST_USER_AGENT "\r\n"
                               "Host: 127.0.0.1:" + std::to_string(origin.Port()) + "\r\n"
                               "Content-Length: 3\r\n"
                               "Connection: closed\r\n\r\n";
    EXPECT_EQ(exchange.header, header);
    EXPECT_EQ(proxy.Request(), header + "abc");
    EXPECT_EQ(exchange.reply, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nRegSuccess\r\n");
    EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : " + Local(proxy.Port()) + "\n"));
}

TEST_F(HttpProxy, DisabledOrRefusedProxyConnectsDirectly) {
    HttpServer origin("ok");
    ASSERT_GT(origin.Port(), 0);
    const std::string direct = "GET /v.txt HTTP/1.0\r\n"
                               "User-Agent: " TEST_USER_AGENT "\r\n"
                               "Host: 127.0.0.1:" + std::to_string(origin.Port()) + "\r\n"
                               "Connection: closed\r\n\r\n";
    LogCapture log;
    // A proxy that would refuse: any use of it fails the request.
    Configure(0, "127.0.0.1:1");
    EXPECT_EQ(HttpExchange(origin.Url("/v.txt"), "GET", "", 1).header, direct);
    EXPECT_TRUE(log.Has("Proxy Disabled (0x00000000) : None\n"));
    Configure(2, "127.0.0.1:1");
    EXPECT_EQ(HttpExchange(origin.Url("/v.txt"), "GET", "", 1).header, direct);
    EXPECT_TRUE(log.Has("Proxy Disabled (0x00000002) : None\n"));
    // Asked not to, the client never looks at the settings.
    Configure(1, "127.0.0.1:1");
    EXPECT_EQ(HttpExchange(origin.Url("/v.txt"), "GET", "", 0).header, direct);
    EXPECT_EQ(origin.Request(3), direct);
    EXPECT_FALSE(log.Has("Proxy Enabled"));
}

TEST_F(HttpProxy, BadProxyTextsFailWithTheirLogLines) {
    LogCapture log;
    const std::string url = "http://127.0.0.1:1/x";
    // No port: the proxy is tried on port 0.
    Configure(1, "127.0.0.1");
    EXPECT_EQ(HttpExchange(url, "GET", "", 1).opened, 0);
    EXPECT_TRUE(log.Has("Unable to connect to machine 127.0.0.1:0 for URL '" + url + "'\n"));
}

// A list naming other protocols only sends HTTP direct, as Windows does.
TEST_F(HttpProxy, ListWithoutAnEntryForTheSchemeGoesDirect) {
    HttpServer origin("ok");
    ASSERT_GT(origin.Port(), 0);
    LogCapture log;
    Configure(1, "ftp=other:21;https=127.0.0.1:1");
    HttpExchange exchange(origin.Url("/x"), "GET", "", 1);
    EXPECT_EQ(exchange.opened, 1);
    EXPECT_EQ(exchange.header.rfind("GET /x HTTP/1.0\r\n", 0), 0u);
    EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : None for http\n"));
}

TEST_F(HttpProxy, OverlongProxyServerCountsAsNone) {
    HttpServer origin("ok");
    ASSERT_GT(origin.Port(), 0);
    LogCapture log;
    std::string server = "127.0.0.1:1;" + std::string(HTTP_PROXY_SERVER_SIZE - 12, 'x');
    ASSERT_EQ(server.size(), (size_t)HTTP_PROXY_SERVER_SIZE);
    Configure(1, server);
    EXPECT_EQ(HttpExchange(origin.Url("/a"), "GET", "", 1).opened, 1);
    EXPECT_TRUE(log.Has("Proxy Disabled (0x00000001) : None\n"));

    // One character less is a setting like any other.
    Configure(1, server.substr(0, HTTP_PROXY_SERVER_SIZE - 1));
    EXPECT_EQ(HttpExchange(origin.Url("/a"), "GET", "", 1).opened, 0);
    EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : 127.0.0.1:1\n"));
}

TEST_F(HttpProxy, ProxySettingsOfAnotherKindCountAsRead) {
    HttpServer proxy("ok");
    ASSERT_GT(proxy.Port(), 0);
    Configure(0, "");
    HKEY key = nullptr;
    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, INTERNET_SETTINGS_KEY), 1);
    const char one[4] = {1, 0, 0, 0};
    RegistrySetValue(key, REG_SZ, "String", "ProxyEnable", one, sizeof one);
    const std::string server = Local(proxy.Port());
    const uint32_t REG_BINARY_KIND = 3;
    RegistrySetValue(key, REG_BINARY_KIND, "Binary", "ProxyServer", server.data(), server.size());
    RegistryCloseKey(&key);
    LogCapture log;
    EXPECT_EQ(HttpExchange("http://127.0.0.1:1/x", "GET", "", 1).opened, 1);
    EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : " + Local(proxy.Port()) + "\n"));
}

TEST_F(HttpProxy, RoundTripThroughARealProxy) {
    ProxyServer proxy;
    HttpServer origin("big");
    ASSERT_GT(proxy.Port(), 0) << "tinyproxy did not start";
    ASSERT_GT(origin.Port(), 0);
    Configure(1, "http=" + Local(proxy.Port()));
    HttpExchange exchange(origin.Url("/update/version.txt"), "GET", "", 1,
                          "Tolvane Update Check Uninstall (www.tolvane.example)");
    ASSERT_EQ(exchange.opened, 1);
    EXPECT_EQ(exchange.header.rfind("GET " + origin.Url("/update/version.txt") + " HTTP/1.0\r\n", 0), 0u);
    ASSERT_GE(exchange.reply.size(), 65536u);
    EXPECT_EQ(exchange.reply.substr(exchange.reply.size() - 16), "0123456789abcdef");
    // The proxy passed the request on in origin form, with our agent.
    std::string forwarded = origin.Request();
    EXPECT_EQ(forwarded.rfind("GET /update/version.txt HTTP/1.", 0), 0u) << forwarded;
    EXPECT_NE(forwarded.find("Tolvane Update Check Uninstall"), std::string::npos) << forwarded;
}

}    // namespace
