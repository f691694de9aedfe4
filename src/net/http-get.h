// A GET whose reply is judged by its header: the header is collected across
// reads until its empty line, the status decides, and redirects to other
// http:// or https:// addresses are followed (never from https:// down to
// http://). The body is left to the caller.
#pragma once

#include "net/http-reply.h"
#include "net/socket.h"

#include <cstdint>

#define HTTP_REDIRECTS_MAXIMUM 5

struct HttpReply {
    Socket* socket;           // open, for the rest of the body
    HttpReplyHeader header;
    int32_t bodyStart;        // where the body begins in the buffer
    int32_t filled;           // bytes of the reply in the buffer
};

// Requests `url` (the request header is composed in `buffer`, then the
// reply read into it) and follows up to HTTP_REDIRECTS_MAXIMUM redirects.
// 1 with a 2xx reply: its header parsed, the bytes read so far in
// buffer[0, filled), NUL-terminated. 0 when the attempt failed, logged,
// with nothing left open.
int HttpGet(const char* url, const char* userAgent, int32_t useProxy, char* buffer, int32_t size,
            HttpReply* reply);

// Shuts the reply's connection and frees its socket.
void HttpCloseReply(HttpReply* reply);
