// The HTTP/1.0 client: URL splitting, the user's proxy, connecting (with
// TLS for https:// addresses) and the request header. The Host line names the host (and a port that is not the
// default) as web servers require; servers in the field rely on the rest of
// the header as it is written here (the connection is "closed").
#include "net/http.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/http-exchange.h"
#include "net/http-tunnel.h"
#include "net/proxy-auth.h"
#include "net/proxy-choice.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int HttpSplitUrl(const char* url, char* site, char* path) {
    CHECK_POINTER(url);
    CHECK_POINTER(site);
    CHECK_POINTER(path);
    site[0] = path[0] = '\0';
    if (!StrCopyN(site, url, HTTP_TEXT_SIZE)) {
        site[0] = '\0';
        return 0;
    }
    const char* marker = nullptr;
    char* scan = StrFind(site, "://", &marker) ? site + (marker - site) + 3 : site;
    char* lastColon = nullptr;
    bool bracketed = false;    // inside an IPv6 address's brackets
    while (*scan && *scan != '/') {
        if (*scan == '[') bracketed = true;
        else if (*scan == ']') bracketed = false;
        else if (*scan == ':' && !bracketed) lastColon = scan;
        ++scan;
    }
    StrCopy(path, scan);    // no longer than site itself
    if (*scan == '/') scan[1] = '\0';
    if (lastColon) {
        lastColon[0] = '/';
        lastColon[1] = '\0';
    }
    return 1;
}

// The scheme, host name and port of an address; the rest is not wanted.
static void ParseServer(const char* url, char* scheme, char* name, int32_t* port) {
    char user[SOCKET_USER_SIZE], password[SOCKET_PASSWORD_SIZE];
    char directory[2], file[2];    // cut to nothing
    *port = 0;
    SocketParseUrl(url, scheme, name, port, directory, sizeof directory, file, sizeof file, user,
                   password);
}

// A host as a request names it: an IPv6 address in brackets.
static void WriteHost(const char* name, int32_t port, char* text) {
    const char* open = std::strchr(name, ':') ? "[" : "";
    const char* close = open[0] ? "]" : "";
    if (port != 0)
        std::snprintf(text, HTTP_TEXT_SIZE, "%s%s%s:%d", open, name, close, port);
    else
        std::snprintf(text, HTTP_TEXT_SIZE, "%s%s%s", open, name, close);
}

void HttpHostField(const char* url, char* host) {
    CHECK_POINTER(url);
    CHECK_POINTER(host);
    char scheme[SOCKET_SCHEME_SIZE], name[SOCKET_HOST_SIZE];
    int32_t port = 0;
    ParseServer(url, scheme, name, &port);
    WriteHost(name, port != SocketDefaultPort(scheme) ? port : 0, host);
}

namespace {

// Writes the header piece by piece, never past the buffer.
struct HeaderWriter {
    char* buffer;
    int32_t size;
    int32_t length;    // bytes needed so far, also when they did not fit
    bool fits;
};

__attribute__((format(printf, 2, 3))) void HeaderAppend(HeaderWriter* writer,
                                                         const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int room = writer->fits ? writer->size - writer->length : 0;
    int written = std::vsnprintf(writer->fits && room > 0 ? writer->buffer + writer->length : nullptr,
                                 room > 0 ? (size_t)room : 0, format, arguments);
    va_end(arguments);
    if (written < 0 || written >= room) writer->fits = false;
    if (written > 0) writer->length += written;
}

// Through the proxy a tunnel to the server first, then TLS with it. One of
// HttpOpenResult.
int StartSecureChannel(Socket* connection, const char* url, bool throughProxy,
                       const char* userAgent, ProxyAuth* auth) {
    char scheme[SOCKET_SCHEME_SIZE], name[SOCKET_HOST_SIZE];
    int32_t port = 0;
    ParseServer(url, scheme, name, &port);
    char target[HTTP_TEXT_SIZE];
    WriteHost(name, port, target);
    if (throughProxy) {
        int tunnel = HttpOpenTunnel(connection, target, userAgent, auth);
        if (tunnel == HTTP_TUNNEL_AUTH_REQUIRED) return HTTP_OPEN_PROXY_AUTH;
        if (tunnel != 1) return HTTP_OPEN_FAILED;
    }
    return SocketStartTls(connection, name) == 1 ? HTTP_OPEN_DONE : HTTP_OPEN_FAILED;
}

void Discard(Socket** connection) {
    SocketClose(*connection);
    SocketDelete(connection);
}

}    // namespace

// A connection to the first of the host's addresses that answers (a name
// may stand for IPv6 and IPv4 addresses); NULL, logged, when none does.
static Socket* ConnectToHost(const HttpRequest* request, const HostAddress& host,
                             const char* url) {
    // No wait without progress lasts longer than the stall limit, nor past
    // what is left of the attempt.
    int32_t wait = HttpLimits.stallMs;
    if (request->attemptLimitMs > 0 && request->attemptLimitMs < wait) wait = request->attemptLimitMs;
    for (int i = 0; i < host.count; ++i) {
        Socket* connection = nullptr;
        SocketNew(&connection);
        SocketCreateFor(connection, SOCKET_PROTOCOL_TCP, host.addresses[i].family);
        connection->connectTimeout = connection->readTimeout = wait;
        connection->idle = request->idle;
        if (SocketConnectTo(connection, &host.addresses[i], host.port)) return connection;
        bool cancelled = connection->stop == SOCKET_STOP_CANCELLED;
        char address[SOCKET_ADDRESS_TEXT_SIZE];
        SocketAddressText(&host.addresses[i], address);
        LogPrint("Unable to connect to machine %s:%d for URL '%s'\n", address, host.port, url);
        SocketClose(connection);
        SocketDelete(&connection);
        if (cancelled) break;
    }
    return nullptr;
}

bool HttpIsSecure(const char* url) {
    CHECK_POINTER(url);
    return StrStartsWithNoCase(url, "https://");
}

int HttpPrepareRequest(const HttpRequest* request, ProxyRoutes* routes) {
    CHECK_POINTER(request);
    CHECK_POINTER(request->url);
    CHECK_POINTER(routes);
    HttpReportStep(request, HTTP_STEP_STARTED);
    char site[HTTP_TEXT_SIZE], path[HTTP_TEXT_SIZE];
    if (!HttpSplitUrl(request->url, site, path)) {
        LogPrint("URL too long (%d > %d)\n", StrLength(request->url), HTTP_URL_LENGTH_MAXIMUM);
        return 0;
    }
    HttpReportStep(request, HTTP_STEP_RESOLVING);
    LogPrint("Contacting '%s' '%s'\n", site, path);
    ProxyChooseRoutes(request->url, request->useProxy, routes);
    return 1;
}

int HttpOpenRequestVia(const HttpRequest* request, const ProxyRoute* route, ProxyAuth* auth,
                       Socket** socket, char* requestBuffer, int32_t bufferSize,
                       int32_t* headerLength) {
    CHECK_POINTER(request);
    CHECK_POINTER(route);
    const char* url = request->url;
    const char* userAgent = request->userAgent;
    CHECK_POINTER(url);
    CHECK_POINTER(request->method);
    CHECK_POINTER(socket);
    CHECK_POINTER(requestBuffer);
    CHECK_POINTER(headerLength);
    char site[HTTP_TEXT_SIZE], path[HTTP_TEXT_SIZE];
    if (!HttpSplitUrl(url, site, path)) return HTTP_OPEN_FAILED;    // the caller checked it
    const bool secure = HttpIsSecure(url);
    const bool proxied = !route->direct;

    // A proxy's address has no scheme: without "host:port" its port is 0
    // and the connect fails.
    const char* target = proxied ? route->server : url;
    HostAddress host;
    if (!SocketResolveUrl(&host, target)) {
        LogPrint("Unable to get machine for URL '%s'\n", target);
        return HTTP_OPEN_UNREACHABLE;
    }

    HttpReportStep(request, HTTP_STEP_CONNECTING);
    Socket* connection = ConnectToHost(request, host, url);
    if (!connection) return HTTP_OPEN_UNREACHABLE;
    // An encrypted address never falls back to plain HTTP: a tunnel or
    // handshake that fails ends the attempt.
    if (secure) {
        int channel = StartSecureChannel(connection, url, proxied, userAgent, auth);
        if (channel != HTTP_OPEN_DONE) {
            Discard(&connection);
            return channel;
        }
    }

    // A proxy forwarding plain HTTP wants the whole address and its
    // credentials; inside a tunnel the server itself reads the request.
    HeaderWriter writer = {requestBuffer, bufferSize, 0, true};
    HeaderAppend(&writer, "%s %s HTTP/1.0\r\n", request->method, proxied && !secure ? url : path);
    if (userAgent) HeaderAppend(&writer, "User-Agent: %s\r\n", userAgent);
    char hostField[HTTP_TEXT_SIZE];
    HttpHostField(url, hostField);
    HeaderAppend(&writer, "Host: %s\r\n", hostField);
    if (request->bodyLength > 0)
        HeaderAppend(&writer, "Content-Length: %d\r\n", request->bodyLength);
    if (proxied && !secure && auth && auth->authorization[0])
        HeaderAppend(&writer, "Proxy-Authorization: %s\r\n", auth->authorization);
    if (request->extraFields) HeaderAppend(&writer, "%s", request->extraFields);
    HeaderAppend(&writer, "Connection: closed\r\n\r\n");
    if (!writer.fits) {
        LogPrint("Request header too large (%d > %d)\n", writer.length, bufferSize - 1);
        Discard(&connection);
        return HTTP_OPEN_FAILED;
    }

    *headerLength = writer.length;
    *socket = connection;
    return HTTP_OPEN_DONE;
}

int HttpOpenRequest(const HttpRequest* request, Socket** socket, char* requestBuffer,
                    int32_t bufferSize, int32_t* headerLength) {
    CHECK_POINTER(request);
    ProxyRoutes routes;
    if (!HttpPrepareRequest(request, &routes)) return 0;
    for (int32_t i = 0; i < routes.count; ++i) {
        int result = HttpOpenRequestVia(request, &routes.route[i], nullptr, socket, requestBuffer,
                                        bufferSize, headerLength);
        if (result == HTTP_OPEN_DONE) return 1;
        if (result != HTTP_OPEN_UNREACHABLE) return 0;
    }
    return 0;
}

int HttpSendAll(Socket* socket, const void* data, int32_t length) {
    const char* bytes = static_cast<const char*>(data);
    int32_t sent = 0;
    while (sent < length) {
        int32_t written = 0;
        if (!SocketWrite(socket, bytes + sent, length - sent, &written)) return 0;
        sent += written;
    }
    return 1;
}
