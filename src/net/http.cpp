// The HTTP/1.0 client: URL splitting, the user's proxy, connecting (with
// TLS for https:// addresses) and the request header. The Host line names the host (and a port that is not the
// default) as web servers require; servers in the field rely on the rest of
// the header as it is written here (the connection is "closed").
#include "net/http.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/http-exchange.h"
#include "net/http-tunnel.h"
#include "system/registry.h"

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

// The value of the entry `name` ("http=") when there is one, else the whole
// value, ended at the first ";".
int ProxyEntry(const char* proxyServer, const char* name, char* proxy, int proxySize) {
    CHECK_POINTER(proxyServer);
    CHECK_POINTER(proxy);
    if (proxySize < 1) return 0;
    const char* entry = nullptr;
    const char* start =
        StrFindNoCase(proxyServer, name, &entry) ? entry + StrLength(name) : proxyServer;
    const char* end = std::strchr(start, ';');
    size_t length = end ? (size_t)(end - start) : std::strlen(start);
    if (length > (size_t)(proxySize - 1)) return 0;
    std::memcpy(proxy, start, length);
    proxy[length] = '\0';
    return 1;
}

}    // namespace

int HttpProxyFromSetting(const char* proxyServer, char* proxy, int proxySize) {
    return ProxyEntry(proxyServer, "http=", proxy, proxySize);
}

int HttpSecureProxyFromSetting(const char* proxyServer, char* proxy, int proxySize) {
    CHECK_POINTER(proxyServer);
    const char* entry = nullptr;
    if (StrFindNoCase(proxyServer, "https=", &entry))
        return ProxyEntry(proxyServer, "https=", proxy, proxySize);
    return HttpProxyFromSetting(proxyServer, proxy, proxySize);
}

namespace {

// Reads the user's proxy choice into `proxy` (empty for a direct
// connection) and logs the decision.
void ChooseProxy(int32_t useProxy, bool secure, char* proxy) {
    proxy[0] = '\0';
    HKEY key = nullptr;
    if (useProxy != 1 || !RegistryOpenKey(&key, REGISTRY_CURRENT_USER, INTERNET_SETTINGS_KEY)) {
        LogPrint("Proxy Disabled (0x%.8X) : None\n", 0u);
        return;
    }
    // Both values are used as read, also when stored as another kind: a
    // missing one counts as 0 or empty (the buffers start zeroed and a
    // failed read leaves them so). A server text longer than 119 characters
    // counts as empty too; the byte to spare tells a text of 120 from one
    // cut to fit.
    int32_t enable = 0;
    char server[HTTP_PROXY_SERVER_SIZE + 1];
    std::memset(server, 0, sizeof server);
    RegistryGetInt32(key, "ProxyEnable", &enable);
    RegistryGetString(key, "ProxyServer", server, sizeof server);
    if (StrLength(server) > HTTP_PROXY_SERVER_SIZE - 1) server[0] = '\0';
    RegistryCloseKey(&key);

    int chosen = secure ? HttpSecureProxyFromSetting(server, proxy, HTTP_TEXT_SIZE)
                        : HttpProxyFromSetting(server, proxy, HTTP_TEXT_SIZE);
    if (enable == 1 && server[0] && chosen) {
        LogPrint("Proxy Enabled (0x%.8X) : %s\n", (unsigned)enable, proxy);
        return;
    }
    proxy[0] = '\0';
    LogPrint("Proxy Disabled (0x%.8X) : None\n", (unsigned)enable);
}

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

// Through the proxy a tunnel to the server first, then TLS with it.
bool StartSecureChannel(Socket* connection, const char* url, bool throughProxy,
                        const char* userAgent) {
    char scheme[SOCKET_SCHEME_SIZE], name[SOCKET_HOST_SIZE];
    int32_t port = 0;
    ParseServer(url, scheme, name, &port);
    char target[HTTP_TEXT_SIZE];
    WriteHost(name, port, target);
    if (throughProxy && !HttpOpenTunnel(connection, target, userAgent)) return false;
    return SocketStartTls(connection, name) == 1;
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

int HttpOpenRequest(const HttpRequest* request, Socket** socket, char* requestBuffer,
                    int32_t bufferSize, int32_t* headerLength) {
    CHECK_POINTER(request);
    const char* url = request->url;
    const char* userAgent = request->userAgent;
    CHECK_POINTER(url);
    CHECK_POINTER(request->method);
    CHECK_POINTER(socket);
    CHECK_POINTER(requestBuffer);
    CHECK_POINTER(headerLength);
    HttpReportStep(request, HTTP_STEP_STARTED);

    char site[HTTP_TEXT_SIZE], path[HTTP_TEXT_SIZE], proxy[HTTP_TEXT_SIZE];
    if (!HttpSplitUrl(url, site, path)) {
        LogPrint("URL too long (%d > %d)\n", StrLength(url), HTTP_URL_LENGTH_MAXIMUM);
        return 0;
    }

    HttpReportStep(request, HTTP_STEP_RESOLVING);
    LogPrint("Contacting '%s' '%s'\n", site, path);
    bool secure = HttpIsSecure(url);
    ChooseProxy(request->useProxy, secure, proxy);

    // A proxy text has no scheme: without "host:port" its port is 0 and
    // the connect fails.
    const char* target = proxy[0] ? proxy : url;
    HostAddress host;
    if (!SocketResolveUrl(&host, target)) {
        LogPrint("Unable to get machine for URL '%s'\n", target);
        return 0;
    }

    HttpReportStep(request, HTTP_STEP_CONNECTING);
    Socket* connection = ConnectToHost(request, host, url);
    if (!connection) return 0;
    // An encrypted address never falls back to plain HTTP: a tunnel or
    // handshake that fails ends the attempt.
    if (secure && !StartSecureChannel(connection, url, proxy[0] != '\0', userAgent)) {
        SocketClose(connection);
        SocketDelete(&connection);
        return 0;
    }

    // A proxy forwarding plain HTTP wants the whole address; inside a tunnel
    // the server itself reads the request.
    HeaderWriter writer = {requestBuffer, bufferSize, 0, true};
    HeaderAppend(&writer, "%s %s HTTP/1.0\r\n", request->method, proxy[0] && !secure ? url : path);
    if (userAgent) HeaderAppend(&writer, "User-Agent: %s\r\n", userAgent);
    char hostField[HTTP_TEXT_SIZE];
    HttpHostField(url, hostField);
    HeaderAppend(&writer, "Host: %s\r\n", hostField);
    if (request->bodyLength > 0)
        HeaderAppend(&writer, "Content-Length: %d\r\n", request->bodyLength);
    if (request->extraFields) HeaderAppend(&writer, "%s", request->extraFields);
    HeaderAppend(&writer, "Connection: closed\r\n\r\n");
    if (!writer.fits) {
        LogPrint("Request header too large (%d > %d)\n", writer.length, bufferSize - 1);
        SocketClose(connection);
        SocketDelete(&connection);
        return 0;
    }

    *headerLength = writer.length;
    *socket = connection;
    return 1;
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
