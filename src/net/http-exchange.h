// One HTTP exchange, as the version check, the download and the
// registration all make it: the connection (through the user's proxy when
// asked), the request header and body, and, when the request asks for it,
// the reply's header judged by its status, with redirects to other http://
// or https:// addresses followed (never from https:// down to http://). The
// rest of the reply is the caller's, read until the server closes.
#pragma once

#include "net/http-reply.h"
#include "net/socket.h"

#include <cstdint>

#define HTTP_REDIRECTS_MAXIMUM 5

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
};

// Shows `step` when the request has a progress callback.
inline void HttpReportStep(const HttpRequest* request, HttpStep step) {
    if (request->progress) request->progress(step);
}

struct HttpReply {
    Socket* socket;            // open, for the rest of the reply
    HttpReplyHeader header;    // when the request judged the reply
    int32_t bodyStart;         // where the body begins in the buffer
    int32_t filled;            // bytes of the reply in the buffer
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

// The next piece of the reply: 1 with `*received` bytes, 0 once the server
// has closed, the read failed or it timed out.
int HttpExchangeRead(HttpReply* reply, char* buffer, int32_t size, int32_t* received);

// Shuts the reply's connection and frees its socket.
void HttpExchangeClose(HttpReply* reply);
