// The header of an HTTP reply, read from its bytes alone: no socket, no log
// and no state, so that any bytes at all may be fed to it.
#pragma once

#include "net/http.h"

#include <cstdint>

// A header longer than this is refused; real servers send well under 8 KB.
#define HTTP_HEADER_SIZE_MAXIMUM 16384
#define HTTP_STATUS_LINE_SIZE 160
// A validator longer than this is not kept: the download then cannot resume.
#define HTTP_VALIDATOR_SIZE 160

struct HttpReplyHeader {
    int status;                               // 100 to 999
    char statusLine[HTTP_STATUS_LINE_SIZE];   // without its line end, cut to fit
    int64_t contentLength;                    // -1 when the header gives none
    char location[HTTP_TEXT_SIZE];            // empty when the header gives none
    bool locationTooLong;                     // a Location that did not fit
    bool chunked;                             // Transfer-Encoding: chunked
    bool otherCoding;                         // a transfer coding we cannot undo
    bool noRanges;                            // Accept-Ranges: none
    char etag[HTTP_VALIDATOR_SIZE];           // a strong ETag, quotes kept; else empty
    char lastModified[HTTP_VALIDATOR_SIZE];   // empty when the header gives none
    int64_t rangeStart;                       // Content-Range: bytes START-END/TOTAL,
    int64_t rangeEnd;                         // -1 each without one; TOTAL -1 for "*"
    int64_t rangeTotal;
};

// The offset just past the empty line that ends the header within
// data[0, length); 0 while it has not arrived. Lines end with CR LF or LF.
int32_t HttpHeaderEnd(const char* data, int32_t length);

// Parses the header in data[0, length) (normally up to HttpHeaderEnd). 1 when
// the status line reads "HTTP/", digits, ".", digits, a blank and a
// three-digit status, and every Content-Length is one and the same decimal
// number; else 0. Field names are matched in any letter case.
int HttpParseReplyHeader(const char* data, int32_t length, HttpReplyHeader* header);

// 2xx.
bool HttpIsSuccess(int status);
// The statuses whose Location is followed: 301, 302, 303, 307, 308.
bool HttpIsRedirect(int status);
