#include "net/http-get.h"

#include "ui/ui.h"
#include "base/core.h"
#include "base/strings.h"

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

// One request and the judgement of its reply's header. On Redirected the
// next address is in `next`; on Done `reply` is open.
Outcome RequestOnce(const char* url, const char* userAgent, int32_t useProxy, char* buffer,
                    int32_t size, HttpReply* reply, char* next) {
    Socket* socket = nullptr;
    int32_t headerLength = 0;
    if (!HttpOpenRequest(url, userAgent, "GET", 0, useProxy, &socket, buffer, size, &headerLength))
        return Outcome::Failed;
    reply->socket = socket;

    Outcome outcome = Outcome::Failed;
    int32_t headerEnd = 0;
    if (!HttpSendAll(socket, buffer, headerLength)) {
        LogPrint("Unable to output header (%s)\n", SocketErrorText(socket));
    } else {
        WaitProgress(60);
        buffer[0] = '\0';
        if (!ReadHeader(socket, buffer, size, &reply->filled, &headerEnd)) {
            // logged
        } else if (!HttpParseReplyHeader(buffer, headerEnd, &reply->header)) {
            LogPrint("Malformed reply header\n");
        } else if (HttpIsSuccess(reply->header.status)) {
            reply->bodyStart = headerEnd;
            outcome = Outcome::Done;
        } else if (!HttpIsRedirect(reply->header.status)) {
            LogPrint("Server replied '%s'\n", reply->header.statusLine);
        } else if (reply->header.location[0] == '\0') {
            LogPrint("Redirect without a usable location (%s)\n", reply->header.statusLine);
        } else if (!MayRedirectTo(url, reply->header.location)) {
            LogPrint("Refusing to follow the redirect to '%s'\n", reply->header.location);
        } else {
            LogPrint("Redirected (%s) to '%s'\n", reply->header.statusLine,
                     reply->header.location);
            StrCopyN(next, reply->header.location, HTTP_TEXT_SIZE);
            outcome = Outcome::Redirected;
        }
    }
    if (outcome != Outcome::Done) HttpCloseReply(reply);
    return outcome;
}

}    // namespace

int HttpGet(const char* url, const char* userAgent, int32_t useProxy, char* buffer, int32_t size,
            HttpReply* reply) {
    CHECK_POINTER(url);
    CHECK_POINTER(buffer);
    CHECK_POINTER(reply);
    std::memset(reply, 0, sizeof *reply);
    if (size < 2) return 0;
    char current[HTTP_TEXT_SIZE];
    if (!StrCopyN(current, url, sizeof current)) {
        LogPrint("URL too long (%d > %d)\n", StrLength(url), HTTP_URL_LENGTH_MAXIMUM);
        return 0;
    }
    for (int redirects = 0;; ++redirects) {
        char next[HTTP_TEXT_SIZE];
        Outcome outcome = RequestOnce(current, userAgent, useProxy, buffer, size, reply, next);
        if (outcome == Outcome::Done) return 1;
        if (outcome == Outcome::Failed) return 0;
        if (redirects == HTTP_REDIRECTS_MAXIMUM) {
            LogPrint("Too many redirects (more than %d)\n", HTTP_REDIRECTS_MAXIMUM);
            return 0;
        }
        StrCopy(current, next);
    }
}

void HttpCloseReply(HttpReply* reply) {
    CHECK_POINTER(reply);
    if (!reply->socket) return;
    SocketShutdown(reply->socket);
    SocketClose(reply->socket);
    SocketDelete(&reply->socket);
    reply->socket = nullptr;
}
