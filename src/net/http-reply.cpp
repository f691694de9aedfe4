#include "net/http-reply.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// One line of the header: [begin, end), its line end excluded.
struct Line {
    const char* begin;
    const char* end;
};

// The line starting at `at`, which ends before `limit`; `next` is where the
// following one starts.
Line LineAt(const char* at, const char* limit, const char** next) {
    const char* newline = static_cast<const char*>(std::memchr(at, '\n', (size_t)(limit - at)));
    const char* end = newline ? newline : limit;
    *next = newline ? newline + 1 : limit;
    if (end > at && end[-1] == '\r') --end;
    return {at, end};
}

// Digits, ".", digits at `*at`, advancing past them.
bool SkipVersionNumber(const char** at, const char* end) {
    const char* p = *at;
    const char* digits = p;
    while (p < end && IsDigit(*p)) ++p;
    if (p == digits || p == end || *p != '.') return false;
    digits = ++p;
    while (p < end && IsDigit(*p)) ++p;
    if (p == digits) return false;
    *at = p;
    return true;
}

bool ParseStatusLine(Line line, HttpReplyHeader* header) {
    const char* p = line.begin;
    if (line.end - p < 5 || std::memcmp(p, "HTTP/", 5) != 0) return false;
    p += 5;
    if (!SkipVersionNumber(&p, line.end)) return false;
    if (line.end - p < 4 || *p != ' ') return false;
    ++p;
    if (!IsDigit(p[0]) || !IsDigit(p[1]) || !IsDigit(p[2])) return false;
    if (p + 3 < line.end && p[3] != ' ') return false;
    int status = (p[0] - '0') * 100 + (p[1] - '0') * 10 + (p[2] - '0');
    if (status < 100) return false;
    header->status = status;
    size_t length = (size_t)(line.end - line.begin);
    if (length > sizeof header->statusLine - 1) length = sizeof header->statusLine - 1;
    std::memcpy(header->statusLine, line.begin, length);
    header->statusLine[length] = '\0';
    return true;
}

bool NameIs(Line name, const char* wanted) {
    size_t length = std::strlen(wanted);
    if ((size_t)(name.end - name.begin) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (Lower(name.begin[i]) != wanted[i]) return false;
    return true;
}

// A decimal number of at most 15 digits (no sign, no blanks inside).
bool ParseLength(Line value, int64_t* number) {
    if (value.begin == value.end || value.end - value.begin > 15) return false;
    int64_t result = 0;
    for (const char* p = value.begin; p < value.end; ++p) {
        if (!IsDigit(*p)) return false;
        result = result * 10 + (*p - '0');
    }
    *number = result;
    return true;
}

// Copies a value that fits; one that does not leaves `to` empty.
void CopyValue(Line value, char* to, size_t size) {
    size_t length = (size_t)(value.end - value.begin);
    if (length > size - 1) length = 0;
    std::memcpy(to, value.begin, length);
    to[length] = '\0';
}

bool EqualsNoCase(Line value, const char* wanted) { return NameIs(value, wanted); }

// "bytes START-END/TOTAL" (TOTAL may be "*"); anything else is no range.
void ParseContentRange(Line value, HttpReplyHeader* header) {
    const char* p = value.begin;
    if (value.end - p < 6 || !NameIs({p, p + 6}, "bytes ")) return;
    p += 6;
    const char* dash = static_cast<const char*>(std::memchr(p, '-', (size_t)(value.end - p)));
    const char* slash =
        dash ? static_cast<const char*>(std::memchr(dash, '/', (size_t)(value.end - dash))) : nullptr;
    int64_t start = 0, end = 0, total = -1;
    if (!slash || !ParseLength({p, dash}, &start) || !ParseLength({dash + 1, slash}, &end) ||
        end < start)
        return;
    if (!(slash + 2 == value.end && slash[1] == '*') && !ParseLength({slash + 1, value.end}, &total))
        return;
    if (total >= 0 && end >= total) return;
    header->rangeStart = start;
    header->rangeEnd = end;
    header->rangeTotal = total;
}

bool ParseField(Line line, HttpReplyHeader* header) {
    const char* colon = static_cast<const char*>(
        std::memchr(line.begin, ':', (size_t)(line.end - line.begin)));
    if (!colon) return true;    // not a field; nothing of ours to learn from it
    Line name = {line.begin, colon};
    Line value = {colon + 1, line.end};
    while (value.begin < value.end && (*value.begin == ' ' || *value.begin == '\t')) ++value.begin;
    while (value.end > value.begin && (value.end[-1] == ' ' || value.end[-1] == '\t')) --value.end;

    if (NameIs(name, "content-length")) {
        int64_t length = 0;
        if (!ParseLength(value, &length)) return false;
        if (header->contentLength >= 0 && header->contentLength != length) return false;
        header->contentLength = length;
    } else if (NameIs(name, "location")) {
        size_t length = (size_t)(value.end - value.begin);
        header->locationTooLong = length > sizeof header->location - 1;
        if (header->locationTooLong) length = 0;
        std::memcpy(header->location, value.begin, length);
        header->location[length] = '\0';
    } else if (NameIs(name, "transfer-encoding")) {
        // Only chunked (which we undo) or nothing at all keep the body's bytes
        // as the file's bytes.
        if (EqualsNoCase(value, "chunked")) header->chunked = true;
        else if (!EqualsNoCase(value, "identity")) header->otherCoding = true;
    } else if (NameIs(name, "etag")) {
        // A weak tag may not ask for a part of the file (If-Range).
        if (value.end - value.begin < 2 || value.begin[0] != 'W' || value.begin[1] != '/')
            CopyValue(value, header->etag, sizeof header->etag);
    } else if (NameIs(name, "last-modified")) {
        CopyValue(value, header->lastModified, sizeof header->lastModified);
    } else if (NameIs(name, "accept-ranges")) {
        header->noRanges = EqualsNoCase(value, "none");
    } else if (NameIs(name, "content-range")) {
        ParseContentRange(value, header);
    }
    return true;
}

}    // namespace

int32_t HttpHeaderEnd(const char* data, int32_t length) {
    for (int32_t i = 0; i + 1 < length; ++i) {
        if (data[i] != '\n') continue;
        if (data[i + 1] == '\n') return i + 2;
        if (data[i + 1] == '\r' && i + 2 < length && data[i + 2] == '\n') return i + 3;
    }
    return 0;
}

int HttpParseReplyHeader(const char* data, int32_t length, HttpReplyHeader* header) {
    header->status = 0;
    header->statusLine[0] = '\0';
    header->contentLength = -1;
    header->location[0] = '\0';
    header->locationTooLong = false;
    header->chunked = header->otherCoding = header->noRanges = false;
    header->etag[0] = header->lastModified[0] = '\0';
    header->rangeStart = header->rangeEnd = header->rangeTotal = -1;
    if (length <= 0) return 0;

    const char* limit = data + length;
    const char* next = data;
    if (!ParseStatusLine(LineAt(data, limit, &next), header)) return 0;
    while (next < limit) {
        Line line = LineAt(next, limit, &next);
        if (line.begin == line.end) break;    // the empty line: the body follows
        if (!ParseField(line, header)) return 0;
    }
    return 1;
}

bool HttpIsSuccess(int status) { return status >= 200 && status <= 299; }

bool HttpIsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}
