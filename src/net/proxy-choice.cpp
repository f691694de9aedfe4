#include "net/proxy-choice.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/proxy-bypass.h"
#include "net/proxy-pac.h"
#include "net/proxy-settings.h"

#include <cstring>

#define RULE_SIZE 256

namespace {

void Disabled(int32_t enable, ProxyRoutes* routes) {
    LogPrint("Proxy Disabled (0x%.8X) : None\n", (unsigned)enable);
    ProxyRoutesAddDirect(routes);
}

const char* SchemeOf(const char* url) {
    return StrStartsWithNoCase(url, "https://") ? "https" : "http";
}

// The fixed proxy of the settings, enabled and named. 1 when decided.
bool FromSettings(const ProxySettings& settings, const char* url, ProxyRoutes* routes) {
    if (settings.enable != 1 || settings.server[0] == '\0') return false;
    char rule[RULE_SIZE], host[HTTP_TEXT_SIZE];
    if (ProxyOverrideMatches(settings.bypass, url, rule, sizeof rule)) {
        ProxyHostOf(url, host, sizeof host);
        LogPrint("Proxy Bypassed (0x%.8X) : '%s' matches '%s'\n", (unsigned)settings.enable, host,
                 rule);
        ProxyRoutesAddDirect(routes);
        return true;
    }
    const char* scheme = SchemeOf(url);
    char entry[HTTP_TEXT_SIZE];
    int found = ProxyServerEntry(settings.server, scheme, entry, sizeof entry);
    if (found == 0) {
        LogPrint("Proxy Enabled (0x%.8X) : None for %s\n", (unsigned)settings.enable, scheme);
        ProxyRoutesAddDirect(routes);
        return true;
    }
    if (found < 0 || !ProxyRoutesAddAddress(routes, entry)) return false;
    char shown[PROXY_SHOWN_SIZE];
    ProxyShow(&routes->route[routes->count - 1], shown);
    LogPrint("Proxy Enabled (0x%.8X) : %s\n", (unsigned)settings.enable, shown);
    return true;
}

// The environment's proxy. 1 when it decided.
bool FromEnvironment(const char* url, ProxyRoutes* routes) {
    char proxy[PROXY_ENVIRONMENT_SIZE], variable[16], noProxy[PROXY_ENVIRONMENT_SIZE];
    if (!ProxyFromEnvironment(SchemeOf(url), proxy, variable, noProxy)) return false;
    char shown[PROXY_SHOWN_SIZE], rule[RULE_SIZE], host[HTTP_TEXT_SIZE];
    ProxyShowAddress(proxy, shown, sizeof shown);
    if (ProxyNoProxyMatches(noProxy, url, rule, sizeof rule)) {
        ProxyHostOf(url, host, sizeof host);
        LogPrint("Proxy Bypassed (no_proxy) : '%s' matches '%s'\n", host, rule);
        ProxyRoutesAddDirect(routes);
        return true;
    }
    const char* marker = std::strstr(proxy, "://");
    if ((marker && !StrStartsWithNoCase(proxy, "http://")) || !ProxyRoutesAddAddress(routes, proxy)) {
        LogPrint("Proxy from the environment (%s) not usable : %s\n", variable, shown);
        return false;
    }
    LogPrint("Proxy from the environment (%s) : %s\n", variable, shown);
    return true;
}

}    // namespace

void ProxyChooseRoutes(const char* url, int32_t useProxy, ProxyRoutes* routes) {
    CHECK_POINTER(url);
    CHECK_POINTER(routes);
    ProxyRoutesClear(routes);
    if (useProxy != 1) {
        Disabled(0, routes);
        return;
    }
    ProxySettings settings;
    ProxyReadSettings(&settings);
    if (settings.machine) LogPrint("Proxy settings of the machine (ProxySettingsPerUser 0)\n");
    if (ProxyFromAutoConfig(&settings, url, routes)) return;
    if (FromSettings(settings, url, routes)) return;
    if (FromEnvironment(url, routes)) return;
    Disabled(settings.enable, routes);
}
