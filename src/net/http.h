// The HTTP/1.0 client: one request per connection, the reply read by the
// caller with SocketRead until the server closes; http:// in the clear,
// https:// inside TLS. Requests go through the
// proxy of the user's Internet settings when asked to and one is enabled.
#pragma once

#include "net/socket.h"

#include <cstdint>

#define HTTP_URL_LENGTH_MAXIMUM 319
#define HTTP_TEXT_SIZE 320
#define HTTP_PROXY_SERVER_SIZE 120
#define INTERNET_SETTINGS_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"

struct HttpRequest;
struct ProxyAuth;
struct ProxyRoute;
struct ProxyRoutes;

// What came of opening a request on one route.
enum HttpOpenResult {
    HTTP_OPEN_FAILED = 0,         // logged; nothing left open
    HTTP_OPEN_DONE = 1,           // connected, the header composed
    HTTP_OPEN_UNREACHABLE = 2,    // the proxy or server could not be reached (logged)
    HTTP_OPEN_PROXY_AUTH = 3      // the proxy wants credentials for its tunnel: see the auth
};

// Splits the request's URL, chooses the proxy, resolves and connects, and
// writes the request header (NUL-terminated, headerLength bytes, announcing
// the request's body length) into requestBuffer, reporting the steps up to
// HTTP_STEP_CONNECTING. The routes of the proxy decision are tried in order
// while one cannot be reached; a proxy asking for credentials ends it.
// For an https:// address the connection is a validated TLS channel (through
// the proxy, a tunnel first), which SocketRead and SocketWrite then carry.
// Nothing of the request is sent. On 0 nothing is left open and *socket is
// not set.
int HttpOpenRequest(const HttpRequest* request, Socket** socket, char* requestBuffer,
                    int32_t bufferSize, int32_t* headerLength);

// The first half of HttpOpenRequest: checks and splits the URL, logs whom
// it contacts and makes the proxy decision. 0 when the URL is unusable.
int HttpPrepareRequest(const HttpRequest* request, ProxyRoutes* routes);
// The second half, on one route: connects, opens the tunnel and TLS for an
// https:// address and composes the header, with the answer of `auth` (may
// be NULL) to the proxy. One of HttpOpenResult; on HTTP_OPEN_PROXY_AUTH the
// tunnel's challenge is in `auth` and nothing is left open.
int HttpOpenRequestVia(const HttpRequest* request, const ProxyRoute* route, ProxyAuth* auth,
                       Socket** socket, char* requestBuffer, int32_t bufferSize,
                       int32_t* headerLength);

// An https:// address (any letter case).
bool HttpIsSecure(const char* url);

// Sends all `length` bytes; 1 when done, 0 when a write fails.
int HttpSendAll(Socket* socket, const void* data, int32_t length);

// Splits a URL into the site shown in the log (scheme, "://", host and "/",
// the port removed) and the path from the first "/" after the host. Both
// buffers hold HTTP_TEXT_SIZE bytes. 0 when the URL is too long for them.
int HttpSplitUrl(const char* url, char* site, char* path);

// The Host header's value for a URL: the host name, followed by ":port"
// only when the URL names a port other than its scheme's default. `host`
// holds HTTP_TEXT_SIZE bytes.
void HttpHostField(const char* url, char* host);
