// The texts of the proxy settings: the per-protocol list, addresses with
// credentials and how the log shows them, the bypass lists, Base64.
#include "base/base64.h"
#include "net/proxy-bypass.h"
#include "net/proxy-route.h"
#include "net/proxy-settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProxyServerList, EntryForTheSchemeOrDirect) {
    const struct {
        const char* server;
        const char* scheme;
        int found;
        const char* entry;
    } cases[] = {
        {"proxy:3128", "http", 1, "proxy:3128"},
        {"proxy:3128", "https", 1, "proxy:3128"},
        {"HTTP=proxy:3128;ftp=other:21", "http", 1, "proxy:3128"},
        {"ftp=other:21;hTTp=proxy:8080", "http", 1, "proxy:8080"},
        {"http=plain:80;HTTPS=secure:443", "https", 1, "secure:443"},
        {"https=secure:443;http=plain:80", "http", 1, "plain:80"},
        // A list that names other protocols only: direct, never a host name.
        {"ftp=other:21;https=x:443", "http", 0, ""},
        {"http=plain:80;ftp=other:21", "https", 0, ""},
        {"http=;ftp=other:21", "http", 0, ""},
        {"socks=s:1080", "http", 0, ""},
        // An entry without a name serves the protocols the list leaves out.
        {"https=secure:443;common:8080", "http", 1, "common:8080"},
        {"https=secure:443 http=plain:80", "http", 1, "plain:80"},
        {"", "http", 0, ""},
    };
    for (const auto& c : cases) {
        char entry[HTTP_TEXT_SIZE] = "unchanged";
        EXPECT_EQ(ProxyServerEntry(c.server, c.scheme, entry, sizeof entry), c.found)
            << c.server << " " << c.scheme;
        EXPECT_STREQ(entry, c.entry) << c.server << " " << c.scheme;
    }
    char small[5];
    EXPECT_EQ(ProxyServerEntry("proxy:3128", "http", small, sizeof small), -1);
}

TEST(ProxyAddress, CredentialsApartAndMaskedInTheLog) {
    const struct {
        const char* address;
        const char* server;
        const char* user;
        const char* password;
        const char* shown;
    } cases[] = {
        {"proxy:3128", "proxy:3128", "", "", "proxy:3128"},
        {"alice:s3cret@proxy:3128", "proxy:3128", "alice", "s3cret", "alice:****@proxy:3128"},
        {"http://bob:pw@10.0.0.1:8080/", "10.0.0.1:8080", "bob", "pw", "bob:****@10.0.0.1:8080"},
        {" carol@proxy:1 ", "proxy:1", "carol", "", "carol:****@proxy:1"},
        // Encoded, or an "@" left in the password: the last one ends it.
        {"d%40x:p%3Aw%25@proxy:2", "proxy:2", "d@x", "p:w%", "d@x:****@proxy:2"},
        {"eve:p@ss@proxy:3", "proxy:3", "eve", "p@ss", "eve:****@proxy:3"},
    };
    for (const auto& c : cases) {
        ProxyRoute route;
        ASSERT_EQ(ProxyParseAddress(c.address, &route), 1) << c.address;
        EXPECT_STREQ(route.server, c.server) << c.address;
        EXPECT_STREQ(route.user, c.user) << c.address;
        EXPECT_STREQ(route.password, c.password) << c.address;
        char shown[PROXY_SHOWN_SIZE];
        ProxyShow(&route, shown);
        EXPECT_STREQ(shown, c.shown) << c.address;
        char raw[PROXY_SHOWN_SIZE];
        ProxyShowAddress(c.address, raw, sizeof raw);
        EXPECT_EQ(std::string(raw).find(c.password[0] ? c.password : "\x01"), std::string::npos)
            << raw;
    }
    ProxyRoute route;
    EXPECT_EQ(ProxyParseAddress("", &route), 0);
    EXPECT_EQ(ProxyParseAddress("user:pw@", &route), 0);
    EXPECT_EQ(ProxyParseAddress((std::string(90, 'u') + "@p:1").c_str(), &route), 0);
    EXPECT_EQ(ProxyParseAddress(std::string(HTTP_TEXT_SIZE, 'h').c_str(), &route), 0);

    ProxyRoutes routes;
    ProxyRoutesClear(&routes);
    for (int i = 0; i < PROXY_ROUTES_MAXIMUM; ++i) ASSERT_EQ(ProxyRoutesAddAddress(&routes, "p:1"), 1);
    EXPECT_EQ(ProxyRoutesAddAddress(&routes, "p:1"), 0);
    ProxyRoutesAddDirect(&routes);
    EXPECT_EQ(routes.count, PROXY_ROUTES_MAXIMUM);
}

TEST(ProxyBypass, OverrideEntries) {
    const char* list = "localhost;127.0.0.1;*.corp; <local>;10.1.*;intra.example.com:8080;"
                       "https://secure.example.com";
    const struct {
        const char* url;
        const char* rule;    // NULL: through the proxy
    } cases[] = {
        {"http://localhost/x", "localhost"},
        {"http://LOCALHOST:81/x", "localhost"},
        {"http://127.0.0.1:8080/x", "127.0.0.1"},
        {"http://build.corp/x", "*.corp"},
        {"http://a.b.CORP/x", "*.corp"},
        {"http://corp/x", "<local>"},
        {"http://intranet/", "<local>"},
        {"http://10.1.2.3/", "10.1.*"},
        {"http://intra.example.com:8080/", "intra.example.com:8080"},
        {"https://secure.example.com/", "https://secure.example.com"},
        {"http://intra.example.com/", nullptr},
        {"http://secure.example.com/", nullptr},
        {"http://corp.example.com/", nullptr},
        {"http://10.2.1.1/", nullptr},
        {"http://www.tolvane.example/", nullptr},
    };
    for (const auto& c : cases) {
        char rule[64] = "";
        EXPECT_EQ(ProxyOverrideMatches(list, c.url, rule, sizeof rule), c.rule ? 1 : 0) << c.url;
        if (c.rule) {
            EXPECT_STREQ(rule, c.rule) << c.url;
        }
    }
    EXPECT_EQ(ProxyOverrideMatches("", "http://x/", nullptr, 0), 0);
    EXPECT_EQ(ProxyOverrideMatches("*", "http://x.y/", nullptr, 0), 1);
}

TEST(ProxyBypass, NoProxyEntries) {
    const char* list = "example.com, .corp.lan,10.0.0.0/8 ,svc:8080";
    const struct {
        const char* url;
        const char* rule;
    } cases[] = {
        {"http://example.com/", "example.com"},
        {"http://www.EXAMPLE.com/", "example.com"},
        {"http://notexample.com/", nullptr},
        {"http://corp.lan/", ".corp.lan"},
        {"http://a.corp.lan/", ".corp.lan"},
        {"http://10.20.30.40/", "10.0.0.0/8"},
        {"http://11.0.0.1/", nullptr},
        {"http://svc:8080/", "svc:8080"},
        {"http://svc/", nullptr},
    };
    for (const auto& c : cases) {
        char rule[64] = "";
        EXPECT_EQ(ProxyNoProxyMatches(list, c.url, rule, sizeof rule), c.rule ? 1 : 0) << c.url;
        if (c.rule) {
            EXPECT_STREQ(rule, c.rule) << c.url;
        }
    }
    EXPECT_EQ(ProxyNoProxyMatches("*", "http://any.where/", nullptr, 0), 1);
}

TEST(ProxyBypass, Wildcards) {
    EXPECT_TRUE(ProxyWildcardMatch("*", ""));
    EXPECT_TRUE(ProxyWildcardMatch("a*b*c", "aXXbYYc"));
    EXPECT_TRUE(ProxyWildcardMatch("*.a.*", "x.a.y"));
    EXPECT_FALSE(ProxyWildcardMatch("a*b", "aXXbY"));
    EXPECT_FALSE(ProxyWildcardMatch("abc", "ab"));
    // A long text against many stars ends quickly.
    EXPECT_FALSE(ProxyWildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a').c_str()));
}

TEST(Base64, RoundTrips) {
    const struct {
        const char* plain;
        const char* encoded;
    } cases[] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
                 {"alice:s3cret", "YWxpY2U6czNjcmV0"}};
    for (const auto& c : cases) {
        char encoded[32];
        ASSERT_EQ(Base64Encode(c.plain, (int32_t)std::string(c.plain).size(), encoded, sizeof encoded), 1);
        EXPECT_STREQ(encoded, c.encoded);
        char decoded[32];
        int32_t length = Base64Decode(c.encoded, decoded, sizeof decoded);
        EXPECT_EQ(std::string(decoded, length > 0 ? length : 0), c.plain);
    }
    char small[4];
    EXPECT_EQ(Base64Encode("foo", 3, small, sizeof small), 0);
    EXPECT_EQ(Base64Decode("Zm9v", small, 2), -1);
    EXPECT_EQ(Base64Decode("Zm*v", small, sizeof small), -1);
}

}    // namespace
