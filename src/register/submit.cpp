// Posting the registration and looking for the server's acknowledgement.
// Only the word "RegSuccess" counts: the reply's status line and headers are
// not looked at, so an error page is a failure even though it came.
#include "register/register.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"
#include "net/http-exchange.h"
#include "register/payload.h"
#include "ui/ui.h"

#include <cstdio>

#define REQUEST_BUFFER_SIZE 20480
#define USER_AGENT_FORMAT "Tolvane Register %s (" VENDOR_WEB_SITE ")"
#define USER_AGENT_SIZE 80
#define SUCCESS_WORD "RegSuccess"

// Reads the reply into `reply` until "RegSuccess" turns up; a read that
// ends (closed, failed, timed out) or a full buffer ends it without. What
// the exchange already read (through a proxy: the header, to see whether
// the proxy asked for credentials) is the reply's beginning.
static bool ReplyAcknowledges(HttpReply* exchange, char* reply, int32_t size) {
    int32_t used = exchange->filled;
    reply[used] = '\0';
    const char* found = nullptr;
    if (StrFindNoCase(reply, SUCCESS_WORD, &found))
        return true;
    for (;;) {
        int32_t room = size - 1 - used; // the NUL keeps its place
        if (room <= 0)
            return false;
        int32_t received = 0;
        if (!HttpExchangeRead(exchange, reply + used, room, &received))
            return false;
        char* piece = reply + used;
        used += received;
        reply[used] = '\0';
        // The word may also have come split over two pieces.
        if (StrFindNoCase(piece, SUCCESS_WORD, &found) ||
            StrFindNoCase(reply, SUCCESS_WORD, &found))
            return true;
    }
}

int SubmitRegistration(const char* url, int32_t useProxy, const char* payload, int32_t length) {
    CHECK_POINTER(url);
    CHECK_POINTER(payload);
    char* request = MEM_ALLOC(char, REQUEST_BUFFER_SIZE);
    int32_t bodySize = 2 * length;
    char* body = MEM_ALLOC(char, bodySize);
    int32_t bodyLength = 0;
    BuildRegistrationBody(payload, length, body, &bodyLength);

    char userAgent[USER_AGENT_SIZE];
    std::snprintf(userAgent, sizeof userAgent, USER_AGENT_FORMAT, PROGRAM_NAME);
    HttpRequest post = {url, userAgent, "POST", body, bodyLength, useProxy, 0, WaitProgress};
    HttpReply reply;
    bool acknowledged = false;
    if (HttpExchangeOpen(&post, request, REQUEST_BUFFER_SIZE, &reply)) {
        acknowledged = ReplyAcknowledges(&reply, request, REQUEST_BUFFER_SIZE);
        WaitProgress(HTTP_STEP_RECEIVED);
        HttpExchangeClose(&reply);
    }
    MEM_FREE(&request, REQUEST_BUFFER_SIZE);
    MEM_FREE(&body, bodySize);
    return acknowledged ? 1 : 0;
}
