#include "net/http-exchange.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/http.h"

#include <cstring>

namespace {

enum class Outcome { Failed, Done, Redirected };

// Up from http:// to https://, never down: what came encrypted stays so.
bool MayRedirectTo(const char* from, const char* to) {
    if (HttpIsSecure(to)) return true;
    return StrStartsWithNoCase(to, "http://") && !HttpIsSecure(from);
}

// Reads until the header's empty line has arrived; what came with it of
// the body stays behind it in the buffer. 1 when the header is complete.
int ReadHeader(Socket* socket, char* buffer, int32_t size, int32_t* filled, int32_t* headerEnd) {
    const int32_t limit = size - 1;    // room for the terminator
    *filled = 0;
    *headerEnd = 0;
    int32_t piece = 0;
    while (*filled < limit &&
           SocketRead(socket, buffer + *filled, limit - *filled, &piece) == 1) {
        *filled += piece;
        buffer[*filled] = '\0';
        *headerEnd = HttpHeaderEnd(buffer, *filled);
        if (*headerEnd > 0) return 1;
        if (*filled > HTTP_HEADER_SIZE_MAXIMUM) break;
    }
    if (*filled >= limit || *filled > HTTP_HEADER_SIZE_MAXIMUM)
        LogPrint("Reply header too large (%d bytes without its end)\n", *filled);
    else
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

// The judgement of a reply's header. On Redirected the next address is in
// `next`.
Outcome Judge(const char* url, Socket* socket, char* buffer, int32_t size, HttpReply* reply,
              char* next) {
    int32_t headerEnd = 0;
    if (!ReadHeader(socket, buffer, size, &reply->filled, &headerEnd)) {
        // logged
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

// One request to `url` and, when asked, the judgement of its reply. On
// Done `reply` is open.
Outcome RequestOnce(const HttpRequest* request, const char* url, char* buffer, int32_t size,
                    HttpReply* reply, char* next) {
    HttpRequest here = *request;
    here.url = url;
    int32_t headerLength = 0;
    if (!HttpOpenRequest(&here, &reply->socket, buffer, size, &headerLength))
        return Outcome::Failed;
    Outcome outcome = Outcome::Failed;
    if (SendRequest(reply->socket, buffer, headerLength, request)) {
        buffer[0] = '\0';
        outcome = request->judgeReply ? Judge(url, reply->socket, buffer, size, reply, next)
                                      : Outcome::Done;
    }
    if (outcome != Outcome::Done) HttpExchangeClose(reply);
    return outcome;
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
