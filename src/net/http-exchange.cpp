#include "net/http-exchange.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/http.h"
#include "net/proxy-auth.h"
#include "net/proxy-route.h"

#include <cstring>

namespace {

// Unreachable: the next route may be tried; ProxyAuth: the proxy wants
// (other) credentials.
enum class Outcome { Failed, Done, Redirected, Unreachable, ProxyAuth };

enum class HeaderRead { Complete, Ended, TooLarge };

// Up from http:// to https://, never down: what came encrypted stays so.
bool MayRedirectTo(const char* from, const char* to) {
    if (HttpIsSecure(to)) return true;
    return StrStartsWithNoCase(to, "http://") && !HttpIsSecure(from);
}

// Reads until the header's empty line has arrived; what came with it of
// the body stays behind it in the buffer, NUL-terminated.
HeaderRead ReadHeader(Socket* socket, char* buffer, int32_t size, int32_t* filled,
                      int32_t* headerEnd) {
    const int32_t limit = size - 1;    // room for the terminator
    *filled = 0;
    *headerEnd = 0;
    int32_t piece = 0;
    while (*filled < limit &&
           SocketRead(socket, buffer + *filled, limit - *filled, &piece) == 1) {
        *filled += piece;
        buffer[*filled] = '\0';
        *headerEnd = HttpHeaderEnd(buffer, *filled);
        if (*headerEnd > 0) return HeaderRead::Complete;
        if (*filled > HTTP_HEADER_SIZE_MAXIMUM) break;
    }
    if (*filled >= limit || *filled > HTTP_HEADER_SIZE_MAXIMUM) return HeaderRead::TooLarge;
    return HeaderRead::Ended;
}

// The header, then the body; 0, logged, when a write fails.
int SendRequest(Socket* socket, const char* header, int32_t headerLength,
                const HttpRequest* request) {
    if (!HttpSendAll(socket, header, headerLength)) {
        LogPrint("Unable to output header (%s)\n", SocketErrorText(socket));
        return 0;
    }
    if (request->body && !HttpSendAll(socket, request->body, request->bodyLength)) {
        LogPrint("Unable to output Encode (%s)\n", SocketErrorText(socket));
        return 0;
    }
    HttpReportStep(request, HTTP_STEP_SENT);
    return 1;
}

// The judgement of a reply's header read into `buffer`. On Redirected the
// next address is in `next`.
Outcome Judge(const char* url, HeaderRead read, int32_t headerEnd, char* buffer,
              HttpReply* reply, char* next) {
    if (read == HeaderRead::TooLarge) {
        LogPrint("Reply header too large (%d bytes without its end)\n", reply->filled);
    } else if (read == HeaderRead::Ended) {
        LogPrint("Reply ended within its header (%d bytes)\n", reply->filled);
    } else if (!HttpParseReplyHeader(buffer, headerEnd, &reply->header)) {
        LogPrint("Malformed reply header\n");
    } else if (HttpIsSuccess(reply->header.status)) {
        reply->bodyStart = headerEnd;
        return Outcome::Done;
    } else if (!HttpIsRedirect(reply->header.status)) {
        LogPrint("Server replied '%s'\n", reply->header.statusLine);
    } else if (reply->header.location[0] == '\0') {
        LogPrint("Redirect without a usable location (%s)\n", reply->header.statusLine);
    } else if (!MayRedirectTo(url, reply->header.location)) {
        LogPrint("Refusing to follow the redirect to '%s'\n", reply->header.location);
    } else {
        LogPrint("Redirected (%s) to '%s'\n", reply->header.statusLine, reply->header.location);
        StrCopyN(next, reply->header.location, HTTP_TEXT_SIZE);
        return Outcome::Redirected;
    }
    return Outcome::Failed;
}

// The reply to a request sent. A proxy forwarding plain HTTP may answer
// 407 in place of the server, so its header is read even when the caller
// does not judge the reply: what was read of it then stays in
// buffer[0, filled) for the caller.
Outcome Receive(const HttpRequest* request, const char* url, const ProxyRoute* route,
                ProxyAuth* auth, char* buffer, int32_t size, HttpReply* reply, char* next) {
    const bool plainProxy = !route->direct && !HttpIsSecure(url);
    if (!request->judgeReply && !plainProxy) return Outcome::Done;
    int32_t headerEnd = 0;
    HeaderRead read = ReadHeader(reply->socket, buffer, size, &reply->filled, &headerEnd);
    if (plainProxy && read == HeaderRead::Complete &&
        HttpParseReplyHeader(buffer, headerEnd, &reply->header) && reply->header.status == 407) {
        ProxyAuthTakeChallenge(auth, buffer, headerEnd, reply->header.statusLine);
        return Outcome::ProxyAuth;
    }
    if (!request->judgeReply) return Outcome::Done;
    return Judge(url, read, headerEnd, buffer, reply, next);
}

// One request to `url` on one route, answering the proxy's challenges. On
// Done `reply` is open.
Outcome RequestOnRoute(const HttpRequest* request, const char* url, const ProxyRoute* route,
                       ProxyAuth* auth, char* buffer, int32_t size, HttpReply* reply, char* next) {
    HttpRequest here = *request;
    here.url = url;
    for (;;) {
        int32_t headerLength = 0;
        int opened = HttpOpenRequestVia(&here, route, auth, &reply->socket, buffer, size,
                                        &headerLength);
        Outcome outcome = Outcome::Failed;
        if (opened == HTTP_OPEN_UNREACHABLE) return Outcome::Unreachable;
        if (opened == HTTP_OPEN_PROXY_AUTH) {
            outcome = Outcome::ProxyAuth;
        } else if (opened == HTTP_OPEN_DONE) {
            if (SendRequest(reply->socket, buffer, headerLength, request)) {
                buffer[0] = '\0';
                outcome = Receive(request, url, route, auth, buffer, size, reply, next);
            }
            if (outcome != Outcome::Done) HttpExchangeClose(reply);
        }
        if (outcome != Outcome::ProxyAuth) return outcome;
        if (!ProxyAuthAnswer(auth)) return Outcome::Failed;
        std::memset(reply, 0, sizeof *reply);
    }
}

// One request to `url`: the routes of the proxy decision in order, the
// next one only while one cannot be reached.
Outcome RequestOnce(const HttpRequest* request, const char* url, char* buffer, int32_t size,
                    HttpReply* reply, char* next) {
    HttpRequest here = *request;
    here.url = url;
    ProxyRoutes routes;
    if (!HttpPrepareRequest(&here, &routes)) return Outcome::Failed;
    ProxyAuth* auth = MEM_ALLOC(ProxyAuth, (int32_t)sizeof(ProxyAuth));
    Outcome outcome = Outcome::Failed;
    for (int32_t i = 0; i < routes.count; ++i) {
        if (i > 0) {
            char shown[PROXY_SHOWN_SIZE];
            ProxyShow(&routes.route[i], shown);
            LogPrint("Trying the next proxy choice : %s\n", shown);
        }
        ProxyAuthStart(auth, &routes.route[i]);
        outcome = RequestOnRoute(request, url, &routes.route[i], auth, buffer, size, reply, next);
        ProxyAuthEnd(auth);
        if (outcome != Outcome::Unreachable) break;
    }
    MEM_FREE(&auth, (int32_t)sizeof(ProxyAuth));
    return outcome == Outcome::Unreachable ? Outcome::Failed : outcome;
}

}    // namespace

int HttpExchangeOpen(const HttpRequest* request, char* buffer, int32_t size, HttpReply* reply) {
    CHECK_POINTER(request);
    CHECK_POINTER(request->url);
    CHECK_POINTER(buffer);
    CHECK_POINTER(reply);
    std::memset(reply, 0, sizeof *reply);
    if (size < 2) return 0;
    char current[HTTP_TEXT_SIZE];
    if (!StrCopyN(current, request->url, sizeof current)) {
        LogPrint("URL too long (%d > %d)\n", StrLength(request->url), HTTP_URL_LENGTH_MAXIMUM);
        return 0;
    }
    for (int redirects = 0;; ++redirects) {
        char next[HTTP_TEXT_SIZE];
        Outcome outcome = RequestOnce(request, current, buffer, size, reply, next);
        if (outcome == Outcome::Done) return 1;
        if (outcome == Outcome::Failed) return 0;
        if (redirects == HTTP_REDIRECTS_MAXIMUM) {
            LogPrint("Too many redirects (more than %d)\n", HTTP_REDIRECTS_MAXIMUM);
            return 0;
        }
        StrCopy(current, next);
    }
}

int HttpExchangeRead(HttpReply* reply, char* buffer, int32_t size, int32_t* received) {
    CHECK_POINTER(reply);
    return SocketRead(reply->socket, buffer, size, received) == 1 ? 1 : 0;
}

void HttpExchangeClose(HttpReply* reply) {
    CHECK_POINTER(reply);
    if (!reply->socket) return;
    SocketShutdown(reply->socket);
    SocketClose(reply->socket);
    SocketDelete(&reply->socket);
    reply->socket = nullptr;
}
