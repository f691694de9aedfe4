// One HTTP exchange, as the version check, the download and the
// registration all make it: the connection (through the user's proxy when
// asked), the request header and body, and, when the request asks for it,
// the reply's header judged by its status, with redirects to other http://
// or https:// addresses followed (never from https:// down to http://). The
// rest of the reply is the caller's, read until the server closes.
#pragma once

#include "net/http-chunked.h"
#include "net/http-reply.h"
#include "net/socket.h"

#include <cstdint>

#define HTTP_REDIRECTS_MAXIMUM 5

// Bounded waits: connecting and every read give up after this long without
// progress, and a whole attempt (redirects, resumed parts) after its limit.
#define HTTP_STALL_LIMIT_MS 30000
#define HTTP_ATTEMPT_LIMIT_MS 60000     // unless the request states its own

// The limits in force, process-wide: the program keeps the ones above; the
// tests shorten them so that no test waits half a minute.
struct HttpTimeLimits {
    int32_t stallMs;
    int32_t attemptMs;    // for requests that state none
};
extern HttpTimeLimits HttpLimits;

// How far an exchange has come, in percent of a progress bar.
enum HttpStep {
    HTTP_STEP_STARTED = 0,     // the address is read
    HTTP_STEP_RESOLVING = 20,  // the server's (or the proxy's) name is looked up
    HTTP_STEP_CONNECTING = 40, // the connection is made
    HTTP_STEP_SENT = 60,       // the request is out; the reply is awaited
    HTTP_STEP_RECEIVED = 80    // the reply is in: the callers that read it whole say so
};
// Shows a step; the wait window's WaitProgress fits.
typedef int (*HttpProgress)(double percentage);

struct HttpRequest {
    const char* url;
    const char* userAgent;
    const char* method;        // "GET" or "POST"
    const char* body;          // sent after the header; NULL for none
    int32_t bodyLength;
    int32_t useProxy;          // through the proxy of the user's Internet settings
    int32_t judgeReply;        // 1: read the reply's header, 2xx only, redirects followed
    HttpProgress progress;     // NULL for none
    SocketIdle idle = nullptr;           // between wait slices: keeps a window alive, 1 cancels
    const char* extraFields = nullptr;   // header lines (each ending CR LF) added
    int32_t attemptLimitMs = 0;          // 0: HttpLimits.attemptMs
};

// Shows `step` when the request has a progress callback.
inline void HttpReportStep(const HttpRequest* request, HttpStep step) {
    if (request->progress) request->progress(step);
}

// How the reading of a reply ended.
enum HttpEnd {
    HTTP_END_OPEN = 0,     // not yet
    HTTP_END_CLOSED,       // the server closed the connection
    HTTP_END_COMPLETE,     // a chunked body's last chunk arrived
    HTTP_END_TIMEOUT,      // nothing came for the stall limit
    HTTP_END_LIMIT,        // the attempt ran out of time
    HTTP_END_CANCELLED,    // the user cancelled
    HTTP_END_BROKEN        // the connection failed, or the chunked framing broke
};

struct HttpReply {
    Socket* socket;            // open, for the rest of the reply
    HttpReplyHeader header;    // when the request judged the reply
    int32_t bodyStart;         // where the body begins in the buffer
    int32_t filled;            // bytes of the reply in the buffer (a chunked body decoded)
    char url[HTTP_TEXT_SIZE];  // the address that answered, after redirects
    int32_t end;               // an HttpEnd
    uint32_t started;          // tick count when the attempt began
    int32_t limitMs;           // of the whole attempt
    HttpChunked chunked;       // when the header says so
};

// Makes the exchange up to where the caller reads: the request header is
// composed in `buffer`, then what came of the reply is read into it. 1 with
// `reply` open: for a judged reply a 2xx one, its header parsed and the
// bytes read so far in buffer[0, filled), NUL-terminated; otherwise what
// was read so far, NUL-terminated in buffer[0, filled): nothing on a
// direct connection, the beginning of the reply through a proxy, which may
// ask for credentials in place of the server (answered here, from the
// proxy's settings). 0 when the attempt failed, logged, with nothing left open.
int HttpExchangeOpen(const HttpRequest* request, char* buffer, int32_t size, HttpReply* reply);

// The next piece of the body (a chunked body decoded): 1 with `*received`
// bytes, 0 once it ended; `reply->end` says how, and what was not a normal
// end is logged.
int HttpExchangeRead(HttpReply* reply, char* buffer, int32_t size, int32_t* received);

// 1 when the reply's header says how long its body is (a Content-Length, or
// the chunked coding) so that its end can be proven.
bool HttpBodyHasKnownEnd(const HttpReply* reply);

// Shuts the reply's connection and frees its socket.
void HttpExchangeClose(HttpReply* reply);
