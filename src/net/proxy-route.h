// Where a request goes: straight to its server, or through one proxy with
// the credentials the user gave for it. A proxy decision is an ordered list
// of these, tried one after the other while a proxy cannot be reached.
#pragma once

#include "net/http.h"

#include <cstdint>

#define PROXY_ROUTES_MAXIMUM 8
#define PROXY_USER_SIZE 81
#define PROXY_PASSWORD_SIZE 81
// What a log line shows of a proxy: "user:****@host:port".
#define PROXY_SHOWN_SIZE (HTTP_TEXT_SIZE + PROXY_USER_SIZE + 8)

struct ProxyRoute {
    int32_t direct;                     // 1: no proxy
    char server[HTTP_TEXT_SIZE];        // "host:port", never with credentials
    char user[PROXY_USER_SIZE];         // empty when none were given
    char password[PROXY_PASSWORD_SIZE];
};

struct ProxyRoutes {
    int32_t count;
    ProxyRoute route[PROXY_ROUTES_MAXIMUM];
};

// Empties the list.
void ProxyRoutesClear(ProxyRoutes* routes);
// Appends a direct route; nothing when the list is full.
void ProxyRoutesAddDirect(ProxyRoutes* routes);
// Appends the proxy at `address`: "host:port", optionally led by "http://"
// and credentials ("user:password@host:port", percent-encoded where they
// hold "@", ":" or "%"), a path after it ignored. 0 when the address is
// empty, too long or the list full.
int ProxyRoutesAddAddress(ProxyRoutes* routes, const char* address);
// Reads such an address into one route. 0 as above.
int ProxyParseAddress(const char* address, ProxyRoute* route);

// The route as a log line may show it: the password masked, "DIRECT" for
// none. `shown` holds PROXY_SHOWN_SIZE bytes.
void ProxyShow(const ProxyRoute* route, char* shown);
// An address as given (see ProxyParseAddress) with its password masked;
// cut to `size`.
void ProxyShowAddress(const char* address, char* shown, int size);

// The host of a URL as the log and a PAC file see it: between "://" (and
// any credentials) and the next "/" or ":", cut to `size`.
void ProxyHostOf(const char* url, char* host, int size);
