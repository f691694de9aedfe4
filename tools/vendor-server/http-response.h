// An answer to one request: a status, a page or a file to stream, and the
// bytes of its status line and headers. Every answer closes its connection.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/html";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int file = -1;              // streamed after the headers instead of `body`; closed by the server
    unsigned long long fileSize = 0;
    bool headOnly = false;      // a HEAD request: the headers alone
};

// A short HTML page holding `text`.
HttpResponse PageResponse(int status, const std::string& text);

// "HTTP/1.1 STATUS REASON", the headers with Content-Length and
// "Connection: close", and the empty line.
std::string ResponseHead(const HttpResponse& response);

// "OK", "Not Found", ...
const char* StatusReason(int status);
