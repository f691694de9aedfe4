// Proxy auto-configuration: a PAC answer as routes, and natively the PAC
// script itself with the helper functions browsers give it.
#include "net/proxy-pac.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PacAnswer, EntriesInOrder) {
    const struct {
        const char* answer;
        const char* routes;    // "D" for DIRECT, else the server, "|" between
    } cases[] = {
        {"DIRECT", "D"},
        {"PROXY a:1; PROXY b:2; DIRECT", "a:1|b:2|D"},
        {"  proxy a:1 ;;HTTP  b:2;", "a:1|b:2"},
        {"SOCKS s:1080; PROXY a:1", "a:1"},
        {"HTTPS secure:443; SOCKS5 s:1", ""},
        {"PROXY", ""},
    };
    for (const auto& c : cases) {
        ProxyRoutes routes;
        ProxyRoutesClear(&routes);
        int taken = ProxyRoutesFromPac(c.answer, &routes);
        std::string shown;
        for (int32_t i = 0; i < routes.count; ++i)
            shown += std::string(i ? "|" : "") + (routes.route[i].direct ? "D" : routes.route[i].server);
        EXPECT_EQ(shown, c.routes) << c.answer;
        EXPECT_EQ(taken, routes.count) << c.answer;
    }
}

#ifndef _WIN32
// The script the fake fetch hands out, or a failed fetch for NULL.
const char* fetchedScript = nullptr;

int32_t FetchFixed(const char*, char* script, int32_t size, void*) {
    if (!fetchedScript) return -1;
    std::string text = fetchedScript;
    if ((int32_t)text.size() >= size) return -1;
    std::copy(text.begin(), text.end(), script);
    script[text.size()] = '\0';
    return (int32_t)text.size();
}

// FindProxyForURL("http://www.corp.example/a", "www.corp.example") of a
// script; "!" and the reason when it failed.
std::string RunScript(const std::string& script) {
    fetchedScript = script.c_str();
    char result[256], reason[PLAT_PAC_REASON_SIZE];
    int found = PlatProxyAutoConfig("http://www.corp.example/a", "www.corp.example",
                                    "http://pac/x.pac", FetchFixed, nullptr, result,
                                    sizeof result, reason);
    fetchedScript = nullptr;
    return found == 1 ? std::string(result) : "!" + std::string(reason);
}

std::string Expression(const std::string& expression) {
    return RunScript("function FindProxyForURL(url, host) { return String(" + expression + "); }");
}

TEST(PacScript, HelperFunctions) {
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {
        {"isPlainHostName('intranet')", "true"},
        {"isPlainHostName(host)", "false"},
        {"dnsDomainIs(host, '.corp.example')", "true"},
        {"dnsDomainIs(host, '.other.example')", "false"},
        {"localHostOrDomainIs('www', 'www.corp.example')", "true"},
        {"localHostOrDomainIs('www.corp.example', 'www.corp.example')", "true"},
        {"localHostOrDomainIs('web', 'www.corp.example')", "false"},
        {"dnsDomainLevels(host)", "2"},
        {"dnsResolve('localhost')", "127.0.0.1"},
        {"isResolvable('localhost')", "true"},
        {"isInNet('10.1.2.3', '10.0.0.0', '255.0.0.0')", "true"},
        {"isInNet('11.1.2.3', '10.0.0.0', '255.0.0.0')", "false"},
        {"isInNet('192.168.7.9', '192.168.7.0', '255.255.255.0')", "true"},
        {"isInNet('localhost', '127.0.0.0', '255.0.0.0')", "true"},
        {"isInNet('300.1.1.1', '0.0.0.0', '0.0.0.0')", "false"},
        {"typeof myIpAddress()", "string"},
        {"shExpMatch(url, '*.corp.example/*')", "true"},
        {"shExpMatch('a.b', 'a?b')", "true"},
        {"shExpMatch('axb', 'a.b')", "false"},
        {"shExpMatch('(x)+[y]', '(x)+[y]')", "true"},
        {"weekdayRange('SUN', 'SAT')", "true"},
        {"weekdayRange('MON', 'SUN', 'GMT')", "true"},
        {"weekdayRange('XYZ')", "false"},
        {"dateRange('JAN', 'DEC')", "true"},
        {"dateRange(1, 31)", "true"},
        {"dateRange(1970, 2999)", "true"},
        {"dateRange(1990)", "false"},
        {"timeRange(0, 24)", "true"},
        {"timeRange(0, 0, 23, 59, 'GMT')", "true"},
    };
    for (const auto& c : cases) EXPECT_EQ(Expression(c.expression), c.value) << c.expression;
}

TEST(PacScript, AnswersAndFailures) {
    EXPECT_EQ(RunScript("function FindProxyForURL(u, h) { return 'PROXY a:1; DIRECT'; }"),
              "PROXY a:1; DIRECT");
    const struct {
        const char* script;    // NULL: not fetched
        const char* reason;
    } cases[] = {
        {nullptr, "!the script could not be fetched"},
        {"function FindProxyForURL(u, h) { return ", "!the script failed: SyntaxError"},
        {"function FindProxyForURL(u, h) { throw new Error('no'); }", "!the script failed: Error: no"},
        {"var nothing = 1;", "!the script failed: TypeError"},
        {"function FindProxyForURL(u, h) { return 7; }", "!the script failed: FindProxyForURL gave no text"},
        // A script that never ends is given up after the time limit.
        {"function FindProxyForURL(u, h) { for (;;) {} }", "!the script ran longer than 10000 ms"},
    };
    for (const auto& c : cases) {
        std::string result = c.script ? RunScript(c.script) : "";
        if (!c.script) {
            char answer[64], reason[PLAT_PAC_REASON_SIZE];
            EXPECT_EQ(PlatProxyAutoConfig("http://x/", "x", "http://pac/", FetchFixed, nullptr,
                                          answer, sizeof answer, reason), 0);
            result = "!" + std::string(reason);
        }
        EXPECT_EQ(result.rfind(c.reason, 0), 0u) << result;
    }
    char answer[64], reason[PLAT_PAC_REASON_SIZE];
    EXPECT_EQ(PlatProxyAutoConfig("http://x/", "x", "", FetchFixed, nullptr, answer, sizeof answer,
                                  reason), -1);
}
#endif

}    // namespace
