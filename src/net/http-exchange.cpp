#include "net/http-exchange.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/http-location.h"
#include "net/http.h"
#include "net/proxy-auth.h"
#include "net/proxy-route.h"
#include "platform/platform.h"

#include <cstring>

HttpTimeLimits HttpLimits = {HTTP_STALL_LIMIT_MS, HTTP_ATTEMPT_LIMIT_MS};

namespace {

// Unreachable: the next route may be tried; ProxyAuth: the proxy wants
// (other) credentials.
enum class Outcome { Failed, Done, Redirected, Unreachable, ProxyAuth };

// Up from http:// to https://, never down: what came encrypted stays so.
bool MayRedirectTo(const char* from, const char* to) {
    if (HttpIsSecure(to)) return true;
    return StrStartsWithNoCase(to, "http://") && !HttpIsSecure(from);
}

// What is left of the attempt, in milliseconds; 0 once it ran out.
int32_t Remaining(const HttpReply* reply) {
    uint32_t spent = PlatTickCount() - reply->started;
    return spent >= (uint32_t)reply->limitMs ? 0 : reply->limitMs - (int32_t)spent;
}

// The next wait: the stall limit, or less when the attempt ends sooner. 0
// once the attempt has run out, logged.
int32_t NextWait(HttpReply* reply) {
    int32_t remaining = Remaining(reply);
    if (remaining == 0) {
        LogPrint("Attempt took longer than %d s\n", reply->limitMs / 1000);
        reply->end = HTTP_END_LIMIT;
        return 0;
    }
    return remaining < HttpLimits.stallMs ? remaining : HttpLimits.stallMs;
}

// How the socket's last read ended, as the reply's end; logged unless the
// socket layer said it already (time-outs, cancel).
void NoteReadEnd(HttpReply* reply) {
    switch (reply->socket->stop) {
    case SOCKET_STOP_CLOSED:
        reply->end = HTTP_END_CLOSED;
        return;
    case SOCKET_STOP_TIMEOUT:
        reply->end = HTTP_END_TIMEOUT;
        if (Remaining(reply) == 0) {
            LogPrint("Attempt took longer than %d s\n", reply->limitMs / 1000);
            reply->end = HTTP_END_LIMIT;
        }
        return;
    case SOCKET_STOP_CANCELLED:
        reply->end = HTTP_END_CANCELLED;
        return;
    default:
        reply->end = HTTP_END_BROKEN;
        LogPrint("Connection broken off (%s)\n", SocketErrorText(reply->socket));
        return;
    }
}

// One read of the reply within the attempt's time; 1 with bytes.
int ReadReply(HttpReply* reply, char* buffer, int32_t size, int32_t* received) {
    *received = 0;
    int32_t wait = NextWait(reply);
    if (wait == 0) return 0;
    reply->socket->readTimeout = wait;
    if (SocketRead(reply->socket, buffer, size, received) == 1) return 1;
    NoteReadEnd(reply);
    return 0;
}

// Reads until the header's empty line has arrived; what came with it of
// the body stays behind it in the buffer. 1 when the header is complete.
int ReadHeader(HttpReply* reply, char* buffer, int32_t size, int32_t* headerEnd) {
    const int32_t limit = size - 1;    // room for the terminator
    int32_t* filled = &reply->filled;
    *filled = 0;
    *headerEnd = 0;
    int32_t piece = 0;
    while (*filled < limit && ReadReply(reply, buffer + *filled, limit - *filled, &piece) == 1) {
        *filled += piece;
        buffer[*filled] = '\0';
        *headerEnd = HttpHeaderEnd(buffer, *filled);
        if (*headerEnd > 0) return 1;
        if (*filled > HTTP_HEADER_SIZE_MAXIMUM) break;
    }
    if (*filled >= limit || *filled > HTTP_HEADER_SIZE_MAXIMUM)
        LogPrint("Reply header too large (%d bytes without its end)\n", *filled);
    else if (reply->end == HTTP_END_CLOSED || reply->end == HTTP_END_BROKEN)
        LogPrint("Reply ended within its header (%d bytes)\n", *filled);
    return 0;
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

// A chunked body's first bytes came with the header: decoded in place.
void StartBody(HttpReply* reply, char* buffer, int32_t headerEnd) {
    reply->bodyStart = headerEnd;
    if (!reply->header.chunked) return;
    HttpChunkedBegin(&reply->chunked);
    int32_t decoded =
        HttpChunkedDecode(&reply->chunked, buffer + headerEnd, reply->filled - headerEnd);
    reply->filled = headerEnd + decoded;
    buffer[reply->filled] = '\0';
}

// Where a redirect leads, made absolute; 0, logged, when it may not be followed.
int RedirectTarget(const char* url, const HttpReplyHeader& header, char* next) {
    if (header.location[0] == '\0') {
        LogPrint("Redirect without a usable location (%s)\n", header.statusLine);
        return 0;
    }
    if (!HttpResolveLocation(url, header.location, next) || !MayRedirectTo(url, next)) {
        LogPrint("Refusing to follow the redirect to '%s'\n", header.location);
        return 0;
    }
    LogPrint("Redirected (%s) to '%s'\n", header.statusLine, next);
    return 1;
}

// The judgement of a reply's header read into `buffer` (`headerRead` 0:
// it did not arrive whole, logged). On Redirected the next address is in
// `next`.
Outcome Judge(const char* url, int headerRead, int32_t headerEnd, char* buffer, HttpReply* reply,
              char* next) {
    if (!headerRead) {
        // logged
    } else if (!HttpParseReplyHeader(buffer, headerEnd, &reply->header)) {
        LogPrint("Malformed reply header\n");
    } else if (HttpIsSuccess(reply->header.status)) {
        // The chunked framing tells the length; a Content-Length beside it
        // means nothing.
        if (reply->header.chunked) reply->header.contentLength = -1;
        if (!reply->header.otherCoding) {
            StartBody(reply, buffer, headerEnd);
            return Outcome::Done;
        }
        LogPrint("Unable to undo the reply's transfer coding (%s)\n", reply->header.statusLine);
    } else if (!HttpIsRedirect(reply->header.status)) {
        LogPrint("Server replied '%s'\n", reply->header.statusLine);
    } else if (RedirectTarget(url, reply->header, next)) {
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
    int headerRead = ReadHeader(reply, buffer, size, &headerEnd);
    if (plainProxy && headerRead && HttpParseReplyHeader(buffer, headerEnd, &reply->header) &&
        reply->header.status == 407) {
        ProxyAuthTakeChallenge(auth, buffer, headerEnd, reply->header.statusLine);
        return Outcome::ProxyAuth;
    }
    if (!request->judgeReply) return Outcome::Done;
    return Judge(url, headerRead, headerEnd, buffer, reply, next);
}

// The next round after a proxy's challenge: a reply of its own, within the
// same attempt's time, to the same address.
void StartAgain(HttpReply* reply) {
    HttpReply kept = *reply;
    std::memset(reply, 0, sizeof *reply);
    reply->started = kept.started;
    reply->limitMs = kept.limitMs;
    StrCopy(reply->url, kept.url);
}

// One request to `url` on one route, answering the proxy's challenges. On
// Done `reply` is open.
Outcome RequestOnRoute(const HttpRequest* request, const char* url, const ProxyRoute* route,
                       ProxyAuth* auth, char* buffer, int32_t size, HttpReply* reply, char* next) {
    HttpRequest here = *request;
    here.url = url;
    for (;;) {
        here.attemptLimitMs = NextWait(reply);
        if (here.attemptLimitMs == 0) return Outcome::Failed;
        int32_t headerLength = 0;
        int opened = HttpOpenRequestVia(&here, route, auth, &reply->socket, buffer, size,
                                        &headerLength);
        Outcome outcome = Outcome::Failed;
        if (opened == HTTP_OPEN_PROXY_AUTH) {
            outcome = Outcome::ProxyAuth;
        } else if (opened == HTTP_OPEN_DONE) {
            if (SendRequest(reply->socket, buffer, headerLength, request)) {
                buffer[0] = '\0';
                outcome = Receive(request, url, route, auth, buffer, size, reply, next);
            }
        } else {
            // Logged; an attempt whose time ran out says so too.
            if (PlatTickCount() - reply->started >= (uint32_t)reply->limitMs) NextWait(reply);
            if (opened == HTTP_OPEN_UNREACHABLE) outcome = Outcome::Unreachable;
        }
        if (outcome != Outcome::Done) HttpExchangeClose(reply);
        if (outcome != Outcome::ProxyAuth) return outcome;
        if (!ProxyAuthAnswer(auth)) return Outcome::Failed;
        StartAgain(reply);
    }
}

// One request to `url`: the routes of the proxy decision in order, the
// next one only while one cannot be reached. On Done `reply` is open.
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
    reply->started = PlatTickCount();
    reply->limitMs = request->attemptLimitMs > 0 ? request->attemptLimitMs : HttpLimits.attemptMs;
    if (size < 2) return 0;
    char* current = reply->url;
    if (!StrCopyN(current, request->url, sizeof reply->url)) {
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
    CHECK_POINTER(received);
    *received = 0;
    for (;;) {
        if (reply->header.chunked && reply->chunked.state == CHUNKED_DONE) {
            reply->end = HTTP_END_COMPLETE;
            return 0;
        }
        if (!ReadReply(reply, buffer, size, received)) {
            if (reply->header.chunked && reply->end == HTTP_END_CLOSED) {
                LogPrint("Reply ended within its chunked body\n");
                reply->end = HTTP_END_BROKEN;
            }
            return 0;
        }
        if (!reply->header.chunked) return 1;
        *received = HttpChunkedDecode(&reply->chunked, buffer, *received);
        if (reply->chunked.state == CHUNKED_MALFORMED) {
            LogPrint("Malformed chunked body\n");
            reply->end = HTTP_END_BROKEN;
            return 0;
        }
        if (*received > 0) return 1;
    }
}

bool HttpBodyHasKnownEnd(const HttpReply* reply) {
    CHECK_POINTER(reply);
    return reply->header.chunked || reply->header.contentLength >= 0;
}

void HttpExchangeClose(HttpReply* reply) {
    CHECK_POINTER(reply);
    if (!reply->socket) return;
    SocketShutdown(reply->socket);
    SocketClose(reply->socket);
    SocketDelete(&reply->socket);
    reply->socket = nullptr;
}
