#include "net/proxy-route.h"

#include "base/core.h"
#include "base/strings.h"

#include <cstdio>
#include <cstring>

#define PASSWORD_MASK "****"

namespace {

// Copies [begin, end) percent-decoded; 0 when it does not fit.
int CopyDecoded(char* destination, int size, const char* begin, const char* end) {
    int length = 0;
    for (const char* at = begin; at < end; ++at) {
        char c = *at;
        if (c == '%' && end - at > 2 && StrHexValue(at[1]) >= 0 && StrHexValue(at[2]) >= 0) {
            c = (char)(StrHexValue(at[1]) * 16 + StrHexValue(at[2]));
            at += 2;
        }
        if (length >= size - 1) return 0;
        destination[length++] = c;
    }
    destination[length] = '\0';
    return 1;
}

// The part of an address between an optional "scheme://" and the first "/".
void Authority(const char* address, const char** begin, const char** end) {
    const char* marker = std::strstr(address, "://");
    *begin = marker ? marker + 3 : address;
    const char* slash = std::strchr(*begin, '/');
    *end = slash ? slash : *begin + std::strlen(*begin);
}

// The last "@" of the authority: a password may itself hold one unencoded.
const char* CredentialsEnd(const char* begin, const char* end) {
    const char* at = nullptr;
    for (const char* p = begin; p < end; ++p)
        if (*p == '@') at = p;
    return at;
}

}    // namespace

void ProxyRoutesClear(ProxyRoutes* routes) {
    CHECK_POINTER(routes);
    routes->count = 0;
}

void ProxyRoutesAddDirect(ProxyRoutes* routes) {
    CHECK_POINTER(routes);
    if (routes->count >= PROXY_ROUTES_MAXIMUM) return;
    ProxyRoute* route = &routes->route[routes->count++];
    std::memset(route, 0, sizeof *route);
    route->direct = 1;
}

int ProxyParseAddress(const char* address, ProxyRoute* route) {
    CHECK_POINTER(address);
    CHECK_POINTER(route);
    std::memset(route, 0, sizeof *route);
    while (*address == ' ' || *address == '\t') ++address;
    const char *begin, *end;
    Authority(address, &begin, &end);
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    const char* at = CredentialsEnd(begin, end);
    if (at) {
        const char* colon = static_cast<const char*>(std::memchr(begin, ':', (size_t)(at - begin)));
        if (!CopyDecoded(route->user, sizeof route->user, begin, colon ? colon : at) ||
            (colon && !CopyDecoded(route->password, sizeof route->password, colon + 1, at)))
            return 0;
        begin = at + 1;
    }
    size_t length = (size_t)(end - begin);
    if (length == 0 || length >= sizeof route->server) return 0;
    std::memcpy(route->server, begin, length);
    route->server[length] = '\0';
    return 1;
}

int ProxyRoutesAddAddress(ProxyRoutes* routes, const char* address) {
    CHECK_POINTER(routes);
    if (routes->count >= PROXY_ROUTES_MAXIMUM) return 0;
    if (!ProxyParseAddress(address, &routes->route[routes->count])) return 0;
    routes->count++;
    return 1;
}

void ProxyShow(const ProxyRoute* route, char* shown) {
    CHECK_POINTER(route);
    CHECK_POINTER(shown);
    if (route->direct)
        std::snprintf(shown, PROXY_SHOWN_SIZE, "DIRECT");
    else if (route->user[0] == '\0' && route->password[0] == '\0')
        std::snprintf(shown, PROXY_SHOWN_SIZE, "%s", route->server);
    else
        std::snprintf(shown, PROXY_SHOWN_SIZE, "%s:" PASSWORD_MASK "@%s", route->user,
                      route->server);
}

void ProxyShowAddress(const char* address, char* shown, int size) {
    CHECK_POINTER(address);
    CHECK_POINTER(shown);
    if (size < 1) return;
    const char *begin, *end;
    Authority(address, &begin, &end);
    const char* at = CredentialsEnd(begin, end);
    if (!at) {
        std::snprintf(shown, (size_t)size, "%s", address);
        return;
    }
    // What stands before the user name (a scheme) and after the "@" is kept.
    const char* colon = static_cast<const char*>(std::memchr(begin, ':', (size_t)(at - begin)));
    const char* userEnd = colon ? colon : at;
    std::snprintf(shown, (size_t)size, "%.*s:" PASSWORD_MASK "%s", (int)(userEnd - address),
                  address, at);
}

void ProxyHostOf(const char* url, char* host, int size) {
    CHECK_POINTER(url);
    CHECK_POINTER(host);
    if (size < 1) return;
    const char *begin, *end;
    Authority(url, &begin, &end);
    if (const char* at = CredentialsEnd(begin, end)) begin = at + 1;
    size_t length = std::strcspn(begin, "/:");
    std::snprintf(host, (size_t)size, "%.*s", (int)length, begin);
}
