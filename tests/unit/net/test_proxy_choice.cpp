// Which proxy the settings choose: the bypass list, the machine's settings.
#include "log-capture.h"
#include "test_http_exchange.h"
#include "test_proxy_fixture.h"
#include "test_socket_servers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using net_test::HttpExchange;
using net_test::HttpServer;

class ProxyChoice : public net_test::ProxySettingsTest {};

TEST_F(ProxyChoice, OverrideSendsNamedHostsDirect) {
    HttpServer origin("ok");
    HttpServer proxy("ok");
    ASSERT_GT(proxy.Port(), 0);
    Configure(1, Local(proxy.Port()));
    const std::string path = "/v.txt";
    const struct {
        const char* override;
        const char* line;    // NULL: through the proxy
    } cases[] = {
        {"localhost;127.0.0.1;*.corp;<local>",
         "Proxy Bypassed (0x00000001) : '127.0.0.1' matches '127.0.0.1'\n"},
        {"*.corp; 127.0.*", "Proxy Bypassed (0x00000001) : '127.0.0.1' matches '127.0.*'\n"},
        {"<local>;*.corp;localhost", nullptr},
        {"", nullptr},
    };
    int direct = 0, proxied = 0;
    for (const auto& c : cases) {
        SetText(REGISTRY_CURRENT_USER, "ProxyOverride", c.override);
        LogCapture log;
        HttpExchange exchange(origin.Url(path), "GET", "", 1);
        ASSERT_EQ(exchange.opened, 1) << c.override;
        if (c.line) {
            EXPECT_TRUE(log.Has(c.line)) << log.Text();
            EXPECT_EQ(exchange.header.rfind("GET " + path + " HTTP/1.0", 0), 0u);
            EXPECT_EQ(origin.Request(++direct).rfind("GET " + path, 0), 0u);
        } else {
            EXPECT_TRUE(log.Has("Proxy Enabled (0x00000001) : " + Local(proxy.Port()))) << c.override;
            EXPECT_EQ(proxy.Request(++proxied).rfind("GET " + origin.Url(path), 0), 0u);
        }
    }
}

TEST_F(ProxyChoice, MachineSettingsWhenNotPerUser) {
    HttpServer origin("ok");
    HttpServer proxy("ok");
    ASSERT_GT(proxy.Port(), 0);
    Configure(0, "127.0.0.1:1");    // the user's: never used below
    Configure(1, Local(proxy.Port()), REGISTRY_LOCAL_MACHINE);
    HKEY key = nullptr;
    ASSERT_EQ(RegistryCreateKey(&key, REGISTRY_LOCAL_MACHINE, INTERNET_SETTINGS_POLICY_KEY), 1);
    RegistrySetInt32(key, "ProxySettingsPerUser", 0);
    RegistryCloseKey(&key);
    {
        LogCapture log;
        EXPECT_EQ(HttpExchange(origin.Url("/a"), "GET", "", 1).opened, 1);
        EXPECT_TRUE(log.Has("Proxy settings of the machine (ProxySettingsPerUser 0)\n"
                            "Proxy Enabled (0x00000001) : " + Local(proxy.Port()) + "\n"))
            << log.Text();
        EXPECT_EQ(proxy.Request().rfind("GET " + origin.Url("/a"), 0), 0u);
    }
    // Per user again (1): the user's settings, which use no proxy.
    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, INTERNET_SETTINGS_POLICY_KEY), 1);
    RegistrySetInt32(key, "ProxySettingsPerUser", 1);
    RegistryCloseKey(&key);
    LogCapture log;
    EXPECT_EQ(HttpExchange(origin.Url("/b"), "GET", "", 1).opened, 1);
    EXPECT_TRUE(log.Has("Proxy Disabled (0x00000000) : None\n")) << log.Text();
    Configure(0, "", REGISTRY_LOCAL_MACHINE);
}

}    // namespace
