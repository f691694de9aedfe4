#include "net/proxy-pac.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"
#include "net/http-exchange.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

#define PAC_ANSWER_SIZE 1024
#define PAC_ENTRY_SIZE 256

namespace {

// Fetches the PAC file directly (it normally lies on the company's own
// network) into `script`. Its length, or -1 (logged).
int32_t FetchScript(const char* pacUrl, char* script, int32_t size, void*) {
    if (!StrStartsWithNoCase(pacUrl, "http://") && !StrStartsWithNoCase(pacUrl, "https://")) {
        LogPrint("PAC address not usable '%s'\n", pacUrl);
        return -1;
    }
    HttpRequest request = {pacUrl, PROGRAM_NAME, "GET", nullptr, 0, 0, 1, nullptr};
    HttpReply reply;
    if (!HttpExchangeOpen(&request, script, size, &reply)) return -1;
    int32_t length = reply.filled - reply.bodyStart;
    std::memmove(script, script + reply.bodyStart, (size_t)length);
    int32_t received = 0;
    bool whole = true;
    while (length < size - 1 &&
           HttpExchangeRead(&reply, script + length, size - 1 - length, &received))
        length += received;
    if (length >= size - 1) whole = false;
    HttpExchangeClose(&reply);
    if (!whole || (reply.header.contentLength >= 0 && length != reply.header.contentLength)) {
        LogPrint("PAC file incomplete (%d bytes)\n", length);
        return -1;
    }
    script[length] = '\0';
    return length;
}

// The credentials the user gave for the same proxy elsewhere.
void KnownCredentials(const ProxySettings* settings, const char* url, ProxyRoute* route) {
    const char* scheme = StrStartsWithNoCase(url, "https://") ? "https" : "http";
    char entry[HTTP_TEXT_SIZE], proxy[PROXY_ENVIRONMENT_SIZE], variable[16],
        noProxy[PROXY_ENVIRONMENT_SIZE];
    ProxyRoute known;
    if (ProxyServerEntry(settings->server, scheme, entry, sizeof entry) == 1 &&
        ProxyParseAddress(entry, &known) && StrEqualNoCase(known.server, route->server)) {
    } else if (ProxyFromEnvironment(scheme, proxy, variable, noProxy) &&
               ProxyParseAddress(proxy, &known) && StrEqualNoCase(known.server, route->server)) {
    } else {
        return;
    }
    std::memcpy(route->user, known.user, sizeof route->user);
    std::memcpy(route->password, known.password, sizeof route->password);
}

}    // namespace

int ProxyRoutesFromPac(const char* answer, ProxyRoutes* routes) {
    CHECK_POINTER(answer);
    CHECK_POINTER(routes);
    int taken = 0;
    for (const char* at = answer; *at;) {
        size_t length = std::strcspn(at, ";");
        char entry[PAC_ENTRY_SIZE];
        std::snprintf(entry, sizeof entry, "%.*s", (int)length, at);
        at += length;
        if (*at) ++at;
        char* word = entry;
        while (*word == ' ' || *word == '\t') ++word;
        char* end = word + std::strlen(word);
        while (end > word && (end[-1] == ' ' || end[-1] == '\t')) *--end = '\0';
        if (*word == '\0') continue;
        char* address = word + std::strcspn(word, " \t");
        if (*address) *address++ = '\0';
        while (*address == ' ' || *address == '\t') ++address;
        int before = routes->count;
        if (StrEqualNoCase(word, "DIRECT"))
            ProxyRoutesAddDirect(routes);
        else if ((StrEqualNoCase(word, "PROXY") || StrEqualNoCase(word, "HTTP")) && *address)
            ProxyRoutesAddAddress(routes, address);
        else
            LogPrint("PAC entry '%s %s' not usable, skipped\n", word, address);
        taken += routes->count - before;
    }
    return taken;
}

int ProxyFromAutoConfig(const ProxySettings* settings, const char* url, ProxyRoutes* routes) {
    CHECK_POINTER(settings);
    CHECK_POINTER(url);
    CHECK_POINTER(routes);
    char host[HTTP_TEXT_SIZE], answer[PAC_ANSWER_SIZE], reason[PLAT_PAC_REASON_SIZE];
    ProxyHostOf(url, host, sizeof host);
    const char* pacUrl = settings->autoConfigUrl;
    int result = PlatProxyAutoConfig(url, host, pacUrl, FetchScript, nullptr, answer,
                                     sizeof answer, reason);
    const char* shownPac = pacUrl[0] ? pacUrl : "automatic detection";
    if (result < 0) return 0;
    if (result == 0) {
        LogPrint("PAC '%s' failed: %s; the fixed settings apply\n", shownPac, reason);
        return 0;
    }
    LogPrint("Proxy from PAC '%s' : %s\n", shownPac, answer[0] ? answer : "DIRECT");
    ProxyRoutesClear(routes);
    if (answer[0] == '\0') {
        ProxyRoutesAddDirect(routes);
        return 1;
    }
    if (ProxyRoutesFromPac(answer, routes) == 0) {
        LogPrint("PAC '%s' named nothing usable; the fixed settings apply\n", shownPac);
        return 0;
    }
    for (int32_t i = 0; i < routes->count; ++i)
        if (!routes->route[i].direct) KnownCredentials(settings, url, &routes->route[i]);
    return 1;
}
